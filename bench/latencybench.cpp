// SPDX-License-Identifier: GPL-3.0-or-later
// The figures only a program inside the process can take, printed as "key value" lines
// (nanoseconds) for scripts/bench.sh; an "error ..." line and exit code 1 tell what went wrong.
//
//   latencybench simulator [N]  A level changed elsewhere through the simulator: from the
//                               library's onVolumeChanged() on its delivery thread, and from the
//                               request, to the end of the window's handler on the GUI thread,
//                               whose label then shows the level. N samples, in blocks alternating
//                               with N of the floor: a bare call queued to the GUI thread from a
//                               thread of the kind the library delivers from. Then bursts of
//                               10,000 changes, and of 10,000 bare queued calls.
//   latencybench alsa [N]       A level changed by amixer in another process on card 0 of
//                               TARVIX_ALSA_DEVICE_DIR: from the card's change (an inotify event,
//                               as the library sees it), and from the spawn of amixer, to the
//                               window's label showing the new level, and from the card's change
//                               to the library's notification. Beside it, as the floor, the same
//                               change from the card's change to a bare listener process
//                               (alsa-lib alone) having read the new level.
//   latencybench alsa-listener  That listener: prints "ready", then "LEVEL NS" for each change of
//                               card 0's PCM Playback Volume, NS when it had read it.

#include "levellabels.h"
#include "serialexecutor.h"
#include "simulatedcontrol.h"
#include "tarvixmixer.h"

#include <QApplication>
#include <QComboBox>
#include <QEventLoop>
#include <QLabel>
#include <QTimer>
#include <QtCore/qtestsupport_core.h>

#ifdef TARVIX_WITH_ALSA
#include "alsabackend.h"

#include <alsa/asoundlib.h>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <spawn.h>
#include <sys/inotify.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;
#endif

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr int timeoutMs = 10000;
constexpr int warmUpSamples = 20;
constexpr int burstSize = 10000;
constexpr int burstRepeats = 5;
const std::string deviceId = "TVX-DUO-0001";

std::int64_t nowNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void printPercentile(const std::string& key, std::vector<std::int64_t> values, double fraction)
{
    if (values.empty())
        return;
    std::sort(values.begin(), values.end());
    const auto index = static_cast<std::size_t>(fraction * static_cast<double>(values.size() - 1));
    std::printf("%s %lld\n", key.c_str(), static_cast<long long>(values[index]));
}

void printMedianAndP99(const std::string& name, const std::vector<std::int64_t>& values)
{
    printPercentile(name + "_median_ns", values, 0.5);
    printPercentile(name + "_p99_ns", values, 0.99);
}

[[noreturn]] void fail(const char* what)
{
    std::printf("error %s\n", what);
    std::fflush(stdout);
    std::_Exit(1);
}

// Runs the GUI thread's event loop, asleep between events, until `loop` is quit.
void waitIn(QEventLoop& loop, const char* whatTimedOut)
{
    QTimer::singleShot(timeoutMs, &loop, [&loop] { loop.exit(1); });
    if (loop.exec() != 0)
        fail(whatTimedOut);
}

// The mixer window with the two points the latencies are taken at.
struct ObservedMixer
{
    explicit ObservedMixer(TarvixControl* control) : window(control)
    {
        label = window.findChild<QLabel*>(QStringLiteral("vol_label_playback_left"));
        // Direct: on the library's thread, within its onVolumeChanged() call.
        QObject::connect(
            &window, &TarvixMixer::VolumeChangedCallbackGUI, &window,
            [this] { notifiedNs = nowNs(); }, Qt::DirectConnection);
        // Queued after the window's own handler, so it runs once the labels are written.
        QObject::connect(
            &window, &TarvixMixer::VolumeChangedCallbackGUI, &window,
            [this] {
                if (handled)
                    handled();
            },
            Qt::QueuedConnection);
        window.show();
        auto* devices = window.findChild<QComboBox*>(QStringLiteral("combo_device_select"));
        if (!QTest::qWaitFor([devices] { return devices->currentIndex() >= 0; }, timeoutMs))
            fail("no device was selected");
    }

