#include "benchsupport.h"

#include <cstdlib>
#include <ctime>
#include <fstream>
#include <string>

namespace BenchSupport {

std::int64_t monotonicNs()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec;
}

std::int64_t spawnTimeNs()
{
    const char* value = std::getenv(spawnTimeVariable);
    if (!value || !*value)
        return -1;
    char* end = nullptr;
    const long long parsed = std::strtoll(value, &end, 10);
    return (end && *end == '\0' && parsed > 0) ? parsed : -1;
}

long peakResidentKb()
{
    std::ifstream status("/proc/self/status");
    std::string key;
    while (status >> key) {
        if (key == "VmHWM:") {
            long kb = -1;
            status >> kb;
            return kb;
        }
        status.ignore(4096, '\n');
    }
    return -1;
}

} // namespace BenchSupport
