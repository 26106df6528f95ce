// SPDX-License-Identifier: GPL-3.0-or-later
#include "testfiles.h"
#include "windowtesting.h"

#include <QErrorMessage>
#include <QFile>
#include <QTemporaryDir>
#include <QTextEdit>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

namespace {

QString error(const char* text)
{
    return QStringLiteral("TarvixMixer - Error: ") + QLatin1String(text);
}

const QByteArray storedExample = readFile(TARVIX_EXAMPLE_PRESET);

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

    // The device is read under one lock and nothing is written to it. A write that fails keeps
    // the earlier file.
    void storeWritesTheDeviceOrKeepsTheEarlierFile()
    {
        fixture->window->StorePresetDialog();
        QCOMPARE(readFile(dialogs.fileName), storedExample);
        const QStringList calls = fixture->calls();
        QVERIFY(calls.first() == "lock" && calls.last() == "unlock" && calls.count("lock") == 1);
        QVERIFY(!fixture->called("a.output.set"));
        QCOMPARE(errorMessages(), QStringList{});

        QVERIFY(writeFile(dialogs.fileName, "earlier"));
        // Writes past a lowered file size limit fail with EFBIG instead of raising SIGXFSZ.
        const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit previous{};
        getrlimit(RLIMIT_FSIZE, &previous);
        const rlimit lowered{100, previous.rlim_max}; // the document is several times larger
        setrlimit(RLIMIT_FSIZE, &lowered);
        fixture->window->StorePresetDialog();
        setrlimit(RLIMIT_FSIZE, &previous);
        std::signal(SIGXFSZ, previousHandler);
        QCOMPARE(readFile(dialogs.fileName), QByteArray("earlier"));
        QCOMPARE(QDir(directory->path()).entryList(QDir::Files), QStringList{"state.tarvix"});
        QCOMPARE(errorMessages(),
                 QStringList{error("Failed to store presets: Failed to write file.")});
    }

    void failedOrCancelledCommands_data()
    {
        QTest::addColumn<bool>("store");
        QTest::addColumn<QString>("file"); // as the dialog answers; empty when cancelled
        QTest::addColumn<QString>("reason");
        QTest::addColumn<QString>("sets");  // what reached the device, separated by spaces
        QTest::addColumn<QString>("shown"); // the output's read-out afterwards
        const auto row = [](const char* name, bool store, const char* file, const char* reason,
                            const char* shown = "as it was", const char* sets = "") {
            QTest::newRow(name) << store << QString(file) << QString(reason) << QString(sets)
                                << QString(shown);
        };
        row("store cancelled", true, "", "");
        row("load cancelled", false, "", "", "0.0 dB");
        row("store onto a missing folder", true, "missing-folder/a.tarvix", "Failed to open file.");
        row("load missing", false, "missing.tarvix", "Failed to open file.");
        row("store onto a pipe", true, "pipe.tarvix", "Failed to open file.");
        row("load pipe", false, "pipe.tarvix", "Failed to open file.");
        // A valid preset padded with megabytes of white space is refused unread.
        row("load oversized", false, "oversized.tarvix", "Invalid file format.", "0.0 dB");
        // The links are ticked, yet each value goes straight to the device.
        const char* levels = "a.output.setVolumeLeft(-3) a.output.setVolumeRight(-20.5)";
        row("load", false, "levels.tarvix", "", "-3.0 dB", levels);
        row("load broken after the output", false, "broken.tarvix", "Invalid file format.",
            "-3.0 dB", levels);
    }

