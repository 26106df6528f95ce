// SPDX-License-Identifier: GPL-3.0-or-later
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
        : AlsaMixer(BackendTable::find("alsa")->create(BackendOptions{allCards, {}}))
    {
    }
    // The window on another library, which it owns.
    explicit AlsaMixer(TarvixControl* library) : control(library)
    {
        window = std::make_unique<TarvixMixer>(library);
    }
    ~AlsaMixer()
    {
        window->detachFromLibrary();
        control.reset();
    }

    std::unique_ptr<TarvixControl> control;
};
