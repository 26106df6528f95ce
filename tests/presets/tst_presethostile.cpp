#include "presettesting.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <cmath>
#include <limits>

namespace {

const char* const kMarker = "33.25";

QString hostilePath(const QString& name)
{
    return QStringLiteral(TARVIX_HOSTILE_DIR "/") + name;
}

// Reads the file as the load command would: a QFile opened for reading.
bool readFile(const QString& path, TarvixDevice* device)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("Cannot open %s", qPrintable(path));
    return readPreset(&file, device);
}

// Where in the example each of exampleCalls() becomes due: the end of the tag that completes
// the element it comes from.
QList<qsizetype> exampleCallOffsets()
{
    const QByteArray example(kExampleDocument);
    const QList<QByteArray> tags = {"</VolumeLeft>",   "</VolumeRight>",  "</Muted>",
                                    "<Input>",         "</VolumeLeft>",   "</VolumeRight>",
                                    "</Muted>",        "</PhantomLeft>",  "</PhantomRight>",
                                    "</LoopbackLeft>", "</LoopbackRight>"};
    QList<qsizetype> offsets;
    qsizetype from = 0;
    for (const QByteArray& tag : tags) {
        from = example.indexOf(tag, from) + tag.size();
        offsets.append(from);
    }
    return offsets;
}

class TemporaryFile
{
public:
    TemporaryFile(const QTemporaryDir& dir, const QString& name) : path(dir.filePath(name)) {}
    void write(const QByteArray& content)
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QCOMPARE(file.write(content), content.size());
    }
    QString url() const { return QUrl::fromLocalFile(path).toString(); }
    const QString path;
};

} // namespace

class TestPresetHostile : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void corpus_data();
    void corpus();
    void truncationsAtEveryByte();
    void nonFiniteLevelsAreNotSent_data();
    void nonFiniteLevelsAreNotSent();
    void localFilesAreNeverRead();
    void deepNesting_data();
    void deepNesting();
    void fiftyMegabytes();

private:
    QString previousDirectory;
};

void TestPresetHostile::init()
{
    // Relative system identifiers in the corpus point at marker files beside it.
    previousDirectory = QDir::currentPath();
    QVERIFY(QDir::setCurrent(TARVIX_HOSTILE_DIR));
}

void TestPresetHostile::cleanup()
{
    QDir::setCurrent(previousDirectory);
}

void TestPresetHostile::corpus_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<bool>("error");
    QTest::addColumn<QStringList>("calls");

    const QStringList all = exampleCalls();
    QTest::newRow("example") << "example.xml" << false << all;
    QTest::newRow("doctype without entities") << "doctype-without-entities.xml" << false << all;
    QTest::newRow("truncated in Mixer") << "truncated-in-mixer.xml" << true << all.mid(0, 3);
    QTest::newRow("truncated in Output") << "truncated-in-output.xml" << true << all.mid(0, 1);
    QTest::newRow("truncated in Input") << "truncated-in-input.xml" << true << all.mid(0, 5);
    QTest::newRow("truncated in Hid") << "truncated-in-hid.xml" << true << all.mid(0, 9);
    QTest::newRow("truncated in a value") << "truncated-in-value.xml" << true << all.mid(0, 1);
    QTest::newRow("content after the root") << "content-after-root.xml" << true << all;
    QTest::newRow("binary noise") << "binary-noise.bin" << true << QStringList();
    // The reader decodes what it has read before it tokenizes it, so a bad byte in the first
    // block stops the document before its first value.
    QTest::newRow("invalid UTF-8") << "invalid-utf8.xml" << true << QStringList();
    QTest::newRow("billion laughs") << "billion-laughs.xml" << true << QStringList();
    QTest::newRow("quadratic blowup") << "quadratic-blowup.xml" << true << QStringList();
    QTest::newRow("attribute defaults") << "attribute-defaults.xml" << true << QStringList();
    QTest::newRow("recursive entity") << "recursive-entity.xml" << true << QStringList();
    QTest::newRow("external entity") << "external-entity.xml" << true << QStringList();
    QTest::newRow("parameter entity") << "parameter-entity.xml" << true << QStringList();
    // The external subset is not read, so its entity stays unresolved and expands to nothing.
    QTest::newRow("external DTD") << "external-dtd.xml" << false
                                  << QStringList{"d.output.setVolumeLeft(0)"};
    QTest::newRow("undeclared entity")
        << "undeclared-entity.xml" << true << QStringList{"d.output.setVolumeLeft(-3)"};
    QTest::newRow("non-finite levels")
        << "non-finite.xml" << false
        << QStringList{"d.output.setVolumeRight(-7)", "d.output.setVolumeLeft(0)",
                       "d.output.setVolumeRight(0)",  "d.output.setMute(true)",
                       "d.input.getVolumeRange",      "d.input.setVolumeLeft(4)"};
    QTest::newRow("duplicates") << "duplicates.xml" << false
                                << QStringList{
                                       "d.output.setVolumeLeft(-1)",  "d.output.setVolumeLeft(-2)",
                                       "d.output.setMute(true)",      "d.output.setMute(false)",
                                       "d.output.setVolumeLeft(-3)",  "d.hid.setPhantomLeft(true)",
                                       "d.hid.setPhantomLeft(false)", "d.hid.setPhantomLeft(true)"};
    QTest::newRow("child element in a value")
        << "child-in-value.xml" << true << QStringList{"d.output.setVolumeLeft(-4)"};
}

