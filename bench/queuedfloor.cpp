#include "queuedfloor.h"

#include "benchsupport.h"

QueuedFloor::QueuedFloor()
{
    // The thread emits while this object lives on the GUI thread, so the automatic connection
    // queues every call, as the window's bridge does.
    connect(this, &QueuedFloor::notified, this, &QueuedFloor::receive);
    thread = std::thread([this] { run(); });
}

QueuedFloor::~QueuedFloor()
{
    {
        std::lock_guard<std::mutex> guard(mutex);
        stopping = true;
    }
    wake.notify_all();
    thread.join();
}

void QueuedFloor::requestEmissions(int count)
{
    {
        std::lock_guard<std::mutex> guard(mutex);
        pending += count;
    }
    wake.notify_all();
}

void QueuedFloor::run()
{
    std::unique_lock<std::mutex> guard(mutex);
    for (;;) {
        wake.wait(guard, [this] { return stopping || pending > 0; });
        if (stopping)
            return;
        const int count = pending;
        pending = 0;
        guard.unlock();
        for (int i = 0; i < count; ++i) {
            emittedNs.store(BenchSupport::monotonicNs(), std::memory_order_release);
            emit notified();
        }
        guard.lock();
    }
}

void QueuedFloor::receive()
{
    if (onReceived)
        onReceived();
}
