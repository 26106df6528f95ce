#include "windowtesting.h"

#include <QErrorMessage>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

namespace {

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

QString error(const char* text)
{
    return QStringLiteral("TarvixMixer - Error: ") + QLatin1String(text);
}

const QByteArray storedExample = readAll(TARVIX_EXAMPLE_PRESET);

} // namespace

// The store and load commands behind the two preset buttons, on real files.
class TestPresetCommands : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        directory = std::make_unique<QTemporaryDir>();
        QVERIFY(directory->isValid());
        dialogs = ScriptedDialogs();
        dialogs.fileName = path("state.tarvix");
        fixture = std::make_unique<MixerFixture>(
            QList<FakeDeviceConfig>{fakeDevice("a"), fakeDevice("b")}, QList<QByteArray>{"a", "b"});
        fixture->window->setPresetFileDialogs(&dialogs);
        // Device "a" in the state the example describes.
        device = fixture->device("a");
        device->output->left = device->output->right = -20.5f;
        device->input->left = device->input->right = 3 * device->input->stepDb;
        device->hid->phantomLeft = device->hid->phantomRight = true;
        fixture->library.log.clear();
    }

    void cleanup()
    {
        fixture.reset();
        directory.reset();
    }

    // A cancelled store does nothing; a cancelled load still brings the window up to date.
    void cancelledDialogs()
    {
        dialogs.fileName.clear();
        widget<QPushButton>(fixture->window.get(), "StoreButton")->click();
        QCOMPARE(fixture->calls(), QStringList{});
        fixture->box("cb_phantom_left")->setChecked(false);
        fixture->label("playback_left")->setText("stale");
        widget<QPushButton>(fixture->window.get(), "LoadButton")->click();
        QVERIFY(fixture->box("cb_phantom_left")->isChecked());
        QCOMPARE(fixture->label("playback_left")->text(), "-20.5 dB");
        QVERIFY(!fixture->called("a.output.set"));
        QCOMPARE(errorMessages(), QStringList{});
        QCOMPARE(QDir(directory->path()).entryList(QDir::Files), QStringList{});
    }

    // The device is read under one lock and nothing is written to it. A write that fails keeps
    // the earlier file.
    void storeWritesTheDeviceOrKeepsTheEarlierFile()
    {
        writeFile(dialogs.fileName, QByteArray(4096, 'x'));
        fixture->window->StorePresetDialog();
        QCOMPARE(readAll(dialogs.fileName), storedExample);
        const QStringList calls = fixture->calls();
        QVERIFY(calls.first() == "lock" && calls.last() == "unlock" && calls.count("lock") == 1);
        QVERIFY(!fixture->called("a.output.set"));
        QCOMPARE(errorMessages(), QStringList{});

        writeFile(dialogs.fileName, "earlier");
        // Writes past a lowered file size limit fail with EFBIG instead of raising SIGXFSZ.
        const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit previous{};
        getrlimit(RLIMIT_FSIZE, &previous);
        rlimit lowered = previous;
        lowered.rlim_cur = 100; // the document is several times larger
        setrlimit(RLIMIT_FSIZE, &lowered);
        fixture->window->StorePresetDialog();
        setrlimit(RLIMIT_FSIZE, &previous);
        std::signal(SIGXFSZ, previousHandler);
        QCOMPARE(readAll(dialogs.fileName), QByteArray("earlier"));
        QCOMPARE(QDir(directory->path()).entryList(QDir::Files), QStringList{"state.tarvix"});
        QCOMPARE(errorMessages(),
                 QStringList{error("Failed to store presets: Failed to write file.")});
    }

    void loadAppliesInDocumentOrderThenBringsTheWindowUpToDate()
    {
        QByteArray content = storedExample;
        writeFile(dialogs.fileName, content.replace("<VolumeLeft>-20.5", "<VolumeLeft>-3")
                                        .replace("<VolumeRight>12", "<VolumeRight>18")
                                        .replace("<LoopbackRight>false", "<LoopbackRight>true"));
        fixture->window->LoadPresetDialog();
        // The links are ticked, yet each value goes straight to the device, all under one lock
        // taken before the window reads the device back (the reader's order is its own test's).
        const QStringList calls = fixture->calls();
        const QStringList applied = calls.mid(0, calls.indexOf("unlock"));
        QVERIFY(applied.first() == "lock" && applied.count("lock") == 1);
        QCOMPARE(applied.filter(".set").size(), 10);
        QVERIFY(calls.indexOf("a.hid.registerChangedCallback") > applied.size());
        QCOMPARE(fixture->slider("playback_left")->value(), -6);
        QCOMPARE(fixture->slider("playback_right")->value(), -41);
        QCOMPARE(fixture->slider("record_right")->value(), 4);
        QCOMPARE(fixture->label("playback_left")->text(), "-3.0 dB");
        QVERIFY(fixture->box("cb_loopback_right")->isChecked());
        QCOMPARE(errorMessages(), QStringList{});
    }

    void filesThatCannotBeOpenedLeaveEverythingAlone_data()
    {
        QTest::addColumn<bool>("store");
        QTest::addColumn<QString>("kind");
        for (const char* kind : {"missing", "pipe"}) {
            QTest::addRow("load %s", kind) << false << kind;
            QTest::addRow("store onto %s", kind) << true << kind;
        }
    }

    // Nothing is locked, read, written or refreshed, and a named pipe blocks nothing.
    void filesThatCannotBeOpenedLeaveEverythingAlone()
    {
        QFETCH(bool, store);
        QFETCH(QString, kind);
        const QString pipe = path("pipe.tarvix");
        dialogs.fileName =
            kind == "pipe" ? pipe : path(store ? "missing-folder/a.tarvix" : "missing.tarvix");
        QVERIFY(kind != "pipe" || ::mkfifo(QFile::encodeName(pipe).constData(), 0600) == 0);
        fixture->label("playback_left")->setText("as it was");
        // Should the command block on the pipe, the test times out.
        store ? fixture->window->StorePresetDialog() : fixture->window->LoadPresetDialog();
        QCOMPARE(errorMessages(),
                 QStringList{error(store ? "Failed to store presets: Failed to open file."
                                         : "Failed to load presets: Failed to open file.")});
        struct stat info = {};
        QVERIFY(kind == "missing" || (::stat(QFile::encodeName(pipe).constData(), &info) == 0 &&
                                      S_ISFIFO(info.st_mode)));
        QCOMPARE(fixture->calls(), QStringList{});
        QCOMPARE(fixture->label("playback_left")->text(), QStringLiteral("as it was"));
    }

    void loadOfBrokenOrOversizedFileKeepsWhatWasApplied_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<bool>("refused");
        // A valid preset padded with megabytes of white space is refused unread.
        QTest::newRow("oversized") << "<Tarvix>" + QByteArray(4 << 20, ' ') +
                                          "<Mixer><Output><VolumeLeft>-3</VolumeLeft></Output>"
                                          "</Mixer></Tarvix>"
                                   << "0.0 dB" << true;
        QTest::newRow("broken after the output")
            << storedExample.left(storedExample.indexOf("</Output>")) << "-20.5 dB" << true;
    }

    // What was applied before the fault stays; the window is brought up to date either way.
    void loadOfBrokenOrOversizedFileKeepsWhatWasApplied()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, shown);
        QFETCH(bool, refused);
        writeFile(dialogs.fileName, content);
        device->output->left = device->output->right = 0.0f;
        device->output->muted = true;
        fixture->window->LoadPresetDialog();
        QCOMPARE(fixture->label("playback_left")->text(), shown);
        QCOMPARE(device->output->muted, !content.contains("<Muted>"));
        QCOMPARE(fixture->box("cb_playback_mute")->isChecked(), device->output->muted);
        QCOMPARE(errorMessages(),
                 refused ? QStringList{error("Failed to load presets: Invalid file format.")}
                         : QStringList{});
        QCOMPARE(fixture->library.lockDepth.load(), 0);
    }

    void aDeviceGoneMidCommandGetsNothingMore_data()
    {
        QTest::addColumn<bool>("store");
        QTest::addColumn<QString>("when");
        for (const bool store : {true, false}) {
            for (const char* when : {"dialog open", "dialog open, handled", "device in use"})
                QTest::addRow("%s, %s", store ? "store" : "load", when) << store << when;
        }
    }

    // The device is unplugged while the dialog is open, its removal handled then (the next device
    // shown) or not yet; or once its first level is read or written. An existing file stays as it
    // was, no value reaches the device after that or another device, the removal is reported; a
    // load still brings the window up to date.
    void aDeviceGoneMidCommandGetsNothingMore()
    {
        QFETCH(bool, store);
        QFETCH(QString, when);
        const QByteArray earlier = "<Tarvix><Mixer><Output><VolumeLeft>-3</VolumeLeft></Output>"
                                   "</Mixer><Hid><PhantomLeft>true</PhantomLeft></Hid></Tarvix>";
        writeFile(dialogs.fileName, earlier);
        RecordingLibrary& library = fixture->library;
        dialogs.whileOpen = [&library, when] {
            if (when == "device in use") {
                library.log.onCall = [&library](const QString& call) {
                    if (call.startsWith("a.output.getVolumeLeft") ||
                        call.startsWith("a.output.setVolumeLeft"))
                        library.unplug("a");
                };
                return;
            }
            library.unplug("a");
            when == "dialog open" ? library.notifyFromThread(DeviceRemoval, "a")
                                  : library.notify(DeviceRemoval, "a");
        };
        store ? fixture->window->StorePresetDialog() : fixture->window->LoadPresetDialog();
        library.log.onCall = nullptr;
        QCOMPARE(errorMessages(),
                 QStringList{error(store ? "Failed to store presets: The device was removed."
                                         : "Failed to load presets: The device was removed.")});
        QCOMPARE(readAll(dialogs.fileName), earlier);
        QCOMPARE(fixture->calls().filter(".set"), store || when != "device in use"
                                                      ? QStringList()
                                                      : QStringList{"a.output.setVolumeLeft(-3)"});
        QCOMPARE(widget(fixture->window.get(), "gb_playback")->isEnabled(),
                 store || when != "dialog open");
    }

private:
    // Every box shown, as "<title>: <message>"; each failure has a box of its own.
    QStringList errorMessages() const
    {
        QStringList messages;
        for (QErrorMessage* box : fixture->window->findChildren<QErrorMessage*>()) {
            if (box->parent() == fixture->window.get() && box->isVisible())
                messages.append(box->windowTitle() + ": " +
                                box->findChild<QTextEdit*>()->toPlainText());
        }
        return messages;
    }

    QString path(const char* name) const { return directory->filePath(QLatin1String(name)); }

    std::unique_ptr<QTemporaryDir> directory;
    std::unique_ptr<MixerFixture> fixture;
    ScriptedDialogs dialogs;
    FakeDevice* device = nullptr;
};

QTEST_MAIN(TestPresetCommands)
#include "tst_presetcommands.moc"
