#include "levelscale.h"
#include "presettesting.h"

#include <QLocale>
#include <QTest>

#include <clocale>
#include <cmath>

namespace {

QByteArray inTarvix(const QByteArray& content)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Tarvix>" + content + "</Tarvix>\n";
}

// The example document cut just after `marker`.
QByteArray exampleCutAfter(const QByteArray& marker)
{
    const QByteArray example(kExampleDocument);
    const qsizetype at = example.indexOf(marker);
    Q_ASSERT(at >= 0);
    return example.left(at + marker.size());
}

} // namespace

class TestPresetReader : public QObject
{
    Q_OBJECT

private slots:
    void appliesTheExampleInDocumentOrder();
    void appliesNothingWithoutMixerOrHid_data();
    void appliesNothingWithoutMixerOrHid();
    void findsScopesWhereverTheyStand_data();
    void findsScopesWhereverTheyStand();
    void passesOverMisplacedElements_data();
    void passesOverMisplacedElements();
    void readsValuesLeniently_data();
    void readsValuesLeniently();
    void mapsInputGainsBackToLevels_data();
    void mapsInputGainsBackToLevels();
    void asksForTheInputRangeOncePerInput();
    void passesOverEndpointsTheDeviceLacks();
    void readsSwitchTextsWithoutHid();
    void appliesNothingWithoutDevice();
    void readsNumbersTheSameInAGermanLocale();
    void reportsReaderErrors_data();
    void reportsReaderErrors();
    void restoresOutputMutesAndSwitches_data();
    void restoresOutputMutesAndSwitches();
    void restoresInputPositions_data();
    void restoresInputPositions();
};

void TestPresetReader::appliesTheExampleInDocumentOrder()
{
    LoggedDevice device;
    QVERIFY(!readDocument(kExampleDocument, &device.fake.record));
    QCOMPARE(device.calls(), exampleCalls());

    // The same order for whatever a device writes.
    LoggedDevice source;
    source.fake.output->left = -3.5f;
    source.fake.output->right = -4.5f;
    source.fake.output->muted = true;
    source.fake.input->left = 0.0f;
    source.fake.input->right = 8.0f;
    source.fake.hid->loopbackRight = true;
    const QByteArray document = writtenDocument(&source.fake.record);
    LoggedDevice target;
    QVERIFY(!readDocument(document, &target.fake.record));
    QCOMPARE(target.calls(), QStringList({
                                 "d.output.setVolumeLeft(-3.5)",
                                 "d.output.setVolumeRight(-4.5)",
                                 "d.output.setMute(true)",
                                 "d.input.getVolumeRange",
                                 "d.input.setVolumeLeft(0)",
                                 "d.input.setVolumeRight(8)",
                                 "d.input.setMute(false)",
                                 "d.hid.setPhantomLeft(false)",
                                 "d.hid.setPhantomRight(false)",
                                 "d.hid.setLoopbackLeft(false)",
                                 "d.hid.setLoopbackRight(true)",
                             }));
}

void TestPresetReader::appliesNothingWithoutMixerOrHid_data()
{
    QTest::addColumn<QByteArray>("document");
    QTest::newRow("empty root") << QByteArray("<Tarvix/>");
    QTest::newRow("declaration and empty root")
        << QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Tarvix/>\n");
    QTest::newRow("unknown content") << inTarvix("<Output><VolumeLeft>-3</VolumeLeft></Output>"
                                                 "<Settings>1</Settings>");
    QTest::newRow("names are case-sensitive")
        << inTarvix("<mixer><Output><VolumeLeft>-3</VolumeLeft></Output></mixer>"
                    "<HID><PhantomLeft>true</PhantomLeft></HID>");
    QTest::newRow("empty scopes") << inTarvix("<Mixer/><Hid/><Mixer><Output/><Input/></Mixer>");
}

void TestPresetReader::appliesNothingWithoutMixerOrHid()
{
    QFETCH(QByteArray, document);
    LoggedDevice device;
    QVERIFY(!readDocument(document, &device.fake.record));
    QStringList calls = device.calls();
    calls.removeAll("d.input.getVolumeRange");
    QCOMPARE(calls, QStringList());
}