    // Waits until the label shows `text`; the time the handler that wrote it ended.
    std::int64_t waitForLabel(const QString& text)
    {
        QEventLoop loop;
        std::int64_t shownNs = -1;
        handled = [&] {
            if (shownNs < 0 && label->text() == text) {
                shownNs = nowNs();
                loop.quit();
            }
        };
        waitIn(loop, "the label never showed the level changed elsewhere");
        handled = nullptr;
        return shownNs;
    }

    TarvixMixer window;
    QLabel* label = nullptr;
    std::atomic<std::int64_t> notifiedNs{0};
    std::function<void()> handled;
};

// The floor: `count` bare calls queued to the GUI thread, asleep in its event loop, from a
// thread of the floor's own; the time from the first call to the end of the last.
std::int64_t bareQueuedCalls(SerialExecutor& floor, int count)
{
    QEventLoop loop;
    QObject receiver;
    int received = 0;
    std::int64_t sentNs = 0;
    std::int64_t receivedNs = 0;
    // `count` goes by value: once the last call is queued, this function may return while the
    // floor's thread still tests its loop's condition.
    floor.post([&sentNs, &receiver, &received, &receivedNs, &loop, count] {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        sentNs = nowNs();
        for (int i = 0; i < count; ++i)
            QMetaObject::invokeMethod(&receiver, [&received, &receivedNs, &loop, count] {
                if (++received == count) {
                    receivedNs = nowNs();
                    loop.quit();
                }
            });
    });
    waitIn(loop, "the floor's calls did not arrive");
    return receivedNs - sentNs;
}

int runSimulator(int samples)
{
    SimulatedControl control({SimulatedDeviceConfig::duo()});
    ObservedMixer mixer(&control);
    SerialExecutor floor;
    // The output starts at -20 dB; every change differs from the one before it, so each one is
    // reported.
    float level = -20.0f;
    const auto other = [](float shown) { return shown == -20.0f ? -30.5f : -20.0f; };
    const int block = std::max(1, samples / 2);
    std::vector<std::int64_t> fromNotification, fromRequest, floorSamples;
    for (int i = -warmUpSamples; i < 2 * samples; ++i) {
        if (i >= 0 && i / block % 2 == 1) {
            floorSamples.push_back(bareQueuedCalls(floor, 1));
            continue;
        }
        if (i < 0)
            bareQueuedCalls(floor, 1);
        level = other(level);
        std::int64_t requestedNs = 0;
        QTimer::singleShot(1, Qt::PreciseTimer, [&] {
            requestedNs = nowNs();
            control.changeVolumeLeft(deviceId, SimulatedEndpointKind::Output, level);
        });
        const std::int64_t shownNs = mixer.waitForLabel(LevelLabels::outputRefreshText(level));
        if (i >= 0) {
            fromNotification.push_back(shownNs - mixer.notifiedNs);
            fromRequest.push_back(shownNs - requestedNs);
        }
    }
    printMedianAndP99("latency_mixer", fromNotification);
    printMedianAndP99("latency_request", fromRequest);
    printMedianAndP99("latency_floor", floorSamples);

    std::vector<std::int64_t> bursts, floorBursts;
    for (int repeat = 0; repeat < burstRepeats; ++repeat) {
        const float first = other(level);
        const float second = level;
        level = burstSize % 2 == 0 ? second : first;
        int handled = 0;
        QEventLoop loop;
        mixer.handled = [&] {
            if (++handled == burstSize)
                loop.quit();
        };
        const std::int64_t startNs = nowNs();
        std::thread elsewhere([&] {
            for (int i = 0; i < burstSize; ++i)
                control.changeVolumeLeft(deviceId, SimulatedEndpointKind::Output,
                                         i % 2 == 0 ? first : second);
        });
        waitIn(loop, "a burst's notifications were not all handled");
        bursts.push_back(nowNs() - startNs);
        elsewhere.join();
        mixer.handled = nullptr;
        if (mixer.label->text() != LevelLabels::outputRefreshText(level))
            fail("the label did not show a burst's last level");
        floorBursts.push_back(bareQueuedCalls(floor, burstSize));
    }
    printPercentile("burst_mixer_ns", bursts, 0.5);
    printPercentile("burst_floor_ns", floorBursts, 0.5);
    return 0;
}

