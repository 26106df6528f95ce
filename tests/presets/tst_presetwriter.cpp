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
#include <limits>
#include <vector>

namespace {

// The last line the writer has put into the buffer so far, without its indentation.
QString lastLine(const QBuffer* buffer)
{
    const QList<QByteArray> lines = buffer->data().split('\n');
    return QString::fromUtf8(lines.isEmpty() ? QByteArray() : lines.last().trimmed());
}

// Records, with every read of the device, how far the document had been written.
class ProbeEndpoint : public FakeEndpoint
{
public:
    ProbeEndpoint(const QString& name, CallLog* log, const QBuffer* buffer)
        : FakeEndpoint(name, log, -96.0f, 0.0f, 2.0f), buffer(buffer)
    {
    }
    float getVolumeLeft() override { return mark("getVolumeLeft", FakeEndpoint::getVolumeLeft()); }
    float getVolumeRight() override
    {
        return mark("getVolumeRight", FakeEndpoint::getVolumeRight());
    }
    bool getMute() override { return mark("getMute", FakeEndpoint::getMute()); }
    void getVolumeRange(float* minDb, float* maxDb, float* step) override
    {
        FakeEndpoint::getVolumeRange(minDb, maxDb, step);
        mark("getVolumeRange", 0);
    }

private:
    template <typename T> T mark(const char* call, T value)
    {
        log->append(name + '.' + call + " after " + lastLine(buffer));
        return value;
    }
    const QBuffer* buffer;
};

class ProbeHid : public FakeHid
{
public:
    ProbeHid(const QString& name, CallLog* log, const QBuffer* buffer)
        : FakeHid(name, log), buffer(buffer)
    {
    }
    bool getPhantomLeft() override { return mark("getPhantomLeft", FakeHid::getPhantomLeft()); }
    bool getPhantomRight() override { return mark("getPhantomRight", FakeHid::getPhantomRight()); }
    bool getLoopbackLeft() override { return mark("getLoopbackLeft", FakeHid::getLoopbackLeft()); }
    bool getLoopbackRight() override
    {
        return mark("getLoopbackRight", FakeHid::getLoopbackRight());
    }

private:
    bool mark(const char* call, bool value)
    {
        log->append(name + '.' + call + " after " + lastLine(buffer));
        return value;
    }
    const QBuffer* buffer;
};

QString printfG(double value)
{
    char text[64];
    std::snprintf(text, sizeof text, "%g", value);
    return QString::fromLatin1(text);
}

// Finite floats of every magnitude and the doubles that input gains produce.
std::vector<double> numbersToFormat()
{
    std::vector<double> values = {-20.5,         0.0,
                                  12.0,          -6.0,
                                  1e6,           999999.0,
                                  999999.5,      1e-4,
                                  -72.03125,     -0.0,
                                  1.0e-4 * 0.5,  9.9999e-5,
                                  1e-5,          -72.0,
                                  0.1f,          -20.3f,
                                  2.8f,          123456.5,
                                  1234567.0,     1e38,
                                  -3.4e38f,      1.17549435e-38f,
                                  1.4e-45f,      12884901876.0,
                                  -12884901894.0};
    QRandomGenerator generator(1206);
    while (values.size() < 20000) {
        const quint32 bits = generator.generate();
        float value;
        std::memcpy(&value, &bits, sizeof value);
        if (std::isfinite(value) && value != 0.0f)
            values.push_back(value);
    }
    for (int i = 0; i < 2000; ++i)
        values.push_back(static_cast<float>(generator.bounded(120.0) - 96.0));
    return values;
}

} // namespace

