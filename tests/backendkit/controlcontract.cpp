#include "controlcontract.h"

#include "tarvixlibrary.h"

#include <QtTest>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <future>
#include <mutex>
#include <thread>

namespace {

constexpr auto deadline = std::chrono::seconds(10);

// Whether another thread can take the library lock now, within a generous deadline.
bool lockableElsewhere(TarvixControl& control)
{
    const auto taken = std::make_shared<std::promise<void>>();
    std::future<void> done = taken->get_future();
    std::thread([&control, taken] {
        control.lock();
        control.unlock();
        taken->set_value();
    }).detach();
    return done.wait_for(deadline) == std::future_status::ready;
}

struct Call
{
    CallbackType type;
    std::string id;
    TarvixDevice* device;
    std::string recordId; // read from the record during the call
    bool present;         // getDevice(id) gave the record during the call
    bool fromLibraryThread;
    bool lockFree; // another thread could take the lock during the call
};

// Records the calls of both listener kinds; a hook runs first in each call.
class Recorder final : public TarvixDeviceCallback, public TarvixMixerDeviceCallback
{
public:
    explicit Recorder(TarvixControl& control) : control(control) {}

    void onDeviceEvent(CallbackType type, const char* id, TarvixDevice* device) override
    {
        record({type, id, device, device->id, control.getDevice(id) == device, true, true});
    }
    void onVolumeChanged(std::int32_t) override
    {
        record({DeviceChange, "", {}, "", true, true, true});
    }

    std::vector<Call> waitFor(std::size_t count)
    {
        std::unique_lock<std::mutex> guard(mutex);
        changed.wait_for(guard, deadline, [&] { return calls.size() >= count; });
        return calls;
    }

    std::function<void()> hook;

private:
    void record(Call call)
    {
        if (hook)
            hook();
        call.fromLibraryThread = std::this_thread::get_id() != creator;
        call.lockFree = lockableElsewhere(control);
        std::lock_guard<std::mutex> guard(mutex);
        calls.push_back(call);
        changed.notify_all();
    }

    TarvixControl& control;
    const std::thread::id creator = std::this_thread::get_id();
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<Call> calls;
};

} // namespace

class ControlContract : public QObject
{
    Q_OBJECT

public:
    explicit ControlContract(ContractBackend& backend) : backend(backend) {}

private slots:
    void devicesArriveAndLeaveWithTheirRecords();
    void levelChangesReachTheRegisteredListenerOnly();
    void lockIsReentrantAndExclusive();
    void deletionWaitsForTheDeliveryInProgressAndStartsNoOther();

private:
    TarvixDevice* plugged(TarvixControl& control, std::string& id)
    {
        id = backend.plug(control);
        const auto end = std::chrono::steady_clock::now() + deadline;
        for (; std::chrono::steady_clock::now() < end; QTest::qWait(5)) {
            if (TarvixDevice* device = control.getDevice(id.c_str()))
                return device;
        }
        qFatal("the device plugged never became present");
    }

    ContractBackend& backend;
};

// Every present device is reported on registration; later arrivals and removals too, each with
// its record's id and a record valid until its removal, from a library thread without the lock.
void ControlContract::devicesArriveAndLeaveWithTheirRecords()
{
    std::unique_ptr<TarvixControl> control = backend.create();
    std::string first, second;
    plugged(*control, first);
    std::vector<std::string> present = backend.presentIds(*control);
    Recorder recorder(*control);
    const auto deleteFirst = qScopeGuard([&] { control.reset(); }); // no call after a listener
    control->registerTarvixDeviceCallback(&recorder);
    recorder.waitFor(present.size());
    second = backend.plug(*control);
    recorder.waitFor(present.size() + 1);
    backend.unplug(*control, second);
    const std::vector<Call> calls = recorder.waitFor(present.size() + 2);
    QCOMPARE(calls.size(), present.size() + 2);

    present.push_back(second);
    std::vector<std::string> arrived;
    for (std::size_t i = 0; i < calls.size(); ++i) {
        const Call& call = calls[i];
        QCOMPARE(call.type, i + 1 < calls.size() ? DeviceArrival : DeviceRemoval);
        QCOMPARE(call.recordId, call.id);
        QCOMPARE(call.present, call.type == DeviceArrival);
        QVERIFY(call.lockFree && (call.fromLibraryThread || i < present.size() - 1));
        arrived.push_back(call.id);
    }
    QCOMPARE(calls.back().device, calls[calls.size() - 2].device);
    arrived.pop_back();
    std::sort(present.begin(), present.end() - 1);
    std::sort(arrived.begin(), arrived.end() - 1);
    QCOMPARE(arrived, present);
    QVERIFY(!control->getDevice(second.c_str()));
}

