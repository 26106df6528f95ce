#pragma once

#include <atomic>
#include <chrono>
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

    // Dropped once requestStop() has been called.
    void post(Task task);

    // Runs `work` on the calling thread, never at the same time as a task; false, without
    // running it, once requestStop() has been called. May be called from within a task.
    bool runExclusively(const Task& work);

    // True once nothing is queued or running; false when the deadline passes first, when
    // called from a task (it would wait for itself), or once the thread has stopped.
    bool waitUntilIdle(std::chrono::steady_clock::time_point deadline);
    bool isIdle();

    bool isExecutorThread() const;

    // From now on no task body starts; a task in progress runs on. Returns at once.
    void requestStop();
    // requestStop(), then waits for the task in progress and ends the thread. Must not be called
    // from a task.
    void stop();

private:
    void run();
    bool idleLocked() const { return tasks.empty() && !busy; }

    std::mutex queueMutex;
    std::condition_variable queueChanged;
    std::deque<Task> tasks;
    bool busy = false;
    bool stopped = false;

    // Held while a task body runs; stop() takes it to wait for the task in progress.
    std::recursive_mutex runMutex;
    std::atomic<bool> stopRequested{false};

    std::thread thread;
};
