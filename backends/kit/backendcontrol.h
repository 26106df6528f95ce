// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "librarylock.h"
#include "notificationdispatcher.h"
#include "tarvixcontrol.h"
#include "tarvixdevice.h"

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// The common part of a device library's root object. A backend derives from it, makes its
// device records (a TarvixDevice, or a class derived from it, owned through a shared_ptr) and
// adds and removes them here; the kit keeps the list of present devices and tells the device
// listener.
//
// Lock: lock()/unlock() is one re-entrant library-wide lock. The backend holds it whenever it
// touches device state, and always around addDevice(), removeDevice(), reportDeviceChange() and
// findDevice(). getDevice() takes it itself, so it works with and without the caller holding it.
//
// Threads: every notification is delivered from the kit's delivery thread, one at a time, in
// the order it was posted, and never with the lock held, so a listener may take the lock. A new
// device listener is told of every present device as DeviceArrival, from that thread.
//
// Lifetime: a device record stays valid until its removal has been delivered (or dropped when no
// listener is registered), and is freed right after, or when the control is deleted. Deleting a
// control stops delivery before the destructor returns: from its first step no delivery starts,
// one in progress is waited for, queued ones are discarded. A derived destructor therefore calls
// stopDelivering() first. Delete neither from a listener nor while holding the lock.
class BackendControl : public TarvixControl
{
public:
    TarvixDevice* getDevice(const char* id) override;
    std::vector<std::string> presentDeviceIds() override;
    void lock() override;
    void unlock() override;
    ~BackendControl() override;

    BackendControl(const BackendControl&) = delete;
    BackendControl& operator=(const BackendControl&) = delete;

protected:
    BackendControl(); // starts the delivery thread; throws std::system_error if it cannot
    void setDeviceCallback(TarvixDeviceCallback* callback) final;

    // The caller holds the lock. The device becomes present and its arrival is reported; its
    // id must differ from every present device's.
    void addDevice(std::shared_ptr<TarvixDevice> device);
    // The device is no longer present and its removal is reported; null if none has this id.
    std::shared_ptr<TarvixDevice> removeDevice(const std::string& id);
    // Reports DeviceChange for a present device; nothing if none has this id.
    void reportDeviceChange(const std::string& id);
    std::shared_ptr<TarvixDevice> findDevice(const std::string& id) const;
    // In order of arrival.
    const std::vector<std::shared_ptr<TarvixDevice>>& presentRecords() const { return devices; }

    LibraryLock& libraryLock() { return lockObject; }
    NotificationDispatcher& notifications() { return dispatcher; }
    void stopDelivering();

private:
    LibraryLock lockObject;
    std::vector<std::shared_ptr<TarvixDevice>> devices; // guarded by the lock
    std::atomic<TarvixDeviceCallback*> deviceListener{nullptr};
    // Last, so that its thread has stopped before the devices go.
    NotificationDispatcher dispatcher;
};
