// SPDX-License-Identifier: GPL-3.0-or-later
#include "simulateddevicerow.h"

#include "levelscale.h"
#include "simulatedhardware.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <QSlider>

namespace {

QString levelText(float left, float right)
{
    return QStringLiteral("%1 / %2 dB").arg(left, 0, 'f', 1).arg(right, 0, 'f', 1);
}

} // namespace

SimulatedDeviceRow::SimulatedDeviceRow(SimulatedHardware& hardware,
                                       const SimulatedDeviceConfig& config, QWidget* parent)
    : QGroupBox(QString::fromStdString(config.name), parent), hardware(hardware), config(config),
      plugged(nullptr)
{
    setObjectName(QString::fromStdString(config.id));
    auto* layout = new QGridLayout(this);
    plugged = new QCheckBox(tr("Plugged in"), this);
    plugged->setObjectName(QStringLiteral("plugged"));
    plugged->setAccessibleName(tr("%1 plugged in").arg(title()));
    layout->addWidget(plugged, 0, 0, 1, 5);
    connect(plugged, &QCheckBox::clicked, this, [this](bool on) {
        if (on) {
            this->hardware.plugDevice(this->config);
            return;
        }
        // It comes back as it is now, not as the panel last read it.
        keepPresentState();
        this->hardware.unplugDevice(this->config.id);
    });
    if (config.output)
        addEndpoint(output, *config.output, tr("Output"));
    if (config.input)
        addEndpoint(input, *config.input, tr("Input"));
    if (config.hid)
        addSwitches();
}

void SimulatedDeviceRow::addEndpoint(Endpoint& endpoint, const SimulatedEndpointConfig& levels,
                                     const QString& title)
{
    auto* layout = static_cast<QGridLayout*>(this->layout());
    const int row = layout->rowCount();
    const QString prefix = endpoint.kind == SimulatedEndpointKind::Output ? QStringLiteral("output")
                                                                          : QStringLiteral("input");
    layout->addWidget(new QLabel(title, this), row, 0);
    for (const bool left : {true, false}) {
        auto* slider = new QSlider(Qt::Horizontal, this);
        const QString side = left ? tr("left") : tr("right");
        slider->setObjectName(prefix + (left ? QStringLiteral("_left") : QStringLiteral("_right")));
        slider->setAccessibleName(tr("%1 level on the device, %2").arg(title, side));
        // Without a usable step the slider keeps its range; showDevice() disables it.
        if (LevelScale::isUsableStep(levels.stepDb)) {
            const QSignalBlocker blocker(slider);
            slider->setRange(LevelScale::positionForLevel(levels.minDb, levels.stepDb),
                             LevelScale::positionForLevel(levels.maxDb, levels.stepDb));
        }
        connect(slider, &QSlider::valueChanged, this, [this, &endpoint, left](int position) {
            SimulatedEndpointConfig& levels = levelsOf(endpoint);
            const float db = static_cast<float>(position) * levels.stepDb;
            (left ? levels.leftDb : levels.rightDb) = db;
            if (left)
                hardware.changeVolumeLeft(config.id, endpoint.kind, db);
            else
                hardware.changeVolumeRight(config.id, endpoint.kind, db);
        });
        layout->addWidget(slider, row, left ? 1 : 2);
        (left ? endpoint.left : endpoint.right) = slider;
    }
    endpoint.readOut = new QLabel(this);
    layout->addWidget(endpoint.readOut, row, 3);
    endpoint.mute = addBox(tr("Mute"), prefix + QStringLiteral("_mute"));
    endpoint.mute->setAccessibleName(tr("%1 mute on the device").arg(title));
    layout->addWidget(endpoint.mute, row, 4);
    connect(endpoint.mute, &QCheckBox::clicked, this, [this, &endpoint](bool on) {
        levelsOf(endpoint).mute = on;
        hardware.changeMute(config.id, endpoint.kind, on);
    });
}

void SimulatedDeviceRow::addSwitches()
{
    auto* layout = static_cast<QGridLayout*>(this->layout());
    const int row = layout->rowCount();
    const QString texts[] = {tr("Phantom power, left"), tr("Phantom power, right"),
                             tr("Loopback, left"), tr("Loopback, right")};
    const char* const names[] = {"phantom_left", "phantom_right", "loopback_left",
                                 "loopback_right"};
    for (const TarvixHID::Switch which : allSwitches) {
        const std::size_t i = switchIndex(which);
        switches[i] = addBox(texts[i], QString::fromLatin1(names[i]));
        layout->addWidget(switches[i], row + int(i) / 2, 1 + int(i) % 2);
        connect(switches[i], &QCheckBox::clicked, this, [this, which](bool on) {
            (*config.hid)[which] = on;
            hardware.changeSwitch(config.id, which, on);
        });
    }
}

// What the user changes is kept here too, so that a device plugged in again comes back as it was
// left even if the panel has not read it since.
SimulatedEndpointConfig& SimulatedDeviceRow::levelsOf(const Endpoint& endpoint)
{
    return endpoint.kind == SimulatedEndpointKind::Output ? *config.output : *config.input;
}

void SimulatedDeviceRow::keepPresentState()
{
    for (const SimulatedDeviceConfig& device : hardware.presentDevices()) {
        if (device.id == config.id)
            config = device;
    }
}

QCheckBox* SimulatedDeviceRow::addBox(const QString& text, const QString& objectName)
{
    auto* box = new QCheckBox(text, this);
    box->setObjectName(objectName);
    return box;
}

void SimulatedDeviceRow::showDevice(const SimulatedDeviceConfig* present)
{
    if (present)
        config = *present;
    {
        const QSignalBlocker blocker(plugged);
        plugged->setChecked(present != nullptr);
    }
    // An unplugged device cannot be turned; it comes back as it was.
    for (QWidget* child : findChildren<QWidget*>()) {
        if (child != plugged)
            child->setEnabled(present != nullptr);
    }
    if (config.output)
        showEndpoint(output, *config.output);
    if (config.input)
        showEndpoint(input, *config.input);
    for (const TarvixHID::Switch which : allSwitches) {
        if (!config.hid)
            break;
        const QSignalBlocker blocker(switches[switchIndex(which)]);
        switches[switchIndex(which)]->setChecked((*config.hid)[which]);
    }
}

void SimulatedDeviceRow::showEndpoint(const Endpoint& endpoint,
                                      const SimulatedEndpointConfig& levels)
{
    endpoint.readOut->setText(levelText(levels.leftDb, levels.rightDb));
    {
        const QSignalBlocker blocker(endpoint.mute);
        endpoint.mute->setChecked(levels.mute);
    }
    if (!LevelScale::isUsableStep(levels.stepDb)) {
        // Without a usable step a position has no level to send.
        endpoint.left->setEnabled(false);
        endpoint.right->setEnabled(false);
        return;
    }
    for (const auto& [slider, db] :
         {std::pair{endpoint.left, levels.leftDb}, std::pair{endpoint.right, levels.rightDb}}) {
        // The user's own drag wins over the last reading.
        if (slider->isSliderDown())
            continue;
        const QSignalBlocker blocker(slider);
        slider->setValue(LevelScale::positionForLevel(db, levels.stepDb));
    }
}
