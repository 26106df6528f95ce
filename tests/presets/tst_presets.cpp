// SPDX-License-Identifier: GPL-3.0-or-later
#include "fakedevice.h"
#include "presetfilewriter.h"
#include "presetreader.h"
#include "presetvalues.h"
#include "presetwriter.h"
#include "testfiles.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QLocale>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <clocale>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <limits>
#include <sys/fsuid.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr uid_t nobody = 65534;

// What reading the example does to a device "d" with the default input step of 2 dB.
const QStringList all =
    QString("d.output.setVolumeLeft(-20.5) d.output.setVolumeRight(-20.5) d.output.setMute(false) "
            "d.input.getVolumeRange d.input.setVolumeLeft(6) d.input.setVolumeRight(6) "
            "d.input.setMute(false) d.hid.setPhantomLeft(true) d.hid.setPhantomRight(true) "
            "d.hid.setLoopbackLeft(false) d.hid.setLoopbackRight(false)")
        .split(' ');

// A fake device "d" with its own call log; parts: bit 0 output, 1 input, 2 HID, 3 levels in
// percent.
struct LoggedDevice
{
    explicit LoggedDevice(int parts = 7, float step = 2.0f)
        : fake({"d", "", bool(parts & 4), bool(parts & 2), bool(parts & 1), -96, 0, 0.5f, 0, 60,
                step},
               &log)
    {
        for (FakeEndpoint* endpoint : {fake.output.get(), fake.input.get()})
            if (endpoint)
                endpoint->inDb = !(parts & 8);
    }
    TarvixDevice* record(int parts = 7) { return parts < 0 ? nullptr : &fake.record; }

    CallLog log;
    FakeDevice fake;
};

QByteArray writtenDocument(TarvixDevice* device)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    writePreset(&buffer, device);
    return buffer.data();
}

// Result of readPreset on the document.
bool readDocument(QByteArray document, TarvixDevice* device)
{
    QBuffer buffer(&document);
    buffer.open(QIODevice::ReadOnly);
    return readPreset(&buffer, device) == PresetReadResult::InvalidFile;
}

} // namespace

// Writing the preset document from a device and applying one to it, hostile documents included,
// and the files that hold it.
class TestPresets : public QObject
{
    Q_OBJECT

private slots:
    // Relative system identifiers in the corpus point at the marker files beside it.
    void init() { QVERIFY(QDir::setCurrent(TARVIX_HOSTILE_DIR)); }

    // The example read into a device with only some of the parts, then written from it: what the
    // device lacks is passed over both ways (the window tests cover the whole device). Parts as
    // LoggedDevice's; -1 for no device.
    void readsAndWritesWhatTheDeviceHas()
    {
        const QByteArray document = readFile(TARVIX_EXAMPLE_PRESET);
        const QList<QByteArray> lines = document.split('\n');
        const auto without = [&lines](int from, int to) {
            return (lines.mid(0, from) + lines.mid(to)).join('\n');
        };
        const std::tuple<int, QStringList, QByteArray> rows[] = {
            {-1, {}, lines[0] + "\n<Tarvix/>\n"},
            {0, {}, lines[0] + "\n<Tarvix>\n    <Mixer/>\n</Tarvix>\n"},
            {3, all.mid(0, 7), without(14, 20)},
            {5, all.mid(0, 3) + all.mid(7), without(8, 13)},
            {6, all.mid(3), without(3, 8)}};
        for (const auto& [parts, calls, written] : rows) {
            LoggedDevice device(parts);
            QVERIFY(!readDocument(document, device.record(parts)));
            QCOMPARE(device.log.deviceCalls(), calls);
            QCOMPARE(writtenDocument(device.record(parts)), written);
        }
    }

