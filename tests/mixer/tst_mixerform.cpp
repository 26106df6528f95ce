#include "ui_tarvixmixer.h"

#include <QtTest>
#include <QtWidgets>

// The form's initial states that the window relies on: what a user may touch before a device is
// shown, and the ticked links that a preset load must not follow.
class TestMixerForm : public QObject
{
    Q_OBJECT

private slots:
    void partsNeedingADeviceStartDisabledAndTheLinksTicked()
    {
        QMainWindow window;
        Ui_TarvixMixer form;
        form.setupUi(&window);
        for (QWidget* part : QList<QWidget*>{form.gb_hid_control, form.gb_playback, form.gb_record,
                                             form.LoadButton, form.StoreButton})
            QVERIFY2(!part->isEnabled(), qPrintable(part->objectName()));
        QVERIFY(form.cb_playback_link->isChecked() && form.cb_record_link->isChecked());
    }
};

QTEST_MAIN(TestMixerForm)
#include "tst_mixerform.moc"
