// Notification latency and burst throughput of the window's bridge from library threads to the
// GUI thread, each beside its floor, a bare queued signal from a std::thread. Prints one
// "key value" line per figure and "error ..." lines for anything that went wrong.

#include "benchmixer.h"
#include "benchsupport.h"
#include "levellabels.h"
#include "queuedfloor.h"
#include "simulatedcontrol.h"

#include <QApplication>
#include <QComboBox>
#include <QEventLoop>
#include <QLabel>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <future>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr int latencySamplesPerBlock = 500;
constexpr int latencyBlocks = 4; // alternating mixer and floor
constexpr int warmUpSamples = 50;
constexpr int burstSize = 10000;
constexpr int burstRepeats = 5;
constexpr int gapMs = 1;
constexpr int timeoutMs = 10000;
const std::string deviceId = "TVX-DUO-0001";

int errors = 0;

void reportError(const std::string& message)
{
    ++errors;
    std::printf("error %s\n", message.c_str());
    std::fflush(stdout);
}

// Waits until the simulator has carried out every request and delivered what arose from them.
void waitUntilDelivered(SimulatedHardware& hardware)
{
    const auto done = std::make_shared<std::promise<void>>();
    std::future<void> delivered = done->get_future();
    hardware.whenDone([done] { done->set_value(); });
    if (delivered.wait_for(std::chrono::milliseconds(timeoutMs)) != std::future_status::ready)
        reportError("the simulator did not deliver in time");
}

std::int64_t percentile(std::vector<std::int64_t> values, double fraction)
{
    if (values.empty())
        return -1;
    std::sort(values.begin(), values.end());
    const auto index = static_cast<std::size_t>(fraction * static_cast<double>(values.size() - 1));
    return values[index];
}

// Runs the event loop until `done` is called or the time-out passes; the GUI thread sleeps in
// the loop meanwhile. False on time-out.
class LoopWaiter
{
public:
    LoopWaiter() { QObject::connect(&timeout, &QTimer::timeout, &loop, &QEventLoop::quit); }
    void done()
    {
        finished = true;
        loop.quit();
    }
    bool exec()
    {
        if (finished)
            return true;
        timeout.setSingleShot(true);
        timeout.start(timeoutMs);
        loop.exec();
        timeout.stop();
        return finished;
    }

private:
    QEventLoop loop;
    QTimer timeout;
    bool finished = false;
};

// The two levels the benchmarks alternate between; the simulated output starts at -20 dB.
constexpr float levelA = -30.5f;
constexpr float levelB = -20.0f;

float otherLevel(float level)
{
    return level == levelA ? levelB : levelA;
}

struct LatencySamples
{
    std::vector<std::int64_t> fromNotification;
    std::vector<std::int64_t> fromRequest;
};

class MixerBench
{
public:
    // The window registers itself with the library from within its constructor, before the
    // BenchMixer part exists; the device is plugged only afterwards, so that no notification
    // can reach the window half-built.
    MixerBench() : control(std::vector<SimulatedDeviceConfig>{}), window(&control)
    {
        window.show();
        control.plugDevice(SimulatedDeviceConfig::duo());
        label = window.findChild<QLabel*>(QStringLiteral("vol_label_playback_left"));
        deviceList = window.findChild<QComboBox*>(QStringLiteral("combo_device_select"));
    }

    bool waitForDevice()
    {
        const std::int64_t deadline = BenchSupport::monotonicNs() + timeoutMs * 1000000LL;
        while (BenchSupport::monotonicNs() < deadline) {
            waitUntilDelivered(control);
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
            if (label && deviceList && deviceList->currentIndex() >= 0)
                return deviceList->itemData(deviceList->currentIndex()).toString().toStdString() ==
                       deviceId;
        }
        return false;
    }

    // One level change made elsewhere, timed from the library's notification and from the
    // request to the end of the window's handler.
    bool measureOne(LatencySamples& samples, bool keep)
    {
        const float level = otherLevel(shownLevel);
        shownLevel = level;
        LoopWaiter waiter;
        std::int64_t requestedNs = 0;
        std::int64_t handledNs = 0;
        window.afterQueuedHandler = [&] {
            if (handledNs == 0 && label->text() == LevelLabels::outputRefreshText(level)) {
                handledNs = BenchSupport::monotonicNs();
                waiter.done();
            }
        };
        QTimer::singleShot(gapMs, Qt::PreciseTimer, [&] {
            requestedNs = BenchSupport::monotonicNs();
            control.changeVolumeLeft(deviceId, SimulatedEndpointKind::Output, level);
        });
        const bool ok = waiter.exec();
        window.afterQueuedHandler = nullptr;
        if (!ok) {
            reportError("mixer latency: label never showed the level changed elsewhere");
            return false;
        }
        if (keep) {
            samples.fromNotification.push_back(handledNs - window.lastNotifiedNs());
            samples.fromRequest.push_back(handledNs - requestedNs);
        }
        return true;
    }

