// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

// A thread of its own that runs posted tasks one at a time, in the order they were posted.
//
// stop() waits for the task in progress, if any, and guarantees that no further task body runs;
// tasks still queued are destroyed unrun. A task is destroyed on the executor's thread right
// after it has run, so whatever it holds is released there.
class SerialExecutor
{
public:
    using Task = std::function<void()>;

    SerialExecutor(); // throws std::system_error if the thread cannot be started
    ~SerialExecutor();

    SerialExecutor(const SerialExecutor&) = delete;
    SerialExecutor& operator=(const SerialExecutor&) = delete;

    // Never run once requestStop() has been called; destroyed by stop(), after the task in
    // progress, or at once if the executor has stopped.
    void post(Task task);

    // From now on no task body starts; a task in progress runs on. Returns at once.
    void requestStop();
    // requestStop(), then waits for the task in progress and ends the thread. Must not be called
    // from a task.
    void stop();

private:
    void run();

    std::mutex queueMutex;
    std::condition_variable queueChanged;
    std::deque<Task> tasks;
    bool stopped = false;

    // Held while a task body runs; stop() takes it to wait for the task in progress.
    std::mutex runMutex;
    std::atomic<bool> stopRequested{false};

    std::thread thread;
};
