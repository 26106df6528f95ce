// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "tarvixdevice.h"

#include <memory>
#include <string>
#include <utility>

// A device record as a backend hands it out: its id and name, and the endpoints and HID
// interface the device has (each null when it has none), of the backend's own classes. Owns
// everything it points to. Built and used with the library lock held; see BackendControl for
// how long a record stays valid.
template <class Endpoint, class Hid> class KitDevice : public TarvixDevice
{
public:
    KitDevice(std::string id, std::string name) : idText(std::move(id)), nameText(std::move(name))
    {
        TarvixDevice::id = idText.c_str();
        TarvixDevice::name = nameText.c_str();
    }

    KitDevice(const KitDevice&) = delete;
    KitDevice& operator=(const KitDevice&) = delete;

    Endpoint* outputEndpoint() const { return outputPart.get(); }
    Endpoint* inputEndpoint() const { return inputPart.get(); }
    Hid* switches() const { return hidPart.get(); }

protected:
    void setParts(std::unique_ptr<Endpoint> newOutput, std::unique_ptr<Endpoint> newInput,
                  std::unique_ptr<Hid> newHid)
    {
        outputPart = std::move(newOutput);
        inputPart = std::move(newInput);
        hidPart = std::move(newHid);
        output = outputPart.get();
        input = inputPart.get();
        hid = hidPart.get();
    }

private:
    const std::string idText;
    const std::string nameText;
    std::unique_ptr<Endpoint> outputPart;
    std::unique_ptr<Endpoint> inputPart;
    std::unique_ptr<Hid> hidPart;
};
