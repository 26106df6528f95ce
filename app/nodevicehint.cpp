// SPDX-License-Identifier: GPL-3.0-or-later
#include "nodevicehint.h"

#include <QAbstractItemModel>
#include <QComboBox>
#include <QMainWindow>
#include <QStatusBar>

NoDeviceHint::NoDeviceHint(QMainWindow* window)
    : QObject(window), window(window),
      devices(window->findChild<QComboBox*>(QStringLiteral("combo_device_select")))
{
    grace.setSingleShot(true);
    grace.setInterval(kGraceMs);
    connect(&grace, &QTimer::timeout, this, &NoDeviceHint::update);
    if (!devices)
        return;
    connect(devices->model(), &QAbstractItemModel::rowsInserted, this, &NoDeviceHint::update);
    connect(devices->model(), &QAbstractItemModel::rowsRemoved, this, &NoDeviceHint::update);
    grace.start();
}

QString NoDeviceHint::text()
{
    return tr("No interface found: plug it in, or check access to /dev/snd");
}

QString NoDeviceHint::details()
{
    return tr("No supported USB audio interface was found.\n"
              "- Plug the interface in and switch it on.\n"
              "- If it is plugged in, you may not be allowed to use /dev/snd: most systems allow "
              "it to the \"audio\" group; join it, then log out and in again.\n"
              "- To try the panel without hardware, choose \"Simulated hardware\" in the menu "
              "entry's actions, or run: tarvixmixer --simulator-panel");
}

void NoDeviceHint::update()
{
    const bool shown = devices->count() == 0 && !grace.isActive();
    if (devices->count() > 0)
        window->statusBar()->clearMessage();
    else if (shown)
        window->statusBar()->showMessage(text());
    window->statusBar()->setToolTip(shown ? details() : QString());
}
