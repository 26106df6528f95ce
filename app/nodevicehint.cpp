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
    return tr("No supported interface found; try --backend=simulator");
}

void NoDeviceHint::update()
{
    if (devices->count() > 0)
        window->statusBar()->clearMessage();
    else if (!grace.isActive())
        window->statusBar()->showMessage(text());
}
