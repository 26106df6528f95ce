// SPDX-License-Identifier: GPL-3.0-or-later
#include "levelrow.h"

#include "levellabels.h"
#include "levelscale.h"
#include "tarvixdevice.h"
#include "tarvixmixerdevice.h"

#include <QCheckBox>
#include <QLabel>
#include <QScopedValueRollback>
#include <QSlider>

LevelRow::LevelRow(Direction direction, Channel channel, QSlider* slider, QLabel* label,
                   QSlider* partner, QCheckBox* link)
    : direction(direction), channel(channel), slider(slider), label(label), partner(partner),
      link(link)
{
}

TarvixMixerDevice* LevelRow::endpointOf(TarvixDevice* device) const
{
    if (!device)
        return nullptr;
    return direction == Direction::Output ? device->output : device->input;
}

float LevelRow::levelOf(TarvixMixerDevice* endpoint) const
{
    return channel == Channel::Left ? endpoint->getVolumeLeft() : endpoint->getVolumeRight();
}

void LevelRow::sendLevel(TarvixMixerDevice* endpoint, float levelDb) const
{
    if (channel == Channel::Left)
        endpoint->setVolumeLeft(levelDb);
    else
        endpoint->setVolumeRight(levelDb);
}

void LevelRow::setLevel(TarvixDevice* device, int position) const
{
    TarvixMixerDevice* endpoint = endpointOf(device);
    if (!endpoint || updating)
        return;
    float minDb = 0.0f, maxDb = 0.0f, stepDb = 0.0f;
    endpoint->getVolumeRange(&minDb, &maxDb, &stepDb);
    if (!LevelScale::isUsableStep(stepDb))
        return;
    const bool inDb = endpoint->levelsAreInDb();
    if (!inDb || direction == Direction::Output) {
        sendLevel(endpoint, LevelScale::outputLevelForPosition(position, stepDb));
        // The read-out shows what the device kept, which may differ from what was sent.
        const float kept = levelOf(endpoint);
        showText(inDb ? LevelLabels::outputLevelText(kept) : LevelLabels::percentText(kept));
    } else {
        sendLevel(endpoint, LevelScale::inputLevelForPosition(position, stepDb));
        showText(LevelLabels::inputPositionText(position));
    }
    // Moving the partner runs its own row at once, nested under the caller's lock.
    if (link->checkState() != Qt::Unchecked)
        partner->setValue(position);
}

void LevelRow::setRange(float minDb, float maxDb, float stepDb, bool inDb)
{
    if (!LevelScale::isUsableStep(stepDb))
        return;
    const QScopedValueRollback<bool> showingDevice(updating, true);
    if (!inDb) {
        slider->setMaximum(LevelScale::percentPositionForLevel(maxDb, stepDb));
        slider->setMinimum(LevelScale::percentPositionForLevel(minDb, stepDb));
        slider->setPageStep(LevelScale::percentPageStep(stepDb));
        return;
    }
    if (direction == Direction::Output)
        minDb = LevelScale::kOutputFloorDb;
    slider->setMaximum(LevelScale::positionForLevel(maxDb, stepDb));
    slider->setMinimum(LevelScale::positionForLevel(minDb, stepDb));
    // Page Up and Page Down move by 6 dB; every input position is one 6 dB gain step.
    slider->setPageStep(direction == Direction::Output ? LevelScale::outputPageStep(stepDb) : 1);
}

void LevelRow::showText(const QString& text) const
{
    label->setText(text);
    // A screen reader says the slider's read-out ("-20.5 dB", "42 %"), not its position.
    slider->setAccessibleDescription(text);
}

void LevelRow::showLevel(TarvixMixerDevice* endpoint, float stepDb)
{
    const QScopedValueRollback<bool> showingDevice(updating, true);
    const float level = levelOf(endpoint);
    if (!endpoint->levelsAreInDb()) {
        showText(LevelLabels::percentText(level));
        if (LevelScale::isUsableStep(stepDb))
            slider->setValue(LevelScale::percentPositionForLevel(level, stepDb));
        return;
    }
    if (direction == Direction::Output) {
        showText(LevelLabels::outputRefreshText(level));
        if (LevelScale::isUsableStep(stepDb))
            slider->setValue(LevelScale::positionForLevel(level, stepDb));
        return;
    }
    // Without a usable step there is no position to show; the channel stays as it is.
    if (LevelScale::isUsableStep(stepDb)) {
        showText(LevelLabels::inputRefreshText(level, stepDb));
        slider->setValue(LevelScale::positionForLevel(level, stepDb));
    }
}

void LevelRow::setWritable(bool writable) const
{
    slider->setEnabled(writable);
}

void LevelRow::setHasLevels(bool hasLevels, const QString& why) const
{
    const QString tip = hasLevels ? QString() : why;
    slider->setToolTip(tip);
    link->setToolTip(tip);
    link->setEnabled(hasLevels);
    if (!hasLevels) {
        slider->setEnabled(false);
        showText(QString());
    }
}
