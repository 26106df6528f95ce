// SPDX-License-Identifier: GPL-3.0-or-later
#include "windowtesting.h"

#include <QGuiApplication>
#include <QSignalSpy>
#include <QTest>
#include <QWindow>

// The window on a Wayland compositor, which run_weston.sh starts headless: it appears, and
// "Always on top", which Wayland cannot keep, is disabled and says how to have it; neither the
// box nor the slot behind it re-creates the window.
class TestWaylandWindow : public QObject
{
    Q_OBJECT

private slots:
    void alwaysOnTopIsOfferedOnlyWhereItWorks()
    {
        QVERIFY2(QGuiApplication::platformName().startsWith(QLatin1String("wayland")),
                 qPrintable(QGuiApplication::platformName()));
        MixerFixture f;
        f.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(f.window.get()));
        QWindow* const shown = f.window->windowHandle();
        // A window re-created with other flags is hidden and shown again.
        QSignalSpy hiddenOrShown(shown, &QWindow::visibleChanged);
        const Qt::WindowFlags flags = f.window->windowFlags();

        QCheckBox* box = f.box("checkBox");
        QVERIFY(!box->isEnabled());
        QVERIFY(box->toolTip().contains(QLatin1String("QT_QPA_PLATFORM=xcb")));
        QTest::mouseClick(box, Qt::LeftButton);
        f.window->setOnTop(true);
        QCoreApplication::processEvents();

        QVERIFY(!box->isChecked());
        QCOMPARE(f.window->windowFlags(), flags);
        QCOMPARE(f.window->windowHandle(), shown);
        QCOMPARE(hiddenOrShown.count(), 0);
        QVERIFY(f.window->isVisible() && shown->isExposed());
    }
};

QTEST_MAIN(TestWaylandWindow)
#include "tst_waylandwindow.moc"
