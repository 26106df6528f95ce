#pragma once

#include "alsabackend.h"
#include "backendtable.h"
#include "tarvixcontrol.h"
#include "tarvixmixer.h"
#include "virtualcards.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QSlider>

#include <memory>

// The mixer window on the ALSA backend over virtual cards, torn down as the program does. GUI
// thread only.
struct AlsaMixer
{
    // The control comes from the program's backend table, which by default lists USB audio
    // interfaces only.
    explicit AlsaMixer(bool allCards = false)
    {
        if (allCards)
            BackendTable::setListAllCards(true);
        control.reset(BackendTable::find("alsa")->create());
        if (allCards)
            BackendTable::setListAllCards(false);
        window = std::make_unique<TarvixMixer>(control.get());
    }
    // The window on a library the caller owns and tears down.
    explicit AlsaMixer(TarvixControl& library) : window(std::make_unique<TarvixMixer>(&library)) {}
    ~AlsaMixer()
    {
        if (control)
            window->detachFromLibrary();
        control.reset();
    }
    template <typename T = QWidget> T* get(const char* name) const
    {
        return window->findChild<T*>(QLatin1String(name));
    }
    QString label(const char* name) const { return get<QLabel>(name)->text(); }
    bool checked(const char* name) const { return get<QAbstractButton>(name)->isChecked(); }
    QSlider* slider(const char* name) const { return get<QSlider>(name); }
    QComboBox* list() const { return get<QComboBox>("combo_device_select"); }
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
