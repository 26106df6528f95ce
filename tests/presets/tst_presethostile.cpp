#include "presettesting.h"

#include <QDir>
#include <QFile>
#include <QTest>
#include <QUrl>

#include <cmath>
#include <cstring>
#include <limits>

namespace {

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

} // namespace

class TestPresetHostile : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void documents_data();
    void documents();
    void truncationsAtEveryByte();

private:
    QString previousDirectory;
};

// Relative system identifiers in the corpus point at the marker files beside it.
void TestPresetHostile::init()
{
    previousDirectory = QDir::currentPath();
    QVERIFY(QDir::setCurrent(TARVIX_HOSTILE_DIR));
}

void TestPresetHostile::cleanup()
{
    QDir::setCurrent(previousDirectory);
}

// Each call is due once the tag completing its element has been read; only the final line feed
// may be missing without an error.
void TestPresetHostile::truncationsAtEveryByte()
{
    const QByteArray example(kExampleDocument);
    const QStringList all = exampleCalls();
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
        QCOMPARE(readDocument(example.left(size), &device.fake.record), size < example.size() - 1);
        QStringList expected;
        for (int i = 0; i < all.size(); ++i) {
            if (dueAt[i] <= size)
                expected.append(all[i]);
        }
        QVERIFY2(
            device.calls() == expected,
            qPrintable(QString("cut after %1 bytes: %2").arg(size).arg(device.calls().join(", "))));
    }
}

void TestPresetHostile::documents_data()
{
    QTest::addColumn<QByteArray>("document");
    QTest::addColumn<bool>("error");
    QTest::addColumn<QStringList>("calls");
    QTest::addColumn<float>("stepDb");
    const auto row = [](const QByteArray& name, const QByteArray& document, bool error,
                        const QStringList& calls, float stepDb = 2.0f) {
        QTest::newRow(name.constData()) << document << error << calls << stepDb;
    };
    // The committed corpus.
    const auto corpus = [&row](const char* file, bool error, const QStringList& calls) {
        row(file, corpusFile(file), error, calls);
    };
    const QStringList all = exampleCalls();
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
           {"d.output.setVolumeLeft(-1)", "d.output.setVolumeLeft(-2)", "d.output.setMute(true)",
            "d.output.setMute(false)", "d.output.setVolumeLeft(-3)", "d.hid.setPhantomLeft(true)",
            "d.hid.setPhantomLeft(false)", "d.hid.setPhantomLeft(true)"});
    corpus("child-in-value.xml", true, {"d.output.setVolumeLeft(-4)"});

    // Steps a library should never report, and gains that overflow once mapped: the level is
    // not sent, the rest of the Input is.
    const QByteArray input = "<Tarvix><Mixer><Input><VolumeLeft>6</VolumeLeft><VolumeRight>3e38"
                             "</VolumeRight><Muted>true</Muted></Input></Mixer></Tarvix>";
    const QStringList rangeAndMute = {"d.input.getVolumeRange", "d.input.setMute(true)"};
    row("overflowing gain at step 10", input, false,
        {"d.input.getVolumeRange", "d.input.setVolumeLeft(20)", "d.input.setMute(true)"}, 10.0f);
    row("infinite step", input, false, rangeAndMute, std::numeric_limits<float>::infinity());
    row("NaN step", input, false, rangeAndMute, std::nanf(""));

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
    row("deep around Mixer", "<Tarvix>" + nest("a", "<Mixer>" + value + "</Mixer>") + "</Tarvix>",
        false, valueCall);
    row("deep inside Output",
        "<Tarvix><Mixer><Output>" + nest("a", "<VolumeLeft>-3</VolumeLeft>") +
            "</Output></Mixer></Tarvix>",
        false, valueCall);
    row("Mixer inside Mixer", "<Tarvix>" + nest("Mixer", value) + "</Tarvix>", false, valueCall);
    row("Hid inside Hid", "<Tarvix>" + nest("Hid", "<PhantomLeft>true</PhantomLeft>") + "</Tarvix>",
        false, {"d.hid.setPhantomLeft(true)"});
    row("deep inside a value",
        "<Tarvix><Mixer>" + value + "<Output><VolumeLeft>" + nest("a", "") +
            "</VolumeLeft></Output></Mixer></Tarvix>",
        true, valueCall);
    row("never closed", "<Tarvix><Mixer>" + value + QByteArray("<a>").repeated(100000), true,
        valueCall);
}

void TestPresetHostile::documents()
{
    QFETCH(QByteArray, document);
    QFETCH(bool, error);
    QFETCH(QStringList, calls);
    QFETCH(float, stepDb);

    LoggedDevice device(deviceConfig(true, true, true, stepDb));
    QCOMPARE(readDocument(document, &device.fake.record), error);
    QCOMPARE(device.calls(), calls);
}

QTEST_GUILESS_MAIN(TestPresetHostile)
#include "tst_presethostile.moc"
