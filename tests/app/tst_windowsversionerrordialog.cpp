#include "windowsversionerrordialog.h"

#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QSignalSpy>
#include <QTextBlock>
#include <QTextDocument>
#include <QTranslator>
#include <QVBoxLayout>
#include <QtTest>

namespace {

const QString linkTarget = QStringLiteral("https://tarvixmixer.invalid/windows-xp");

// Records every lookup and answers with a marked text, so that a test sees which texts pass
// through the translation function and under which context.
class RecordingTranslator : public QTranslator
{
public:
    QList<QPair<QString, QString>> lookups;

    bool isEmpty() const override { return false; }
    QString translate(const char* context, const char* sourceText, const char* disambiguation,
                      int n) const override
    {
        Q_UNUSED(disambiguation);
        Q_UNUSED(n);
        auto* self = const_cast<RecordingTranslator*>(this);
        self->lookups.append({QString::fromUtf8(context), QString::fromUtf8(sourceText)});
        if (qstrcmp(sourceText, "Dialog") == 0)
            return QStringLiteral("Translated dialog");
        return QString();
    }
};

// Stands in for the desktop's browser: counts the addresses it is asked to open.
class UrlRecorder : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> opened;
public slots:
    void openUrl(const QUrl& url) { opened.append(url); }
};

QLabel* labelOf(QDialog& dialog)
{
    return dialog.findChild<QLabel*>(QStringLiteral("label"));
}

QDialogButtonBox* buttonBoxOf(QDialog& dialog)
{
    return dialog.findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"));
}

