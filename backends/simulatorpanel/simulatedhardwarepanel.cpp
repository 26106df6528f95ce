// SPDX-License-Identifier: GPL-3.0-or-later
#include "simulatedhardwarepanel.h"

#include "simulateddevicerow.h"
#include "simulatedhardware.h"

#include <QVBoxLayout>

#include <algorithm>

namespace {
constexpr int refreshIntervalMs = 500;
} // namespace

SimulatedHardwarePanel::SimulatedHardwarePanel(SimulatedHardware& hardware, QWidget* parent)
    : QWidget(parent, Qt::Window), hardware(hardware), rowsLayout(new QVBoxLayout(this))
{
    setWindowTitle(tr("Simulated hardware"));
    refreshTimer.setInterval(refreshIntervalMs);
    connect(&refreshTimer, &QTimer::timeout, this, &SimulatedHardwarePanel::refresh);
    refresh();
}

void SimulatedHardwarePanel::refresh()
{
    const std::vector<SimulatedDeviceConfig> present = hardware.presentDevices();
    for (const SimulatedDeviceConfig& device : present) {
        const bool known = std::any_of(rows.begin(), rows.end(), [&](SimulatedDeviceRow* row) {
            return row->deviceId() == device.id;
        });
        if (!known) {
            rows.push_back(new SimulatedDeviceRow(hardware, device, this));
            rowsLayout->addWidget(rows.back());
        }
    }
    for (SimulatedDeviceRow* row : rows) {
        const auto found = std::find_if(present.begin(), present.end(), [&](const auto& device) {
            return device.id == row->deviceId();
        });
        row->showDevice(found == present.end() ? nullptr : &*found);
    }
}

// Nobody looks at a hidden panel: it rests until it is shown again.
void SimulatedHardwarePanel::showEvent(QShowEvent* event)
{
    refresh();
    refreshTimer.start();
    QWidget::showEvent(event);
}

void SimulatedHardwarePanel::hideEvent(QHideEvent* event)
{
    refreshTimer.stop();
    QWidget::hideEvent(event);
}
