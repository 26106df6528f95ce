#include "presentdevices.h"

#include "backendcontrol.h"

#include <future>

void PresentDevices::follow(TarvixControl& control)
{
    control.registerTarvixDeviceCallback(this);
    // The libraries built on the kit report the devices present from their delivery thread;
    // any other reports them within the registration.
    auto* kitControl = dynamic_cast<BackendControl*>(&control);
    if (!kitControl)
        return;
    std::promise<void> delivered;
    kitControl->afterDeliveries([&delivered] { delivered.set_value(); });
    delivered.get_future().wait();
}

QList<QByteArray> PresentDevices::ids() const
{
    std::lock_guard<std::mutex> guard(mutex);
    return present;
}

void PresentDevices::onDeviceEvent(CallbackType type, const char* id, TarvixDevice*)
{
    if (!id)
        return;
    std::lock_guard<std::mutex> guard(mutex);
    if (type == DeviceArrival)
        present.append(QByteArray(id));
    else if (type == DeviceRemoval)
        present.removeAll(QByteArray(id));
}
