#include "calllog.h"
#include "fakedevice.h"
#include "presetexample.h"
#include "presetreader.h"
#include "presetvalues.h"
#include "presetwriter.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QLocale>
#include <QRandomGenerator>
#include <QTest>
#include <QUrl>

#include <array>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

namespace {

// What reading kExampleDocument does to a device "d" with the default input step of 2 dB.
const QStringList all = {
    "d.output.setVolumeLeft(-20.5)", "d.output.setVolumeRight(-20.5)",
    "d.output.setMute(false)",       "d.input.getVolumeRange",
    "d.input.setVolumeLeft(6)",      "d.input.setVolumeRight(6)",
    "d.input.setMute(false)",        "d.hid.setPhantomLeft(true)",
    "d.hid.setPhantomRight(true)",   "d.hid.setLoopbackLeft(false)",
    "d.hid.setLoopbackRight(false)",
};

// A fake device "d" with its own call log; parts: bit 0 output, 1 input, 2 HID.
struct LoggedDevice
{
    static FakeDeviceConfig config(int parts, float inputStep)
    {
        FakeDeviceConfig config;
        config.id = "d";
        config.hasOutput = parts & 1;
        config.hasInput = parts & 2;
        config.hasHid = parts & 4;
        config.inputStep = inputStep;
        return config;
    }
    explicit LoggedDevice(int parts = 7, float inputStep = 2.0f)
        : fake(config(parts, inputStep), &log)
    {
    }
    QStringList calls() const { return log.deviceCalls(); }

    CallLog log;
    FakeDevice fake;
};

QString hostilePath(const QString& name)
{
    return QStringLiteral(TARVIX_HOSTILE_DIR "/") + name;
}

QByteArray corpusFile(const QString& name)
{
    QFile file(hostilePath(name));
    if (!file.open(QIODevice::ReadOnly))
        qFatal("Cannot open %s", qPrintable(name));
    return file.readAll();
}

QByteArray inTarvix(const QByteArray& content)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Tarvix>" + content + "</Tarvix>\n";
}

// The example document with the lines [from, to) left out.
QByteArray exampleWithout(int from, int to)
{
    QList<QByteArray> lines = QByteArray(kExampleDocument).split('\n');
    lines.remove(from, to - from);
    return lines.join('\n');
}

QByteArray writtenDocument(TarvixDevice* device)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    writePreset(&buffer, device);
    return buffer.data();
}

// Result of readPreset on the document.
bool readDocument(const QByteArray& document, TarvixDevice* device)
{
    QBuffer buffer;
    buffer.setData(document);
    buffer.open(QIODevice::ReadOnly);
    return readPreset(&buffer, device);
}

// The mutes of output and input, then phantom power and loopback left and right.
std::array<bool*, 6> flagsOf(FakeDevice& fake)
{
    return {&fake.output->muted,     &fake.input->muted,      &fake.hid->phantomLeft,
            &fake.hid->phantomRight, &fake.hid->loopbackLeft, &fake.hid->loopbackRight};
}

} // namespace

// Writing the preset document from a device and applying one to it, hostile documents included.
class TestPresets : public QObject
{
    Q_OBJECT

private slots:
    // Relative system identifiers in the corpus point at the marker files beside it.
    void init() { QVERIFY(QDir::setCurrent(TARVIX_HOSTILE_DIR)); }

    void writesWhatTheDeviceHas_data()
    {
        QTest::addColumn<int>("parts"); // as LoggedDevice's; -1 for no device
        QTest::addColumn<QByteArray>("expected");
        const QByteArray declaration = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
        QTest::newRow("example") << 7 << QByteArray(kExampleDocument);
        QTest::newRow("no device") << -1 << declaration + "<Tarvix/>\n";
        QTest::newRow("no HID") << 3 << exampleWithout(14, 20);
        QTest::newRow("no input") << 5 << exampleWithout(8, 13);
        QTest::newRow("no output") << 6 << exampleWithout(3, 8);
        QTest::newRow("nothing") << 0 << declaration + "<Tarvix>\n    <Mixer/>\n</Tarvix>\n";
    }

    // The state the example describes: output at -20.5 dB, input at position 3, both unmuted,
    // phantom power on, loopback off.
    void writesWhatTheDeviceHas()
    {
        QFETCH(int, parts);
        QFETCH(QByteArray, expected);
        LoggedDevice device(parts);
        FakeDevice& fake = device.fake;
        if (fake.output)
            fake.output->left = fake.output->right = -20.5f;
        if (fake.input)
            fake.input->left = fake.input->right = 3 * fake.input->stepDb;
        if (fake.hid)
            fake.hid->phantomLeft = fake.hid->phantomRight = true;
        QCOMPARE(writtenDocument(parts < 0 ? nullptr : &fake.record), expected);
        QVERIFY(!device.calls().join(' ').contains(".set"));
    }

