#include "processsampler.h"

#include <dirent.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

namespace {

std::string readFirstLine(const std::string& path)
{
    std::ifstream file(path);
    std::string line;
    std::getline(file, line);
    return line;
}

long long statusValue(const std::string& statusPath, const std::string& key)
{
    std::ifstream status(statusPath);
    std::string name;
    while (status >> name) {
        if (name == key) {
            long long value = 0;
            status >> value;
            return value;
        }
        status.ignore(4096, '\n');
    }
    return 0;
}

// utime + stime of /proc/.../stat, in clock ticks turned into nanoseconds: the coarse fallback
// where the kernel keeps no schedstat.
long long cpuNsFromStat(const std::string& statPath)
{
    const std::string line = readFirstLine(statPath);
    const std::size_t commandEnd = line.rfind(')');
    if (commandEnd == std::string::npos)
        return 0;
    std::istringstream fields(line.substr(commandEnd + 2));
    std::string field;
    long long utime = 0, stime = 0;
    // After the command come the state (field 3) and the others; utime and stime are 14 and 15.
    for (int number = 3; number <= 15 && fields >> field; ++number) {
        if (number == 14)
            utime = std::atoll(field.c_str());
        else if (number == 15)
            stime = std::atoll(field.c_str());
    }
    const long ticksPerSecond = sysconf(_SC_CLK_TCK);
    return ticksPerSecond > 0 ? (utime + stime) * (1000000000LL / ticksPerSecond) : 0;
}

} // namespace

std::map<pid_t, ThreadUsage> ProcessSampler::sample(pid_t pid)
{
    std::map<pid_t, ThreadUsage> threads;
    const std::string taskDir = "/proc/" + std::to_string(pid) + "/task";
    DIR* dir = opendir(taskDir.c_str());
    if (!dir)
        return threads;
    while (dirent* entry = readdir(dir)) {
        if (entry->d_name[0] < '0' || entry->d_name[0] > '9')
            continue;
        const std::string base = taskDir + "/" + entry->d_name;
        ThreadUsage usage;
        usage.name = readFirstLine(base + "/comm");
        usage.voluntarySwitches = statusValue(base + "/status", "voluntary_ctxt_switches:");
        usage.involuntarySwitches = statusValue(base + "/status", "nonvoluntary_ctxt_switches:");
        const std::string schedstat = readFirstLine(base + "/schedstat");
        usage.cpuNs =
            schedstat.empty() ? cpuNsFromStat(base + "/stat") : std::atoll(schedstat.c_str());
        threads[static_cast<pid_t>(std::atoi(entry->d_name))] = usage;
    }
    closedir(dir);
    return threads;
}

UsageDelta UsageDelta::between(const std::map<pid_t, ThreadUsage>& before,
                               const std::map<pid_t, ThreadUsage>& after)
{
    UsageDelta delta;
    for (const auto& [tid, now] : after) {
        ThreadUsage change = now;
        const auto earlier = before.find(tid);
        if (earlier != before.end()) {
            change.voluntarySwitches -= earlier->second.voluntarySwitches;
            change.involuntarySwitches -= earlier->second.involuntarySwitches;
            change.cpuNs -= earlier->second.cpuNs;
        }
        delta.wakeUps += change.voluntarySwitches;
        delta.cpuNs += change.cpuNs;
        delta.perThread[tid] = change;
    }
    return delta;
}
