// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "tarvixcontrol.h"

// Holds the device library's lock for the lifetime of a scope. The lock is re-entrant, so
// nested scopes on one thread are fine.
class LibraryLocker
{
public:
    explicit LibraryLocker(TarvixControl* control) : control(control) { control->lock(); }
    ~LibraryLocker() { control->unlock(); }

    LibraryLocker(const LibraryLocker&) = delete;
    LibraryLocker& operator=(const LibraryLocker&) = delete;

private:
    TarvixControl* control;
};