// From a library thread without the lock, to the listener registered; null unregisters.
void ControlContract::levelChangesReachTheRegisteredListenerOnly()
{
    std::unique_ptr<TarvixControl> control = backend.create();
    std::string id;
    TarvixMixerDevice* output = plugged(*control, id)->output;
    Recorder first(*control), second(*control);
    const auto deleteFirst = qScopeGuard([&] { control.reset(); });
    output->registerCallback(&first);
    backend.changeLevel(*control, id, -10.0f);
    QCOMPARE(first.waitFor(1).size(), 1u);
    output->registerCallback(nullptr);
    backend.changeLevel(*control, id, -12.0f);
    output->registerCallback(&second);
    backend.changeLevel(*control, id, -14.0f);
    const std::vector<Call> calls = second.waitFor(1);
    QCOMPARE(calls.size(), 1u);
    QVERIFY(calls[0].fromLibraryThread && calls[0].lockFree);
    QCOMPARE(first.waitFor(1).size(), 1u);
}

// The lock nests on one thread, excludes others until fully released and ignores their unlocks.
void ControlContract::lockIsReentrantAndExclusive()
{
    std::unique_ptr<TarvixControl> control = backend.create();
    control->lock();
    control->lock();
    control->unlock();
    std::thread([&] { control->unlock(); }).join();
    std::promise<void> taken;
    std::thread other([&] {
        control->lock();
        control->unlock();
        taken.set_value();
    });
    const bool excluded =
        taken.get_future().wait_for(std::chrono::milliseconds(100)) == std::future_status::timeout;
    control->unlock();
    other.join();
    QVERIFY(excluded);
}

// Deleting while a delivery is held and more are queued: the delete waits for that delivery,
// and no other starts.
void ControlContract::deletionWaitsForTheDeliveryInProgressAndStartsNoOther()
{
    TarvixControl* control = backend.create().release();
    std::string id;
    TarvixMixerDevice* output = plugged(*control, id)->output;
    Recorder devices(*control), levels(*control);
    control->registerTarvixDeviceCallback(&devices);
    const std::size_t arrivals = devices.waitFor(backend.presentIds(*control).size()).size();
    std::promise<void> entered, release;
    std::shared_future<void> released = release.get_future().share();
    std::atomic<bool> held{false};
    levels.hook = [&] {
        if (!held.exchange(true)) {
            entered.set_value();
            released.wait();
        }
    };
    output->registerCallback(&levels);
    for (int i = 0; i < 20; ++i)
        backend.changeLevel(*control, id, -1.0f - static_cast<float>(i));
    backend.unplug(*control, id);
    entered.get_future().wait();
    std::packaged_task<void()> deletion([control] { delete control; });
    std::future<void> deleted = deletion.get_future();
    std::thread deleter(std::move(deletion));
    QVERIFY(deleted.wait_for(std::chrono::milliseconds(300)) == std::future_status::timeout);
    release.set_value();
    deleter.join();
    QCOMPARE(levels.waitFor(0).size(), 1u);
    QCOMPARE(devices.waitFor(0).size(), arrivals);
}

int runControlContract(ContractBackend& backend, int argc, char** argv)
{
    ControlContract contract(backend);
    return QTest::qExec(&contract, argc, argv);
}

#include "controlcontract.moc"
