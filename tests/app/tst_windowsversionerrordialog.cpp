#include "windowsversionerrordialog.h"

#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QLabel>
#include <QSignalSpy>
#include <QTextBlock>
#include <QTextDocument>
#include <QtTest>

#include <optional>

namespace {

const QString linkTarget = QStringLiteral("https://tarvixmixer.invalid/windows-xp");

// Stands in for the desktop's browser: records the addresses it is asked to open.
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

// Moves the mouse over the label until it hovers the link; returns that point.
std::optional<QPoint> findLink(QLabel* label)
{
    QSignalSpy hovered(label, &QLabel::linkHovered);
    for (int y = 0; y < label->height(); y += 2) {
        for (int x = 0; x < label->width(); x += 2) {
            QTest::mouseMove(label, QPoint(x, y));
            if (!hovered.isEmpty())
                return QPoint(x, y);
        }
    }
    return std::nullopt;
}

} // namespace

// Closing the dialog (Close, Escape, the window's close) is tested with the whole start-up.
class TestWindowsVersionErrorDialog : public QObject
{
    Q_OBJECT

private slots:
    void formOffersOnlyClose()
    {
        WindowsVersionErrorDialog dialog(nullptr);
        QCOMPARE(dialog.size(), QSize(305, 137));
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Dialog"));
        QVERIFY(!dialog.isModal());
        auto* box = dialog.findChild<QDialogButtonBox*>();
        QVERIFY(box);
        QCOMPARE(box->standardButtons(),
                 QDialogButtonBox::StandardButtons(QDialogButtonBox::Close));
        QCOMPARE(box->buttons().size(), 1);
    }

    void labelTexts()
    {
        WindowsVersionErrorDialog dialog(nullptr);
        QTextDocument document;
        document.setHtml(labelOf(dialog)->text());
        QCOMPARE(
            document.toPlainText(),
            QStringLiteral("This version of the TarvixMixer is for Windows Vista and Windows 7 "
                           "only.\nFor the Windows XP compatible mixer see the website.\n"));
        QStringList links;
        for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
            for (auto it = block.begin(); !it.atEnd(); ++it) {
                if (it.fragment().charFormat().isAnchor())
                    links << it.fragment().text() << it.fragment().charFormat().anchorHref();
            }
        }
        QCOMPARE(links, (QStringList{QStringLiteral("website"), linkTarget}));
    }

    void labelWrapsAtTheDialogsWidth()
    {
        WindowsVersionErrorDialog dialog(nullptr);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QLabel* label = labelOf(dialog);
        QVERIFY(label->width() <= dialog.width());
        // The text takes more lines at the label's width than on unbounded lines.
        QVERIFY(label->heightForWidth(label->width()) > label->heightForWidth(10000));
    }

    void linkOpensNothing()
    {
        WindowsVersionErrorDialog dialog(nullptr);
        QLabel* label = labelOf(dialog);
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
        QTest::mouseClick(label, Qt::LeftButton, Qt::NoModifier, *linkPos);
        // The click did reach the link, yet nothing was opened and the dialog stays.
        QCOMPARE(activated.size(), 1);
        QCoreApplication::processEvents();
        QVERIFY(browser.opened.isEmpty());
        QVERIFY(dialog.isVisible());
    }
};

QTEST_MAIN(TestWindowsVersionErrorDialog)
#include "tst_windowsversionerrordialog.moc"
