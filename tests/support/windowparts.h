#pragma once

// The one widget lookup of the window tests, whichever library the window runs on. GUI thread
// only; a widget that is not there ends the test program.

#include "tarvixmixer.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QSlider>

#include <memory>

template <typename T = QWidget> T* widget(const QWidget* window, const QString& name)
{
    T* found = window->findChild<T*>(name);
    if (!found)
        qFatal("no widget %s", qPrintable(name));
    return found;
}

inline QComboBox* deviceList(const QWidget* window)
{
    return widget<QComboBox>(window, "combo_device_select");
}

inline QStringList itemIds(const QWidget* window)
{
    QStringList ids;
    for (int i = 0; i < deviceList(window)->count(); ++i)
        ids.append(deviceList(window)->itemData(i).toString());
    return ids;
}

inline QString currentId(const QWidget* window)
{
    return deviceList(window)->currentData().toString();
}

// What every window fixture offers. Levels by the end of their names: slider("playback_left")
// is "vol_slider_playback_left".
struct WindowParts
{
    template <typename T = QWidget> T* get(const QString& name) const
    {
        return widget<T>(window.get(), name);
    }
    QSlider* slider(const QString& side) const { return get<QSlider>("vol_slider_" + side); }
    QLabel* label(const QString& side) const { return get<QLabel>("vol_label_" + side); }
    QCheckBox* box(const QString& name) const { return get<QCheckBox>(name); }
    QComboBox* list() const { return deviceList(window.get()); }
    QStringList ids() const { return itemIds(window.get()); }

    std::unique_ptr<TarvixMixer> window;
};
