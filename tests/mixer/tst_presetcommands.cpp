#include "mixerfixture.h"
#include "presetexample.h"
#include "presetfiledialogs.h"

#include <QErrorMessage>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>

#include <QApplication>
#include <QProcess>

#include <condition_variable>
#include <csignal>
#include <fcntl.h>
#include <functional>
#include <mutex>
#include <sys/resource.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

// Answers the preset commands' file dialogs for a test and records how they were asked.
class ScriptedDialogs : public PresetFileDialogs
{
public:
    QString getSaveFileName(QWidget* parent, const QString& caption, const QString& directory,
                            const QString& filter) override
    {
        return answer("save", parent, caption, directory, filter);
    }
    QString getOpenFileName(QWidget* parent, const QString& caption, const QString& directory,
                            const QString& filter) override
    {
        return answer("open", parent, caption, directory, filter);
    }

    QString fileName;
    std::function<void()> whileOpen; // runs while the dialog is "open"
    QStringList asked;
    QWidget* parent = nullptr;

private:
    QString answer(const char* kind, QWidget* dialogParent, const QString& caption,
                   const QString& directory, const QString& filter)
    {
        parent = dialogParent;
        asked.append(QStringLiteral("%1|%2|%3|%4").arg(kind, caption, directory, filter));
        if (whileOpen)
            whileOpen();
        return fileName;
    }
};

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& content)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(content), content.size());
}

// Lowers the limit on the size of files this process writes for as long as it lives; writes
// past it fail with EFBIG instead of raising SIGXFSZ.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &previous);
        rlimit lowered = previous;
        lowered.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &lowered);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &previous);
        std::signal(SIGXFSZ, previousHandler);
    }

private:
    rlimit previous{};
    void (*previousHandler)(int);
};

const QByteArray storedExample = kExampleDocument;
const QString removedOnStore =
    QStringLiteral("TarvixMixer - Error: Failed to store presets: The device was removed.");
const QString removedOnLoad =
    QStringLiteral("TarvixMixer - Error: Failed to load presets: The device was removed.");
constexpr qint64 presetSizeLimit = 1024 * 1024;
constexpr uid_t nobody = 65534;

// Sets device "a" to the state kExampleDocument describes.
FakeDevice* prepareExampleDevice(MixerFixture& fixture)
{
    FakeDevice* device = fixture.library.device("a");
    device->output->left = device->output->right = -20.5f;
    device->input->left = device->input->right = 3 * device->input->stepDb;
    device->hid->phantomLeft = device->hid->phantomRight = true;
    return device;
}

struct stat statOf(const QString& path)
{
    struct stat info
    {
    };
    ::stat(QFile::encodeName(path).constData(), &info);
    return info;
}

// Should a command block on a named pipe, opens its other end after a while so that the
// command returns and the test fails instead of hanging.
class PipeUnblocker
{
public:
    explicit PipeUnblocker(const QString& pipe)
        : thread([this, path = QFile::encodeName(pipe)] {
              std::unique_lock<std::mutex> lock(mutex);
              if (finished.wait_for(lock, std::chrono::seconds(10), [this] { return done; }))
                  return;
              const int fd = ::open(path.constData(), O_RDWR | O_NONBLOCK);
              if (fd >= 0)
                  ::close(fd);
          })
    {
    }
    ~PipeUnblocker()
    {
        {
            std::lock_guard<std::mutex> lock(mutex);
            done = true;
        }
        finished.notify_all();
        thread.join();
    }

private:
    std::mutex mutex;
    std::condition_variable finished;
    bool done = false;
    std::thread thread;
};

} // namespace