    // Nothing more reaches the device than a broken file gave before its fault, no file is left
    // behind and a named pipe blocks nothing (the test would time out). A load brings the window
    // up to date unless its file could not be opened; then nothing is locked, read or written.
    void failedOrCancelledCommands()
    {
        QFETCH(bool, store);
        QFETCH(QString, file);
        QFETCH(QString, reason);
        const QByteArray pipe = QFile::encodeName(path("pipe.tarvix"));
        QCOMPARE(::mkfifo(pipe.constData(), 0600), 0);
        QVERIFY(
            writeFile(path("oversized.tarvix"),
                      "<Tarvix>" + QByteArray(4 << 20, ' ') +
                          "<Mixer><Output><VolumeLeft>-3</VolumeLeft></Output></Mixer></Tarvix>"));
        const QByteArray levels = "<Tarvix><Mixer><Output><VolumeLeft>-3</VolumeLeft>"
                                  "<VolumeRight>-20.5</VolumeRight></Output></Mixer></Tarvix>";
        QVERIFY(writeFile(path("levels.tarvix"), levels));
        QVERIFY(writeFile(path("broken.tarvix"), levels.left(levels.indexOf("</Output>"))));
        const QStringList files = QDir(directory->path()).entryList(QDir::Files | QDir::System);
        dialogs.fileName = file.isEmpty() ? QString() : path(qPrintable(file));
        device->output->left = device->output->right = 0.0f;
        device->output->muted = true;
        fixture->label("playback_left")->setText("as it was");
        store ? fixture->window->StorePresetDialog() : fixture->window->LoadPresetDialog();
        const QString prefix = store ? "Failed to store presets: " : "Failed to load presets: ";
        QCOMPARE(errorMessages(), reason.isEmpty()
                                      ? QStringList()
                                      : QStringList{error(qPrintable(prefix + reason))});
        // A load applies everything under one lock, taken before the window reads the device back.
        const QStringList calls = fixture->calls();
        QVERIFY(calls.isEmpty() || calls.first() == "lock");
        QTEST(calls.mid(0, calls.indexOf("unlock")).filter(".set").join(' '), "sets");
        QTEST(fixture->label("playback_left")->text(), "shown");
        const bool untouched = store || reason.endsWith("open file.");
        QCOMPARE(fixture->calls().isEmpty(), untouched);
        QCOMPARE(fixture->box("cb_playback_mute")->isChecked(),
                 !untouched && device->output->muted);
        QCOMPARE(QDir(directory->path()).entryList(QDir::Files | QDir::System), files);
        struct stat info = {};
        QVERIFY(::stat(pipe.constData(), &info) == 0 && S_ISFIFO(info.st_mode));
        QCOMPARE(fixture->library.lockDepth.load(), 0);
    }

    void aDeviceGoneMidCommandGetsNothingMore_data()
    {
        QTest::addColumn<bool>("store");
        QTest::addColumn<QString>("when");
        for (const bool store : {true, false}) {
            for (const char* when :
                 {"dialog open", "dialog open, handled", "output in use", "switches in use"})
                QTest::addRow("%s, %s", store ? "store" : "load", when) << store << when;
        }
    }

    // The device is unplugged while the dialog is open, its removal handled then (the next device
    // shown) or not yet; or once its first level, or its first switch, is read or written. An
    // existing file stays as it was, no value reaches the device after that or another device, the
    // removal is reported; a load still brings the window up to date.
    void aDeviceGoneMidCommandGetsNothingMore()
    {
        QFETCH(bool, store);
        QFETCH(QString, when);
        const QByteArray earlier = "<Tarvix><Mixer><Output><VolumeLeft>-3</VolumeLeft></Output>"
                                   "</Mixer><Hid><PhantomLeft>true</PhantomLeft></Hid></Tarvix>";
        QVERIFY(writeFile(dialogs.fileName, earlier));
        RecordingLibrary& library = fixture->library;
        dialogs.whileOpen = [&library, when] {
            if (when.endsWith("in use")) {
                const QString at =
                    when == "output in use" ? "a.output.%1VolumeLeft" : "a.hid.%1PhantomLeft";
                library.log.onCall = [&library, at](const QString& call) {
                    if (call.startsWith(at.arg("get")) || call.startsWith(at.arg("set")))
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
        QCOMPARE(readFile(dialogs.fileName), earlier);
        const QStringList sets{"a.output.setVolumeLeft(-3)", "a.hid.setPhantomLeft(true)"};
        QCOMPARE(fixture->calls().filter(".set"),
                 sets.mid(0, store || !when.endsWith("in use") ? 0 : 1 + when.startsWith("s")));
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
