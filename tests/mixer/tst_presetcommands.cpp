#include "mixerfixture.h"
#include "presetexample.h"
#include "presetfiledialogs.h"

#include <QErrorMessage>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>

#include <csignal>
#include <functional>
#include <sys/resource.h>

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
    void deviceRemovedWhileSaveDialogIsOpenStoresAnEmptyRoot();
    void cancelledLoadStillRefreshesTheWindow();
    void loadAppliesTheFileAndRefreshesTheWindow();
    void loadIgnoresLinkBoxes();
    void loadThatCannotOpenLeavesTheWindowAsItWas();
    void loadOfBrokenFileKeepsWhatWasApplied();
    void twoFailuresLeaveTwoBoxes();
    void deviceRemovedWhileOpenDialogIsOpenAppliesNothing();

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
    device = fixture->library.device("a");
    device->output->left = device->output->right = -20.5f;
    device->input->left = device->input->right = 3 * device->input->stepDb;
    device->hid->phantomLeft = device->hid->phantomRight = true;
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

void TestPresetCommands::deviceRemovedWhileSaveDialogIsOpenStoresAnEmptyRoot()
{
    dialogs.fileName = path("state.tarvix");
    dialogs.whileOpen = [this] {
        fixture->library.unplug("a");
        fixture->library.notifyFromThread(DeviceRemoval, "a");
    };
    fixture->window->StorePresetDialog();
    QCOMPARE(readAll(dialogs.fileName),
             QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Tarvix/>\n"));
    QTRY_COMPARE(fixture->itemIds(), QStringList{"b"});
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

void TestPresetCommands::deviceRemovedWhileOpenDialogIsOpenAppliesNothing()
{
    dialogs.fileName = path("state.tarvix");
    writeFile(dialogs.fileName, storedExample);
    device->output->left = 0.0f;
    dialogs.whileOpen = [this] {
        fixture->library.unplug("a");
        fixture->library.notifyFromThread(DeviceRemoval, "a");
    };
    fixture->window->LoadPresetDialog();
    QCOMPARE(device->output->left, 0.0f);
    QVERIFY(!fixture->library.log.contains("a.output.set"));
    QVERIFY(!fixture->group("gb_playback")->isEnabled());
    QCOMPARE(errorMessages(), QStringList{});
    QTRY_COMPARE(fixture->itemIds(), QStringList{"b"});
    QVERIFY(fixture->group("gb_playback")->isEnabled());
}

QTEST_MAIN(TestPresetCommands)
#include "tst_presetcommands.moc"
