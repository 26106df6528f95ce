// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

class QDBusConnection;

// One window per desktop session and set of backend options. The first window's process owns a
// name on the session bus (serviceName()) with one object, kObjectPath, whose interface
// kInterface has one method:
//
//   Open(s presetFile, s activationToken)
//
// A later start of the window with the same options calls it and ends: the running panel raises
// its window and, for a non-empty absolute presetFile, loads it as it would a file named at its
// start. activationToken is the launcher's XDG_ACTIVATION_TOKEN (empty if none), with which a
// Wayland compositor lets the raised window take the focus. Without a session bus, or with other
// options, each start runs alone.
//
// A request that arrives while a modal dialog (a file dialog) or an error box is open waits until
// none is: requested() is emitted only then, once per request, in order. GUI thread only.
class SingleInstance : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "com.tarvix.TarvixMixer1")

public:
    static constexpr const char* kObjectPath = "/com/tarvix/TarvixMixer";
    static constexpr const char* kInterface = "com.tarvix.TarvixMixer1";

    // The bus name for these backend options (--backend, --all-cards, --card-state,
    // --simulator-panel, as normalised words): "com.tarvix.TarvixMixer" for none, with a suffix
    // that hashes them otherwise.
    static QString serviceName(const QStringList& backendOptions);

    enum class Claim { Owned, Taken, NoBus };

    explicit SingleInstance(const QString& serviceName, QObject* parent = nullptr);

    // Offers the object and asks for the name on `bus` (the session bus unless given).
    Claim claim(const QDBusConnection& bus);
    Claim claim();
    // Asks the owner of `serviceName` to open `presetFile`; true once it has accepted.
    static bool handOver(const QDBusConnection& bus, const QString& serviceName,
                         const QString& presetFile, const QString& activationToken);

public slots:
    Q_SCRIPTABLE void Open(const QString& presetFile, const QString& activationToken);

signals:
    void requested(const QString& presetFile, const QString& activationToken);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    static bool dialogOpen();
    void deliver();

    QString name;
    QList<QStringList> waiting;
};
