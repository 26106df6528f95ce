// SPDX-License-Identifier: GPL-3.0-or-later
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
    QComboBox* list() const { return get<QComboBox>("combo_device_select"); }
    // The listed devices' ids, in order.
    QStringList ids() const
    {
        QStringList ids;
        for (int i = 0; i < list()->count(); ++i)
            ids.append(list()->itemData(i).toString());
        return ids;
    }

    std::unique_ptr<TarvixMixer> window;
};