// The store and load commands behind the two preset buttons.
class TestPresetCommands : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void dialogsAreAskedAsTheProgramAlwaysAsks();
    void cancelledStoreDoesNothing();
    void storeWritesTheDeviceUnderTheLock();
    void storeReplacesAnExistingFileWhole();
    void storeThatCannotOpenReportsWithoutLocking();
    void storeThatCannotWriteKeepsTheEarlierFile();
    void cancelledLoadStillRefreshesTheWindow();
    void loadAppliesTheFileAndRefreshesTheWindow();
    void loadIgnoresLinkBoxes();
    void loadThatCannotOpenLeavesTheWindowAsItWas();
    void loadOfBrokenFileKeepsWhatWasApplied();
    void twoFailuresLeaveTwoBoxes();
    void namedPipesAreRefusedWithoutBlocking_data();
    void namedPipesAreRefusedWithoutBlocking();
    void loadRefusesFilesOverTheSizeLimit_data();
    void loadRefusesFilesOverTheSizeLimit();
    void storeKeepsTheFileItOverwrites_data();
    void storeKeepsTheFileItOverwrites();
    void storeAfterTheDeviceWasRemovedWritesNothing_data();
    void storeAfterTheDeviceWasRemovedWritesNothing();
    void loadAfterTheDeviceWasRemovedAppliesNothing_data();
    void loadAfterTheDeviceWasRemovedAppliesNothing();

private:
    QStringList errorMessages() const;
    QString path(const char* name) const { return directory->filePath(QLatin1String(name)); }

    std::unique_ptr<QTemporaryDir> directory;
    std::unique_ptr<MixerFixture> fixture;
    ScriptedDialogs dialogs;
    FakeDevice* device = nullptr;
};

void TestPresetCommands::init()
{
    directory = std::make_unique<QTemporaryDir>();
    QVERIFY(directory->isValid());
    dialogs = ScriptedDialogs();
    fixture = std::make_unique<MixerFixture>();
    fixture->open({fakeDevice("a"), fakeDevice("b")}, {"a", "b"});
    fixture->window->setPresetFileDialogs(&dialogs);
    device = prepareExampleDevice(*fixture);
    fixture->library.log.clear();
}

void TestPresetCommands::cleanup()
{
    fixture.reset();
    directory.reset();
}

QStringList TestPresetCommands::errorMessages() const
{
    QStringList messages;
    for (QErrorMessage* box : fixture->window->findChildren<QErrorMessage*>()) {
        if (box->parent() != fixture->window.get() || !box->isVisible())
            continue;
        messages.append(box->windowTitle() + ": " + box->findChild<QTextEdit*>()->toPlainText());
    }
    return messages;
}

void TestPresetCommands::dialogsAreAskedAsTheProgramAlwaysAsks()
{
    fixture->button("StoreButton")->click();
    fixture->button("LoadButton")->click();
    QCOMPARE(dialogs.asked,
             QStringList({"save|Store preset|preset.tarvix|Tarvix preset file (*.tarvix)",
                          "open|Load preset|preset.tarvix|Tarvix preset file (*.tarvix)"}));
    QCOMPARE(dialogs.parent, fixture->window.get());
}

void TestPresetCommands::cancelledStoreDoesNothing()
{
    fixture->window->StorePresetDialog();
    QCOMPARE(fixture->library.log.calls(), QStringList{});
    QCOMPARE(errorMessages(), QStringList{});
    QCOMPARE(QDir(directory->path()).entryList(QDir::Files), QStringList{});
}

void TestPresetCommands::storeWritesTheDeviceUnderTheLock()
{
    dialogs.fileName = path("state.tarvix");
    fixture->window->StorePresetDialog();
    QCOMPARE(readAll(dialogs.fileName), storedExample);
    const QStringList calls = fixture->library.log.calls();
    QCOMPARE(calls.first(), QStringLiteral("lock"));
    QCOMPARE(calls.last(), QStringLiteral("unlock"));
    QCOMPARE(calls.count("lock"), 1);
    QVERIFY(!calls.join(' ').contains(".set"));
    QCOMPARE(errorMessages(), QStringList{});
}

void TestPresetCommands::storeReplacesAnExistingFileWhole()
{
    dialogs.fileName = path("state.tarvix");
    writeFile(dialogs.fileName, QByteArray(4096, 'x'));
    fixture->window->StorePresetDialog();
    QCOMPARE(readAll(dialogs.fileName), storedExample);
}

void TestPresetCommands::storeThatCannotOpenReportsWithoutLocking()
{
    dialogs.fileName = path("missing-folder/state.tarvix");
    fixture->window->StorePresetDialog();
    QCOMPARE(errorMessages(),
             QStringList{"TarvixMixer - Error: Failed to store presets: Failed to open file."});
    QCOMPARE(fixture->library.log.calls(), QStringList{});
}

