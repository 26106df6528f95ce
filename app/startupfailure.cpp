// SPDX-License-Identifier: GPL-3.0-or-later
#include "startupfailure.h"

#include <QApplication>
#include <QErrorMessage>

#include <unistd.h>

namespace StartupFailure {

bool wantsBox(const QString& platform)
{
    if (::isatty(STDERR_FILENO))
        return false;
    QString name = platform.isEmpty() ? qEnvironmentVariable("QT_QPA_PLATFORM") : platform;
    if (name.isEmpty())
        name = qEnvironmentVariable("XDG_SESSION_TYPE") == QLatin1String("wayland")
                   ? QStringLiteral("wayland")
                   : QStringLiteral("xcb");
    if (name.startsWith(QLatin1String("xcb")))
        return !qEnvironmentVariableIsEmpty("DISPLAY");
    if (name.startsWith(QLatin1String("wayland")))
        return !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
    return false;
}

int showBox(const QString& message, int status)
{
    QErrorMessage box;
    box.setWindowTitle(QStringLiteral("TarvixMixer - Error"));
    box.showMessage(message);
    QApplication::exec();
    return status;
}

} // namespace StartupFailure