void TestPresetReader::findsScopesWhereverTheyStand_data()
{
    QTest::addColumn<QByteArray>("document");
    QTest::addColumn<QStringList>("calls");

    QTest::newRow("other root") << QByteArray("<Preset><Mixer><Output><VolumeLeft>-3</VolumeLeft>"
                                              "</Output></Mixer></Preset>")
                                << QStringList{"d.output.setVolumeLeft(-3)"};
    QTest::newRow("deep inside")
        << inTarvix("<a><b><c><Mixer><Output><VolumeLeft>-3</VolumeLeft></Output></Mixer>"
                    "<d><Hid><LoopbackLeft>true</LoopbackLeft></Hid></d></c></b></a>")
        << QStringList{"d.output.setVolumeLeft(-3)", "d.hid.setLoopbackLeft(true)"};
    QTest::newRow("several") << inTarvix("<Hid><PhantomRight>true</PhantomRight></Hid>"
                                         "<Mixer><Output><Muted>true</Muted></Output></Mixer>"
                                         "<Mixer><Output><Muted>false</Muted></Output></Mixer>"
                                         "<Hid><PhantomRight>false</PhantomRight></Hid>")
                             << QStringList{"d.hid.setPhantomRight(true)", "d.output.setMute(true)",
                                            "d.output.setMute(false)",
                                            "d.hid.setPhantomRight(false)"};
    QTest::newRow("endpoints and values at any depth")
        << inTarvix("<Mixer><Group><Output><Pair><VolumeRight>-2</VolumeRight></Pair></Output>"
                    "</Group><Input><x><Muted>true</Muted></x></Input></Mixer>")
        << QStringList{"d.output.setVolumeRight(-2)", "d.input.getVolumeRange",
                       "d.input.setMute(true)"};
    QTest::newRow("duplicates in order")
        << inTarvix("<Mixer><Output><VolumeLeft>-1</VolumeLeft><VolumeLeft>-2</VolumeLeft>"
                    "</Output><Output><VolumeLeft>-3</VolumeLeft></Output></Mixer>")
        << QStringList{"d.output.setVolumeLeft(-1)", "d.output.setVolumeLeft(-2)",
                       "d.output.setVolumeLeft(-3)"};
    QTest::newRow("comments, instructions and doctype")
        << QByteArray("<?xml version=\"1.0\"?><!DOCTYPE Tarvix PUBLIC \"-//T//x\" 'a[1]\"].dtd'>"
                      "<!-- c --><?app x?><Tarvix>"
                      "<Mixer><!-- c --><Output><?app y?><VolumeLeft>-1<!-- c -->2<?p?>"
                      "</VolumeLeft></Output></Mixer></Tarvix>")
        << QStringList{"d.output.setVolumeLeft(-12)"};
    QTest::newRow("text with character references")
        << inTarvix("<Mixer><Output><VolumeLeft>&#45;7&#x2e;5</VolumeLeft>"
                    "<Muted><![CDATA[true]]></Muted></Output></Mixer>")
        << QStringList{"d.output.setVolumeLeft(-7.5)", "d.output.setMute(true)"};
}

void TestPresetReader::findsScopesWhereverTheyStand()
{
    QFETCH(QByteArray, document);
    QFETCH(QStringList, calls);
    LoggedDevice device;
    QVERIFY(!readDocument(document, &device.fake.record));
    QCOMPARE(device.calls(), calls);
}

void TestPresetReader::passesOverMisplacedElements_data()
{
    QTest::addColumn<QByteArray>("document");
    QTest::addColumn<QStringList>("calls");

    QTest::newRow("Hid inside Mixer")
        << inTarvix("<Mixer><Hid><PhantomLeft>true</PhantomLeft></Hid></Mixer>") << QStringList();
    QTest::newRow("switch under the root")
        << inTarvix("<PhantomLeft>true</PhantomLeft><LoopbackRight>true</LoopbackRight>")
        << QStringList();
    QTest::newRow("value directly in Mixer")
        << inTarvix("<Mixer><VolumeLeft>-3</VolumeLeft><Muted>true</Muted></Mixer>")
        << QStringList();
    QTest::newRow("endpoint outside Mixer")
        << inTarvix("<Output><VolumeLeft>-3</VolumeLeft></Output>") << QStringList();
    QTest::newRow("endpoint inside Hid")
        << inTarvix("<Hid><Output><VolumeLeft>-3</VolumeLeft></Output></Hid>") << QStringList();
    QTest::newRow("switch inside Output")
        << inTarvix("<Mixer><Output><PhantomLeft>true</PhantomLeft><Input><Muted>true</Muted>"
                    "</Input></Output></Mixer>")
        << QStringList{"d.output.setMute(true)"};
}

