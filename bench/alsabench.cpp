// The ALSA backend over virtual cards (the tests' alsa-lib plugin; the runner sets
// ALSA_CONFIG_PATH). Prints "key value" lines and "error ..." lines.
//
//   alsabench          latency from a level changed by amixer in another process to the
//                      window's updated label; then the time a preset load holds the library
//                      lock for a file of just under 1 MiB of repeated elements
//   alsabench idle     the window with two cards, for the runner to sample; prints the device
//                      folder ("folder PATH") and "ready_ns" once both are listed, then idles

#include "alsabackend.h"
#include "benchsupport.h"
#include "presetreader.h"
#include "tarvixcontrol.h"
#include "tarvixmixer.h"

#include <QApplication>
#include <QBuffer>
#include <QComboBox>
#include <QEventLoop>
#include <QFile>
#include <QLabel>
#include <QTemporaryDir>
#include <QTimer>

#include <poll.h>
#include <spawn.h>
#include <sys/inotify.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <memory>
#include <thread>
#include <vector>

extern char** environ;

namespace {

constexpr int samples = 300;
constexpr int timeoutMs = 10000;

void plug(const QTemporaryDir& folder, int card, const char* shape)
{
    QFile source(QStringLiteral(TARVIX_VIRTUAL_CARD_SHAPES "/%1.card").arg(shape));
    const QString staging = folder.filePath(QStringLiteral(".staging"));
    QFile::remove(staging);
    source.copy(staging);
    QFile::setPermissions(staging, QFile::ReadOwner | QFile::WriteOwner);
    QFile::rename(staging, folder.filePath(QStringLiteral("controlC%1").arg(card)));
}

// Spawns amixer to set the class-compliant card's output; returns its pid.
pid_t setLevelElsewhere(int raw)
{
    const std::string values = std::to_string(raw) + "," + std::to_string(raw);
    const char* argv[] = {"amixer",       "-q",   "-D", "hw:0", "cset", "name=PCM Playback Volume",
                          values.c_str(), nullptr};
    pid_t pid = -1;
    posix_spawnp(&pid, "amixer", nullptr, nullptr, const_cast<char**>(argv), environ);
    return pid;
}

std::int64_t percentile(std::vector<std::int64_t> values, double fraction)
{
    if (values.empty())
        return -1;
    std::sort(values.begin(), values.end());
    return values[static_cast<std::size_t>(fraction * static_cast<double>(values.size() - 1))];
}

struct Mixer
{
    Mixer()
        : control(AlsaBackend::createControl()),
          window(std::make_unique<TarvixMixer>(control.get()))
    {
        window->show();
    }
    ~Mixer()
    {
        window->detachFromLibrary();
        control.reset();
    }
    bool waitForDevices(int count)
    {
        QEventLoop loop;
        QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
        auto* list = window->findChild<QComboBox*>(QStringLiteral("combo_device_select"));
        QTimer check;
        QObject::connect(&check, &QTimer::timeout, [&] {
            if (list->count() >= count)
                loop.quit();
        });
        check.start(1);
        loop.exec();
        return list->count() >= count;
    }
    std::unique_ptr<TarvixControl> control;
    std::unique_ptr<TarvixMixer> window;
};

// A preset of tens of thousands of repeated output and switch elements, loaded into the card as
// the load button does: under the library lock.
void printPresetLoad(TarvixControl& control)
{
    QByteArray document =
        "<Tarvix><Mixer><Output>" +
        QByteArray("<VolumeLeft>-20</VolumeLeft><Muted>false</Muted>").repeated(21000) +
        "</Output></Mixer></Tarvix>";
    QBuffer file(&document);
    file.open(QIODevice::ReadOnly);
    control.lock();
    const std::int64_t startNs = BenchSupport::monotonicNs();
    const PresetReadResult result = readPreset(&file, control.getDevice("alsa:Class"));
    const std::int64_t endNs = BenchSupport::monotonicNs();
    control.unlock();
    if (result != PresetReadResult::Applied)
        std::printf("error the repeated preset did not load\n");
    std::printf("alsa_preset_repeats_load_ns %lld\n", static_cast<long long>(endNs - startNs));
}

int runLatency(const QTemporaryDir& folder)
{
    plug(folder, 0, "classcompliant");
    Mixer mixer;
    if (!mixer.waitForDevices(1)) {
        std::printf("error the virtual card was not listed\n");
        return 1;
    }
    // The moment the card's state changes, seen as the backend sees it: an inotify event.
    std::atomic<std::int64_t> changedNs{-1};
    std::atomic<bool> stop{false};
    const int watch = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    inotify_add_watch(watch, folder.path().toLocal8Bit().constData(), IN_MODIFY);
    std::thread watcher([&] {
        pollfd descriptor{watch, POLLIN, 0};
        char buffer[4096];
        while (!stop) {
            if (poll(&descriptor, 1, 50) > 0 && read(watch, buffer, sizeof buffer) > 0 &&
                changedNs.load() < 0)
                changedNs = BenchSupport::monotonicNs();
        }
    });

    auto* label = mixer.window->findChild<QLabel*>(QStringLiteral("vol_label_playback_left"));
    std::vector<std::int64_t> fromChange, fromSpawn;
    QEventLoop loop;
    QTimer timeout;
    timeout.setSingleShot(true);
    QObject::connect(&timeout, &QTimer::timeout, &loop, &QEventLoop::quit);
    QString expected;
    std::int64_t doneNs = -1;
    // Connected after the window's own handler, so it runs once the labels are written.
    QObject::connect(
        mixer.window.get(), &TarvixMixer::VolumeChangedCallbackGUI, &loop,
        [&] {
            if (label->text() == expected) {
                doneNs = BenchSupport::monotonicNs();
                loop.quit();
            }
        },
        Qt::QueuedConnection);
    for (int i = 0; i < samples + 10; ++i) {
        const int raw = 20 + i % 100;
        expected = QStringLiteral("%1 dB").arg(-63.5 + raw * 0.5, 0, 'f', 1);
        changedNs = -1;
        doneNs = -1;
        const std::int64_t spawnNs = BenchSupport::monotonicNs();
        const pid_t pid = setLevelElsewhere(raw);
        timeout.start(timeoutMs);
        loop.exec();
        timeout.stop();
        waitpid(pid, nullptr, 0);
        if (doneNs < 0 || changedNs < 0) {
            std::printf("error no label update for sample %d\n", i);
            break;
        }
        if (i >= 10) { // warm-up
            fromChange.push_back(doneNs - changedNs);
            fromSpawn.push_back(doneNs - spawnNs);
        }
    }
    stop = true;
    watcher.join();
    close(watch);
    printPresetLoad(*mixer.control);
    std::printf("alsa_latency_median_ns %lld\n",
                static_cast<long long>(percentile(fromChange, 0.5)));
    std::printf("alsa_latency_p99_ns %lld\n", static_cast<long long>(percentile(fromChange, 0.99)));
    std::printf("alsa_latency_spawn_median_ns %lld\n",
                static_cast<long long>(percentile(fromSpawn, 0.5)));
    return fromChange.size() == samples ? 0 : 1;
}

int runIdle(const QTemporaryDir& folder)
{
    plug(folder, 0, "classcompliant");
    plug(folder, 1, "interface");
    Mixer mixer;
    if (!mixer.waitForDevices(2)) {
        std::printf("error the virtual cards were not listed\n");
        return 1;
    }
    std::printf("folder %s\n", qPrintable(folder.path()));
    std::printf("ready_ns %lld\n", static_cast<long long>(BenchSupport::monotonicNs()));
    std::fflush(stdout);
    return QApplication::exec();
}

} // namespace

int main(int argc, char* argv[])
{
    QTemporaryDir folder;
    qputenv("TARVIX_ALSA_DEVICE_DIR", folder.path().toLocal8Bit());
    QApplication application(argc, argv);
    const bool idle = argc > 1 && std::string(argv[1]) == "idle";
    const int result = idle ? runIdle(folder) : runLatency(folder);
    std::fflush(stdout);
    return result;
}