    // The calls in the order the document gives them: a preset is applied value by value.
    void readsTheDocument_data()
    {
        QTest::addColumn<QByteArray>("document");
        QTest::addColumn<bool>("error");
        QTest::addColumn<QString>("calls"); // separated by spaces
        QTest::addColumn<int>("parts");     // as LoggedDevice's
        QTest::addColumn<float>("stepDb");
        const auto row = [](const char* name, const QByteArray& document, bool error,
                            const QString& calls, int parts = 7, float stepDb = 2.0f) {
            QTest::newRow(name) << document << error << calls << parts << stepDb;
        };
        // A file is valid or not whatever the device has: the sections a device lacks are read
        // and checked all the same.
        row("no HID, child in a switch", "<Tarvix><Hid><PhantomLeft>1<b/></PhantomLeft></Hid>",
            true, "", 3);
        row("no input, child in a value",
            "<Tarvix><Mixer><Input><VolumeLeft>6<b/></VolumeLeft></Input></Mixer></Tarvix>", true,
            "", 5);
        row("no output, child in a value",
            "<Tarvix><Mixer><Output><Muted>1<b/></Muted></Output><Input><Muted>1</Muted></Input>"
            "</Mixer></Tarvix>",
            true, "", 6);

        // The committed corpus of odd and hostile documents; the large ones are generated below.
        const auto corpus = [&row](const char* name, bool error, const QString& calls,
                                   float stepDb = 2.0f) {
            QFile file(QStringLiteral(TARVIX_HOSTILE_DIR "/") + name);
            if (!file.open(QIODevice::ReadOnly))
                qFatal("Cannot open %s", name);
            row(stepDb == 2.0f ? name : qPrintable(QString("%1 at step %2").arg(name).arg(stepDb)),
                file.readAll(), error, calls, 7, stepDb);
        };
        const auto first = [](int calls) { return all.mid(0, calls).join(' '); };
        corpus("example.xml", false, first(11));
        corpus("doctype-without-entities.xml", false, first(11));
        corpus("truncated-in-mixer.xml", true, first(3));
        corpus("truncated-in-output.xml", true, first(1));
        corpus("truncated-in-input.xml", true, first(5));
        corpus("truncated-in-hid.xml", true, first(9));
        corpus("truncated-in-value.xml", true, first(1));
        corpus("content-after-root.xml", true, first(11));
        // A bad byte in the first block read stops the document before its first value. However
        // harmless, an internal DTD subset is refused: it is where entity bombs live.
        for (const char* refused :
             {"binary-noise.bin", "invalid-utf8.xml", "billion-laughs.xml", "quadratic-blowup.xml",
              "attribute-defaults.xml", "recursive-entity.xml", "external-entity.xml",
              "parameter-entity.xml", "harmless-internal-subset.xml"})
            corpus(refused, true, "");
        // The external subset is not read, so its entity stays unresolved and expands to nothing.
        corpus("external-dtd.xml", false, "d.output.setVolumeLeft(0)");
        corpus("undeclared-entity.xml", true, "d.output.setVolumeLeft(-3)");
        // Of repeated elements the last readable one is applied, once, in the order a store
        // writes them; non-finite texts are not readable ("-inf" is an output's mute step).
        corpus("non-finite.xml", false,
               "d.output.setVolumeLeft(0) d.output.setVolumeRight(0) d.output.setMute(true) "
               "d.input.getVolumeRange d.input.setVolumeLeft(4)");
        corpus("duplicates.xml", false,
               "d.output.setVolumeLeft(-3) d.output.setMute(false) d.hid.setPhantomLeft(true)");
        corpus("child-in-value.xml", true, "d.output.setVolumeLeft(-4)");
        corpus("child-in-switch.xml", true, "d.hid.setPhantomLeft(true)");
        // Elements count by name at any depth inside their scope, under any root, and only there.
        corpus("scopes-at-any-depth.xml", false,
               "d.output.setVolumeRight(-2) d.hid.setLoopbackLeft(false)");
        corpus("misplaced-elements.xml", false, "d.output.setMute(true)");
        corpus("range-per-input.xml", false,
               "d.input.getVolumeRange d.input.setVolumeLeft(2.8) d.input.setVolumeRight(-2)");
        corpus("lenient-values.xml", false,
               "d.output.setVolumeLeft(-15) d.output.setVolumeRight(0) d.output.setMute(false)");
        corpus("comments-and-references.xml", false,
               "d.output.setVolumeLeft(-12) d.output.setVolumeRight(-7.5) d.output.setMute(true)");
        // Steps a library should never report, and gains that overflow once mapped: the level is
        // not sent, the rest of the Input is.
        const QString rangeAndMute = "d.input.getVolumeRange d.input.setMute(true)";
        corpus("overflowing-input.xml", false,
               "d.input.getVolumeRange d.input.setVolumeLeft(20) d.input.setMute(true)", 10.0f);
        corpus("overflowing-input.xml", false, rangeAndMute, qInf());
        corpus("overflowing-input.xml", false, rangeAndMute, qQNaN());

        // Levels without dB are stored in percent, exact enough for their raw steps, and loaded
        // only into such levels, and dB levels only into dB levels; "x%" reads as 0 %.
        LoggedDevice percent(11);
        percent.fake.output->left = float(5400.0 / 127);
        percent.fake.input->right = float(100.0 / 31);
        row("percent round trip", writtenDocument(percent.record()), false,
            "d.output.setVolumeLeft(42.5197) d.output.setVolumeRight(0) d.output.setMute(false) "
            "d.input.setVolumeLeft(0) d.input.setVolumeRight(3.22581) d.input.setMute(false)",
            11);
        const QByteArray units = "<Mixer><Output><VolumeLeft>50%</VolumeLeft><VolumeRight>-3"
                                 "</VolumeRight></Output><Input><VolumeLeft>12</VolumeLeft>"
                                 "<VolumeRight> x% </VolumeRight></Input></Mixer>";
        row("percent into dB", units, false,
            "d.output.setVolumeRight(-3) d.input.getVolumeRange d.input.setVolumeLeft(6)");
        row("dB into percent", units, false, "d.output.setVolumeLeft(50) d.input.setVolumeRight(0)",
            15);

        const auto nest = [](const QByteArray& tag, const QByteArray& inner) {
            return ("<" + tag + ">").repeated(100000) + inner + ("</" + tag + ">").repeated(100000);
        };
        const QByteArray value = "<Output><VolumeLeft>-3</VolumeLeft></Output>";
        const QString valueCall = "d.output.setVolumeLeft(-3)";
        row("deep around Mixer", nest("a", "<Mixer>" + value + "</Mixer>"), false, valueCall);
        row("deep inside Output",
            "<Mixer><Output>" + nest("a", "<VolumeLeft>-3</VolumeLeft>") + "</Output></Mixer>",
            false, valueCall);
        row("Mixer inside Mixer", nest("Mixer", value), false, valueCall);
        // Each element is applied once, the last readable one: however long the file, a load
        // makes no more library calls than the preset has fields.
        row("tens of thousands of repeats",
            "<Tarvix><Mixer><Output>" +
                QByteArray("<VolumeLeft>-1</VolumeLeft><Muted>true</Muted>").repeated(19000) +
                "<Muted>false</Muted></Output></Mixer></Tarvix>",
            false, "d.output.setVolumeLeft(-1) d.output.setMute(false)");
        row("never closed", "<Tarvix><Mixer>" + value + QByteArray("<a>").repeated(100000), true,
            valueCall);
    }

