#pragma once

#include "tarvixhidchangedcallback.h"

#include <thread>

// Counts switch notifications and notes a call from a thread other than the creating one.
class CountingHIDListener final : public TarvixHIDChangedCallback
{
public:
    void onHIDChanged() override
    {
        ++calls;
        calledFromOtherThread |= std::this_thread::get_id() != owner;
    }

    int calls = 0;
    bool calledFromOtherThread = false;

private:
    const std::thread::id owner = std::this_thread::get_id();
};