void TestPresetReader::passesOverMisplacedElements()
{
    QFETCH(QByteArray, document);
    QFETCH(QStringList, calls);
    LoggedDevice device;
    QVERIFY(!readDocument(document, &device.fake.record));
    QCOMPARE(device.calls(), calls);
}

void TestPresetReader::readsValuesLeniently_data()
{
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<QString>("volumeCall");
    QTest::addColumn<QString>("muteCall");

    QTest::newRow("true") << QByteArray("true") << "setVolumeLeft(0)"
                          << "setMute(true)";
    QTest::newRow("capital True") << QByteArray("True") << "setVolumeLeft(0)"
                                  << "setMute(false)";
    QTest::newRow("padded true") << QByteArray(" true") << "setVolumeLeft(0)"
                                 << "setMute(false)";
    QTest::newRow("1") << QByteArray("1") << "setVolumeLeft(1)"
                       << "setMute(false)";
    QTest::newRow("empty") << QByteArray() << "setVolumeLeft(0)"
                           << "setMute(false)";
    QTest::newRow("padded number") << QByteArray("\n  -6.5  \n") << "setVolumeLeft(-6.5)"
                                   << "setMute(false)";
    QTest::newRow("decimal comma") << QByteArray("-6,5") << "setVolumeLeft(0)"
                                   << "setMute(false)";
    QTest::newRow("trailing junk") << QByteArray("-6dB") << "setVolumeLeft(0)"
                                   << "setMute(false)";
    QTest::newRow("exponent") << QByteArray("-1.5e1") << "setVolumeLeft(-15)"
                              << "setMute(false)";
    QTest::newRow("underflow") << QByteArray("1e-50") << "setVolumeLeft(0)"
                               << "setMute(false)";
    QTest::newRow("largest float") << QByteArray("3.4028e38") << "setVolumeLeft(3.4028e+38)"
                                   << "setMute(false)";
}

void TestPresetReader::readsValuesLeniently()
{
    QFETCH(QByteArray, value);
    QFETCH(QString, volumeCall);
    QFETCH(QString, muteCall);
    LoggedDevice device;
    QVERIFY(!readDocument(inTarvix("<Mixer><Output><VolumeLeft>" + value + "</VolumeLeft><Muted>" +
                                   value + "</Muted></Output></Mixer>"),
                          &device.fake.record));
    QCOMPARE(device.calls(), QStringList({"d.output." + volumeCall, "d.output." + muteCall}));
}

void TestPresetReader::mapsInputGainsBackToLevels_data()
{
    QTest::addColumn<float>("stepDb");
    QTest::addColumn<QByteArray>("gain");
    QTest::addColumn<QString>("level");

    QTest::newRow("0 sets 2.8") << 2.0f << QByteArray("0") << "2.8";
    QTest::newRow("-0 sets 2.8") << 2.0f << QByteArray("-0") << "2.8";
    QTest::newRow("-6 sets 0") << 2.0f << QByteArray("-6") << "0";
    QTest::newRow("6 sets 2 steps") << 2.0f << QByteArray("6") << "4";
    QTest::newRow("12 sets 3 steps") << 2.0f << QByteArray("12") << "6";
    QTest::newRow("3 sets 1.5 steps") << 2.0f << QByteArray("3") << "3";
    QTest::newRow("not a number sets 2.8") << 2.0f << QByteArray("loud") << "2.8";
    QTest::newRow("-12 sets -1 step") << 2.0f << QByteArray("-12") << "-2";
    QTest::newRow("0 sets 2.8 at any step") << 7.5f << QByteArray("0") << "2.8";
    QTest::newRow("12 at step 0.5") << 0.5f << QByteArray("12") << "1.5";
    QTest::newRow("42 at step 0.75") << 0.75f << QByteArray("42") << "6";
}