#ifdef TARVIX_WITH_ALSA
constexpr const char* playbackVolume = "PCM Playback Volume";

int runAlsaListener()
{
    snd_ctl_t* ctl = nullptr;
    if (snd_ctl_open(&ctl, "hw:0", 0) < 0 || snd_ctl_subscribe_events(ctl, 1) < 0)
        fail("the listener could not open card 0");
    snd_ctl_elem_value_t* value;
    snd_ctl_elem_value_alloca(&value);
    snd_ctl_elem_value_set_interface(value, SND_CTL_ELEM_IFACE_MIXER);
    snd_ctl_elem_value_set_name(value, playbackVolume);
    snd_ctl_event_t* event;
    snd_ctl_event_alloca(&event);
    std::puts("ready");
    std::fflush(stdout);
    for (;;) {
        pollfd descriptors[4];
        const int count = snd_ctl_poll_descriptors(ctl, descriptors, 4);
        unsigned short revents = 0;
        if (poll(descriptors, static_cast<nfds_t>(count), -1) < 0 ||
            snd_ctl_poll_descriptors_revents(ctl, descriptors, static_cast<unsigned>(count),
                                             &revents) < 0 ||
            (revents & (POLLERR | POLLHUP)))
            return 0;
        bool changed = false;
        while (snd_ctl_read(ctl, event) > 0)
            changed |= snd_ctl_event_get_type(event) == SND_CTL_EVENT_ELEM &&
                       (snd_ctl_event_elem_get_mask(event) & SND_CTL_EVENT_MASK_VALUE);
        if (changed && snd_ctl_elem_read(ctl, value) == 0) {
            const std::int64_t readNs = nowNs();
            std::printf("%ld %lld\n", snd_ctl_elem_value_get_integer(value, 0),
                        static_cast<long long>(readNs));
            std::fflush(stdout);
        }
    }
}

// The listener process, and the times it reports.
class BareListener
{
public:
    explicit BareListener(const char* self)
    {
        int ends[2];
        if (pipe2(ends, O_CLOEXEC) != 0)
            fail("no pipe for the listener");
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, ends[1], STDOUT_FILENO);
        const char* argv[] = {self, "alsa-listener", nullptr};
        if (posix_spawn(&pid, self, &actions, nullptr, const_cast<char**>(argv), environ))
            fail("the listener could not be started");
        posix_spawn_file_actions_destroy(&actions);
        close(ends[1]);
        output = ends[0];
        if (nextLine() != "ready")
            fail("the listener did not start");
    }
    ~BareListener()
    {
        kill(pid, SIGTERM);
        waitpid(pid, nullptr, 0);
        close(output);
    }

    // When the listener had read `level`.
    std::int64_t readAt(long level)
    {
        for (;;) {
            long seen = 0;
            long long atNs = 0;
            if (std::sscanf(nextLine().c_str(), "%ld %lld", &seen, &atNs) == 2 && seen == level)
                return atNs;
        }
    }

private:
    std::string nextLine()
    {
        std::size_t end;
        while ((end = pending.find('\n')) == std::string::npos) {
            pollfd descriptor{output, POLLIN, 0};
            char chunk[256];
            const ssize_t length =
                poll(&descriptor, 1, timeoutMs) > 0 ? read(output, chunk, sizeof chunk) : 0;
            if (length <= 0)
                fail("the listener fell silent");
            pending.append(chunk, static_cast<std::size_t>(length));
        }
        std::string line = pending.substr(0, end);
        pending.erase(0, end + 1);
        return line;
    }

    pid_t pid = -1;
    int output = -1;
    std::string pending;
};

