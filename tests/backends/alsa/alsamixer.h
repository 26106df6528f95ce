#pragma once

#include "alsabackend.h"
#include "backendtable.h"
#include "tarvixcontrol.h"
#include "virtualcards.h"
#include "windowparts.h"

#include <memory>

// The mixer window on the ALSA backend over virtual cards, torn down as the program does. GUI
// thread only.
struct AlsaMixer : WindowParts
{
    // The control comes from the program's backend table, which by default lists USB audio
    // interfaces only.
    explicit AlsaMixer(bool allCards = false)
    {
        BackendOptions options;
        options.listAllCards = allCards;
        control.reset(BackendTable::find("alsa")->create(options));
        window = std::make_unique<TarvixMixer>(control.get());
    }
    // The window on a library the caller owns and tears down.
    explicit AlsaMixer(TarvixControl& library) { window = std::make_unique<TarvixMixer>(&library); }
    ~AlsaMixer()
    {
        if (control)
            window->detachFromLibrary();
        control.reset();
    }

    std::unique_ptr<TarvixControl> control;
};
