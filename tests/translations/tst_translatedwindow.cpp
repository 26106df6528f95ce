// SPDX-License-Identifier: GPL-3.0-or-later
#include "simulatedcontrol.h"
#include "simulatordriver.h"
#include "tarvixmixer.h"
#include "uitranslations.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QStyleOptionComboBox>
#include <QTest>
#include <QXmlStreamReader>

#include <clocale>

namespace {

// The translations of `language`'s .ts file, by their English source.
QHash<QString, QString> catalogue(const QString& language)
{
    QFile file(QStringLiteral(TARVIX_TS_DIR "/tarvixmixer_%1.ts").arg(language));
    QHash<QString, QString> translations;
    if (!file.open(QIODevice::ReadOnly))
        return translations;
    QXmlStreamReader reader(&file);
    QString source;
    while (!reader.atEnd()) {
        if (reader.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (reader.name() == QLatin1String("source"))
            source = reader.readElementText();
        else if (reader.name() == QLatin1String("translation"))
            translations.insert(source, reader.readElementText());
    }
    return translations;
}

// The width that `widget` has for its text, and that text; a width below zero for a widget that
// shows no text.
std::pair<int, QString> textRoom(QWidget* widget)
{
    QStyle* style = widget->style();
    if (auto* box = qobject_cast<QCheckBox*>(widget)) {
        QStyleOptionButton option;
        option.initFrom(box);
        return {style->subElementRect(QStyle::SE_CheckBoxContents, &option, box).width(),
                box->text()};
    }
    if (auto* button = qobject_cast<QPushButton*>(widget)) {
        QStyleOptionButton option;
        option.initFrom(button);
        option.iconSize = button->icon().isNull() ? QSize() : button->iconSize();
        const QRect inside = style->subElementRect(QStyle::SE_PushButtonContents, &option, button);
        return {inside.width() - option.iconSize.width(), button->text()};
    }
    if (auto* group = qobject_cast<QGroupBox*>(widget)) {
        QStyleOptionGroupBox option;
        option.initFrom(group);
        option.text = group->title();
        option.subControls = QStyle::SC_GroupBoxLabel;
        // The title stands in from the left edge; it may reach as near the right one.
        const QRect title =
            style->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, group);
        return {group->width() - 2 * title.left(), group->title()};
    }
    if (auto* list = qobject_cast<QComboBox*>(widget)) {
        QStyleOptionComboBox option;
        option.initFrom(list);
        return {
            style->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, list)
                .width(),
            list->currentText()};
    }
    if (auto* label = qobject_cast<QLabel*>(widget))
        return {label->contentsRect().width() - 2 * label->margin(), label->text()};
    return {-1, QString()};
}

} // namespace

// The window in the language of the locale the test runs in (LANG, LC_ALL and LANGUAGE set by
// its registration), on the simulated devices: its texts are those of the .ts file, and none is
// cut.
class TestTranslatedWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        const QByteArray locale = qgetenv("LANG");
        if (!std::setlocale(LC_ALL, ""))
            QSKIP(qPrintable("The locale " + locale + " is not installed (locales, localedef)."));
        const QString language = QString::fromLatin1(locale.left(2));
        QCOMPARE(UiTranslations::install(*QCoreApplication::instance()), language);
        translations = catalogue(language);
        QVERIFY(!translations.isEmpty());
        library = std::make_unique<SimulatedControl>();
        window = std::make_unique<TarvixMixer>(library.get());
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        QVERIFY(SimulatorDriver::waitUntilDelivered(*library));
        // A read-out's new text reaches the window's size one level of nested layouts per round
        // of posted events; the form nests fewer than ten.
        for (int round = 0; round < 10; ++round)
            QCoreApplication::processEvents();
        QVERIFY(named<QComboBox>("combo_device_select")->count() > 0);
        QVERIFY(named<QWidget>("gb_playback")->isEnabled());
    }

    void textsAreTranslated_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("property");
        QTest::addColumn<QString>("english");
        QTest::newRow("output") << "gb_playback" << QByteArray("title") << "Output Gain";
        QTest::newRow("input") << "gb_record" << QByteArray("title") << "Input Gain";
        QTest::newRow("mute") << "cb_playback_mute" << QByteArray("text") << "Mute";
        QTest::newRow("link") << "cb_record_link" << QByteArray("text") << "Link";
        QTest::newRow("phantom") << "cb_phantom_left" << QByteArray("text") << "Phantom Left";
        QTest::newRow("on top") << "checkBox" << QByteArray("text") << "Always on top";
        QTest::newRow("store") << "StoreButton" << QByteArray("accessibleName") << "Store preset…";
    }

    void textsAreTranslated()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, property);
        QFETCH(QString, english);
        const QString text = named<QWidget>(name)->property(property.constData()).toString();
        QVERIFY2(text != english, qPrintable(text));
        QCOMPARE(text, translations.value(english));
    }

    // Qt's own dialogs and boxes speak the same language: its catalogue is installed beside ours.
    void qtsOwnTextsAreTranslated_data()
    {
        QTest::addColumn<QByteArray>("context");
        QTest::addColumn<QByteArray>("english");
        QTest::newRow("error box")
            << QByteArray("QErrorMessage") << QByteArray("&Show this message again");
        QTest::newRow("file dialog") << QByteArray("QFileDialog") << QByteArray("Look in:");
    }

    void qtsOwnTextsAreTranslated()
    {
        QFETCH(QByteArray, context);
        QFETCH(QByteArray, english);
        const QString text = QCoreApplication::translate(context.constData(), english.constData());
        QVERIFY2(text != QLatin1String(english), qPrintable(text));
    }

    // The read-outs write levels as the preset files do, whatever the locale's separator.
    void readOutsKeepThePoint()
    {
        QCOMPARE(QLocale::system().decimalPoint(), QStringLiteral(","));
        QCOMPARE(std::localeconv()->decimal_point, QByteArray(","));
        for (const char* side : {"playback_left", "playback_right"}) {
            const QString text = named<QLabel>(QLatin1String("vol_label_") + side)->text();
            QVERIFY2(text.contains(QLatin1Char('.')) && !text.contains(QLatin1Char(',')),
                     qPrintable(text));
        }
    }

    void noTextIsCut()
    {
        QStringList cut;
        int measured = 0;
        for (QWidget* widget : window->findChildren<QWidget*>()) {
            const auto [room, text] = textRoom(widget);
            if (room < 0 || text.isEmpty() || !widget->isVisible())
                continue;
            ++measured;
            const int width = widget->fontMetrics().horizontalAdvance(text);
            if (width > room)
                cut << QStringLiteral("%1 \"%2\": %3 > %4")
                           .arg(widget->objectName(), text)
                           .arg(width)
                           .arg(room);
        }
        // Nine boxes, three titles (the logo's box has none), the device list, four read-outs.
        QCOMPARE(measured, 17);
        QVERIFY2(cut.isEmpty(), qPrintable(cut.join(QLatin1String("; "))));
    }

private:
    QHash<QString, QString> translations;
    std::unique_ptr<SimulatedControl> library;
    std::unique_ptr<TarvixMixer> window; // goes before the library it listens to

    template <typename T> T* named(const QString& name) const
    {
        T* found = window->findChild<T*>(name);
        if (!found)
            qFatal("no widget %s", qPrintable(name));
        return found;
    }
};

QTEST_MAIN(TestTranslatedWindow)
#include "tst_translatedwindow.moc"