int runAlsa(int samples, const char* self)
{
    std::unique_ptr<TarvixControl> control(AlsaBackend::createControl());
    if (!control)
        fail("the ALSA library did not start");
    ObservedMixer mixer(control.get());
    const int watch = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    inotify_add_watch(watch, AlsaBackend::Options::defaultDeviceFolder().c_str(), IN_MODIFY);
    std::atomic<std::int64_t> changedNs{-1};
    std::atomic<bool> stop{false};
    std::thread watcher([&] {
        pollfd descriptor{watch, POLLIN, 0};
        char events[4096];
        while (!stop) {
            if (poll(&descriptor, 1, 50) > 0 && read(watch, events, sizeof events) > 0 &&
                changedNs < 0)
                changedNs = nowNs();
        }
    });
    // Ahead of the program's threads where the system allows it, so that it sees the change first.
    const sched_param realtime{1};
    pthread_setschedparam(watcher.native_handle(), SCHED_FIFO, &realtime);
    BareListener listener(self);
    std::vector<std::int64_t> fromChange, fromSpawn, toListener, aboveListener, toNotification;
    for (int i = 0; i < warmUpSamples + samples; ++i) {
        const int raw = 20 + i % 100; // the card starts at 100: every step changes the level
        const std::string values = std::to_string(raw) + "," + std::to_string(raw);
        const std::string name = std::string("name=") + playbackVolume;
        const char* argv[] = {"amixer", "-q",         "-D",           "hw:0",
                              "cset",   name.c_str(), values.c_str(), nullptr};
        changedNs = -1;
        const std::int64_t spawnNs = nowNs();
        pid_t pid = -1;
        if (posix_spawnp(&pid, "amixer", nullptr, nullptr, const_cast<char**>(argv), environ))
            fail("amixer could not be started");
        const std::int64_t shownNs =
            mixer.waitForLabel(QStringLiteral("%1 dB").arg(-63.5 + raw * 0.5, 0, 'f', 1));
        const std::int64_t listenerNs = listener.readAt(raw);
        waitpid(pid, nullptr, 0);
        if (!QTest::qWaitFor([&] { return changedNs >= 0; }, timeoutMs))
            fail("the card's change was not seen");
        if (i >= warmUpSamples) {
            fromChange.push_back(shownNs - changedNs);
            fromSpawn.push_back(shownNs - spawnNs);
            toListener.push_back(listenerNs - changedNs);
            aboveListener.push_back(shownNs - listenerNs);
            toNotification.push_back(mixer.notifiedNs - changedNs);
        }
    }
    stop = true;
    watcher.join();
    close(watch);
    printMedianAndP99("alsa_latency", fromChange);
    printMedianAndP99("alsa_spawn", fromSpawn);
    printMedianAndP99("alsa_listener", toListener);
    printMedianAndP99("alsa_above_listener", aboveListener);
    printMedianAndP99("alsa_notification", toNotification);
    return 0;
}
#else
int runAlsaListener()
{
    fail("built without the ALSA library");
}

int runAlsa(int, const char*)
{
    fail("built without the ALSA library");
}
#endif

} // namespace

int main(int argc, char* argv[])
{
    const std::string mode = argc > 1 ? argv[1] : "simulator";
    if (mode == "alsa-listener")
        return runAlsaListener();
    QApplication application(argc, argv);
    const int samples = argc > 2 ? std::max(1, std::atoi(argv[2])) : 1000;
    const int result = mode == "alsa" ? runAlsa(samples, argv[0]) : runSimulator(samples);
    std::fflush(stdout);
    return result;
}
