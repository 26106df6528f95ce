// SPDX-License-Identifier: GPL-3.0-or-later
#include "presetcommands.h"

#include "presetfiledialogs.h"
#include "tarvixdevice.h"

#include <QCoreApplication>
#include <QErrorMessage>

namespace {

const char* const errorTitle = "TarvixMixer - Error";
const char* const presetFileName = "preset.tarvix";

// The captions and the filter are the window's texts, translated in its context.
QString translated(const char* text)
{
    return QCoreApplication::translate("TarvixMixer", text);
}

} // namespace

PresetCommands::PresetCommands(QWidget* window, TarvixControl* control,
                               TarvixDevice* const& currentDevice)
    : window(window), control(control), currentDevice(currentDevice),
      fileDialogs(PresetFileDialogs::qtDialogs())
{
}

void PresetCommands::setFileDialogs(PresetFileDialogs* dialogs)
{
    fileDialogs = dialogs;
}

// The device may have been unplugged while a dialog was open, and another made current.
PresetTransfer::DeviceLookup PresetCommands::selectedDevice(const QString& deviceId) const
{
    return [this, deviceId]() -> TarvixDevice* {
        const bool selected = currentDevice && QString::fromUtf8(currentDevice->id) == deviceId;
        return selected ? currentDevice : nullptr;
    };
}

void PresetCommands::store(const QString& deviceId)
{
    const QString fileName = fileDialogs->getSaveFileName(
        window, translated(QT_TRANSLATE_NOOP("TarvixMixer", "Store preset")),
        QString::fromLatin1(presetFileName),
        translated(QT_TRANSLATE_NOOP("TarvixMixer", "Tarvix preset file (*.tarvix)")));
    if (fileName.isEmpty())
        return;
    const PresetTransfer::Outcome outcome =
        PresetTransfer::store(*control, selectedDevice(deviceId), fileName);
    if (outcome != PresetTransfer::Outcome::Done)
        showError(PresetTransfer::storeFailure(outcome));
}

bool PresetCommands::load(const QString& deviceId)
{
    const QString fileName = fileDialogs->getOpenFileName(
        window, translated(QT_TRANSLATE_NOOP("TarvixMixer", "Load preset")),
        QString::fromLatin1(presetFileName),
        translated(QT_TRANSLATE_NOOP("TarvixMixer", "Tarvix preset file (*.tarvix)")));
    if (fileName.isEmpty())
        return true;
    return loadFile(deviceId, fileName);
}

bool PresetCommands::loadFile(const QString& deviceId, const QString& fileName)
{
    const PresetTransfer::Outcome outcome =
        PresetTransfer::load(*control, selectedDevice(deviceId), fileName);
    if (outcome != PresetTransfer::Outcome::Done)
        showError(PresetTransfer::loadFailure(outcome));
    return outcome != PresetTransfer::Outcome::CannotOpenFile;
}

void PresetCommands::showError(const QString& message)
{
    // A new box each time: one box's "don't show again" never silences a later failure.
    auto* box = new QErrorMessage(window);
    box->setWindowTitle(QString::fromLatin1(errorTitle));
    box->showMessage(message);
}
