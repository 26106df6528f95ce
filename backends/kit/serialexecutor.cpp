// SPDX-License-Identifier: GPL-3.0-or-later
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
        // Once a stop was requested a task is still queued, never to run: stop() destroys it
        // after the delivery in progress, which may use what the task holds alive.
        if (stopped)
            return; // `task` is destroyed outside the queue lock
        tasks.push_back(std::move(task));
    }
    queueChanged.notify_all();
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
        std::lock_guard<std::mutex> running(runMutex);
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
        }
        {
            std::lock_guard<std::mutex> running(runMutex);
            if (!stopRequested.load())
                task();
        }
        task = nullptr;
    }
}
