#pragma once

#include <atomic>
#include <mutex>
#include <thread>

// The one lock of the simulated library. Re-entrant on one thread; it also knows its owner, so
// that tests can ask whether the calling thread holds it.
class LibraryLock
{
public:
    void lock();
    // An unlock by a thread that does not hold the lock is ignored.
    void unlock();
    bool tryLock();
    bool isHeldByCurrentThread() const;

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
    void takeOwnership();

    std::recursive_mutex mutex;
    std::atomic<std::thread::id> owner{};
    int depth = 0; // touched only by the owner
};
