#pragma once

#include "librarylock.h"
#include "notificationdispatcher.h"
#include "serialexecutor.h"
#include "simulatedcounts.h"
#include "simulateddeviceconfig.h"
#include "tarvixcontrol.h"

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class SimulatedDevice;
class SimulatedEndpoint;

// The simulated device library: the backend that stands in where no supported hardware is
// present, and the device that tests drive the mixer through.
//
// Threads. The library runs two threads of its own. The hardware thread carries out what
// happens "elsewhere" (the test requests below: plugging, unplugging, device events, changes
// made by other mixers or the device's own controls), each under the library lock, in the
// order requested. The delivery thread calls the device and endpoint listeners, one call at a
// time, in the order the notifications arose, and without holding the library lock. HID
// changes are never reported from a library thread; poll() reports them on its caller's thread.
//
// Records. A device's record and its endpoint and HID objects stay valid until its removal has
// been delivered to the device listener (or dropped, when there is none), and are freed right
// after, or when the control is deleted.
//
// Deletion stops both threads before the destructor returns: from its first step no delivery
// starts, a delivery already in progress is waited for, and queued notifications and requests
// are discarded. The deleting thread must not hold the library lock (a delivery in progress may
// be waiting for it) and must not be a library thread: a control is not deleted from within a
// listener.
class SimulatedControl final : public TarvixControl
{
public:
    enum class StartWith { DefaultDevices, NoDevices };
    // How the devices present at registration are reported: as queued arrivals from the
    // delivery thread, or synchronously from within registerTarvixDeviceCallback() on the
    // caller's thread (which then must not hold the library lock).
    enum class ArrivalReporting { FromLibraryThread, WithinRegistration };

    // The default devices are SimulatedDeviceConfig::duo() and ::solo(), present from the start.
    explicit SimulatedControl(StartWith start = StartWith::DefaultDevices,
                              ArrivalReporting reporting = ArrivalReporting::FromLibraryThread);
    ~SimulatedControl() override;

    SimulatedControl(const SimulatedControl&) = delete;
    SimulatedControl& operator=(const SimulatedControl&) = delete;

    const char* backendName() override;
    TarvixDevice* getDevice(const char* id) override;
    void lock() override;
    void unlock() override;

    // Requests carried out by the hardware thread, in call order; they return at once.
    // A request that names no present device, endpoint or HID interface, or plugs an id that
    // is present already, is ignored and counted in SimulatedCounts::ignoredRequests.
    void plugDevice(const SimulatedDeviceConfig& config);
    void unplugDevice(const std::string& id);
    // A notification of any type, the device's presence unchanged; for an id that is not
    // present it carries a null record.
    void sendDeviceEvent(const std::string& id, CallbackType type);
    void sendDeviceChange(const std::string& id);
    void changeVolumeLeftElsewhere(const std::string& id, SimulatedEndpointKind endpoint, float db);
    void changeVolumeRightElsewhere(const std::string& id, SimulatedEndpointKind endpoint,
                                    float db);
    void changeMuteElsewhere(const std::string& id, SimulatedEndpointKind endpoint, bool mute);
    // Not reported by itself; follow it with sendDeviceChange() as the device would.
    void changeVolumeRangeElsewhere(const std::string& id, SimulatedEndpointKind endpoint,
                                    float minDb, float maxDb, float stepDb);
    void changeSwitchElsewhere(const std::string& id, SimulatedSwitch which, bool on);

    // Waits until every request made before the call has been carried out and every
    // notification that arose has been delivered. False on timeout, when called from a library
    // thread, and, without waiting, when the calling thread holds the library lock and work is
    // still pending.
    bool waitUntilDelivered(int timeoutMs = 5000);

    SimulatedCounts counts() const;
    bool tryLock();
    bool isLockedByCurrentThread() const;
    std::vector<std::string> presentDeviceIds();

    // Called on the deleting thread once deletion has begun (no delivery starts any more) and
    // before waiting for a delivery in progress and stopping the threads.
    void setDestructionObserver(std::function<void()> observer);

protected:
    void setDeviceCallback(TarvixDeviceCallback* callback) override;

private:
    using EndpointChange = std::function<void(SimulatedEndpoint&)>;

    void reportPresentDevicesNow(TarvixDeviceCallback* callback);
    void plugNow(const SimulatedDeviceConfig& config);
    void unplugNow(const std::string& id);
    void changeEndpointElsewhere(const std::string& id, SimulatedEndpointKind endpoint,
                                 EndpointChange change);
    // The caller holds the library lock.
    std::shared_ptr<SimulatedDevice> findPresent(const std::string& id) const;
    void postDeviceEvent(CallbackType type, const std::string& id,
                         std::shared_ptr<SimulatedDevice> device);

    LibraryLock libraryLock;
    NotificationDispatcher dispatcher;
    const ArrivalReporting arrivalReporting;
    std::atomic<TarvixDeviceCallback*> deviceListener{nullptr};
    std::function<void()> destructionObserver;

    // Guarded by the library lock; in order of arrival.
    std::vector<std::shared_ptr<SimulatedDevice>> presentDevices;

    SerialExecutor hardware;
};
