#include <QTest>

class TestPresetReader : public QObject
{
    Q_OBJECT
};

QTEST_GUILESS_MAIN(TestPresetReader)
#include "tst_presetreader.moc"