void TestPresetHostile::corpus()
{
    QFETCH(QString, file);
    QFETCH(bool, error);
    QFETCH(QStringList, calls);

    LoggedDevice device;
    QCOMPARE(readFile(hostilePath(file), &device.fake.record), error);
    QCOMPARE(device.calls(), calls);
    QVERIFY(!device.log.calls().join(' ').contains(kMarker));
}

void TestPresetHostile::truncationsAtEveryByte()
{
    const QByteArray example(kExampleDocument);
    const QStringList all = exampleCalls();
    const QList<qsizetype> offsets = exampleCallOffsets();
    for (qsizetype size = 0; size < example.size(); ++size) {
        LoggedDevice device;
        const bool error = readDocument(example.left(size), &device.fake.record);
        // Only the final line feed may be missing.
        QCOMPARE(error, size < example.size() - 1);
        QStringList expected;
        for (int i = 0; i < all.size(); ++i) {
            if (offsets[i] <= size)
                expected.append(all[i]);
        }
        QVERIFY2(
            device.calls() == expected,
            qPrintable(QString("cut after %1 bytes: %2").arg(size).arg(device.calls().join(", "))));
    }
}

void TestPresetHostile::nonFiniteLevelsAreNotSent_data()
{
    QTest::addColumn<QByteArray>("endpoint");
    QTest::addColumn<float>("stepDb");
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<QStringList>("calls");

    const QStringList output = {"d.output.setVolumeLeft(-6)", "d.output.setMute(true)"};
    const QStringList input = {"d.input.getVolumeRange", "d.input.setVolumeLeft(0)",
                               "d.input.setMute(true)"};
    for (const char* text : {"nan", "NaN", "inf", "-inf", "+INF", "1e40", "-1e40", "3.41e38"}) {
        QTest::addRow("output %s", text)
            << QByteArray("Output") << 2.0f << QByteArray(text) << output;
        QTest::addRow("input %s", text) << QByteArray("Input") << 2.0f << QByteArray(text) << input;
    }
    // A finite gain whose level overflows once mapped.
    QTest::newRow("input gain overflowing at step 10")
        << QByteArray("Input") << 10.0f << QByteArray("3e38") << input;
    // Steps a library should never report make every mapped level but 2.8 dB non-finite.
    const QStringList rangeOnly = {"d.input.getVolumeRange", "d.input.setMute(true)"};
    QTest::newRow("input at an infinite step")
        << QByteArray("Input") << std::numeric_limits<float>::infinity() << QByteArray("6")
        << rangeOnly;
    QTest::newRow("input at a NaN step")
        << QByteArray("Input") << std::nanf("") << QByteArray("6") << rangeOnly;
}

void TestPresetHostile::nonFiniteLevelsAreNotSent()
{
    QFETCH(QByteArray, endpoint);
    QFETCH(float, stepDb);
    QFETCH(QByteArray, value);
    QFETCH(QStringList, calls);

    FakeDeviceConfig config = deviceConfig();
    config.inputStep = stepDb;
    LoggedDevice device(config);
    const QByteArray document =
        "<Tarvix><Mixer><" + endpoint + "><VolumeLeft>-6</VolumeLeft><VolumeLeft>" + value +
        "</VolumeLeft><VolumeRight>" + value + "</VolumeRight><Muted>true</Muted></" + endpoint +
        "></Mixer></Tarvix>";
    QVERIFY(!readDocument(document, &device.fake.record));
    QCOMPARE(device.calls(), calls);
}

