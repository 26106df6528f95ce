// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "presettransfer.h"
#include "tarvixdevicecallback.h"

#include <QByteArray>
#include <QObject>
#include <QString>

class TarvixControl;

// Loads a preset file into one device each time the library reports its arrival, the arrival
// reported for a device present at registration included. Other devices are never touched. The
// file is read again for every arrival, so it may be changed in the meantime.
//
// Lives on the main thread and applies there, with its event loop running; the library calls
// onDeviceEvent() on its delivery thread, which only queues the work. Once registered it stays
// the library's listener, so it must outlive the control: delete the control first.
class RestoreOnPlug : public QObject, public TarvixDeviceCallback
{
    Q_OBJECT

public:
    RestoreOnPlug(const QByteArray& deviceId, const QString& fileName, QObject* parent = nullptr);

    void follow(TarvixControl& control);

    void onDeviceEvent(CallbackType type, const char* id, TarvixDevice* device) override;

signals:
    // Once for each arrival of the device: whether the preset was loaded, or why not.
    void applied(PresetTransfer::Outcome outcome);

private:
    void apply();

    const QByteArray deviceId;
    const QString fileName;
    TarvixControl* control = nullptr;
};
