#pragma once

#include <QObject>

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>

// The floor of the notification figures: a plain std::thread that emits a bare signal, queued
// to a receiver on the GUI thread. The thread sleeps on a condition variable until asked to
// emit, like the library's delivery thread between notifications.
class QueuedFloor : public QObject
{
    Q_OBJECT

public:
    QueuedFloor();
    ~QueuedFloor() override;

    // Asks the thread to emit `count` signals back to back; returns at once.
    void requestEmissions(int count);
    // CLOCK_MONOTONIC time of the thread's latest emission.
    std::int64_t lastEmittedNs() const { return emittedNs.load(std::memory_order_acquire); }

    // Run on the GUI thread for each signal received.
    std::function<void()> onReceived;

signals:
    void notified();

private slots:
    void receive();

private:
    void run();

    std::mutex mutex;
    std::condition_variable wake;
    int pending = 0;
    bool stopping = false;
    std::atomic<std::int64_t> emittedNs{0};
    std::thread thread;
};
