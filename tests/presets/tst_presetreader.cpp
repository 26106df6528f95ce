#include "levelscale.h"
#include "presettesting.h"

#include <QTest>

#include <cmath>

namespace {

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

class TestPresetReader : public QObject
{
    Q_OBJECT

private slots:
    void walksTheDocument_data();
    void walksTheDocument();
    void restoresOutputsMutesAndSwitches_data();
    void restoresOutputsMutesAndSwitches();
    void restoresInputPositions_data();
    void restoresInputPositions();
};

void TestPresetReader::walksTheDocument_data()
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
    row("no endpoint", example, false, all.mid(7), 4);
    // The text of a switch is read even without HID, so a malformed one is an error either way.
    row("no HID", example, false, all.mid(0, 7), 3);
    row("no HID, child in a switch",
        inTarvix("<Hid><PhantomLeft>true<b/></PhantomLeft></Hid>"
                 "<Mixer><Output><Muted>true</Muted></Output></Mixer>"),
        true, {}, 3);
    // Without an endpoint its content is passed over unread: a child element is no error.
    row("no input", inTarvix("<Mixer><Input><VolumeLeft>6<b/></VolumeLeft></Input></Mixer>"), false,
        {}, 5);

    row("empty root", "<Tarvix/>", false, {});
    row("unknown content and other case",
        inTarvix("<Output><Muted>true</Muted></Output><mixer><Output><Muted>true</Muted></Output>"
                 "</mixer><HID><PhantomLeft>true</PhantomLeft></HID>"),
        false, {});
    row("other root",
        "<Preset><Mixer><Output><VolumeLeft>-3</VolumeLeft></Output></Mixer></Preset>", false,
        {"d.output.setVolumeLeft(-3)"});
    row("deep inside",
        inTarvix("<a><b><Mixer><c><Output><d><VolumeRight>-2</VolumeRight></d></Output></c>"
                 "</Mixer><e><Hid><f><LoopbackLeft>true</LoopbackLeft></f></Hid></e></b></a>"),
        false, {"d.output.setVolumeRight(-2)", "d.hid.setLoopbackLeft(true)"});
    row("several scopes, duplicates override",
        inTarvix("<Hid><PhantomRight>true</PhantomRight></Hid><Mixer><Output><VolumeLeft>-1"
                 "</VolumeLeft><VolumeLeft>-2</VolumeLeft></Output></Mixer><Mixer><Output><Muted>"
                 "true</Muted></Output></Mixer><Hid><PhantomRight>false</PhantomRight></Hid>"),
        false,
        {"d.hid.setPhantomRight(true)", "d.output.setVolumeLeft(-1)", "d.output.setVolumeLeft(-2)",
         "d.output.setMute(true)", "d.hid.setPhantomRight(false)"});
    row("misplaced elements",
        inTarvix("<Mixer><Hid><PhantomLeft>true</PhantomLeft></Hid><Muted>true</Muted></Mixer>"
                 "<PhantomLeft>true</PhantomLeft><Hid><Output><Muted>true</Muted></Output></Hid>"
                 "<Mixer><Output><LoopbackLeft>true</LoopbackLeft><Input><Muted>true</Muted>"
                 "</Input></Output></Mixer>"),
        false, {"d.output.setMute(true)"});
    row("one range query per Input",
        inTarvix("<Mixer><Input><VolumeLeft>6</VolumeLeft><VolumeRight>-12</VolumeRight>"
                 "<VolumeLeft>loud</VolumeLeft></Input><Input/></Mixer>"),
        false,
        {"d.input.getVolumeRange", "d.input.setVolumeLeft(4)", "d.input.setVolumeRight(-2)",
         "d.input.setVolumeLeft(2.8)", "d.input.getVolumeRange"});
    row("lenient values",
        inTarvix(
            "<Mixer><Output><Muted>true</Muted><Muted>True</Muted><VolumeLeft>-6dB</VolumeLeft>"
            "<VolumeLeft>\n -1.5e1 </VolumeLeft><VolumeRight>-6,5</VolumeRight>"
            "<VolumeRight/><VolumeRight>1e-50</VolumeRight></Output></Mixer>"),
        false,
        {"d.output.setMute(true)", "d.output.setMute(false)", "d.output.setVolumeLeft(0)",
         "d.output.setVolumeLeft(-15)", "d.output.setVolumeRight(0)", "d.output.setVolumeRight(0)",
         "d.output.setVolumeRight(0)"});
    row("comments, instructions, doctype and references",
        "<?xml version=\"1.0\"?><!DOCTYPE Tarvix PUBLIC \"-//T//x\" 'a[1]\"].dtd'><!-- c -->"
        "<?app x?><Tarvix><Mixer><!-- c --><Output><?app y?><VolumeLeft>-1<!-- c -->2<?p?>"
        "</VolumeLeft><VolumeRight>&#45;7&#x2e;5</VolumeRight><Muted><![CDATA[true]]></Muted>"
        "</Output></Mixer></Tarvix>",
        false,
        {"d.output.setVolumeLeft(-12)", "d.output.setVolumeRight(-7.5)", "d.output.setMute(true)"});

