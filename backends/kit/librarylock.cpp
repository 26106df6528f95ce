// SPDX-License-Identifier: GPL-3.0-or-later
#include "librarylock.h"

void LibraryLock::lock()
{
    mutex.lock();
    if (depth++ == 0)
        owner.store(std::this_thread::get_id());
}

void LibraryLock::unlock()
{
    if (owner.load() != std::this_thread::get_id())
        return;
    if (--depth == 0)
        owner.store(std::thread::id());
    mutex.unlock();
}