    void readsTheDocument_data()
    {
        QTest::addColumn<QByteArray>("document");
        QTest::addColumn<bool>("error");
        QTest::addColumn<QStringList>("calls");
        QTest::addColumn<int>("parts"); // as LoggedDevice's; -1 for no device
        QTest::addColumn<float>("stepDb");
        const QByteArray example(kExampleDocument);
        const auto row = [](const QByteArray& name, const QByteArray& document, bool error,
                            const QStringList& calls, int parts = 7, float stepDb = 2.0f) {
            QTest::newRow(name.constData()) << document << error << calls << parts << stepDb;
        };
        row("no device", example, false, {}, -1);
        row("no output", example, false, all.mid(3), 6);
        row("only HID", example, false, all.mid(7), 4);
        row("no HID", example, false, all.mid(0, 7), 3);
        // The text of a switch is read even without HID, so a malformed one is an error.
        row("no HID, child in a switch", inTarvix("<Hid><PhantomLeft>true<b/></PhantomLeft></Hid>"),
            true, {}, 3);
        // Without an endpoint its content is passed over unread: a child element is no error.
        row("no input", inTarvix("<Mixer><Input><VolumeLeft>6<b/></VolumeLeft></Input></Mixer>"),
            false, {}, 5);
        row("empty root", "<Tarvix/>", false, {});
        row("unknown content and other case",
            inTarvix("<Output><Muted>true</Muted></Output><mixer><Output><Muted>true</Muted>"
                     "</Output></mixer><HID><PhantomLeft>true</PhantomLeft></HID>"),
            false, {});
        row("other root",
            "<Preset><Mixer><Output><VolumeLeft>-3</VolumeLeft></Output></Mixer></Preset>", false,
            {"d.output.setVolumeLeft(-3)"});
        row("deep inside, several scopes",
            inTarvix("<a><Mixer><c><Output><d><VolumeRight>-2</VolumeRight></d></Output></c>"
                     "</Mixer><Hid><f><LoopbackLeft>true</LoopbackLeft></f></Hid></a><Hid>"
                     "<LoopbackLeft>false</LoopbackLeft></Hid>"),
            false,
            {"d.output.setVolumeRight(-2)", "d.hid.setLoopbackLeft(true)",
             "d.hid.setLoopbackLeft(false)"});
        row("misplaced elements",
            inTarvix("<Mixer><Hid><PhantomLeft>true</PhantomLeft></Hid><Muted>true</Muted></Mixer>"
                     "<PhantomLeft>true</PhantomLeft><Hid><Output><Muted>true</Muted></Output>"
                     "</Hid><Mixer><Output><LoopbackLeft>true</LoopbackLeft><Input><Muted>true"
                     "</Muted></Input></Output></Mixer>"),
            false, {"d.output.setMute(true)"});
        row("one range query per Input",
            inTarvix("<Mixer><Input><VolumeLeft>6</VolumeLeft><VolumeRight>-12</VolumeRight>"
                     "<VolumeLeft>loud</VolumeLeft></Input><Input/></Mixer>"),
            false,
            {"d.input.getVolumeRange", "d.input.setVolumeLeft(4)", "d.input.setVolumeRight(-2)",
             "d.input.setVolumeLeft(2.8)", "d.input.getVolumeRange"});
        row("lenient values",
            inTarvix("<Mixer><Output><Muted>True</Muted><VolumeLeft>-6dB</VolumeLeft><VolumeLeft>"
                     "\n -1.5e1 </VolumeLeft><VolumeRight>-6,5</VolumeRight><VolumeRight/>"
                     "</Output></Mixer>"),
            false,
            {"d.output.setMute(false)", "d.output.setVolumeLeft(0)", "d.output.setVolumeLeft(-15)",
             "d.output.setVolumeRight(0)", "d.output.setVolumeRight(0)"});
        row("comments, instructions, doctype and references",
            "<?xml version=\"1.0\"?><!DOCTYPE Tarvix PUBLIC \"-//T//x\" 'a[1]\"].dtd'><!-- c -->"
            "<?app x?><Tarvix><Mixer><!-- c --><Output><?app y?><VolumeLeft>-1<!-- c -->2<?p?>"
            "</VolumeLeft><VolumeRight>&#45;7&#x2e;5</VolumeRight><Muted><![CDATA[true]]></Muted>"
            "</Output></Mixer></Tarvix>",
            false,
            {"d.output.setVolumeLeft(-12)", "d.output.setVolumeRight(-7.5)",
             "d.output.setMute(true)"});
        row("child element in a switch",
            inTarvix("<Hid><PhantomLeft>true</PhantomLeft><PhantomRight><on/></PhantomRight>"
                     "<LoopbackLeft>true</LoopbackLeft></Hid>"),
            true, {"d.hid.setPhantomLeft(true)"});
        row("mismatched tags", inTarvix("<Mixer><Output><Muted>true</Muted></Input></Mixer>"), true,
            {"d.output.setMute(true)"});
        // However harmless, an internal subset is refused: it is where entity bombs live.
        row("internal DTD subset", "<!DOCTYPE Tarvix [<!ELEMENT Tarvix ANY>]>\n" + example.mid(39),
            true, {});

        // The committed corpus of hostile documents; the large ones are generated here.
        const auto corpus = [&row](const char* file, bool error, const QStringList& calls) {
            row(file, corpusFile(file), error, calls);
        };
        corpus("example.xml", false, all);
        corpus("doctype-without-entities.xml", false, all);
        corpus("truncated-in-mixer.xml", true, all.mid(0, 3));
        corpus("truncated-in-output.xml", true, all.mid(0, 1));
        corpus("truncated-in-input.xml", true, all.mid(0, 5));
        corpus("truncated-in-hid.xml", true, all.mid(0, 9));
        corpus("truncated-in-value.xml", true, all.mid(0, 1));
        corpus("content-after-root.xml", true, all);
        corpus("binary-noise.bin", true, {});
        // A bad byte in the first block read stops the document before its first value.
        corpus("invalid-utf8.xml", true, {});
        corpus("billion-laughs.xml", true, {});
        corpus("quadratic-blowup.xml", true, {});
        corpus("attribute-defaults.xml", true, {});
        corpus("recursive-entity.xml", true, {});
        corpus("external-entity.xml", true, {});
        corpus("parameter-entity.xml", true, {});
        // The external subset is not read, so its entity stays unresolved and expands to nothing.
        corpus("external-dtd.xml", false, {"d.output.setVolumeLeft(0)"});
        corpus("undeclared-entity.xml", true, {"d.output.setVolumeLeft(-3)"});
        corpus("non-finite.xml", false,
               {"d.output.setVolumeRight(-7)", "d.output.setVolumeLeft(0)",
                "d.output.setVolumeRight(0)", "d.output.setMute(true)", "d.input.getVolumeRange",
                "d.input.setVolumeLeft(4)"});
        corpus("duplicates.xml", false,
               {"d.output.setVolumeLeft(-1)", "d.output.setVolumeLeft(-2)",
                "d.output.setMute(true)", "d.output.setMute(false)", "d.output.setVolumeLeft(-3)",
                "d.hid.setPhantomLeft(true)", "d.hid.setPhantomLeft(false)",
                "d.hid.setPhantomLeft(true)"});
        corpus("child-in-value.xml", true, {"d.output.setVolumeLeft(-4)"});

        // Steps a library should never report, and gains that overflow once mapped: the level is
        // not sent, the rest of the Input is.
        const QByteArray input = "<Tarvix><Mixer><Input><VolumeLeft>6</VolumeLeft><VolumeRight>3e38"
                                 "</VolumeRight><Muted>true</Muted></Input></Mixer></Tarvix>";
        const QStringList rangeAndMute = {"d.input.getVolumeRange", "d.input.setMute(true)"};
        row("overflowing gain at step 10", input, false,
            {"d.input.getVolumeRange", "d.input.setVolumeLeft(20)", "d.input.setMute(true)"}, 7,
            10.0f);
        row("infinite step", input, false, rangeAndMute, 7, std::numeric_limits<float>::infinity());
        row("NaN step", input, false, rangeAndMute, 7, std::nanf(""));

        // Entities with absolute identifiers of the marker files are never resolved either.
        const QByteArray body =
            "<Tarvix><Mixer><Output><VolumeLeft>&level;</VolumeLeft></Output></Mixer></Tarvix>\n";
        const QString marker = hostilePath("marker.txt");
        const QString dtd = hostilePath("marker.dtd");
        for (const QString& id : {marker, QUrl::fromLocalFile(marker).toString()}) {
            row("entity " + id.toUtf8(),
                "<!DOCTYPE Tarvix [<!ENTITY level SYSTEM \"" + id.toUtf8() + "\">]>\n" + body, true,
                {});
        }
        for (const QString& id : {dtd, QUrl::fromLocalFile(dtd).toString()}) {
            row("DTD " + id.toUtf8(), "<!DOCTYPE Tarvix SYSTEM \"" + id.toUtf8() + "\">\n" + body,
                false, {"d.output.setVolumeLeft(0)"});
        }

        const auto nest = [](const QByteArray& tag, const QByteArray& inner) {
            return ("<" + tag + ">").repeated(100000) + inner + ("</" + tag + ">").repeated(100000);
        };
        const QByteArray value = "<Output><VolumeLeft>-3</VolumeLeft></Output>";
        const QStringList valueCall = {"d.output.setVolumeLeft(-3)"};
        row("deep around Mixer",
            "<Tarvix>" + nest("a", "<Mixer>" + value + "</Mixer>") + "</Tarvix>", false, valueCall);
        row("deep inside Output",
            "<Tarvix><Mixer><Output>" + nest("a", "<VolumeLeft>-3</VolumeLeft>") +
                "</Output></Mixer></Tarvix>",
            false, valueCall);
        row("Mixer inside Mixer", "<Tarvix>" + nest("Mixer", value) + "</Tarvix>", false,
            valueCall);
        row("Hid inside Hid",
            "<Tarvix>" + nest("Hid", "<PhantomLeft>true</PhantomLeft>") + "</Tarvix>", false,
            {"d.hid.setPhantomLeft(true)"});
        row("deep inside a value",
            "<Tarvix><Mixer>" + value + "<Output><VolumeLeft>" + nest("a", "") +
                "</VolumeLeft></Output></Mixer></Tarvix>",
            true, valueCall);
        row("never closed", "<Tarvix><Mixer>" + value + QByteArray("<a>").repeated(100000), true,
            valueCall);
    }

