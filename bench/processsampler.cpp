#include "processsampler.h"

#include <dirent.h>

#include <cstdlib>
#include <fstream>
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
        usage.cpuNs = std::atoll(readFirstLine(base + "/schedstat").c_str());
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
