#include "ui_tarvixmixer.h"

#include <QtTest>
#include <QtWidgets>

// The widget tree Ui_TarvixMixer builds, as the window's code and its users rely on it.
class TestMixerForm : public QObject
{
    Q_OBJECT

private slots:
    // Object name, class, the text a user reads (title, text or tool tip) and the initial
    // state: d disabled, c checked.
    void widgetsAreNamedTypedAndStartAsExpected()
    {
        QMainWindow window;
        Ui_TarvixMixer form;
        form.setupUi(&window);
        QCOMPARE(window.windowTitle(), "TarvixMixer");
        const QStringList rows = {
            "gb_hid_control|QGroupBox|HID controls|d",
            "cb_phantom_left|QCheckBox|Phantom Left|",
            "cb_phantom_right|QCheckBox|Phantom Right|",
            "cb_loopback_left|QCheckBox|Loopback  Left|",
            "cb_loopback_right|QCheckBox|Loopback Right|",
            "checkBox|QCheckBox|Always on top|",
            "combo_device_select|QComboBox||",
            "LoadButton|QPushButton|Load state from preset file|d",
            "StoreButton|QPushButton|Store current state in preset file|d",
            "gb_playback|QGroupBox|Output Gain|d",
            "vol_slider_playback_left|QSlider||",
            "vol_slider_playback_right|QSlider||",
            "vol_label_playback_left|QLabel||",
            "vol_label_playback_right|QLabel||",
            "cb_playback_link|QCheckBox|Link|c",
            "cb_playback_mute|QCheckBox|Mute|",
            "gb_record|QGroupBox|Input Gain|d",
            "vol_slider_record_left|QSlider||",
            "vol_slider_record_right|QSlider||",
            "vol_label_record_left|QLabel||",
            "vol_label_record_right|QLabel||",
            "cb_record_link|QCheckBox|Link|c",
            "cb_record_mute|QCheckBox|Mute|",
        };
        for (const QString& row : rows) {
            const QStringList field = row.split('|');
            auto* widget = window.findChild<QWidget*>(field[0]);
            QVERIFY2(widget && widget->inherits(qPrintable(field[1])), qPrintable(row));
            QString text = widget->property("title").toString() + widget->toolTip();
            if (!qobject_cast<QPushButton*>(widget))
                text += widget->property("text").toString();
            QCOMPARE(text, field[2]);
            QCOMPARE(widget->testAttribute(Qt::WA_ForceDisabled), field[3].contains('d'));
            QCOMPARE(widget->property("checked").toBool(), field[3].contains('c'));
        }
        QCOMPARE(form.vol_slider_record_left->orientation(), Qt::Vertical);
        // The switches and options on the left, the device row above both level groups on the
        // right, each direction with its left slider before its right one; the images embedded.
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const auto at = [&](QWidget* w) { return w->mapTo(&window, QPoint()); };
        QVERIFY(at(form.gb_hid_control).y() < at(form.groupBox_3).y());
        QVERIFY(at(form.gb_hid_control).x() < at(form.combo_device_select).x());
        QVERIFY(at(form.combo_device_select).y() < at(form.gb_playback).y());
        QVERIFY(at(form.gb_playback).x() < at(form.gb_record).x());
        QVERIFY(at(form.vol_slider_record_left).x() < at(form.vol_slider_record_right).x());
        const auto image = [](const QImage& image) {
            return image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
        };
        QCOMPARE(image(form.label->pixmap().toImage()),
                 image(QImage(":/Images/Images/Tarvix.png")));
        QCOMPARE(image(form.LoadButton->icon().pixmap(QSize(16, 16), 1.0).toImage()),
                 image(QImage(":/Images/Images/folder_16x16.png")));
        QCOMPARE(image(form.StoreButton->icon().pixmap(QSize(16, 16), 1.0).toImage()),
                 image(QImage(":/Images/Images/floppy_16x16.png")));
    }
};

QTEST_MAIN(TestMixerForm)
#include "tst_mixerform.moc"
