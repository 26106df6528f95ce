#pragma once

#include "alsabackend.h"
#include "tarvixcontrol.h"
#include "tarvixmixer.h"
#include "virtualcards.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QSlider>

#include <memory>

// The mixer window on the ALSA backend, for the tests that drive it with virtual cards.

template <typename T> T* find(QWidget* window, const char* name)
{
    T* found = window->findChild<T*>(QLatin1String(name));
    if (!found)
        qFatal("no widget %s", name);
    return found;
}

// The window on the ALSA backend over a folder of virtual cards; torn down as the program does.
struct AlsaMixer
{
    explicit AlsaMixer(bool allCards = false)
    {
        AlsaBackend::Options options;
        options.listAllCards = allCards;
        control.reset(AlsaBackend::createControl(options));
        window = std::make_unique<TarvixMixer>(control.get());
    }
    ~AlsaMixer()
    {
        window->detachFromLibrary();
        control.reset();
    }
    QComboBox* list() const { return find<QComboBox>(window.get(), "combo_device_select"); }
    QString label(const char* name) const { return find<QLabel>(window.get(), name)->text(); }
    bool enabled(const char* name) const
    {
        return find<QGroupBox>(window.get(), name)->isEnabled();
    }
    bool checked(const char* name) const
    {
        return find<QCheckBox>(window.get(), name)->isChecked();
    }
    QSlider* slider(const char* name) const { return find<QSlider>(window.get(), name); }
    QStringList ids() const
    {
        QStringList result;
        for (int i = 0; i < list()->count(); ++i)
            result.append(list()->itemData(i).toString());
        return result;
    }

    std::unique_ptr<TarvixControl> control;
    std::unique_ptr<TarvixMixer> window;
};
