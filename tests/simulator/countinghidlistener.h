#pragma once

#include "tarvixhidchangedcallback.h"

#include <thread>

// Counts switch notifications and remembers whether one came from another thread than the one
// that created it. Used on one thread only, as the library promises.
class CountingHIDListener final : public TarvixHIDChangedCallback
{
public:
    void onHIDChanged() override
    {
        ++calls;
        if (std::this_thread::get_id() != owner)
            calledFromOtherThread = true;
    }

    int calls = 0;
    bool calledFromOtherThread = false;

private:
    const std::thread::id owner = std::this_thread::get_id();
};