void TestPresetReader::mapsInputGainsBackToLevels()
{
    QFETCH(float, stepDb);
    QFETCH(QByteArray, gain);
    QFETCH(QString, level);
    FakeDeviceConfig config = deviceConfig();
    config.inputStep = stepDb;
    LoggedDevice device(config);
    QVERIFY(!readDocument(
        inTarvix("<Mixer><Input><VolumeRight>" + gain + "</VolumeRight></Input></Mixer>"),
        &device.fake.record));
    QCOMPARE(device.calls(),
             QStringList({"d.input.getVolumeRange", "d.input.setVolumeRight(" + level + ")"}));
    QCOMPARE(device.fake.input->right, LevelScale::inputLevelForGain(gain.toFloat(), stepDb));
}

void TestPresetReader::asksForTheInputRangeOncePerInput()
{
    LoggedDevice device;
    QVERIFY(!readDocument(inTarvix("<Mixer><Input><VolumeLeft>6</VolumeLeft><VolumeRight>6"
                                   "</VolumeRight><VolumeLeft>0</VolumeLeft><Muted>true</Muted>"
                                   "</Input><Input/></Mixer><Mixer><Input/></Mixer>"),
                          &device.fake.record));
    QCOMPARE(device.calls(), QStringList({"d.input.getVolumeRange", "d.input.setVolumeLeft(4)",
                                          "d.input.setVolumeRight(4)", "d.input.setVolumeLeft(2.8)",
                                          "d.input.setMute(true)", "d.input.getVolumeRange",
                                          "d.input.getVolumeRange"}));
}

void TestPresetReader::passesOverEndpointsTheDeviceLacks()
{
    // Without the endpoint its values are not even read as text: a child element inside one is
    // passed over like any other content.
    const QByteArray document = inTarvix("<Mixer><Input><VolumeLeft>6<b/></VolumeLeft></Input>"
                                         "<Output><VolumeLeft>-3</VolumeLeft></Output></Mixer>");
    LoggedDevice noInput(deviceConfig(true, false, true));
    QVERIFY(!readDocument(document, &noInput.fake.record));
    QCOMPARE(noInput.calls(), QStringList{"d.output.setVolumeLeft(-3)"});

    LoggedDevice noOutput(deviceConfig(false, true, true));
    QVERIFY(!readDocument(kExampleDocument, &noOutput.fake.record));
    QCOMPARE(noOutput.calls(), exampleCalls().mid(3));

    LoggedDevice noEndpoint(deviceConfig(false, false, true));
    QVERIFY(!readDocument(kExampleDocument, &noEndpoint.fake.record));
    QCOMPARE(noEndpoint.calls(), exampleCalls().mid(7));
}

void TestPresetReader::readsSwitchTextsWithoutHid()
{
    LoggedDevice noHid(deviceConfig(true, true, false));
    QVERIFY(!readDocument(kExampleDocument, &noHid.fake.record));
    QCOMPARE(noHid.calls(), exampleCalls().mid(0, 7));

    LoggedDevice broken(deviceConfig(true, true, false));
    QVERIFY(readDocument(inTarvix("<Hid><PhantomLeft>true<b/></PhantomLeft></Hid>"
                                  "<Mixer><Output><Muted>true</Muted></Output></Mixer>"),
                         &broken.fake.record));
    QCOMPARE(broken.calls(), QStringList());
}

void TestPresetReader::appliesNothingWithoutDevice()
{
    QVERIFY(!readDocument(kExampleDocument, nullptr));
    QVERIFY(readDocument(exampleCutAfter("<Hid>"), nullptr));
    QVERIFY(readDocument(inTarvix("<Hid><PhantomLeft><b/></PhantomLeft></Hid>"), nullptr));
    QVERIFY(readDocument(QByteArray(), nullptr));
}

void TestPresetReader::readsNumbersTheSameInAGermanLocale()
{
    const QLocale previousDefault;
    const QByteArray previousNumeric = std::setlocale(LC_NUMERIC, nullptr);
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    std::setlocale(LC_NUMERIC, "de_DE.UTF-8");
    LoggedDevice device;
    const bool failed = readDocument(inTarvix("<Mixer><Output><VolumeLeft>-20.5</VolumeLeft>"
                                              "<VolumeRight>-20,5</VolumeRight></Output></Mixer>"),
                                     &device.fake.record);
    std::setlocale(LC_NUMERIC, previousNumeric.constData());
    QLocale::setDefault(previousDefault);

    QVERIFY(!failed);
    QCOMPARE(device.fake.output->left, -20.5f);
    QCOMPARE(device.fake.output->right, 0.0f);
}

