// SPDX-License-Identifier: GPL-3.0-or-later
#include "windowsystemguard.h"

#include <QCoreApplication>
#include <QMutex>
#include <QRegularExpression>

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

struct HeldMessage
{
    QtMsgType type;
    QByteArray category;
    QString text;
};

QMutex heldLock;
std::vector<HeldMessage> held;
QtMessageHandler qtHandler = nullptr;

void holdOrFail(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    const QMutexLocker locker(&heldLock);
    held.push_back({type, QByteArray(context.category ? context.category : ""), text});
    if (type != QtFatalMsg)
        return;
    QStringList messages;
    for (const HeldMessage& message : held)
        messages.append(
            message.category.isEmpty()
                ? message.text
                : QStringLiteral("%1: %2").arg(QLatin1String(message.category), message.text));
    const QString line =
        QStringLiteral("%1: Cannot open the window: %2. The commands without a window (--list, "
                       "--store, --load, --restore-on-plug) need no display.\n")
            .arg(QCoreApplication::applicationName(), WindowSystemGuard::failureText(messages));
    std::fputs(line.toLocal8Bit().constData(), stderr);
    std::fflush(stderr);
    // Qt aborts once this handler returns; nothing of the half-made application is left to undo.
    std::_Exit(1);
}

} // namespace

WindowSystemGuard::WindowSystemGuard()
{
    qtHandler = qInstallMessageHandler(holdOrFail);
}

WindowSystemGuard::~WindowSystemGuard()
{
    connected();
}

void WindowSystemGuard::connected()
{
    if (!qtHandler)
        return;
    qInstallMessageHandler(qtHandler);
    qtHandler = nullptr;
    std::vector<HeldMessage> messages;
    {
        const QMutexLocker locker(&heldLock);
        messages.swap(held);
    }
    for (const HeldMessage& message : messages) {
        const QMessageLogContext context(nullptr, 0, nullptr, message.category.constData());
        qt_message_output(message.type, context, message.text);
    }
}

QString WindowSystemGuard::failureText(const QStringList& messages)
{
    static const QRegularExpression noDisplay(
        QStringLiteral("could not connect to display ?(.*)$"));
    static const QRegularExpression noWayland(QStringLiteral("Failed to create wl_display"));
    static const QRegularExpression noPlugin(
        QStringLiteral("Could not find the Qt platform plugin \"([^\"]*)\""));
    for (const QString& message : messages) {
        if (const auto match = noDisplay.match(message); match.hasMatch()) {
            const QString display = match.captured(1).trimmed();
            return display.isEmpty()
                       ? QStringLiteral("no X11 display is set (DISPLAY)")
                       : QStringLiteral("cannot connect to the X11 display '%1'").arg(display);
        }
        if (noWayland.match(message).hasMatch())
            return QStringLiteral("cannot connect to the Wayland display (WAYLAND_DISPLAY)");
        if (const auto match = noPlugin.match(message); match.hasMatch()) {
            const QString plugin = match.captured(1);
            const QString package = plugin == QLatin1String("wayland")
                                        ? QStringLiteral("; install the package qt6-wayland")
                                        : QString();
            return QStringLiteral("Qt's platform plugin '%1' is not installed%2")
                .arg(plugin, package);
        }
    }
    // Qt's own words, as far as its first sentence.
    const QString last = messages.value(messages.size() - 1).section(QLatin1Char('\n'), 0, 0);
    return last.section(QStringLiteral(". "), 0, 0)
        .remove(QRegularExpression(QStringLiteral("\\.$")));
}
