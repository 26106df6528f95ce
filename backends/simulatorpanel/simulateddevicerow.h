// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "simulateddeviceconfig.h"

#include <QGroupBox>

class QCheckBox;
class QLabel;
class QSlider;
class SimulatedHardware;

// One simulated device in the "Simulated hardware" panel: its plug box, and the levels, mutes
// and switches as the device itself would have them turned. Every change the user makes goes to
// the simulator as a SimulatedHardware request; show() writes what the device holds now.
//
// GUI thread only. The panel owns the row; the row borrows the simulator's hardware interface,
// which outlives the panel.
class SimulatedDeviceRow : public QGroupBox
{
public:
    SimulatedDeviceRow(SimulatedHardware& hardware, const SimulatedDeviceConfig& config,
                       QWidget* parent);

    const std::string& deviceId() const { return config.id; }

    // The device as it is now, or null while it is unplugged (it is plugged again as it was
    // when it was pulled out).
    void showDevice(const SimulatedDeviceConfig* present);

private:
    struct Endpoint
    {
        SimulatedEndpointKind kind;
        QSlider* left = nullptr;
        QSlider* right = nullptr;
        QLabel* readOut = nullptr;
        QCheckBox* mute = nullptr;
    };

    void addEndpoint(Endpoint& endpoint, const SimulatedEndpointConfig& levels,
                     const QString& title);
    void addSwitches();
    void showEndpoint(const Endpoint& endpoint, const SimulatedEndpointConfig& levels);
    QCheckBox* addBox(const QString& text, const QString& objectName);
    SimulatedEndpointConfig& levelsOf(const Endpoint& endpoint);
    void keepPresentState();

    SimulatedHardware& hardware;
    SimulatedDeviceConfig config;
    QCheckBox* plugged;
    Endpoint output{SimulatedEndpointKind::Output};
    Endpoint input{SimulatedEndpointKind::Input};
    QCheckBox* switches[allSwitches.size()] = {};
};
