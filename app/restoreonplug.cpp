// SPDX-License-Identifier: GPL-3.0-or-later
#include "restoreonplug.h"

#include "tarvixcontrol.h"

RestoreOnPlug::RestoreOnPlug(const QByteArray& deviceId, const QString& fileName, QObject* parent)
    : QObject(parent), deviceId(deviceId), fileName(fileName)
{
}

void RestoreOnPlug::follow(TarvixControl& library)
{
    control = &library;
    library.registerTarvixDeviceCallback(this);
}

void RestoreOnPlug::onDeviceEvent(CallbackType type, const char* id, TarvixDevice*)
{
    if (type == DeviceArrival && id && deviceId == id)
        QMetaObject::invokeMethod(this, &RestoreOnPlug::apply, Qt::QueuedConnection);
}

// By now the device may have gone again: the lookup under the lock then finds nothing.
void RestoreOnPlug::apply()
{
    const PresetTransfer::Outcome outcome = PresetTransfer::load(
        *control, [this] { return control->getDevice(deviceId.constData()); }, fileName);
    emit applied(outcome);
}
