#pragma once

#include "tarvixdevicecallback.h"

#include <QByteArray>
#include <QList>

#include <mutex>

class TarvixControl;

// The ids of the devices a library has present, in order of arrival, kept up to date by being
// its device listener.
//
// follow() runs on the main thread; the library calls onDeviceEvent() on its delivery thread;
// ids() may be called from any thread (a mutex guards the list). Once registered it stays the
// library's listener, so it must outlive the control: delete the control first.
class PresentDevices final : public TarvixDeviceCallback
{
public:
    // Becomes the control's device listener and returns once it has heard of every device
    // present at the call.
    void follow(TarvixControl& control);
    // The raw UTF-8 ids, as getDevice() takes them.
    QList<QByteArray> ids() const;

    void onDeviceEvent(CallbackType type, const char* id, TarvixDevice* device) override;

private:
    mutable std::mutex mutex;
    QList<QByteArray> present;
};
