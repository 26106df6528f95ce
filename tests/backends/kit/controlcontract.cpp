// SPDX-License-Identifier: GPL-3.0-or-later
#include "controlcontract.h"

#include "tarvixlibrary.h"

#include <QtTest>

#include <atomic>
#include <functional>
#include <future>
#include <mutex>
#include <thread>
#include <unistd.h>

namespace {

constexpr auto deadline = std::chrono::seconds(10);
constexpr auto ready = std::future_status::ready;

// Takes and releases the library lock on another thread, ready once it has. The thread is
// detached so that a lock held for good fails a wait instead of hanging the suite; once the
// future is ready, the thread no longer touches the control.
std::shared_future<void> lockedElsewhere(TarvixControl& control)
{
    const auto taken = std::make_shared<std::promise<void>>();
    std::thread([&control, taken] {
        control.lock();
        control.unlock();
        taken->set_value();
    }).detach();
    return taken->get_future().share();
}

// Whether the thread sleeps for good, as it does waiting for a lock or for another thread to end:
// asleep at many looks in a row, without `over` having become true. Tests wait for this instead
// of giving a thread time to do what it must not.
bool staysAsleep(const std::atomic<pid_t>& thread, const std::function<bool()>& over)
{
    for (int looks = 0; looks < 100; std::this_thread::yield()) {
        if (over())
            return false;
        QFile stat(QStringLiteral("/proc/self/task/%1/stat").arg(thread.load()));
        const QByteArray text = thread && stat.open(QIODevice::ReadOnly) ? stat.readAll() : "";
        looks = text.mid(text.lastIndexOf(')') + 2, 1) == "S" ? looks + 1 : 0;
    }
    return true;
}

// Logs the listeners' calls: "+id" an arrival, "-id" a removal, "level" or "switch" a change, each
// marked "!" if it broke a rule: made with the lock held; a switch change off the thread that
// created the recorder, another call but an arrival (told within the registration) on it; a record
// whose id differs, that is not the present one during its arrival, still present during its
// removal or not the one that arrived last.
struct Recorder final : TarvixDeviceCallback, TarvixMixerDeviceCallback, TarvixHIDChangedCallback
{
    explicit Recorder(TarvixControl& control) : control(control) {}

    void onDeviceEvent(CallbackType type, const char* id, TarvixDevice* device) override
    {
        const bool arrival = type == DeviceArrival;
        const bool kept = (arrival || device == lastArrival) && device->id == std::string(id) &&
                          (control.getDevice(id) == device) == arrival;
        lastArrival = arrival ? device : lastArrival;
        record((arrival ? "+" : "-") + QString::fromUtf8(id), kept, arrival);
    }
    void onVolumeChanged(std::int32_t) override { record("level", true, false); }
    void onHIDChanged() override { record("switch", std::this_thread::get_id() == creator, true); }

    QStringList waitFor(qsizetype count)
    {
        std::unique_lock<std::mutex> guard(mutex);
        changed.wait_for(guard, deadline, [&] { return calls.size() >= count; });
        return calls;
    }

    void record(QString call, bool kept, bool mayBeOnCreator)
    {
        if (holdFirst.valid() && calls.isEmpty()) { // only the delivery thread adds calls
            entered.set_value();
            holdFirst.wait();
        }
        const bool onCreator = !mayBeOnCreator && std::this_thread::get_id() == creator;
        if (!kept || onCreator || lockedElsewhere(control).wait_for(deadline) != ready)
            call += "!";
        std::lock_guard<std::mutex> guard(mutex);
        calls << call;
        changed.notify_all();
    }

    TarvixControl& control;
    const std::thread::id creator = std::this_thread::get_id();
    TarvixDevice* lastArrival = nullptr;
    std::promise<void> entered; // the first call tells it, then waits for holdFirst if valid
    std::shared_future<void> holdFirst;
    std::mutex mutex;
    std::condition_variable changed;
    QStringList calls;
};

} // namespace