void TestPresetReader::reportsReaderErrors_data()
{
    QTest::addColumn<QByteArray>("document");
    QTest::addColumn<QStringList>("calls");

    const QStringList all = exampleCalls();
    QTest::newRow("empty file") << QByteArray() << QStringList();
    QTest::newRow("declaration only")
        << QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n") << QStringList();
    QTest::newRow("cut inside Mixer") << exampleCutAfter("</Output>") << all.mid(0, 3);
    QTest::newRow("cut inside Output") << exampleCutAfter("-20.5</VolumeLeft>") << all.mid(0, 1);
    QTest::newRow("cut inside Input") << exampleCutAfter("12</VolumeRight>") << all.mid(0, 6);
    QTest::newRow("cut inside Hid") << exampleCutAfter("</PhantomLeft>") << all.mid(0, 8);
    QTest::newRow("cut inside Input's start tag") << exampleCutAfter("<Inp") << all.mid(0, 3);
    // A value whose end tag never came is not applied: its text may be a cut-off number, and
    // an empty text would read as 0 dB.
    QTest::newRow("cut inside a number") << exampleCutAfter("<VolumeRight>-20.") << all.mid(0, 1);
    QTest::newRow("cut inside an end tag")
        << exampleCutAfter("<VolumeRight>-20.5</VolumeRi") << all.mid(0, 1);
    QTest::newRow("cut before the root's end") << exampleCutAfter("</Hid>") << all;
    QTest::newRow("content after the root") << QByteArray(kExampleDocument) + "<Tarvix/>" << all;
    QTest::newRow("text after the root") << QByteArray(kExampleDocument) + "junk" << all;
    QTest::newRow("child element in a value")
        << inTarvix("<Mixer><Output><VolumeLeft>-4</VolumeLeft><VolumeRight>-5<b/>"
                    "</VolumeRight><Muted>true</Muted></Output></Mixer>")
        << QStringList{"d.output.setVolumeLeft(-4)"};
    QTest::newRow("child element in a switch")
        << inTarvix("<Hid><PhantomLeft>true</PhantomLeft><PhantomRight><on/></PhantomRight>"
                    "<LoopbackLeft>true</LoopbackLeft></Hid>")
        << QStringList{"d.hid.setPhantomLeft(true)"};
    QTest::newRow("mismatched tags")
        << inTarvix("<Mixer><Output><Muted>true</Muted></Input></Mixer>")
        << QStringList{"d.output.setMute(true)"};
    QTest::newRow("undeclared entity")
        << inTarvix("<Mixer><Output><Muted>true</Muted><VolumeLeft>&level;</VolumeLeft>"
                    "</Output></Mixer>")
        << QStringList{"d.output.setMute(true)"};
    QTest::newRow("invalid UTF-8 far into the file")
        << exampleCutAfter("</Output>") + "<!--" + QByteArray(64 * 1024, 'x') + "-->\xff" +
               QByteArray(kExampleDocument).mid(exampleCutAfter("</Output>").size())
        << all.mid(0, 3);
    // An internal subset is refused, however harmless: it is where entity and attribute-default
    // bombs live.
    QTest::newRow("internal DTD subset")
        << "<!DOCTYPE Tarvix [<!ELEMENT Tarvix ANY>]>\n" +
               QByteArray(kExampleDocument).mid(exampleCutAfter("?>\n").size())
        << QStringList();
    QTest::newRow("two roots") << QByteArray("<Tarvix/><Tarvix><Mixer><Output><Muted>true</Muted>"
                                             "</Output></Mixer></Tarvix>")
                               << QStringList();
}

void TestPresetReader::reportsReaderErrors()
{
    QFETCH(QByteArray, document);
    QFETCH(QStringList, calls);
    LoggedDevice device;
    QVERIFY(readDocument(document, &device.fake.record));
    QCOMPARE(device.calls(), calls);
}