    // Ten thousand level changes made elsewhere as fast as the library takes them; the time from
    // the first request until the window has handled the last notification.
    std::int64_t burst()
    {
        waitUntilDelivered(control);
        QCoreApplication::processEvents();
        int handled = 0;
        std::int64_t endNs = 0;
        LoopWaiter waiter;
        window.afterQueuedHandler = [&] {
            if (++handled == burstSize) {
                endNs = BenchSupport::monotonicNs();
                waiter.done();
            }
        };
        window.startRecordingSequences(burstSize);
        // Every change differs from the level before it, so every one notifies.
        const float first = otherLevel(shownLevel);
        const float last = burstSize % 2 == 0 ? shownLevel : first;
        shownLevel = last;
        const std::int64_t startNs = BenchSupport::monotonicNs();
        std::thread elsewhere([&] {
            for (int i = 0; i < burstSize; ++i)
                control.changeVolumeLeft(deviceId, SimulatedEndpointKind::Output,
                                         i % 2 == 0 ? first : otherLevel(first));
        });
        const bool ok = waiter.exec();
        elsewhere.join();
        waitUntilDelivered(control);
        QCoreApplication::processEvents();
        window.afterQueuedHandler = nullptr;
        window.stopRecordingSequences();
        if (!ok) {
            reportError("mixer burst: only " + std::to_string(handled) + " of " +
                        std::to_string(burstSize) + " notifications handled");
            return -1;
        }
        checkBurst(handled, last);
        return endNs - startNs;
    }

private:
    void checkBurst(int handled, float lastLevel)
    {
        if (handled != burstSize)
            reportError("mixer burst: " + std::to_string(handled) + " handled, expected " +
                        std::to_string(burstSize));
        const std::vector<std::int32_t>& sequences = window.recordedSequences();
        if (sequences.size() != static_cast<std::size_t>(burstSize) ||
            !std::is_sorted(sequences.begin(), sequences.end()) ||
            std::adjacent_find(sequences.begin(), sequences.end()) != sequences.end())
            reportError("mixer burst: notifications not delivered once each in order");
        if (label->text() != LevelLabels::outputRefreshText(lastLevel))
            reportError("mixer burst: label does not show the last level");
    }

    SimulatedControl control;
    BenchMixer window;
    QLabel* label = nullptr;
    QComboBox* deviceList = nullptr;
    float shownLevel = levelB;
};

class FloorBench
{
public:
    bool measureOne(std::vector<std::int64_t>& samples, bool keep)
    {
        LoopWaiter waiter;
        std::int64_t receivedNs = 0;
        floor.onReceived = [&] {
            receivedNs = BenchSupport::monotonicNs();
            waiter.done();
        };
        QTimer::singleShot(gapMs, Qt::PreciseTimer, [&] { floor.requestEmissions(1); });
        const bool ok = waiter.exec();
        floor.onReceived = nullptr;
        if (!ok) {
            reportError("floor latency: signal not received");
            return false;
        }
        if (keep)
            samples.push_back(receivedNs - floor.lastEmittedNs());
        return true;
    }

    std::int64_t burst()
    {
        int received = 0;
        std::int64_t endNs = 0;
        LoopWaiter waiter;
        floor.onReceived = [&] {
            if (++received == burstSize) {
                endNs = BenchSupport::monotonicNs();
                waiter.done();
            }
        };
        const std::int64_t startNs = BenchSupport::monotonicNs();
        floor.requestEmissions(burstSize);
        const bool ok = waiter.exec();
        floor.onReceived = nullptr;
        if (!ok) {
            reportError("floor burst: signals not received");
            return -1;
        }
        return endNs - startNs;
    }

private:
    QueuedFloor floor;
};

void printFigure(const char* key, std::int64_t value)
{
    std::printf("%s %" PRId64 "\n", key, value);
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    MixerBench mixer;
    FloorBench floor;
    if (!mixer.waitForDevice()) {
        reportError("the simulator's first device was not applied");
        return 1;
    }

    LatencySamples mixerSamples;
    std::vector<std::int64_t> floorSamples;
    for (int i = 0; i < warmUpSamples; ++i) {
        mixer.measureOne(mixerSamples, false);
        floor.measureOne(floorSamples, false);
    }
    for (int block = 0; block < latencyBlocks && errors == 0; ++block) {
        for (int i = 0; i < latencySamplesPerBlock && errors == 0; ++i) {
            if (block % 2 == 0)
                mixer.measureOne(mixerSamples, true);
            else
                floor.measureOne(floorSamples, true);
        }
    }
    printFigure("latency_mixer_median_ns", percentile(mixerSamples.fromNotification, 0.5));
    printFigure("latency_mixer_p99_ns", percentile(mixerSamples.fromNotification, 0.99));
    printFigure("latency_mixer_request_median_ns", percentile(mixerSamples.fromRequest, 0.5));
    printFigure("latency_mixer_request_p99_ns", percentile(mixerSamples.fromRequest, 0.99));
    printFigure("latency_floor_median_ns", percentile(floorSamples, 0.5));
    printFigure("latency_floor_p99_ns", percentile(floorSamples, 0.99));

    std::vector<std::int64_t> mixerBursts;
    std::vector<std::int64_t> floorBursts;
    for (int repeat = 0; repeat < burstRepeats && errors == 0; ++repeat) {
        mixerBursts.push_back(mixer.burst());
        floorBursts.push_back(floor.burst());
    }
    printFigure("burst_mixer_ns", percentile(mixerBursts, 0.5));
    printFigure("burst_floor_ns", percentile(floorBursts, 0.5));
    std::fflush(stdout);
    return errors == 0 ? 0 : 1;
}