class ControlContract : public QObject
{
    Q_OBJECT

public:
    explicit ControlContract(ContractBackend& backend) : backend(backend) {}
    ContractBackend& backend;

private slots:
    // The lock nests on one thread, excludes others until fully released and ignores their
    // unlocks. Every present device is reported on registration; a later arrival and removal too,
    // each with a record valid until its removal. A level change reaches the endpoint's registered
    // listener only; null unregisters, a new one registers. Switches are reported by poll().
    // Deleting the control while a delivery is held and more are queued waits for that delivery
    // and starts no other.
    void aControlsLifeKeepsTheContract()
    {
        std::unique_ptr<TarvixControl> control = backend.create();
        control->lock();
        control->lock();
        control->unlock();
        std::thread([&] { control->unlock(); }).join(); // ignored
        std::atomic<pid_t> waiter{0};
        std::atomic<bool> taken{false};
        std::thread other([&] {
            waiter = ::gettid();
            control->lock();
            taken = true;
            control->unlock();
        });
        const bool excluded = staysAsleep(waiter, [&] { return taken.load(); });
        control->unlock();
        other.join();
        QVERIFY(taken && excluded);
        const std::string first = backend.plug(*control);
        QTRY_VERIFY_WITH_TIMEOUT(control->getDevice(first.c_str()), 10000);
        QStringList expected;
        for (const std::string& id : backend.presentIds(*control))
            expected << "+" + QString::fromStdString(id);
        expected.sort();
        Recorder recorder(*control), held(*control);
        const auto deleteFirst = qScopeGuard([&] { control.reset(); }); // no call after these
        control->registerTarvixDeviceCallback(&recorder);
        recorder.waitFor(expected.size());
        const std::string second = backend.plug(*control);
        recorder.waitFor(expected.size() + 1);
        TarvixMixerDevice* output = control->getDevice(first.c_str())->output;
        QCOMPARE(output->getChannelCount(), 2); // every endpoint is stereo, left and right
        output->registerCallback(&recorder);
        backend.changeLevel(*control, first, -10.0f);
        recorder.waitFor(expected.size() + 2);
        output->registerCallback(nullptr);
        backend.changeLevel(*control, first, -12.0f);
        backend.unplug(*control, second);
        QStringList calls = recorder.waitFor(expected.size() + 3);
        std::sort(calls.begin(), calls.begin() + std::min(calls.size(), expected.size()));
        const QString secondId = QString::fromStdString(second);
        QCOMPARE(calls, expected << "+" + secondId << "level"
                                 << "-" + secondId);

        // Switches are reported to a new listener as it registers, then by poll() once per
        // difference from what it was last told (not for a switch moved and back), to none after
        // null.
        TarvixHID* hid = control->getDevice(first.c_str())->hid;
        Recorder switches(*control);
        const auto polled = [&] { return hid->poll(), switches.calls.join(' '); };
        hid->registerChangedCallback(&switches);
        QVERIFY(switches.calls == QStringList{"switch"} && polled() == "switch");
        const bool on = hid->getPhantomLeft();
        backend.changePhantomLeft(*control, first, !on);
        QTRY_COMPARE_WITH_TIMEOUT(polled(), "switch switch", 10000);
        hid->setPhantomLeft(on), hid->setPhantomLeft(!on);
        QCOMPARE(polled(), "switch switch");
        hid->registerChangedCallback(nullptr), hid->setPhantomLeft(on);
        QCOMPARE(polled(), "switch switch");

        std::promise<void> release;
        held.holdFirst = release.get_future().share();
        output->registerCallback(&held);
        for (int i = 0; i < 20; ++i)
            backend.changeLevel(*control, first, -1.0f - static_cast<float>(i));
        backend.unplug(*control, first);
        held.entered.get_future().wait();
        std::atomic<pid_t> deleter{0};
        std::future<void> deleted = std::async(std::launch::async, [&] {
            deleter = ::gettid();
            control.reset();
        });
        const bool waited = staysAsleep(
            deleter, [&] { return deleted.wait_for(std::chrono::seconds(0)) == ready; });
        release.set_value();
        deleted.wait();
        QVERIFY(waited);
        QCOMPARE(held.waitFor(0), QStringList("level"));
        QCOMPARE(recorder.waitFor(0).size(), calls.size()); // no removal
    }
};

int runControlContract(ContractBackend& backend, int argc, char** argv)
{
    ControlContract contract(backend);
    return QTest::qExec(&contract, argc, argv);
}

#include "controlcontract.moc"