class TestPresetWriter : public QObject
{
    Q_OBJECT

private slots:
    void writesTheExampleByteForByte();
    void writesOnlyTheRootWithoutDevice();
    void leavesOutWhatTheDeviceLacks_data();
    void leavesOutWhatTheDeviceLacks();
    void readsEachValueAsItIsWritten();
    void writesInputLevelsAsTheGainsShown_data();
    void writesInputLevelsAsTheGainsShown();
    void writesSetSwitchesAndMutesAsTrue();
    void formatsNumbersAsPrintfG();
    void formatsNumbersTheSameInAGermanLocale();
};

void TestPresetWriter::writesTheExampleByteForByte()
{
    LoggedDevice device;
    setExampleState(device.fake);
    const QByteArray written = writtenDocument(&device.fake.record);
    QCOMPARE(written, QByteArray(kExampleDocument));
    QCOMPARE(written.count('\n'), 21);
}

void TestPresetWriter::writesOnlyTheRootWithoutDevice()
{
    QCOMPARE(writtenDocument(nullptr),
             QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Tarvix/>\n"));
}

void TestPresetWriter::leavesOutWhatTheDeviceLacks_data()
{
    QTest::addColumn<bool>("hasOutput");
    QTest::addColumn<bool>("hasInput");
    QTest::addColumn<bool>("hasHid");
    QTest::addColumn<QByteArray>("expected");
    QTest::addColumn<QStringList>("reads");

    const QByteArray head = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Tarvix>\n";
    const QByteArray output = "        <Output>\n"
                              "            <VolumeLeft>-20.5</VolumeLeft>\n"
                              "            <VolumeRight>-20.5</VolumeRight>\n"
                              "            <Muted>false</Muted>\n"
                              "        </Output>\n";
    const QByteArray input = "        <Input>\n"
                             "            <VolumeLeft>12</VolumeLeft>\n"
                             "            <VolumeRight>12</VolumeRight>\n"
                             "            <Muted>false</Muted>\n"
                             "        </Input>\n";
    const QByteArray hid = "    <Hid>\n"
                           "        <PhantomLeft>true</PhantomLeft>\n"
                           "        <PhantomRight>true</PhantomRight>\n"
                           "        <LoopbackLeft>false</LoopbackLeft>\n"
                           "        <LoopbackRight>false</LoopbackRight>\n"
                           "    </Hid>\n";
    const QStringList outputReads = {"d.output.getVolumeLeft", "d.output.getVolumeRight",
                                     "d.output.getMute"};
    const QStringList inputReads = {"d.input.getVolumeRange", "d.input.getVolumeLeft",
                                    "d.input.getVolumeRight", "d.input.getMute"};
    const QStringList hidReads = {"d.hid.getPhantomLeft", "d.hid.getPhantomRight",
                                  "d.hid.getLoopbackLeft", "d.hid.getLoopbackRight"};

    QTest::newRow("everything") << true << true << true
                                << head + "    <Mixer>\n" + output + input + "    </Mixer>\n" +
                                       hid + "</Tarvix>\n"
                                << outputReads + inputReads + hidReads;
    QTest::newRow("no hid") << true << true << false
                            << head + "    <Mixer>\n" + output + input + "    </Mixer>\n" +
                                   "</Tarvix>\n"
                            << outputReads + inputReads;
    QTest::newRow("no input") << true << false << true
                              << head + "    <Mixer>\n" + output + "    </Mixer>\n" + hid +
                                     "</Tarvix>\n"
                              << outputReads + hidReads;
    QTest::newRow("no output") << false << true << true
                               << head + "    <Mixer>\n" + input + "    </Mixer>\n" + hid +
                                      "</Tarvix>\n"
                               << inputReads + hidReads;
    QTest::newRow("no endpoint") << false << false << true
                                 << head + "    <Mixer/>\n" + hid + "</Tarvix>\n"
                                 << hidReads;
    QTest::newRow("nothing") << false << false << false << head + "    <Mixer/>\n</Tarvix>\n"
                             << QStringList();
}

void TestPresetWriter::leavesOutWhatTheDeviceLacks()
{
    QFETCH(bool, hasOutput);
    QFETCH(bool, hasInput);
    QFETCH(bool, hasHid);
    QFETCH(QByteArray, expected);
    QFETCH(QStringList, reads);

    LoggedDevice device(deviceConfig(hasOutput, hasInput, hasHid));
    if (hasOutput)
        device.fake.output->left = device.fake.output->right = -20.5f;
    if (hasInput)
        device.fake.input->left = device.fake.input->right = 6.0f;
    if (hasHid)
        device.fake.hid->phantomLeft = device.fake.hid->phantomRight = true;

    QCOMPARE(writtenDocument(&device.fake.record), expected);
    QCOMPARE(device.calls(), reads);
}

void TestPresetWriter::readsEachValueAsItIsWritten()
{
    CallLog log;
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    ProbeEndpoint output("output", &log, &buffer);
    ProbeEndpoint input("input", &log, &buffer);
    ProbeHid hid("hid", &log, &buffer);
    output.left = -1.0f;
    output.right = -2.0f;
    TarvixDevice record;
    record.output = &output;
    record.input = &input;
    record.hid = &hid;

    writePreset(&buffer, &record);

    // A start tag stays open until its content follows, hence "<Output" without '>'.
    const QStringList expected = {
        "output.getVolumeLeft after <Output",
        "output.getVolumeRight after <VolumeLeft>-1</VolumeLeft>",
        "output.getMute after <VolumeRight>-2</VolumeRight>",
        "input.getVolumeRange after </Output>",
        "input.getVolumeLeft after <Input",
        "input.getVolumeRight after <VolumeLeft>-6</VolumeLeft>",
        "input.getMute after <VolumeRight>-6</VolumeRight>",
        "hid.getPhantomLeft after <Hid",
        "hid.getPhantomRight after <PhantomLeft>false</PhantomLeft>",
        "hid.getLoopbackLeft after <PhantomRight>false</PhantomRight>",
        "hid.getLoopbackRight after <LoopbackLeft>false</LoopbackLeft>",
    };
    QStringList marks;
    for (const QString& call : log.calls()) {
        if (call.contains(" after "))
            marks.append(call);
    }
    QCOMPARE(marks, expected);
}

void TestPresetWriter::writesInputLevelsAsTheGainsShown_data()
{
    QTest::addColumn<float>("stepDb");
    QTest::addColumn<float>("levelDb");
    QTest::addColumn<QString>("written");

    const float inf = std::numeric_limits<float>::infinity();
    QTest::newRow("off") << 2.0f << 0.0f << "-6";
    QTest::newRow("below one step") << 2.0f << 1.9f << "-6";
    QTest::newRow("2.8 at step 2") << 2.0f << 2.8f << "0";
    QTest::newRow("2.8 at step 2.8") << 2.8f << 2.8f << "0";
    QTest::newRow("2.8 at step 1.4") << 1.4f << 2.8f << "6";
    QTest::newRow("2.8 at step 3") << 3.0f << 2.8f << "-6";
    QTest::newRow("position 2") << 2.0f << 4.0f << "6";
    QTest::newRow("between positions floors") << 2.0f << 5.9f << "6";
    QTest::newRow("position 8 at step 0.5") << 0.5f << 4.0f << "42";
    QTest::newRow("negative level") << 2.0f << -2.0f << "-12";
    QTest::newRow("below -1 step floors down") << 2.0f << -2.5f << "-18";
    QTest::newRow("saturated position") << 2.0f << 1e30f << "1.28849e+10";
    QTest::newRow("zero step") << 0.0f << 4.0f << "-6";
    QTest::newRow("nan step") << std::nanf("") << 4.0f << "-6";
    QTest::newRow("nan level") << 2.0f << std::nanf("") << "-6";
    QTest::newRow("infinite level") << 2.0f << inf << "1.28849e+10";
}

void TestPresetWriter::writesInputLevelsAsTheGainsShown()
{
    QFETCH(float, stepDb);
    QFETCH(float, levelDb);
    QFETCH(QString, written);

    FakeDeviceConfig config = deviceConfig(false, true, false);
    config.inputStep = stepDb;
    LoggedDevice device(config);
    device.fake.input->left = levelDb;
    device.fake.input->right = 2 * stepDb;

    const QString document = QString::fromUtf8(writtenDocument(&device.fake.record));
    QVERIFY2(document.contains("<VolumeLeft>" + written + "</VolumeLeft>"), qPrintable(document));
    if (LevelScale::isUsableStep(stepDb))
        QVERIFY2(document.contains("<VolumeRight>6</VolumeRight>"), qPrintable(document));
}

void TestPresetWriter::writesSetSwitchesAndMutesAsTrue()
{
    LoggedDevice device;
    device.fake.output->muted = true;
    device.fake.hid->loopbackLeft = true;
    device.fake.hid->loopbackRight = true;
    const QList<QByteArray> lines = writtenDocument(&device.fake.record).split('\n');
    QCOMPARE(lines.value(6).trimmed(), QByteArray("<Muted>true</Muted>"));
    QCOMPARE(lines.value(11).trimmed(), QByteArray("<Muted>false</Muted>"));
    QCOMPARE(lines.value(15).trimmed(), QByteArray("<PhantomLeft>false</PhantomLeft>"));
    QCOMPARE(lines.value(17).trimmed(), QByteArray("<LoopbackLeft>true</LoopbackLeft>"));
    QCOMPARE(lines.value(18).trimmed(), QByteArray("<LoopbackRight>true</LoopbackRight>"));
}

void TestPresetWriter::formatsNumbersAsPrintfG()
{
    for (double value : numbersToFormat())
        QCOMPARE(PresetValues::formatNumber(value), printfG(value));
    // Exact ties at the sixth digit round to even, as printf does (Qt's 'g' rounds them up).
    QCOMPARE(PresetValues::formatNumber(-72.03125), QString("-72.0312"));
    QCOMPARE(PresetValues::formatNumber(123456.5), QString("123456"));
    QCOMPARE(PresetValues::formatNumber(-0.0), QString("-0"));
    QCOMPARE(PresetValues::formatNumber(std::numeric_limits<double>::infinity()), QString("inf"));

    LoggedDevice device(deviceConfig(true, false, false));
    device.fake.output->left = 1e-5f;
    device.fake.output->right = -1234567.0f;
    const QByteArray document = writtenDocument(&device.fake.record);
    QVERIFY(document.contains("<VolumeLeft>1e-05</VolumeLeft>"));
    QVERIFY(document.contains("<VolumeRight>-1.23457e+06</VolumeRight>"));
}

void TestPresetWriter::formatsNumbersTheSameInAGermanLocale()
{
    const std::vector<double> values = numbersToFormat();
    QStringList expected;
    for (double value : values)
        expected.append(printfG(value));

    const QLocale previousDefault;
    const QByteArray previousNumeric = std::setlocale(LC_NUMERIC, nullptr);
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    const bool germanC = std::setlocale(LC_NUMERIC, "de_DE.UTF-8") != nullptr ||
                         std::setlocale(LC_NUMERIC, "de_DE") != nullptr;
    if (!germanC)
        qInfo("No German C locale on this machine; only Qt's default locale is German");

    QStringList formatted;
    for (double value : values)
        formatted.append(PresetValues::formatNumber(value));
    LoggedDevice device;
    setExampleState(device.fake);
    const QByteArray document = writtenDocument(&device.fake.record);

    std::setlocale(LC_NUMERIC, previousNumeric.constData());
    QLocale::setDefault(previousDefault);

    QCOMPARE(formatted, expected);
    QCOMPARE(document, QByteArray(kExampleDocument));
}

QTEST_GUILESS_MAIN(TestPresetWriter)
#include "tst_presetwriter.moc"