    void readsTheDocument()
    {
        QFETCH(QByteArray, document);
        QFETCH(bool, error);
        QFETCH(QStringList, calls);
        QFETCH(int, parts);
        QFETCH(float, stepDb);
        LoggedDevice device(parts, stepDb);
        QCOMPARE(readDocument(document, parts < 0 ? nullptr : &device.fake.record), error);
        QCOMPARE(device.calls(), calls);
    }

    // Each call is due once the tag completing its element has been read; only the final line
    // feed may be missing without an error.
    void truncationsAtEveryByte()
    {
        const QByteArray example(kExampleDocument);
        QList<qsizetype> dueAt;
        qsizetype from = 0;
        for (const char* tag : {"</VolumeLeft>", "</VolumeRight>", "</Muted>", "<Input>",
                                "</VolumeLeft>", "</VolumeRight>", "</Muted>", "</PhantomLeft>",
                                "</PhantomRight>", "</LoopbackLeft>", "</LoopbackRight>"}) {
            from = example.indexOf(tag, from) + qsizetype(std::strlen(tag));
            dueAt.append(from);
        }
        for (qsizetype size = 0; size < example.size(); ++size) {
            LoggedDevice device;
            QCOMPARE(readDocument(example.left(size), &device.fake.record),
                     size < example.size() - 1);
            QStringList expected;
            for (int i = 0; i < all.size(); ++i) {
                if (dueAt[i] <= size)
                    expected.append(all[i]);
            }
            QVERIFY2(
                device.calls() == expected,
                qPrintable(
                    QString("cut after %1 bytes: %2").arg(size).arg(device.calls().join(", "))));
        }
    }

