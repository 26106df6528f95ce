// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <memory>
#include <string>
#include <vector>

class TarvixControl;

// What the contract suite needs of a backend besides its TarvixControl: a way to make controls
// and to act on the hardware behind one, as a user plugging devices and turning knobs would.
class ContractBackend
{
public:
    virtual ~ContractBackend() = default;
    virtual std::unique_ptr<TarvixControl> create() = 0;
    // Ids of the devices present on the hardware now.
    virtual std::vector<std::string> presentIds(TarvixControl& control) = 0;
    // Makes a new device with an output endpoint and phantom power left present; returns its id.
    // May take effect later.
    virtual std::string plug(TarvixControl& control) = 0;
    virtual void unplug(TarvixControl& control, const std::string& id) = 0;
    // Moves the output level of a present device on the device itself.
    virtual void changeLevel(TarvixControl& control, const std::string& id, float db) = 0;
    virtual void changePhantomLeft(TarvixControl& control, const std::string& id, bool on) = 0;
};

// Runs the suite that every TarvixControl must pass against `backend`; returns the number of
// failed checks, as QTest::qExec does.
int runControlContract(ContractBackend& backend, int argc, char** argv);
