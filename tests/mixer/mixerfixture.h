#pragma once

#include "recordinglibrary.h"
#include "tarvixmixer.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QSlider>

#include <memory>

// A window built around a recording fake library, with its widgets found by object name.
class MixerFixture
{
public:
    ~MixerFixture() { window.reset(); }

    // Plugs the devices, has the library report `arrivalsOnRegister` from within the
    // registration, and builds the window.
    TarvixMixer* open(const QList<FakeDeviceConfig>& devices = {},
                      const QList<QByteArray>& arrivalsOnRegister = {})
    {
        for (const FakeDeviceConfig& config : devices)
            library.plug(config);
        library.arrivalsOnRegister = arrivalsOnRegister;
        window = std::make_unique<TarvixMixer>(&library);
        return window.get();
    }

    template <typename T = QWidget> T* widget(const char* name) const
    {
        return window->findChild<T*>(QLatin1String(name));
    }
    QSlider* slider(const char* name) const { return widget<QSlider>(name); }
    QLabel* label(const char* name) const { return widget<QLabel>(name); }
    QCheckBox* box(const char* name) const { return widget<QCheckBox>(name); }
    QComboBox* deviceList() const { return widget<QComboBox>("combo_device_select"); }
    FakeDevice* device(const char* id) const { return library.device(id); }

    QStringList itemIds() const
    {
        QStringList ids;
        for (int i = 0; i < deviceList()->count(); ++i)
            ids.append(deviceList()->itemData(i, Qt::UserRole).toString());
        return ids;
    }

    RecordingLibrary library;
    std::unique_ptr<TarvixMixer> window;
};

inline FakeDeviceConfig fakeDevice(const QByteArray& id, bool hid = true, bool input = true,
                                   bool output = true)
{
    FakeDeviceConfig config;
    config.id = id;
    config.name = "Device " + id;
    config.hasHid = hid;
    config.hasInput = input;
    config.hasOutput = output;
    return config;
}