    void restoresOutputsMutesAndSwitches_data()
    {
        QTest::addColumn<float>("left");
        QTest::addColumn<float>("right");
        QTest::addColumn<int>("flags");
        QTest::newRow("apart, all set") << -72.03125f << 0.0f << 0b111111;
        QTest::newRow("seven digits") << -12.345678f << -0.1234567f << 0b010101;
        QTest::newRow("large and tiny") << 1234567.0f << 1.2345678e-7f << 0b101010;
        QTest::newRow("float limits") << -3.4028e38f << 1.17549435e-38f << 0b000000;
    }

    // Every written value comes back to six digits: the target, started from the opposite mutes
    // and switches, then writes the same document.
    void restoresOutputsMutesAndSwitches()
    {
        QFETCH(float, left);
        QFETCH(float, right);
        QFETCH(int, flags);
        LoggedDevice source;
        LoggedDevice target;
        for (int i = 0; i < 6; ++i) {
            *flagsOf(source.fake)[i] = flags >> i & 1;
            *flagsOf(target.fake)[i] = !(flags >> i & 1);
        }
        source.fake.output->left = left;
        source.fake.output->right = right;
        const QByteArray document = writtenDocument(&source.fake.record);
        QVERIFY(!readDocument(document, &target.fake.record));
        QCOMPARE(writtenDocument(&target.fake.record), document);
    }