void TestPresetCommands::storeThatCannotWriteKeepsTheEarlierFile()
{
    dialogs.fileName = path("state.tarvix");
    const QByteArray earlier = "<?xml version=\"1.0\"?><Tarvix><Mixer/></Tarvix>\n";
    writeFile(dialogs.fileName, earlier);
    {
        FileSizeLimit limit(100); // the new document is several times larger
        fixture->window->StorePresetDialog();
    }
    QCOMPARE(readAll(dialogs.fileName), earlier);
    QCOMPARE(QDir(directory->path()).entryList(QDir::Files), QStringList{"state.tarvix"});
    QCOMPARE(errorMessages(),
             QStringList{"TarvixMixer - Error: Failed to store presets: Failed to write file."});
    QCOMPARE(fixture->library.lockDepth.load(), 0);
}

void TestPresetCommands::cancelledLoadStillRefreshesTheWindow()
{
    fixture->box("cb_phantom_left")->setChecked(false);
    fixture->label("vol_label_playback_left")->setText("stale");
    fixture->window->LoadPresetDialog();
    QVERIFY(fixture->box("cb_phantom_left")->isChecked());
    QCOMPARE(fixture->label("vol_label_playback_left")->text(), QStringLiteral("-20.5 dB"));
    const QStringList calls = fixture->library.log.deviceCalls();
    QVERIFY(!calls.join(' ').contains(".set"));
    // The HID boxes first, then the device is applied again.
    QVERIFY(calls.indexOf("a.hid.getPhantomLeft") < calls.indexOf("a.hid.registerChangedCallback"));
}

void TestPresetCommands::loadAppliesTheFileAndRefreshesTheWindow()
{
    dialogs.fileName = path("state.tarvix");
    QByteArray content = storedExample;
    content.replace("<VolumeLeft>-20.5", "<VolumeLeft>-3")
        .replace("<Muted>false</Muted>\n        </Output>",
                 "<Muted>true</Muted>\n        </Output>")
        .replace("<LoopbackRight>false", "<LoopbackRight>true");
    writeFile(dialogs.fileName, content);
    device->output->left = 0.0f;
    device->hid->phantomLeft = false;

    fixture->window->LoadPresetDialog();

    QCOMPARE(device->output->left, -3.0f);
    QVERIFY(device->output->muted);
    QVERIFY(device->hid->phantomLeft);
    QVERIFY(device->hid->loopbackRight);
    QCOMPARE(fixture->slider("vol_slider_playback_left")->value(), -6);
    QCOMPARE(fixture->label("vol_label_playback_left")->text(), QStringLiteral("-3.0 dB"));
    QVERIFY(fixture->box("cb_playback_mute")->isChecked());
    QVERIFY(fixture->box("cb_loopback_right")->isChecked());
    QCOMPARE(fixture->slider("vol_slider_record_left")->value(), 3);
    QCOMPARE(errorMessages(), QStringList{});
    // Values went straight to the device: one lock around the whole file.
    const QStringList calls = fixture->library.log.calls();
    QCOMPARE(calls.first(), QStringLiteral("lock"));
    QCOMPARE(calls.at(calls.indexOf("a.hid.setLoopbackRight(true)") + 1), QStringLiteral("unlock"));
}

void TestPresetCommands::loadIgnoresLinkBoxes()
{
    QVERIFY(fixture->box("cb_playback_link")->isChecked());
    QVERIFY(fixture->box("cb_record_link")->isChecked());
    dialogs.fileName = path("apart.tarvix");
    writeFile(dialogs.fileName, "<Tarvix><Mixer><Output><VolumeLeft>-10</VolumeLeft>"
                                "<VolumeRight>-30</VolumeRight></Output><Input>"
                                "<VolumeLeft>6</VolumeLeft><VolumeRight>18</VolumeRight>"
                                "</Input></Mixer></Tarvix>");
    fixture->window->LoadPresetDialog();
    QCOMPARE(fixture->slider("vol_slider_playback_left")->value(), -20);
    QCOMPARE(fixture->slider("vol_slider_playback_right")->value(), -60);
    QCOMPARE(fixture->slider("vol_slider_record_left")->value(), 2);
    QCOMPARE(fixture->slider("vol_slider_record_right")->value(), 4);
}

