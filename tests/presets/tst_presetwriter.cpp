#include "presettesting.h"
#include "presetvalues.h"

#include <QLocale>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTest>

#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

// Notes each write in the call log that the device's reads go to.
class LoggingBuffer : public QBuffer
{
public:
    explicit LoggingBuffer(CallLog* log) : log(log) {}

protected:
    qint64 writeData(const char* data, qint64 size) override
    {
        log->append("wrote");
        return QBuffer::writeData(data, size);
    }

private:
    CallLog* log;
};

// The example document with the lines [from, to) left out.
QByteArray exampleWithout(int from, int to)
{
    QList<QByteArray> lines = QByteArray(kExampleDocument).split('\n');
    lines.remove(from, to - from);
    return lines.join('\n');
}

QString printfG(double value)
{
    char text[64];
    std::snprintf(text, sizeof text, "%g", value);
    return QString::fromLatin1(text);
}

// Finite floats of every magnitude, levels in the usual range, and the ties and limits.
std::vector<double> numbersToFormat()
{
    std::vector<double> values = {-20.5,     0.0,  -0.0,      1e6,      999999.5,
                                  9.9999e-5, 1e-5, -72.03125, 123456.5, 1234567.0,
                                  0.1f,      1e38, -3.4e38f,  1.4e-45f, -12884901894.0};
    QRandomGenerator generator(1206);
    while (values.size() < 20000) {
        const quint32 bits = generator.generate();
        float value;
        std::memcpy(&value, &bits, sizeof value);
        if (std::isfinite(value))
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
    void writesWhatTheDeviceHas_data();
    void writesWhatTheDeviceHas();
    void writesInputLevelsAsTheGainsShown_data();
    void writesInputLevelsAsTheGainsShown();
    void spellsNumbersAsPrintfGInAnyLocale();
};

void TestPresetWriter::writesWhatTheDeviceHas_data()
{
    QTest::addColumn<int>("parts"); // bit 0 output, 1 input, 2 HID; -1 for no device
    QTest::addColumn<QByteArray>("expected");
    QTest::addColumn<QStringList>("reads");

    const QStringList output = {"d.output.getVolumeLeft", "d.output.getVolumeRight",
                                "d.output.getMute"};
    const QStringList input = {"d.input.getVolumeRange", "d.input.getVolumeLeft",
                               "d.input.getVolumeRight", "d.input.getMute"};
    const QStringList hid = {"d.hid.getPhantomLeft", "d.hid.getPhantomRight",
                             "d.hid.getLoopbackLeft", "d.hid.getLoopbackRight"};
    QTest::newRow("example") << 7 << QByteArray(kExampleDocument) << output + input + hid;
    QTest::newRow("no device") << -1
                               << QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                                             "<Tarvix/>\n")
                               << QStringList();
    QTest::newRow("no HID") << 3 << exampleWithout(14, 20) << output + input;
    QTest::newRow("no input") << 5 << exampleWithout(8, 13) << output + hid;
    QTest::newRow("no output") << 6 << exampleWithout(3, 8) << input + hid;
    QTest::newRow("nothing") << 0
                             << QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                                           "<Tarvix>\n    <Mixer/>\n</Tarvix>\n")
                             << QStringList();
}

void TestPresetWriter::writesWhatTheDeviceHas()
{
    QFETCH(int, parts);
    QFETCH(QByteArray, expected);
    QFETCH(QStringList, reads);

    LoggedDevice device(deviceConfig(parts & 1, parts & 2, parts & 4));
    setExampleState(device.fake);
    LoggingBuffer buffer(&device.log);
    buffer.open(QIODevice::WriteOnly);
    writePreset(&buffer, parts < 0 ? nullptr : &device.fake.record);
    QCOMPARE(buffer.data(), expected);
    QCOMPARE(device.calls().filter(QRegularExpression("^d\\.")), reads);
    // Each value is read as its element is written, so no two reads follow each other.
    QVERIFY(!device.calls().join(' ').contains(QRegularExpression("d\\.\\S+ d\\.")));
}

// Levels off the slider positions; positions themselves are covered by the round trips.
void TestPresetWriter::writesInputLevelsAsTheGainsShown_data()
{
    QTest::addColumn<float>("stepDb");
    QTest::addColumn<float>("levelDb");
    QTest::addColumn<QByteArray>("written");

    QTest::newRow("between positions floors") << 2.0f << 5.9f << QByteArray("6");
    QTest::newRow("saturated position") << 2.0f << 1e30f << QByteArray("1.28849e+10");
    QTest::newRow("nan level") << 2.0f << std::nanf("") << QByteArray("-6");
    QTest::newRow("zero step") << 0.0f << 4.0f << QByteArray("-6");
}

void TestPresetWriter::writesInputLevelsAsTheGainsShown()
{
    QFETCH(float, stepDb);
    QFETCH(float, levelDb);
    QFETCH(QByteArray, written);

    LoggedDevice device(deviceConfig(false, true, false, stepDb));
    device.fake.input->left = device.fake.input->right = levelDb;
    const QByteArray document = writtenDocument(&device.fake.record);
    QVERIFY2(document.contains("<VolumeLeft>" + written +
                               "</VolumeLeft>\n            "
                               "<VolumeRight>" +
                               written + "</VolumeRight>"),
             document);
}

// Exact ties at the sixth digit round to even as printf does; Qt's 'g' rounds them up.
void TestPresetWriter::spellsNumbersAsPrintfGInAnyLocale()
{
    const std::vector<double> values = numbersToFormat();
    QStringList expected;
    for (double value : values)
        expected.append(printfG(value));
    QCOMPARE(expected.mid(7, 2), QStringList({"-72.0312", "123456"}));

    QStringList formatted;
    LoggedDevice device(deviceConfig(true, false, false));
    device.fake.output->left = -72.03125f;
    device.fake.output->right = -1234567.0f;

    const QLocale previousDefault;
    const QByteArray previousNumeric = std::setlocale(LC_NUMERIC, nullptr);
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    if (!std::setlocale(LC_NUMERIC, "de_DE.UTF-8"))
        qInfo("No German C locale on this machine; only Qt's default locale is German");
    for (double value : values)
        formatted.append(PresetValues::formatNumber(value));
    const QByteArray document = writtenDocument(&device.fake.record);
    device.log.clear();
    const bool readError =
        readDocument(QByteArray(document).replace("-1.23457e+06", "-20,5"), &device.fake.record);
    std::setlocale(LC_NUMERIC, previousNumeric.constData());
    QLocale::setDefault(previousDefault);

    QCOMPARE(formatted, expected);
    QVERIFY2(document.contains("<VolumeLeft>-72.0312</VolumeLeft>\n            "
                               "<VolumeRight>-1.23457e+06</VolumeRight>"),
             document);
    // Read back in German, "." is still the decimal point and "-20,5" is not a number.
    QVERIFY(!readError);
    QCOMPARE(device.calls(),
             QStringList({"d.output.setVolumeLeft(-72.0312)", "d.output.setVolumeRight(0)",
                          "d.output.setMute(false)"}));
}

QTEST_GUILESS_MAIN(TestPresetWriter)
#include "tst_presetwriter.moc"
