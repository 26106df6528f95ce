// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

class QComboBox;
class QMainWindow;

// Shows a short hint in the main window's status bar while its device list stays empty: no
// supported interface was found, and what to do about it, in full in the bar's tool tip (plug it
// in, check access to the sound devices, try the simulated hardware). The hint comes
// once the list has been empty for a moment (devices present at start arrive shortly after the
// window opens) and goes as soon as a device is listed. Lives on the GUI thread, as a child of
// the window.
class NoDeviceHint : public QObject
{
    Q_OBJECT

public:
    static constexpr int kGraceMs = 300;

    explicit NoDeviceHint(QMainWindow* window);

    static QString text();
    static QString details();

private:
    void update();

    QMainWindow* window;
    QComboBox* devices;
    QTimer grace;
};