void TestPresetCommands::loadThatCannotOpenLeavesTheWindowAsItWas()
{
    dialogs.fileName = path("does-not-exist.tarvix");
    fixture->box("cb_phantom_left")->setChecked(false);
    fixture->label("vol_label_playback_left")->setText("as it was");
    fixture->window->LoadPresetDialog();
    QCOMPARE(errorMessages(),
             QStringList{"TarvixMixer - Error: Failed to load presets: Failed to open file."});
    QCOMPARE(fixture->library.log.calls(), QStringList{});
    QVERIFY(!fixture->box("cb_phantom_left")->isChecked());
    QCOMPARE(fixture->label("vol_label_playback_left")->text(), QStringLiteral("as it was"));
}

void TestPresetCommands::loadOfBrokenFileKeepsWhatWasApplied()
{
    dialogs.fileName = path("broken.tarvix");
    writeFile(dialogs.fileName, storedExample.left(storedExample.indexOf("</Output>")));
    device->output->left = device->output->right = 0.0f;
    device->output->muted = true;
    fixture->window->LoadPresetDialog();
    QCOMPARE(device->output->left, -20.5f);
    QCOMPARE(device->output->right, -20.5f);
    QVERIFY(!device->output->muted);
    QCOMPARE(fixture->label("vol_label_playback_right")->text(), QStringLiteral("-20.5 dB"));
    QVERIFY(!fixture->box("cb_playback_mute")->isChecked());
    QCOMPARE(errorMessages(),
             QStringList{"TarvixMixer - Error: Failed to load presets: Invalid file format."});
    QCOMPARE(fixture->library.lockDepth.load(), 0);
}

void TestPresetCommands::twoFailuresLeaveTwoBoxes()
{
    dialogs.fileName = path("does-not-exist.tarvix");
    fixture->window->LoadPresetDialog();
    fixture->window->LoadPresetDialog();
    const QStringList messages = errorMessages();
    QCOMPARE(messages.size(), 2);
    QCOMPARE(messages.at(0), messages.at(1));
    const auto boxes = fixture->window->findChildren<QErrorMessage*>();
    QCOMPARE(boxes.size(), 2);
    QVERIFY(boxes.at(0) != boxes.at(1));
}

void TestPresetCommands::namedPipesAreRefusedWithoutBlocking_data()
{
    QTest::addColumn<bool>("store");
    QTest::addColumn<bool>("throughLink");
    QTest::newRow("load a pipe") << false << false;
    QTest::newRow("load a link to a pipe") << false << true;
    QTest::newRow("store onto a pipe") << true << false;
    QTest::newRow("store onto a link to a pipe") << true << true;
}