void TestPresetReader::restoresOutputMutesAndSwitches_data()
{
    QTest::addColumn<float>("left");
    QTest::addColumn<float>("right");
    QTest::addColumn<int>("switches");

    QTest::newRow("example") << -20.5f << -20.5f << 0b0011;
    QTest::newRow("apart, all set") << -72.03125f << 0.0f << 0b1111;
    QTest::newRow("seven digits") << -12.345678f << -0.1234567f << 0b0101;
    QTest::newRow("large and tiny") << 1234567.0f << 1.2345678e-7f << 0b1010;
    QTest::newRow("below the floor") << -96.0f << -100.7f << 0b0000;
    QTest::newRow("float limits") << -3.4028e38f << 1.17549435e-38f << 0b1001;
}

void TestPresetReader::restoresOutputMutesAndSwitches()
{
    QFETCH(float, left);
    QFETCH(float, right);
    QFETCH(int, switches);

    for (bool outputMuted : {false, true}) {
        LoggedDevice source;
        source.fake.output->left = left;
        source.fake.output->right = right;
        source.fake.output->muted = outputMuted;
        source.fake.input->muted = !outputMuted;
        source.fake.hid->phantomLeft = switches & 1;
        source.fake.hid->phantomRight = switches & 2;
        source.fake.hid->loopbackLeft = switches & 4;
        source.fake.hid->loopbackRight = switches & 8;
        const QByteArray document = writtenDocument(&source.fake.record);

        LoggedDevice target;
        target.fake.output->muted = !outputMuted;
        target.fake.input->muted = outputMuted;
        target.fake.hid->phantomLeft = !source.fake.hid->phantomLeft;
        target.fake.hid->phantomRight = !source.fake.hid->phantomRight;
        target.fake.hid->loopbackLeft = !source.fake.hid->loopbackLeft;
        target.fake.hid->loopbackRight = !source.fake.hid->loopbackRight;
        QVERIFY(!readDocument(document, &target.fake.record));

        // Six significant digits: within half a unit of the sixth digit.
        for (auto [restored, original] : {std::pair{target.fake.output->left, left},
                                          std::pair{target.fake.output->right, right}}) {
            const double tolerance = 5e-6 * std::fabs(static_cast<double>(original)) * 1.0000001;
            QVERIFY2(std::fabs(static_cast<double>(restored) - original) <= tolerance,
                     qPrintable(QString("%1 came back as %2").arg(original).arg(restored)));
        }
        QCOMPARE(target.fake.output->muted, outputMuted);
        QCOMPARE(target.fake.input->muted, !outputMuted);
        QCOMPARE(target.fake.hid->phantomLeft, source.fake.hid->phantomLeft);
        QCOMPARE(target.fake.hid->phantomRight, source.fake.hid->phantomRight);
        QCOMPARE(target.fake.hid->loopbackLeft, source.fake.hid->loopbackLeft);
        QCOMPARE(target.fake.hid->loopbackRight, source.fake.hid->loopbackRight);
    }
}

void TestPresetReader::restoresInputPositions_data()
{
    QTest::addColumn<float>("stepDb");
    QTest::addColumn<int>("position");
    QTest::addColumn<QString>("written");
    QTest::addColumn<float>("restored");

    for (float step : {0.1f, 0.5f, 0.75f, 1.0f, 1.5f, 2.0f, 2.5f, 3.0f, 6.0f}) {
        for (int position : {-3, -1, 0, 2, 3, 4, 7, 10, 20, 100}) {
            QTest::addRow("step %g, position %d", step, position)
                << step << position << QString::number((position - 1) * 6)
                << LevelScale::inputLevelForPosition(position, step);
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

    FakeDeviceConfig config = deviceConfig(false, true, false);
    config.inputStep = stepDb;
    LoggedDevice source(config);
    source.fake.input->left = LevelScale::inputLevelForPosition(position, stepDb);
    source.fake.input->right = LevelScale::inputLevelForPosition(position, stepDb);
    const QByteArray document = writtenDocument(&source.fake.record);
    QVERIFY2(document.contains("<VolumeLeft>" + written.toUtf8() + "</VolumeLeft>"), document);

    LoggedDevice target(config);
    target.fake.input->left = target.fake.input->right = -1000.0f;
    QVERIFY(!readDocument(document, &target.fake.record));
    QCOMPARE(target.fake.input->left, restored);
    QCOMPARE(target.fake.input->right, restored);
}

QTEST_GUILESS_MAIN(TestPresetReader)
#include "tst_presetreader.moc"