void sendMouse(QWidget* widget, QEvent::Type type, QPoint pos, Qt::MouseButton button,
               Qt::MouseButtons buttons)
{
    QMouseEvent event(type, QPointF(pos), widget->mapToGlobal(QPointF(pos)), button, buttons,
                      Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

// Moves the mouse over the label until it reports hovering the link; returns that point.
std::optional<QPoint> findLink(QLabel* label)
{
    QSignalSpy hovered(label, &QLabel::linkHovered);
    for (int y = 0; y < label->height(); y += 2) {
        for (int x = 0; x < label->width(); x += 2) {
            sendMouse(label, QEvent::MouseMove, QPoint(x, y), Qt::NoButton, Qt::NoButton);
            if (!hovered.isEmpty() && hovered.last().at(0).toString() == linkTarget)
                return QPoint(x, y);
        }
    }
    return std::nullopt;
}

} // namespace

class TestWindowsVersionErrorDialog : public QObject
{
    Q_OBJECT

private slots:
    void formStructure();
    void buttonBoxOffersCloseOnly();
    void labelDocument();
    void textsPassThroughTranslation();
    void labelWrapsToDialogWidth();
    void closeButtonRejects();
    void linkOpensNothing();
};

void TestWindowsVersionErrorDialog::formStructure()
{
    WindowsVersionErrorDialog dialog(nullptr);
    QCOMPARE(dialog.objectName(), QStringLiteral("WindowsVersionErrorDialog"));
    QCOMPARE(dialog.size(), QSize(305, 137));
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Dialog"));
    QVERIFY(!dialog.isModal());
    QCOMPARE(dialog.parentWidget(), nullptr);

    auto* outer = qobject_cast<QVBoxLayout*>(dialog.layout());
    QVERIFY(outer);
    QCOMPARE(outer->objectName(), QStringLiteral("verticalLayout_2"));
    QCOMPARE(outer->count(), 1);
    auto* inner = qobject_cast<QVBoxLayout*>(outer->itemAt(0)->layout());
    QVERIFY(inner);
    QCOMPARE(inner->objectName(), QStringLiteral("verticalLayout"));
    QCOMPARE(outer->stretch(0), 0);

    QCOMPARE(inner->count(), 2);
    QCOMPARE(inner->itemAt(0)->widget(), labelOf(dialog));
    QCOMPARE(inner->itemAt(1)->widget(), buttonBoxOf(dialog));
    QCOMPARE(inner->stretch(0), 0);
    QCOMPARE(inner->stretch(1), 0);
    QCOMPARE(inner->itemAt(0)->alignment(), Qt::Alignment());
    QCOMPARE(inner->itemAt(1)->alignment(), Qt::Alignment());
    QCOMPARE(labelOf(dialog)->parentWidget(), &dialog);
    QCOMPARE(buttonBoxOf(dialog)->parentWidget(), &dialog);

    QLabel* label = labelOf(dialog);
    QVERIFY(label->wordWrap());
    QVERIFY(!label->openExternalLinks());
}

void TestWindowsVersionErrorDialog::buttonBoxOffersCloseOnly()
{
    WindowsVersionErrorDialog dialog(nullptr);
    QDialogButtonBox* box = buttonBoxOf(dialog);
    QCOMPARE(box->orientation(), Qt::Horizontal);
    QCOMPARE(box->standardButtons(), QDialogButtonBox::StandardButtons(QDialogButtonBox::Close));
    QCOMPARE(box->buttons().size(), 1);
    QCOMPARE(box->buttonRole(box->button(QDialogButtonBox::Close)), QDialogButtonBox::RejectRole);
}

void TestWindowsVersionErrorDialog::labelDocument()
{
    WindowsVersionErrorDialog dialog(nullptr);
    const QString html = labelOf(dialog)->text();
    QVERIFY(Qt::mightBeRichText(html));
    QVERIFY(html.contains(QStringLiteral("<body style=\" font-family:'MS Shell Dlg 2'; "
                                         "font-size:8.25pt; font-weight:400; "
                                         "font-style:normal;\">")));
    QVERIFY(html.contains(QStringLiteral("p, li { white-space: pre-wrap; }")));

    QTextDocument document;
    document.setHtml(html);
    QCOMPARE(document.blockCount(), 3);
    const QTextBlock first = document.begin();
    const QTextBlock second = first.next();
    const QTextBlock third = second.next();
    QCOMPARE(
        first.text(),
        QStringLiteral("This version of the TarvixMixer is for Windows Vista and Windows 7 only."));
    QCOMPARE(second.text(), QStringLiteral("For the Windows XP compatible mixer see the website."));
    QCOMPARE(third.text(), QString());
    QCOMPARE(third.charFormat().fontPointSize(), 8.0);

    for (QTextBlock block = first; block.isValid(); block = block.next()) {
        QCOMPARE(block.blockFormat().topMargin(), 0.0);
        QCOMPARE(block.blockFormat().bottomMargin(), 0.0);
        QCOMPARE(block.blockFormat().leftMargin(), 0.0);
        QCOMPARE(block.blockFormat().rightMargin(), 0.0);
        QCOMPARE(block.blockFormat().textIndent(), 0.0);
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            QCOMPARE(it.fragment().charFormat().fontPointSize(), 8.0);
            QCOMPARE(it.fragment().charFormat().fontFamilies().toStringList(),
                     QStringList{QStringLiteral("MS Shell Dlg 2")});
        }
    }

    QStringList runs;
    int anchors = 0;
    for (auto it = second.begin(); !it.atEnd(); ++it) {
        const QTextFragment fragment = it.fragment();
        runs << fragment.text();
        if (!fragment.charFormat().isAnchor())
            continue;
        ++anchors;
        QCOMPARE(fragment.text(), QStringLiteral("website"));
        QCOMPARE(fragment.charFormat().anchorHref(), linkTarget);
        QVERIFY(fragment.charFormat().fontUnderline());
        QCOMPARE(fragment.charFormat().foreground().color(), QColor(0x00, 0x00, 0xff));
    }
    QCOMPARE(anchors, 1);
    QCOMPARE(runs, (QStringList{QStringLiteral("For the Windows XP compatible mixer see the "),
                                QStringLiteral("website"), QStringLiteral(".")}));
    // The address must not point at anybody's real site.
    QVERIFY(QUrl(linkTarget).host().endsWith(QStringLiteral(".invalid")));
}