void TestPresetCommands::namedPipesAreRefusedWithoutBlocking()
{
    QFETCH(bool, store);
    QFETCH(bool, throughLink);
    const QString pipe = path("pipe.tarvix");
    QCOMPARE(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    dialogs.fileName = pipe;
    if (throughLink) {
        dialogs.fileName = path("link.tarvix");
        QVERIFY(QFile::link(pipe, dialogs.fileName));
    }
    fixture->label("vol_label_playback_left")->setText("as it was");
    {
        PipeUnblocker unblocker(pipe);
        if (store)
            fixture->window->StorePresetDialog();
        else
            fixture->window->LoadPresetDialog();
    }
    QCOMPARE(errorMessages(), QStringList{store ? "TarvixMixer - Error: Failed to store presets: "
                                                  "Failed to open file."
                                                : "TarvixMixer - Error: Failed to load presets: "
                                                  "Failed to open file."});
    QVERIFY(S_ISFIFO(statOf(pipe).st_mode));
    QCOMPARE(fixture->library.log.calls(), QStringList{});
    QCOMPARE(fixture->label("vol_label_playback_left")->text(), QStringLiteral("as it was"));
}

void TestPresetCommands::loadRefusesFilesOverTheSizeLimit_data()
{
    QTest::addColumn<qint64>("size");
    QTest::newRow("at the limit") << presetSizeLimit;
    QTest::newRow("one byte over") << presetSizeLimit + 1;
}

// A valid preset padded with white space: refused unread above the limit, applied up to it.
void TestPresetCommands::loadRefusesFilesOverTheSizeLimit()
{
    QFETCH(qint64, size);
    const QByteArray head = "<Tarvix>";
    const QByteArray tail = "<Mixer><Output><VolumeLeft>-3</VolumeLeft></Output></Mixer></Tarvix>";
    dialogs.fileName = path("padded.tarvix");
    writeFile(dialogs.fileName, head + QByteArray(size - head.size() - tail.size(), ' ') + tail);
    fixture->window->LoadPresetDialog();
    const bool refused = size > presetSizeLimit;
    QCOMPARE(device->output->left, refused ? -20.5f : -3.0f);
    QCOMPARE(errorMessages(),
             refused ? QStringList{"TarvixMixer - Error: Failed to load presets: Invalid file "
                                   "format."}
                     : QStringList{});
    // The window is brought up to date either way.
    QCOMPARE(fixture->label("vol_label_playback_left")->text(),
             refused ? QStringLiteral("-20.5 dB") : QStringLiteral("-3.0 dB"));
}

void TestPresetCommands::storeKeepsTheFileItOverwrites_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("inPlace");
    QTest::newRow("own file: replaced, permissions kept") << "own" << false;
    QTest::newRow("two hard links: written in place") << "linked" << true;
    QTest::newRow("another owner: written in place") << "foreign" << true;
    QTest::newRow("read-only folder: written in place") << "locked" << true;
}

void TestPresetCommands::storeKeepsTheFileItOverwrites()
{
    QFETCH(QString, kind);
    QFETCH(bool, inPlace);
    const bool root = ::geteuid() == 0;
    if (kind == "foreign" && !root)
        QSKIP("Only root can give a file to another owner.");
    const QString folder = path("folder");
    QVERIFY(QDir().mkpath(folder));
    dialogs.fileName = folder + "/state.tarvix";
    writeFile(dialogs.fileName, "last week's preset");
    const QByteArray name = QFile::encodeName(dialogs.fileName);
    QCOMPARE(::chmod(name.constData(), 0640), 0);
    if (kind == "linked")
        QCOMPARE(::link(name.constData(), QFile::encodeName(path("other.tarvix")).constData()), 0);
    if (kind == "foreign")
        QCOMPARE(::chown(name.constData(), nobody, nobody), 0);
    const struct stat before = statOf(dialogs.fileName);

    if (kind == "locked" && root) {
        // Root writes anywhere: the store runs as an unprivileged user who owns the preset.
        QCOMPARE(::chmod(QFile::encodeName(directory->path()).constData(), 0755), 0);
        QCOMPARE(::chmod(QFile::encodeName(folder).constData(), 0555), 0);
        QCOMPARE(::chown(name.constData(), nobody, nobody), 0);
        QCOMPARE(::chmod(name.constData(), 0644), 0);
        QProcess child;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("TARVIX_STORE_PRESET_AS_CHILD", dialogs.fileName);
        child.setProcessEnvironment(environment);
        child.start("setpriv", {"--reuid=65534", "--regid=65534", "--clear-groups",
                                QCoreApplication::applicationFilePath()});
        QVERIFY(child.waitForFinished(120000));
        QCOMPARE(child.exitStatus(), QProcess::NormalExit);
        QCOMPARE(child.exitCode(), 0);
    } else {
        if (kind == "locked")
            QCOMPARE(::chmod(QFile::encodeName(folder).constData(), 0555), 0);
        fixture->window->StorePresetDialog();
        QCOMPARE(errorMessages(), QStringList{});
    }
    QCOMPARE(readAll(dialogs.fileName), storedExample);
    const struct stat after = statOf(dialogs.fileName);
    QCOMPARE(after.st_ino == before.st_ino, inPlace);
    QCOMPARE(after.st_mode, kind == "locked" && root ? mode_t(S_IFREG | 0644) : before.st_mode);
    QCOMPARE(after.st_uid, kind == "locked" && root ? nobody : before.st_uid);
    QCOMPARE(after.st_nlink, before.st_nlink);
    if (kind == "linked")
        QCOMPARE(readAll(path("other.tarvix")), storedExample);
    QCOMPARE(QDir(folder).entryList(QDir::Files), QStringList{"state.tarvix"});
    ::chmod(QFile::encodeName(folder).constData(), 0755);
}

