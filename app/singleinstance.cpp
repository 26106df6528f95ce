// SPDX-License-Identifier: GPL-3.0-or-later
#include "singleinstance.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QErrorMessage>
#include <QEvent>
#include <QFileInfo>

namespace {

// A handed-over call waits at most this long for the running panel's answer.
constexpr int kHandOverTimeoutMs = 10000;

} // namespace

QString SingleInstance::serviceName(const QStringList& backendOptions)
{
    const QString base = QStringLiteral("com.tarvix.TarvixMixer");
    if (backendOptions.isEmpty())
        return base;
    const QByteArray hash = QCryptographicHash::hash(backendOptions.join(QChar(0)).toUtf8(),
                                                     QCryptographicHash::Sha256);
    // A name's element must not start with a digit.
    return base + QStringLiteral(".x") + QString::fromLatin1(hash.toHex().left(16));
}

SingleInstance::SingleInstance(const QString& serviceName, QObject* parent)
    : QObject(parent), name(serviceName)
{
}

SingleInstance::Claim SingleInstance::claim()
{
    return claim(QDBusConnection::sessionBus());
}

SingleInstance::Claim SingleInstance::claim(const QDBusConnection& bus)
{
    QDBusConnection connection(bus);
    if (!connection.isConnected())
        return Claim::NoBus;
    // The object is there before the name, so a caller that sees the name finds the object.
    if (!connection.registerObject(QLatin1String(kObjectPath), this,
                                   QDBusConnection::ExportScriptableSlots))
        return Claim::NoBus;
    if (connection.registerService(name))
        return Claim::Owned;
    connection.unregisterObject(QLatin1String(kObjectPath));
    return connection.interface()->isServiceRegistered(name) ? Claim::Taken : Claim::NoBus;
}

bool SingleInstance::handOver(const QDBusConnection& bus, const QString& serviceName,
                              const QString& presetFile, const QString& activationToken)
{
    QDBusMessage call = QDBusMessage::createMethodCall(
        serviceName, QLatin1String(kObjectPath), QLatin1String(kInterface), QStringLiteral("Open"));
    call << presetFile << activationToken;
    return bus.call(call, QDBus::Block, kHandOverTimeoutMs).type() == QDBusMessage::ReplyMessage;
}

void SingleInstance::Open(const QString& presetFile, const QString& activationToken)
{
    // Only a whole path names the same file for both processes.
    const QString file = QFileInfo(presetFile).isAbsolute() ? presetFile : QString();
    waiting.append({file, activationToken});
    if (waiting.size() == 1)
        qApp->installEventFilter(this);
    // The reply goes out first; the request is handled once the event loop is back.
    QMetaObject::invokeMethod(this, &SingleInstance::deliver, Qt::QueuedConnection);
}

bool SingleInstance::eventFilter(QObject* watched, QEvent* event)
{
    // A dialog or box that goes may have been the last in the way.
    if (event->type() == QEvent::Hide && watched->isWidgetType() &&
        static_cast<QWidget*>(watched)->isWindow())
        QMetaObject::invokeMethod(this, &SingleInstance::deliver, Qt::QueuedConnection);
    return QObject::eventFilter(watched, event);
}

bool SingleInstance::dialogOpen()
{
    if (QApplication::activeModalWidget())
        return true;
    // Every window, also a box parented to the main window.
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window->isVisible() && qobject_cast<QErrorMessage*>(window))
            return true;
    }
    return false;
}

void SingleInstance::deliver()
{
    while (!waiting.isEmpty() && !dialogOpen()) {
        const QStringList request = waiting.takeFirst();
        if (waiting.isEmpty())
            qApp->removeEventFilter(this);
        emit requested(request.value(0), request.value(1));
    }
}