void TestPresetHostile::localFilesAreNeverRead()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    TemporaryFile marker(dir, "marker.txt");
    marker.write(QByteArray("-") + kMarker);
    TemporaryFile dtd(dir, "marker.dtd");
    dtd.write(QByteArray("<!ENTITY level \"-") + kMarker + "\">\n");
    const QByteArray body =
        "<Tarvix><Mixer><Output><VolumeLeft>&level;</VolumeLeft></Output></Mixer></Tarvix>\n";

    for (const QString& id : {marker.url(), marker.path}) {
        LoggedDevice device;
        const QByteArray document =
            "<!DOCTYPE Tarvix [<!ENTITY level SYSTEM \"" + id.toUtf8() + "\">]>\n" + body;
        QVERIFY(readDocument(document, &device.fake.record));
        QCOMPARE(device.calls(), QStringList());
    }
    for (const QString& id : {dtd.url(), dtd.path}) {
        LoggedDevice device;
        const QByteArray document = "<!DOCTYPE Tarvix SYSTEM \"" + id.toUtf8() + "\">\n" + body;
        QVERIFY(!readDocument(document, &device.fake.record));
        QCOMPARE(device.calls(), QStringList{"d.output.setVolumeLeft(0)"});
    }
}

void TestPresetHostile::deepNesting_data()
{
    QTest::addColumn<QByteArray>("document");
    QTest::addColumn<bool>("error");
    QTest::addColumn<QStringList>("calls");

    const int depth = 100000;
    const QByteArray value = "<Output><VolumeLeft>-3</VolumeLeft></Output>";
    QTest::newRow("unknown elements around Mixer")
        << "<Tarvix>" + QByteArray("<a>").repeated(depth) + "<Mixer>" + value + "</Mixer>" +
               QByteArray("</a>").repeated(depth) + "</Tarvix>"
        << false << QStringList{"d.output.setVolumeLeft(-3)"};
    QTest::newRow("unknown elements inside Output")
        << "<Tarvix><Mixer><Output>" + QByteArray("<a>").repeated(depth) +
               "<VolumeRight>-4</VolumeRight>" + QByteArray("</a>").repeated(depth) +
               "</Output></Mixer></Tarvix>"
        << false << QStringList{"d.output.setVolumeRight(-4)"};
    QTest::newRow("Mixer inside Mixer")
        << "<Tarvix>" + QByteArray("<Mixer>").repeated(depth) + value +
               QByteArray("</Mixer>").repeated(depth) + "</Tarvix>"
        << false << QStringList{"d.output.setVolumeLeft(-3)"};
    QTest::newRow("Hid inside Hid")
        << "<Tarvix>" + QByteArray("<Hid>").repeated(depth) + "<PhantomLeft>true</PhantomLeft>" +
               QByteArray("</Hid>").repeated(depth) + "</Tarvix>"
        << false << QStringList{"d.hid.setPhantomLeft(true)"};
    QTest::newRow("elements inside a value")
        << "<Tarvix><Mixer>" + value + "<Output><VolumeLeft>" + QByteArray("<a>").repeated(depth) +
               QByteArray("</a>").repeated(depth) + "</VolumeLeft></Output></Mixer></Tarvix>"
        << true << QStringList{"d.output.setVolumeLeft(-3)"};
    QTest::newRow("never closed") << "<Tarvix><Mixer>" + value + QByteArray("<a>").repeated(depth)
                                  << true << QStringList{"d.output.setVolumeLeft(-3)"};
}

void TestPresetHostile::deepNesting()
{
    QFETCH(QByteArray, document);
    QFETCH(bool, error);
    QFETCH(QStringList, calls);
    LoggedDevice device;
    QCOMPARE(readDocument(document, &device.fake.record), error);
    QCOMPARE(device.calls(), calls);
}

// A well-formed 50 MB preset: megabytes of unrecognised elements, comments and character data
// in every scope, a value padded with megabytes of white space, and the real values last.
void TestPresetHostile::fiftyMegabytes()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath("large.tarvix");
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        const QByteArray padding =
            QByteArray("<Pad a=\"1\">text<!-- comment --><Inner/>more text</Pad>\n")
                .repeated(20000);
        const auto pad = [&](int times) {
            for (int i = 0; i < times; ++i)
                file.write(padding);
        };
        file.write("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Tarvix>\n");
        pad(10);
        file.write("<Mixer>\n");
        pad(10);
        file.write("<Output>\n");
        pad(10);
        file.write("<VolumeLeft>");
        file.write(QByteArray(8 * 1024 * 1024, ' '));
        file.write("-9</VolumeLeft>\n<Muted>true</Muted>\n</Output>\n");
        pad(4);
        file.write("</Mixer>\n<Hid>\n");
        pad(4);
        file.write("<LoopbackLeft>true</LoopbackLeft>\n</Hid>\n");
        pad(4);
        file.write("</Tarvix>\n");
        QVERIFY(file.size() >= 50 * 1000 * 1000);
    }
    LoggedDevice device;
    QVERIFY(!readFile(path, &device.fake.record));
    QCOMPARE(device.calls(), QStringList({"d.output.setVolumeLeft(-9)", "d.output.setMute(true)",
                                          "d.hid.setLoopbackLeft(true)"}));
}

QTEST_GUILESS_MAIN(TestPresetHostile)
#include "tst_presethostile.moc"
