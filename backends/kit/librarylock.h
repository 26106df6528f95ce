// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>
#include <mutex>
#include <thread>

// The one lock of a device library. Re-entrant on one thread; an unlock by a thread that does
// not hold it is ignored, so a stray unlock cannot release another thread's lock.
class LibraryLock
{
public:
    void lock();
    void unlock();

    class Guard
    {
    public:
        explicit Guard(LibraryLock& lock) : lock(lock) { lock.lock(); }
        ~Guard() { lock.unlock(); }
        Guard(const Guard&) = delete;
        Guard& operator=(const Guard&) = delete;

    private:
        LibraryLock& lock;
    };

private:
    std::recursive_mutex mutex;
    std::atomic<std::thread::id> owner{};
    int depth = 0; // touched only by the owner
};