    void readsTheDocument()
    {
        QFETCH(QByteArray, document);
        QFETCH(int, parts);
        QFETCH(float, stepDb);
        LoggedDevice device(parts, stepDb);
        QTEST(readDocument(document, device.record()), "error");
        QTEST(device.log.deviceCalls().join(' '), "calls");
    }

    // Every level comes back as printf's %g spells it, in a German locale too, with every mix of
    // mutes and switches: the target then writes the same document. Exact ties at
    // the sixth digit round to even as printf does (Qt's 'g' rounds them up).
    void restoresWhatItWritesInAnyLocale()
    {
        // Minus infinity is an output on its mute step, written "-inf".
        QList<float> levels = {
            -72.03125f, 0.0f,  123456.5f, 999999.5f,
            9.9999e-5f, -0.0f, 1e38f,     -std::numeric_limits<float>::infinity()};
        QRandomGenerator generator(1206);
        while (levels.size() < 4000) {
            const float mantissa = float(generator.generateDouble()) - 0.5f;
            levels.append(std::ldexp(mantissa, generator.bounded(-120, 125)));
        }
        // The reference spelling is made in the C locale, before the locale under test is set.
        QStringList reference;
        for (const float level : levels) {
            char text[64];
            std::snprintf(text, sizeof text, "%g", double(level));
            reference.append(QLatin1String(text));
        }
        const auto spelled = [&](int i) {
            return PresetValues::formatNumber(levels[i]) == reference[i];
        };
        const QLocale previousDefault;
        const QByteArray previousNumeric = std::setlocale(LC_NUMERIC, nullptr);
        if (!std::setlocale(LC_NUMERIC, "de_DE.UTF-8"))
            QSKIP("The de_DE.UTF-8 locale is not installed (locales, locale-gen).");
        const bool decimalComma = std::localeconv()->decimal_point == QByteArray(",");
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        QList<int> faults;
        for (int i = 0; i + 1 < levels.size(); i += 2) {
            LoggedDevice source, target;
            FakeDevice& f = source.fake;
            bool* const states[] = {&f.output->muted,     &f.input->muted,
                                    &f.hid->phantomLeft,  &f.hid->phantomRight,
                                    &f.hid->loopbackLeft, &f.hid->loopbackRight};
            for (int bit = 0; bit < 6; ++bit)
                *states[bit] = i / 2 >> bit & 1;
            source.fake.output->left = levels[i];
            source.fake.output->right = levels[i + 1];
            const QByteArray document = writtenDocument(source.record());
            if (readDocument(document, target.record()) || !spelled(i) || !spelled(i + 1) ||
                writtenDocument(target.record()) != document)
                faults.append(i);
        }
        std::setlocale(LC_NUMERIC, previousNumeric.constData());
        QLocale::setDefault(previousDefault);
        QVERIFY2(decimalComma, "de_DE.UTF-8 does not write a decimal comma");
        QCOMPARE(faults, QList<int>());
    }