    row("empty file", "", true, {});
    row("cut inside Hid, no device", example.left(example.indexOf("<PhantomRight>")), true, {}, -1);
    row("text after the root", example + "junk", true, all);
    row("child element in a switch",
        inTarvix("<Hid><PhantomLeft>true</PhantomLeft><PhantomRight><on/></PhantomRight>"
                 "<LoopbackLeft>true</LoopbackLeft></Hid>"),
        true, {"d.hid.setPhantomLeft(true)"});
    row("mismatched tags", inTarvix("<Mixer><Output><Muted>true</Muted></Input></Mixer>"), true,
        {"d.output.setMute(true)"});
    row("invalid UTF-8 far into the file",
        example.left(example.indexOf("<Input>")) + "<!--" + QByteArray(64 * 1024, 'x') + "-->\xff" +
            example.mid(example.indexOf("<Input>")),
        true, all.mid(0, 3));
    // However harmless, an internal subset is refused: it is where entity bombs live.
    row("internal DTD subset", "<!DOCTYPE Tarvix [<!ELEMENT Tarvix ANY>]>\n" + example.mid(39),
        true, {});
}

void TestPresetReader::walksTheDocument()
{
    QFETCH(QByteArray, document);
    QFETCH(int, parts);
    QFETCH(bool, error);
    QFETCH(QStringList, calls);

    LoggedDevice device(deviceConfig(parts & 1, parts & 2, parts & 4));
    QCOMPARE(readDocument(document, parts < 0 ? nullptr : &device.fake.record), error);
    QCOMPARE(device.calls(), calls);
}

void TestPresetReader::restoresOutputsMutesAndSwitches_data()
{
    QTest::addColumn<float>("left");
    QTest::addColumn<float>("right");
    QTest::addColumn<int>("flags");

    QTest::newRow("example") << -20.5f << -20.5f << 0b001100;
    QTest::newRow("apart, all set") << -72.03125f << 0.0f << 0b111111;
    QTest::newRow("seven digits") << -12.345678f << -0.1234567f << 0b010101;
    QTest::newRow("large and tiny") << 1234567.0f << 1.2345678e-7f << 0b101010;
    QTest::newRow("float limits") << -3.4028e38f << 1.17549435e-38f << 0b000000;
}

// Every written value comes back; the target starts from the opposite mutes and switches.
void TestPresetReader::restoresOutputsMutesAndSwitches()
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
    for (auto [restored, original] :
         {std::pair{target.fake.output->left, left}, std::pair{target.fake.output->right, right}}) {
        const double tolerance = 5e-6 * std::fabs(static_cast<double>(original)) * 1.0000001;
        QVERIFY2(std::fabs(static_cast<double>(restored) - original) <= tolerance,
                 qPrintable(QString("%1 came back as %2").arg(original).arg(restored)));
    }
}

void TestPresetReader::restoresInputPositions_data()
{
    QTest::addColumn<float>("stepDb");
    QTest::addColumn<int>("position");
    QTest::addColumn<QString>("written");
    QTest::addColumn<float>("restored");

    for (float step : {0.1f, 0.5f, 0.75f, 1.0f, 1.5f, 2.0f, 2.5f, 3.0f, 6.0f}) {
        for (int position : {-3, -1, 0, 2, 3, 7, 100}) {
            QTest::addRow("step %g, position %d", step, position)
                << step << position << QString::number((position - 1) * 6) << position * step;
        }
    }
    // Position 1 sends 2.8 dB whatever the step; only steps in (1.4, 2.8] store it as gain 0.
    QTest::newRow("2.8 at step 1") << 1.0f << 1 << "6" << 2.0f;
    QTest::newRow("2.8 at step 1.4") << 1.4f << 1 << "6" << 2.8f;
    QTest::newRow("2.8 at step 1.41") << 1.41f << 1 << "0" << 2.8f;
    QTest::newRow("2.8 at step 2") << 2.0f << 1 << "0" << 2.8f;
    QTest::newRow("2.8 at step 2.8") << 2.8f << 1 << "0" << 2.8f;
    QTest::newRow("2.8 at step 2.81") << 2.81f << 1 << "-6" << 0.0f;
    QTest::newRow("2.8 at step 6") << 6.0f << 1 << "-6" << 0.0f;
}

void TestPresetReader::restoresInputPositions()
{
    QFETCH(float, stepDb);
    QFETCH(int, position);
    QFETCH(QString, written);
    QFETCH(float, restored);

    LoggedDevice source(deviceConfig(false, true, false, stepDb));
    source.fake.input->left = source.fake.input->right =
        LevelScale::inputLevelForPosition(position, stepDb);
    const QByteArray document = writtenDocument(&source.fake.record);
    QVERIFY2(document.contains("<VolumeLeft>" + written.toUtf8() + "</VolumeLeft>"), document);

    LoggedDevice target(deviceConfig(false, true, false, stepDb));
    target.fake.input->left = target.fake.input->right = -1000.0f;
    QVERIFY(!readDocument(document, &target.fake.record));
    QCOMPARE(target.fake.input->left, restored);
    QCOMPARE(target.fake.input->right, restored);
}

QTEST_GUILESS_MAIN(TestPresetReader)
#include "tst_presetreader.moc"
