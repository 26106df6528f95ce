#include "levelscale.h"
#include "presettesting.h"
#include "presetvalues.h"

#include <QLocale>
#include <QRandomGenerator>
#include <QTest>

#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace {

// The example document with the lines [from, to) left out.
QByteArray exampleWithout(int from, int to)
{
    QList<QByteArray> lines = QByteArray(kExampleDocument).split('\n');
    lines.remove(from, to - from);
    return lines.join('\n');
}

// The mutes of output and input, then phantom power and loopback left and right, as bits 0-5.
void setFlags(FakeDevice& fake, int flags)
{
    fake.output->muted = flags & 1;
    fake.input->muted = flags & 2;
    fake.hid->phantomLeft = flags & 4;
    fake.hid->phantomRight = flags & 8;
    fake.hid->loopbackLeft = flags & 16;
    fake.hid->loopbackRight = flags & 32;
}

int flagsOf(const FakeDevice& fake)
{
    return fake.output->muted | fake.input->muted << 1 | fake.hid->phantomLeft << 2 |
           fake.hid->phantomRight << 3 | fake.hid->loopbackLeft << 4 | fake.hid->loopbackRight << 5;
}

} // namespace

// Writing the preset document from a device and applying one to it.
class TestPresets : public QObject
{
    Q_OBJECT

private slots:
    void writesWhatTheDeviceHas_data()
    {
        QTest::addColumn<int>("parts"); // bit 0 output, 1 input, 2 HID; -1 for no device
        QTest::addColumn<QByteArray>("expected");
        const QByteArray declaration = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
        QTest::newRow("example") << 7 << QByteArray(kExampleDocument);
        QTest::newRow("no device") << -1 << declaration + "<Tarvix/>\n";
        QTest::newRow("no HID") << 3 << exampleWithout(14, 20);
        QTest::newRow("no input") << 5 << exampleWithout(8, 13);
        QTest::newRow("no output") << 6 << exampleWithout(3, 8);
        QTest::newRow("nothing") << 0 << declaration + "<Tarvix>\n    <Mixer/>\n</Tarvix>\n";
    }

    void writesWhatTheDeviceHas()
    {
        QFETCH(int, parts);
        QFETCH(QByteArray, expected);
        LoggedDevice device(deviceConfig(parts & 1, parts & 2, parts & 4));
        setExampleState(device.fake);
        QCOMPARE(writtenDocument(parts < 0 ? nullptr : &device.fake.record), expected);
        QVERIFY(!device.calls().join(' ').contains(".set"));
    }

    void readsTheDocument_data()
    {
        QTest::addColumn<QByteArray>("document");
        QTest::addColumn<int>("parts"); // bit 0 output, 1 input, 2 HID; -1 for no device
        QTest::addColumn<bool>("error");
        QTest::addColumn<QStringList>("calls");
        const QStringList all = exampleCalls();
        const QByteArray example(kExampleDocument);
        const auto row = [](const char* name, const QByteArray& document, bool error,
                            const QStringList& calls, int parts = 7) {
            QTest::newRow(name) << document << parts << error << calls;
        };
        row("example", example, false, all);
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
        row("empty file", "", true, {});
        row("cut inside Hid, no device", example.left(example.indexOf("<PhantomRight>")), true, {},
            -1);
        row("text after the root", example + "junk", true, all);
        row("child element in a switch",
            inTarvix("<Hid><PhantomLeft>true</PhantomLeft><PhantomRight><on/></PhantomRight>"
                     "<LoopbackLeft>true</LoopbackLeft></Hid>"),
            true, {"d.hid.setPhantomLeft(true)"});
        row("mismatched tags", inTarvix("<Mixer><Output><Muted>true</Muted></Input></Mixer>"), true,
            {"d.output.setMute(true)"});
        // However harmless, an internal subset is refused: it is where entity bombs live.
        row("internal DTD subset", "<!DOCTYPE Tarvix [<!ELEMENT Tarvix ANY>]>\n" + example.mid(39),
            true, {});
    }

    void readsTheDocument()
    {
        QFETCH(QByteArray, document);
        QFETCH(int, parts);
        QFETCH(bool, error);
        QFETCH(QStringList, calls);
        LoggedDevice device(deviceConfig(parts & 1, parts & 2, parts & 4));
        QCOMPARE(readDocument(document, parts < 0 ? nullptr : &device.fake.record), error);
        QCOMPARE(device.calls(), calls);
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

    // Every written value comes back; the target starts from the opposite mutes and switches.
    void restoresOutputsMutesAndSwitches()
    {
        QFETCH(float, left);
        QFETCH(float, right);
        QFETCH(int, flags);
        LoggedDevice source;
        LoggedDevice target;
        setFlags(source.fake, flags);
        setFlags(target.fake, ~flags);
        source.fake.output->left = left;
        source.fake.output->right = right;
        QVERIFY(!readDocument(writtenDocument(&source.fake.record), &target.fake.record));
        QCOMPARE(flagsOf(target.fake), flags);
        // Six significant digits: within half a unit of the sixth digit.
        for (auto [restored, original] : {std::pair{target.fake.output->left, left},
                                          std::pair{target.fake.output->right, right}}) {
            const double tolerance = 5e-6 * std::fabs(static_cast<double>(original)) * 1.0000001;
            QVERIFY(std::fabs(static_cast<double>(restored) - original) <= tolerance);
        }
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
        LoggedDevice source(deviceConfig(false, true, false, stepDb));
        source.fake.input->left = source.fake.input->right = levelDb;
        const QByteArray document = writtenDocument(&source.fake.record);
        QVERIFY2(document.contains("<VolumeLeft>" + written.toUtf8() + "</VolumeLeft>"), document);
        LoggedDevice target(deviceConfig(false, true, false, stepDb));
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
        LoggedDevice device(deviceConfig(true, false, false));
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