void TestPresetCommands::storeAfterTheDeviceWasRemovedWritesNothing_data()
{
    QTest::addColumn<bool>("handledWhileOpen");
    QTest::newRow("removal not yet handled") << false;
    QTest::newRow("removal handled, the next device shown") << true;
}

void TestPresetCommands::storeAfterTheDeviceWasRemovedWritesNothing()
{
    QFETCH(bool, handledWhileOpen);
    dialogs.fileName = path("state.tarvix");
    writeFile(dialogs.fileName, "last week's preset");
    dialogs.whileOpen = [this, handledWhileOpen] {
        fixture->library.unplug("a");
        if (handledWhileOpen)
            fixture->library.notify(DeviceRemoval, "a");
        else
            fixture->library.notifyFromThread(DeviceRemoval, "a");
    };
    fixture->window->StorePresetDialog();
    QCOMPARE(readAll(dialogs.fileName), QByteArray("last week's preset"));
    QCOMPARE(QDir(directory->path()).entryList(QDir::Files), QStringList{"state.tarvix"});
    QCOMPARE(errorMessages(), QStringList{removedOnStore});
    QTRY_COMPARE(fixture->itemIds(), QStringList{"b"});
}

void TestPresetCommands::loadAfterTheDeviceWasRemovedAppliesNothing_data()
{
    storeAfterTheDeviceWasRemovedWritesNothing_data();
}

void TestPresetCommands::loadAfterTheDeviceWasRemovedAppliesNothing()
{
    QFETCH(bool, handledWhileOpen);
    dialogs.fileName = path("state.tarvix");
    writeFile(dialogs.fileName, "<Tarvix><Mixer><Output><VolumeLeft>-3</VolumeLeft></Output>"
                                "</Mixer><Hid><PhantomLeft>true</PhantomLeft></Hid></Tarvix>");
    dialogs.whileOpen = [this, handledWhileOpen] {
        fixture->library.unplug("a");
        if (handledWhileOpen)
            fixture->library.notify(DeviceRemoval, "a");
        else
            fixture->library.notifyFromThread(DeviceRemoval, "a");
    };
    fixture->window->LoadPresetDialog();
    QVERIFY(!fixture->library.log.contains("a.output.set"));
    QVERIFY(!fixture->library.log.contains("b.output.set"));
    QVERIFY(!fixture->library.log.contains("b.hid.set"));
    QCOMPARE(errorMessages(), QStringList{removedOnLoad});
    // The window is still brought up to date, and shows the next device once it is current.
    QCOMPARE(fixture->group("gb_playback")->isEnabled(), handledWhileOpen);
    QTRY_COMPARE(fixture->itemIds(), QStringList{"b"});
    QVERIFY(fixture->group("gb_playback")->isEnabled());
}

// Stores the example preset into the file named by TARVIX_STORE_PRESET_AS_CHILD, for a test that
// runs this program as another user; the exit code says whether the store succeeded.
int storePresetAsChild(const QString& fileName)
{
    MixerFixture fixture;
    fixture.open({fakeDevice("a")}, {"a"});
    prepareExampleDevice(fixture);
    ScriptedDialogs dialogs;
    dialogs.fileName = fileName;
    fixture.window->setPresetFileDialogs(&dialogs);
    fixture.window->StorePresetDialog();
    return fixture.window->findChildren<QErrorMessage*>().isEmpty() ? 0 : 1;
}

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    const QString childTarget = qEnvironmentVariable("TARVIX_STORE_PRESET_AS_CHILD");
    if (!childTarget.isEmpty())
        return storePresetAsChild(childTarget);
    TestPresetCommands test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_presetcommands.moc"
