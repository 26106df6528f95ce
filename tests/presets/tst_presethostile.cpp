#include <QTest>

class TestPresetHostile : public QObject
{
    Q_OBJECT
};

QTEST_GUILESS_MAIN(TestPresetHostile)
#include "tst_presethostile.moc"
