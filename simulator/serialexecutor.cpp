#include "serialexecutor.h"

SerialExecutor::SerialExecutor() : thread([this] { run(); }) {}

SerialExecutor::~SerialExecutor()
{
    stop();
}

void SerialExecutor::post(Task task)
{
    {
        std::lock_guard<std::mutex> guard(queueMutex);
        if (stopped || stopRequested.load())
            return; // `task` is destroyed outside the queue lock
        tasks.push_back(std::move(task));
    }
    queueChanged.notify_all();
}

bool SerialExecutor::runExclusively(const Task& work)
{
    std::lock_guard<std::recursive_mutex> running(runMutex);
    if (stopRequested.load())
        return false;
    work();
    return true;
}

bool SerialExecutor::waitUntilIdle(std::chrono::steady_clock::time_point deadline)
{
    if (isExecutorThread())
        return false;
    std::unique_lock<std::mutex> guard(queueMutex);
    queueChanged.wait_until(guard, deadline, [this] { return stopped || idleLocked(); });
    return !stopped && idleLocked();
}

bool SerialExecutor::isIdle()
{
    std::lock_guard<std::mutex> guard(queueMutex);
    return !stopped && idleLocked();
}

bool SerialExecutor::isExecutorThread() const
{
    return std::this_thread::get_id() == thread.get_id();
}

void SerialExecutor::requestStop()
{
    stopRequested.store(true);
}

void SerialExecutor::stop()
{
    if (!thread.joinable())
        return;
    requestStop();
    {
        // Waits for the task body in progress; any later one sees stopRequested and is skipped.
        std::lock_guard<std::recursive_mutex> running(runMutex);
    }
    std::deque<Task> unrun;
    {
        std::lock_guard<std::mutex> guard(queueMutex);
        stopped = true;
        unrun.swap(tasks);
    }
    queueChanged.notify_all();
    thread.join();
}

void SerialExecutor::run()
{
    for (;;) {
        Task task;
        {
            std::unique_lock<std::mutex> guard(queueMutex);
            queueChanged.wait(guard, [this] { return stopped || !tasks.empty(); });
            if (stopped)
                return;
            task = std::move(tasks.front());
            tasks.pop_front();
            busy = true;
        }
        {
            std::lock_guard<std::recursive_mutex> running(runMutex);
            if (!stopRequested.load())
                task();
        }
        task = nullptr;
        {
            std::lock_guard<std::mutex> guard(queueMutex);
            busy = false;
        }
        queueChanged.notify_all();
    }
}
