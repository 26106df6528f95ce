#pragma once

#include <sys/types.h>

#include <cstdio>
#include <string>
#include <vector>

// A benchmark program started by the runner: its standard output comes back through a pipe,
// its standard error is appended to a log file, and its environment carries the spawn time
// (BenchSupport::spawnTimeVariable) taken right before it was started.
class ChildProcess
{
public:
    ChildProcess() = default;
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool start(const std::string& program, const std::vector<std::string>& arguments,
               const std::string& errorLog);
    pid_t pid() const { return childPid; }

    // Reads one line of the child's output; false at its end or when the time-out passes.
    bool readLine(std::string& line, int timeoutMs);
    // The value of the first "KEY VALUE" line with that key, reading on until it comes.
    bool readValue(const std::string& key, long long& value, int timeoutMs);
    // Every remaining line, until the child closes its output or the time-out passes.
    std::vector<std::string> readRemainingLines(int timeoutMs);

    void terminate();
    // Waits for the child to end (killing it if it has not within the time-out); its exit code,
    // or -1 if it did not exit normally.
    int wait(int timeoutMs);

private:
    pid_t childPid = -1;
    int outputFd = -1;
    std::string buffered;
};