void TestWindowsVersionErrorDialog::textsPassThroughTranslation()
{
    RecordingTranslator translator;
    QVERIFY(QCoreApplication::installTranslator(&translator));
    {
        WindowsVersionErrorDialog dialog(nullptr);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Translated dialog"));
        // Untranslated texts fall back to the source text.
        QVERIFY(labelOf(dialog)->text().contains(QStringLiteral("Windows Vista and Windows 7")));
    }
    QCoreApplication::removeTranslator(&translator);

    QStringList contexts;
    QStringList sources;
    for (const auto& lookup : translator.lookups) {
        contexts << lookup.first;
        sources << lookup.second;
    }
    QVERIFY(sources.contains(QStringLiteral("Dialog")));
    QVERIFY(std::any_of(sources.cbegin(), sources.cend(), [](const QString& source) {
        return source.contains(QStringLiteral("For the Windows XP compatible mixer see the"));
    }));
    for (int i = 0; i < contexts.size(); ++i) {
        if (sources.at(i) == QStringLiteral("Dialog") || sources.at(i).contains(u"TarvixMixer"))
            QCOMPARE(contexts.at(i), QStringLiteral("WindowsVersionErrorDialog"));
    }
}

void TestWindowsVersionErrorDialog::labelWrapsToDialogWidth()
{
    WindowsVersionErrorDialog dialog(nullptr);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QLabel* label = labelOf(dialog);

    QTextDocument unwrapped;
    unwrapped.setDefaultFont(label->font());
    unwrapped.setHtml(label->text());
    // The first sentence alone does not fit on one line of this dialog...
    QVERIFY(unwrapped.idealWidth() > label->width());
    QVERIFY(label->width() <= dialog.width());
    // ...so at the label's width the text takes more lines than unwrapped.
    QVERIFY(label->heightForWidth(label->width()) >
            label->heightForWidth(qCeil(unwrapped.idealWidth()) + 50));

    const int narrowWidth = label->width();
    dialog.resize(dialog.width() + 200, dialog.height());
    QTRY_VERIFY(label->width() > narrowWidth);
    QVERIFY(label->width() <= dialog.width());
}

void TestWindowsVersionErrorDialog::closeButtonRejects()
{
    WindowsVersionErrorDialog dialog(nullptr);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QSignalSpy rejected(&dialog, &QDialog::rejected);
    QTest::mouseClick(buttonBoxOf(dialog)->button(QDialogButtonBox::Close), Qt::LeftButton);
    QCOMPARE(rejected.size(), 1);
    QVERIFY(dialog.isHidden());
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
}

void TestWindowsVersionErrorDialog::linkOpensNothing()
{
    WindowsVersionErrorDialog dialog(nullptr);
    QLabel* label = labelOf(dialog);
    // Disconnecting everything from the link signal finds nothing to disconnect.
    QVERIFY(!QObject::disconnect(label, &QLabel::linkActivated, nullptr, nullptr));
    QVERIFY(!label->openExternalLinks());

    UrlRecorder browser;
    QDesktopServices::setUrlHandler(QStringLiteral("https"), &browser, "openUrl");
    QDesktopServices::setUrlHandler(QStringLiteral("http"), &browser, "openUrl");
    auto restoreHandlers = qScopeGuard([] {
        QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
        QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
    });

    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    const std::optional<QPoint> linkPos = findLink(label);
    QVERIFY2(linkPos, "the link could not be found under the mouse");

    QSignalSpy activated(label, &QLabel::linkActivated);
    sendMouse(label, QEvent::MouseButtonPress, *linkPos, Qt::LeftButton, Qt::LeftButton);
    sendMouse(label, QEvent::MouseButtonRelease, *linkPos, Qt::LeftButton, Qt::NoButton);
    // The click did reach the link...
    QCOMPARE(activated.size(), 1);
    QCOMPARE(activated.at(0).at(0).toString(), linkTarget);
    QCoreApplication::processEvents();
    // ...and nothing was opened, and the dialog stays as it is.
    QVERIFY(browser.opened.isEmpty());
    QVERIFY(dialog.isVisible());
}

QTEST_MAIN(TestWindowsVersionErrorDialog)
#include "tst_windowsversionerrordialog.moc"