    // A file is replaced by a new one made beside it, its mode kept, unless a replacement would
    // change it (a second hard link, another owner) or no file can be made beside it (a folder
    // the user cannot write to): then it is rewritten in place. A cancelled store leaves the file
    // as it was; nothing is left beside it and no descriptor outlives a store. Root writes
    // anywhere, so it meets the locked folder as an unprivileged file-system user.
    void storesPresetFilesBesideOrInPlace()
    {
        const bool root = ::geteuid() == 0;
        for (const QString kind : {"own", "linked", "owner", "locked"}) {
            if (kind == "owner" && !root)
                continue; // only root can give a file away
            QTemporaryDir folder;
            const QString path = folder.filePath("a.tarvix");
            const QByteArray name = QFile::encodeName(path);
            QVERIFY(writeFile(path, "earlier, longer"));
            QCOMPARE(::chmod(name.constData(), kind == "locked" ? 0666 : 0640), 0);
            if (kind == "linked")
                QCOMPARE(::link(name.constData(), name + ".link"), 0);
            if (kind == "owner")
                QCOMPARE(::chown(name.constData(), nobody, nobody), 0);
            QCOMPARE(::chmod(QFile::encodeName(folder.path()), kind == "locked" ? 0555 : 0755), 0);
            const auto openBefore = QDir("/proc/self/fd").count();
            struct stat before = {}, after = {};
            ::stat(name.constData(), &before);
            const auto store = [&](const QByteArray& document) { // cancelled without a document
                PresetFileWriter writer(path);
                return writer.open() && (document.isNull() || writer.commit(document));
            };
            if (kind == "locked" && root)
                ::setfsuid(nobody);
            const bool cancelled = store(QByteArray());
            const QByteArray afterCancel = readFile(path);
            const bool stored = store("stored");
            // A store in place that fails half-way (here at a file size limit) leaves the file
            // at least as long as it was: the new content goes over the old, cut only after.
            const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
            rlimit previous{}, lowered{};
            getrlimit(RLIMIT_FSIZE, &previous);
            lowered = {4, previous.rlim_max};
            setrlimit(RLIMIT_FSIZE, &lowered);
            const bool failedLonger = !store("longer than before");
            setrlimit(RLIMIT_FSIZE, &previous);
            std::signal(SIGXFSZ, previousHandler);
            ::setfsuid(::geteuid());
            QCOMPARE(QDir("/proc/self/fd").count(), openBefore);
            ::chmod(QFile::encodeName(folder.path()), 0755);
            ::stat(name.constData(), &after);
            QVERIFY2(cancelled && stored, qPrintable(kind));
            QCOMPARE(afterCancel, "earlier, longer");
            QVERIFY(failedLonger);
            QCOMPARE(readFile(path), kind == "own" ? "stored" : "longed");
            QCOMPARE(after.st_ino == before.st_ino, kind != "own");
            QVERIFY(after.st_mode == before.st_mode && after.st_uid == before.st_uid);
            QCOMPARE(QDir(folder.path()).count(), kind == "linked" ? 4u : 3u);
        }
    }
};

QTEST_GUILESS_MAIN(TestPresets)
#include "tst_presets.moc"