    void restoresInputPositions_data()
    {
        QTest::addColumn<float>("stepDb");
        QTest::addColumn<float>("levelDb");
        QTest::addColumn<QString>("written");
        QTest::addColumn<float>("restored");
        for (float step : {0.1f, 0.75f, 2.0f, 6.0f}) {
            for (int position : {-3, 0, 2, 7}) {
                QTest::addRow("step %g, position %d", step, position)
                    << step << position * step << QString::number((position - 1) * 6)
                    << position * step;
            }
        }
        // Position 1 sends 2.8 dB whatever the step; only steps in (1.4, 2.8] store it as 0.
        QTest::newRow("2.8 at step 1.4") << 1.4f << 2.8f << "6" << 2.8f;
        QTest::newRow("2.8 at step 1.41") << 1.41f << 2.8f << "0" << 2.8f;
        QTest::newRow("2.8 at step 2.8") << 2.8f << 2.8f << "0" << 2.8f;
        QTest::newRow("2.8 at step 2.81") << 2.81f << 2.8f << "-6" << 0.0f;
        // Levels off the positions are written as the gain of the position below.
        QTest::newRow("between positions") << 2.0f << 5.9f << "6" << 4.0f;
        QTest::newRow("saturated position") << 2.0f << 1e30f << "1.28849e+10" << 4.29497e+09f;
        QTest::newRow("zero step") << 0.0f << 4.0f << "-6" << 0.0f;
    }

    void restoresInputPositions()
    {
        QFETCH(float, stepDb);
        QFETCH(float, levelDb);
        QFETCH(QString, written);
        QFETCH(float, restored);
        LoggedDevice source(2, stepDb);
        source.fake.input->left = source.fake.input->right = levelDb;
        const QByteArray document = writtenDocument(&source.fake.record);
        QVERIFY2(document.contains("<VolumeLeft>" + written.toUtf8() + "</VolumeLeft>"), document);
        LoggedDevice target(2, stepDb);
        QVERIFY(!readDocument(document, &target.fake.record));
        QCOMPARE(target.fake.input->left, restored);
        QCOMPARE(target.fake.input->right, restored);
    }

    // Exact ties at the sixth digit round to even as printf does (Qt's 'g' rounds them up), and
    // "." stays the decimal point in a German locale, both ways.
    void spellsNumbersAsPrintfGInAnyLocale()
    {
        QList<double> values = {-72.03125, 123456.5, 999999.5, 9.9999e-5, -0.0, 1e38};
        QRandomGenerator generator(1206);
        while (values.size() < 20000) {
            const quint32 bits = generator.generate();
            float value;
            std::memcpy(&value, &bits, sizeof value);
            if (std::isfinite(value))
                values.append(value);
        }
        QStringList expected;
        for (double value : values) {
            char text[64];
            std::snprintf(text, sizeof text, "%g", value);
            expected.append(QString::fromLatin1(text));
        }
        QCOMPARE(expected.first(), "-72.0312");

        const QLocale previousDefault;
        const QByteArray previousNumeric = std::setlocale(LC_NUMERIC, nullptr);
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        std::setlocale(LC_NUMERIC, "de_DE.UTF-8");
        QStringList formatted;
        for (double value : values)
            formatted.append(PresetValues::formatNumber(value));
        LoggedDevice device(1);
        const bool readError =
            readDocument(inTarvix("<Mixer><Output><VolumeLeft>-72.5</VolumeLeft><VolumeRight>-20,5"
                                  "</VolumeRight></Output></Mixer>"),
                         &device.fake.record);
        std::setlocale(LC_NUMERIC, previousNumeric.constData());
        QLocale::setDefault(previousDefault);

        QCOMPARE(formatted, expected);
        QVERIFY(!readError);
        QCOMPARE(device.calls(),
                 QStringList({"d.output.setVolumeLeft(-72.5)", "d.output.setVolumeRight(0)"}));
    }
};

QTEST_GUILESS_MAIN(TestPresets)
#include "tst_presets.moc"
