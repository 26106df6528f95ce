// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <vector>

class TarvixDeviceCallback;
struct TarvixDevice;

// Root object of a device library.
//
// Deleting a control stops its threads and its event reporting before the destructor returns:
// no listener is called once `delete` has begun.
class TarvixControl
{
public:
    // Human-readable name of the backend ("Simulated devices", ...).
    virtual const char* backendName() = 0;

protected:
    // Backs registerTarvixDeviceCallback().
    virtual void setDeviceCallback(TarvixDeviceCallback* callback) = 0;

public:
    // The present device with this UTF-8 identifier, or null. Callable with and without lock().
    virtual TarvixDevice* getDevice(const char* id) = 0;
    // The UTF-8 identifiers of the devices present now, in order of arrival, for the commands
    // that work without listening. Callable with and without lock().
    virtual std::vector<std::string> presentDeviceIds() = 0;
    // The library-wide lock around every device access. Re-entrant on one thread.
    virtual void lock() = 0;
    virtual void unlock() = 0;

    virtual ~TarvixControl();

    // Every device, those present before the call included, is then reported as DeviceArrival,
    // possibly from within this call.
    void registerTarvixDeviceCallback(TarvixDeviceCallback* callback)
    {
        setDeviceCallback(callback);
    }
};
