#pragma once

#include <sys/types.h>

#include <cstdint>
#include <map>
#include <string>

// What one thread of a process has used so far, read from /proc/<pid>/task/<tid>/.
struct ThreadUsage
{
    std::string name;
    long long voluntarySwitches = 0; // each one a sleep, so later a wake-up
    long long involuntarySwitches = 0;
    // On-CPU time from schedstat, to the nanosecond; from utime + stime (clock ticks) where the
    // kernel keeps no schedstat.
    long long cpuNs = 0;
};

// A snapshot of every thread of a process.
class ProcessSampler
{
public:
    static std::map<pid_t, ThreadUsage> sample(pid_t pid);
};

// The change between two snapshots of the same process, thread by thread.
struct UsageDelta
{
    long long wakeUps = 0;
    long long cpuNs = 0;
    std::map<pid_t, ThreadUsage> perThread;

    static UsageDelta between(const std::map<pid_t, ThreadUsage>& before,
                              const std::map<pid_t, ThreadUsage>& after);
};
