// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QTimer>
#include <QWidget>

#include <vector>

class QVBoxLayout;
class SimulatedDeviceRow;
class SimulatedHardware;

// The "Simulated hardware" window: every simulated device the simulator has had, with a plug
// box each and its levels, mutes and switches to turn "on the device", so that the main window
// can be seen to follow as it would a real device. It reaches the simulator only through its
// SimulatedHardware interface, and reads the devices back every 500 ms while it is shown.
//
// GUI thread only. Whoever opens it owns it and deletes it before the simulator's control.
class SimulatedHardwarePanel : public QWidget
{
public:
    SimulatedHardwarePanel(SimulatedHardware& hardware, QWidget* parent);

    // Reads the present devices and shows them; a device not seen before gets a row.
    void refresh();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    SimulatedHardware& hardware;
    QVBoxLayout* rowsLayout;
    std::vector<SimulatedDeviceRow*> rows;
    QTimer refreshTimer;
};
