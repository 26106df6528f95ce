#include "librarylock.h"

void LibraryLock::lock()
{
    mutex.lock();
    takeOwnership();
}

void LibraryLock::unlock()
{
    if (!isHeldByCurrentThread())
        return;
    if (--depth == 0)
        owner.store(std::thread::id());
    mutex.unlock();
}

bool LibraryLock::tryLock()
{
    if (!mutex.try_lock())
        return false;
    takeOwnership();
    return true;
}

bool LibraryLock::isHeldByCurrentThread() const
{
    return owner.load() == std::this_thread::get_id();
}

void LibraryLock::takeOwnership()
{
    if (depth++ == 0)
        owner.store(std::this_thread::get_id());
}
