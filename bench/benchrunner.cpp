// Runs every benchmark, each beside its floor in the same run, and prints one table. Details
// (every start-up sample, the idle cost thread by thread, the children's standard error) go to
// files beside this program.

#include "childprocess.h"
#include "processsampler.h"

#include <QtGlobal>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr int startupRuns = 20;
constexpr int idleSettleMs = 1000;
constexpr int idleSeconds = 10;
constexpr int childTimeoutMs = 30000;
constexpr double startupRatioTarget = 1.3;
constexpr double labelStartupRatioTarget = 1.15;
constexpr double alsaLatencyP99TargetMs = 5.0;
constexpr double memoryRatioTarget = 1.3;
constexpr double latencyP99TargetUs = 1000.0;
constexpr double burstTargetMs = 500.0;
constexpr double pollWakeUpsPerSecond = 2.0;
// A 10 s window can hold 20 or 21 ticks of a 500 ms timer, and the floor can gain or lose one.
constexpr double wakeUpAllowance = 0.2;
constexpr double idleCpuTargetPercent = 0.1;

struct Programs
{
    std::string mixer;
    std::string bare;
    std::string notifications;
    std::string alsa;
    std::string errorLog;
    std::string details;
};

std::string directoryOfThisProgram()
{
    char path[4096];
    const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0)
        return ".";
    std::string full(path, static_cast<std::size_t>(length));
    return full.substr(0, full.rfind('/'));
}

double median(std::vector<double> values)
{
    if (values.empty())
        return -1;
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

std::string cpuModel()
{
    std::ifstream cpuinfo("/proc/cpuinfo");
    std::string line;
    while (std::getline(cpuinfo, line)) {
        if (line.rfind("model name", 0) == 0)
            return line.substr(line.find(':') + 2);
    }
    return "unknown";
}

// The 1-minute load average: the figures are only as quiet as the machine they ran on.
std::string loadAverage()
{
    std::ifstream loadavg("/proc/loadavg");
    std::string oneMinute;
    loadavg >> oneMinute;
    return oneMinute.empty() ? "unknown" : oneMinute;
}

struct StartupSample
{
    double readyMs = -1;
    double peakMiB = -1;
    // Milliseconds since the spawn at which each start-up stage was reached, by stage name.
    std::map<std::string, double> stagesMs;
};

StartupSample runStartup(const Programs& programs, const std::string& program,
                         const std::vector<std::string>& arguments, std::string& problem)
{
    StartupSample sample;
    ChildProcess child;
    if (!child.start(program, arguments, programs.errorLog)) {
        problem = "could not start " + program;
        return sample;
    }
    for (const std::string& line : child.readRemainingLines(childTimeoutMs)) {
        std::istringstream fields(line);
        std::string key;
        double value = 0;
        if (!(fields >> key >> value))
            continue;
        if (key.size() > 3 && key.compare(key.size() - 3, 3, "_ns") == 0)
            sample.stagesMs[key.substr(0, key.size() - 3)] = value / 1e6;
        if (key == "ready_ns")
            sample.readyMs = value / 1e6;
        else if (key == "hwm_kb")
            sample.peakMiB = value / 1024.0;
    }
    const int exitCode = child.wait(childTimeoutMs);
    if (exitCode != 0 || sample.readyMs < 0 || sample.peakMiB < 0)
        problem =
            program + " did not report its start-up (exit code " + std::to_string(exitCode) + ")";
    return sample;
}

struct IdleResult
{
    double wakeUpsPerSecond = -1;
    double cpuPercent = -1;
    UsageDelta delta;
};

// Both programs idle side by side: they sleep nearly all the time, so neither disturbs the
// other on two cores. `mixerMode` is "idle", or "idle-minimised" for a mixer whose window is
// minimised once it is ready.
bool runIdle(const Programs& programs, const char* mixerMode, IdleResult& mixer, IdleResult& bare,
             std::string& problem)
{
    ChildProcess mixerChild;
    ChildProcess bareChild;
    long long ready = 0;
    if (!mixerChild.start(programs.mixer, {mixerMode}, programs.errorLog) ||
        !bareChild.start(programs.bare, {"idle"}, programs.errorLog) ||
        !mixerChild.readValue("ready_ns", ready, childTimeoutMs) ||
        !bareChild.readValue("ready_ns", ready, childTimeoutMs)) {
        problem = "the idle programs did not come up";
        return false;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(idleSettleMs));
    const auto mixerBefore = ProcessSampler::sample(mixerChild.pid());
    const auto bareBefore = ProcessSampler::sample(bareChild.pid());
    const auto start = std::chrono::steady_clock::now();
    std::this_thread::sleep_for(std::chrono::seconds(idleSeconds));
    const auto mixerAfter = ProcessSampler::sample(mixerChild.pid());
    const auto bareAfter = ProcessSampler::sample(bareChild.pid());
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    mixerChild.terminate();
    bareChild.terminate();
    mixerChild.wait(childTimeoutMs);
    bareChild.wait(childTimeoutMs);

    for (auto [result, before, after] : {std::tuple{&mixer, &mixerBefore, &mixerAfter},
                                         std::tuple{&bare, &bareBefore, &bareAfter}}) {
        result->delta = UsageDelta::between(*before, *after);
        result->wakeUpsPerSecond = static_cast<double>(result->delta.wakeUps) / seconds;
        result->cpuPercent = static_cast<double>(result->delta.cpuNs) / (seconds * 1e9) * 100.0;
    }
    return true;
}

std::map<std::string, double> runNotifications(const Programs& programs,
                                               std::vector<std::string>& problems)
{
    std::map<std::string, double> figures;
    ChildProcess child;
    if (!child.start(programs.notifications, {}, programs.errorLog)) {
        problems.push_back("could not start " + programs.notifications);
        return figures;
    }
    for (const std::string& line : child.readRemainingLines(120000)) {
        std::istringstream fields(line);
        std::string key;
        fields >> key;
        if (key == "error") {
            problems.push_back("notificationbench: " + line.substr(6));
            continue;
        }
        double value = 0;
        if (fields >> value)
            figures[key] = value;
    }
    if (child.wait(childTimeoutMs) != 0)
        problems.push_back("notificationbench failed");
    return figures;
}

#ifdef TARVIX_WITH_ALSA
// The ALSA backend over two virtual cards: idle as it is, then after one card is unplugged.
bool runAlsaIdle(const Programs& programs, IdleResult& present, IdleResult& unplugged,
                 std::string& problem)
{
    ChildProcess child;
    std::string line;
    std::string folder;
    long long ready = 0;
    if (!child.start(programs.alsa, {"idle"}, programs.errorLog) ||
        !child.readLine(line, childTimeoutMs) || line.rfind("folder ", 0) != 0 ||
        !child.readValue("ready_ns", ready, childTimeoutMs)) {
        problem = "alsabench idle did not come up";
        return false;
    }
    folder = line.substr(7);
    for (IdleResult* result : {&present, &unplugged}) {
        if (result == &unplugged)
            std::remove((folder + "/controlC1").c_str());
        std::this_thread::sleep_for(std::chrono::milliseconds(idleSettleMs));
        const auto before = ProcessSampler::sample(child.pid());
        const auto start = std::chrono::steady_clock::now();
        std::this_thread::sleep_for(std::chrono::seconds(idleSeconds));
        const auto after = ProcessSampler::sample(child.pid());
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        result->delta = UsageDelta::between(before, after);
        result->wakeUpsPerSecond = static_cast<double>(result->delta.wakeUps) / seconds;
        result->cpuPercent = static_cast<double>(result->delta.cpuNs) / (seconds * 1e9) * 100.0;
    }
    child.terminate();
    child.wait(childTimeoutMs);
    return true;
}
#endif

class Table
{
public:
    void add(const std::string& figure, double mixer, double floor, bool withRatio,
             const std::string& target, int met, int decimals = 1)
    {
        rows.push_back({figure, number(mixer, decimals), number(floor, decimals),
                        withRatio && floor > 0 && mixer >= 0 ? number(mixer / floor, 2) : "-",
                        target, met < 0 ? "-" : (met ? "yes" : "NO")});
    }

    void print() const
    {
        const std::vector<std::string> header{"figure", "mixer",  "floor",
                                              "ratio",  "target", "met?"};
        std::vector<std::size_t> widths(header.size());
        for (std::size_t c = 0; c < header.size(); ++c) {
            widths[c] = header[c].size();
            for (const auto& row : rows)
                widths[c] = std::max(widths[c], row[c].size());
        }
        auto printRow = [&](const std::vector<std::string>& row) {
            std::printf("|");
            for (std::size_t c = 0; c < row.size(); ++c)
                std::printf(" %-*s |", static_cast<int>(widths[c]), row[c].c_str());
            std::printf("\n");
        };
        printRow(header);
        std::printf("|");
        for (std::size_t width : widths)
            std::printf("%s|", std::string(width + 2, '-').c_str());
        std::printf("\n");
        for (const auto& row : rows)
            printRow(row);
    }

private:
    static std::string number(double value, int decimals)
    {
        if (value < 0)
            return "n/a";
        char text[64];
        std::snprintf(text, sizeof text, "%.*f", decimals, value);
        return text;
    }

    std::vector<std::vector<std::string>> rows;
};

void writeStageDetails(std::ofstream& details, const char* name,
                       const std::vector<StartupSample>& samples)
{
    details << name << ", start-up stages, median ms since spawn:";
    for (const char* stage : {"app", "shown", "exposed", "applied", "ready"}) {
        std::vector<double> values;
        for (const StartupSample& sample : samples) {
            const auto found = sample.stagesMs.find(stage);
            if (found != sample.stagesMs.end())
                values.push_back(found->second);
        }
        if (!values.empty())
            details << " " << stage << " " << median(values);
    }
    details << "\n  every run, ready (ms) / peak (MiB):";
    for (const StartupSample& sample : samples)
        details << " " << sample.readyMs << "/" << sample.peakMiB;
    details << "\n";
}

void writeIdleDetails(std::ofstream& details, const char* name, const IdleResult& result)
{
    details << name << " idle, " << idleSeconds << " s, thread by thread:\n";
    for (const auto& [tid, usage] : result.delta.perThread)
        details << "  " << tid << " " << usage.name << ": " << usage.voluntarySwitches
                << " wake-ups, " << usage.involuntarySwitches << " preemptions, "
                << usage.cpuNs / 1000 << " us CPU\n";
}

} // namespace

int main()
{
    const std::string directory = directoryOfThisProgram();
    const Programs programs{directory + "/startupprobe",      directory + "/barewindow",
                            directory + "/notificationbench", directory + "/alsabench",
                            directory + "/bench-stderr.log",  directory + "/bench-details.txt"};
    std::remove(programs.errorLog.c_str());
    // Offscreen unless the caller chose a platform: deterministic, and needs no display.
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    const std::string platform = std::getenv("QT_QPA_PLATFORM");
    std::vector<std::string> problems;
    std::ofstream details(programs.details);

    std::printf("Machine: %u cores, %s; Qt %s; %s build; QT_QPA_PLATFORM=%s; load average %s\n",
                std::thread::hardware_concurrency(), cpuModel().c_str(), qVersion(),
                TARVIX_BENCH_BUILD_TYPE, platform.c_str(), loadAverage().c_str());
    std::fflush(stdout);

    // Start-up and peak memory: one discarded round to warm the caches, then the programs in
    // turn, the first of each round rotating. The bare window with one label is no floor of a
    // target; it shows what the first text costs.
    struct Contender
    {
        const char* name;
        std::string program;
        std::vector<std::string> arguments;
        std::vector<StartupSample> samples;
    };
    std::vector<Contender> contenders{{"mixer", programs.mixer, {}, {}},
                                      {"bare window", programs.bare, {}, {}},
                                      {"bare window with a label", programs.bare, {"label"}, {}}};
    for (int run = -1; run < startupRuns; ++run) {
        for (std::size_t turn = 0; turn < contenders.size(); ++turn) {
            Contender& contender =
                contenders[(turn + static_cast<std::size_t>(run + 1)) % contenders.size()];
            std::string problem;
            const StartupSample sample =
                runStartup(programs, contender.program, contender.arguments, problem);
            if (!problem.empty())
                problems.push_back(problem);
            else if (run >= 0)
                contender.samples.push_back(sample);
        }
    }
    auto medianOf = [](const std::vector<StartupSample>& samples, double StartupSample::*value) {
        std::vector<double> values;
        for (const StartupSample& sample : samples)
            values.push_back(sample.*value);
        return median(values);
    };
    for (const Contender& contender : contenders)
        writeStageDetails(details, contender.name, contender.samples);

    IdleResult mixerIdle, bareIdle, minimisedIdle, bareBesideMinimised;
    std::string idleProblem;
    if (!runIdle(programs, "idle", mixerIdle, bareIdle, idleProblem))
        problems.push_back(idleProblem);
    if (!runIdle(programs, "idle-minimised", minimisedIdle, bareBesideMinimised, idleProblem))
        problems.push_back(idleProblem);
    writeIdleDetails(details, "mixer", mixerIdle);
    writeIdleDetails(details, "bare window", bareIdle);
    writeIdleDetails(details, "mixer, window minimised", minimisedIdle);

    std::map<std::string, double> notify = runNotifications(programs, problems);
    auto figure = [&notify](const char* key, double scale) {
        const auto found = notify.find(key);
        return found == notify.end() ? -1.0 : found->second / scale;
    };

    const double startupMixer = medianOf(contenders[0].samples, &StartupSample::readyMs);
    const double startupBare = medianOf(contenders[1].samples, &StartupSample::readyMs);
    const double startupLabel = medianOf(contenders[2].samples, &StartupSample::readyMs);
    const double peakMixer = medianOf(contenders[0].samples, &StartupSample::peakMiB);
    const double peakBare = medianOf(contenders[1].samples, &StartupSample::peakMiB);
    const double latencyP99 = figure("latency_mixer_p99_ns", 1e3);
    const double burstMixer = figure("burst_mixer_ns", 1e6);

    Table table;
    table.add("start-up to exposed window, median of 20 (ms)", startupMixer, startupBare, true,
              "<= 1.3 x floor",
              startupMixer >= 0 && startupMixer <= startupRatioTarget * startupBare);
    table.add("  same, floor: bare window with one label (ms)", startupMixer, startupLabel, true,
              "<= 1.15 x floor",
              startupMixer >= 0 && startupMixer <= labelStartupRatioTarget * startupLabel);
    table.add("notification latency, median (us)", figure("latency_mixer_median_ns", 1e3),
              figure("latency_floor_median_ns", 1e3), true, "-", -1);
    table.add("notification latency, p99 (us)", latencyP99, figure("latency_floor_p99_ns", 1e3),
              true, "< 1000 us", latencyP99 >= 0 && latencyP99 < latencyP99TargetUs);
    table.add("  same, from the request elsewhere, p99 (us)",
              figure("latency_mixer_request_p99_ns", 1e3), -1, false, "-", -1);
    table.add("burst of 10,000 drained, median of 5 (ms)", burstMixer,
              figure("burst_floor_ns", 1e6), true, "<= 500 ms",
              burstMixer >= 0 && burstMixer <= burstTargetMs);
    table.add("idle wake-ups per second, device selected", mixerIdle.wakeUpsPerSecond,
              bareIdle.wakeUpsPerSecond, false, "<= floor + 2/s",
              mixerIdle.wakeUpsPerSecond >= 0 &&
                  mixerIdle.wakeUpsPerSecond <=
                      bareIdle.wakeUpsPerSecond + pollWakeUpsPerSecond + wakeUpAllowance);
    // The switch poll rests while the window is minimised: no wake-ups beyond the floor's.
    table.add("idle wake-ups per second, window minimised", minimisedIdle.wakeUpsPerSecond,
              bareBesideMinimised.wakeUpsPerSecond, false, "<= floor + 0.2/s",
              minimisedIdle.wakeUpsPerSecond >= 0 &&
                  minimisedIdle.wakeUpsPerSecond <=
                      bareBesideMinimised.wakeUpsPerSecond + wakeUpAllowance);
    table.add("idle CPU, % of one core", mixerIdle.cpuPercent, bareIdle.cpuPercent, true, "< 0.1 %",
              mixerIdle.cpuPercent >= 0 && mixerIdle.cpuPercent < idleCpuTargetPercent, 3);
    table.add("peak RSS (VmHWM), median of 20 (MiB)", peakMixer, peakBare, true, "<= 1.3 x floor",
              peakMixer >= 0 && peakMixer <= memoryRatioTarget * peakBare);
#ifdef TARVIX_WITH_ALSA
    // The ALSA rows: the virtual cards through alsa-lib, changed by amixer in another process.
    setenv("ALSA_CONFIG_PATH", TARVIX_VIRTUAL_CARD_CONFIG_PATH, 1);
    Programs alsaPrograms = programs;
    alsaPrograms.notifications = programs.alsa;
    std::map<std::string, double> alsa = runNotifications(alsaPrograms, problems);
    auto alsaFigure = [&alsa](const char* key, double scale) {
        const auto found = alsa.find(key);
        return found == alsa.end() ? -1.0 : found->second / scale;
    };
    const double alsaP99 = alsaFigure("alsa_latency_p99_ns", 1e6);
    table.add("ALSA: amixer change to label, median (ms)",
              alsaFigure("alsa_latency_median_ns", 1e6), -1, false, "-", -1, 2);
    table.add("ALSA: amixer change to label, p99 (ms)", alsaP99, -1, false, "< 5 ms",
              alsaP99 >= 0 && alsaP99 < alsaLatencyP99TargetMs, 2);
    table.add("  same, from spawning amixer, median (ms)",
              alsaFigure("alsa_latency_spawn_median_ns", 1e6), -1, false, "-", -1, 2);
    table.add("ALSA: preset of 1 MiB of repeats, load (ms)",
              alsaFigure("alsa_preset_repeats_load_ns", 1e6), -1, false, "-", -1, 2);
    IdleResult alsaPresent, alsaUnplugged;
    std::string alsaProblem;
    if (!runAlsaIdle(programs, alsaPresent, alsaUnplugged, alsaProblem))
        problems.push_back(alsaProblem);
    writeIdleDetails(details, "ALSA, two cards", alsaPresent);
    writeIdleDetails(details, "ALSA, one card unplugged", alsaUnplugged);
    for (const auto& [name, result] :
         {std::pair{"ALSA: idle wake-ups/s, two cards", &alsaPresent},
          std::pair{"ALSA: idle wake-ups/s, one unplugged", &alsaUnplugged}})
        table.add(name, result->wakeUpsPerSecond, bareIdle.wakeUpsPerSecond, false,
                  "<= floor + 2/s",
                  result->wakeUpsPerSecond >= 0 &&
                      result->wakeUpsPerSecond <=
                          bareIdle.wakeUpsPerSecond + pollWakeUpsPerSecond + wakeUpAllowance);
    table.add("ALSA: idle CPU, % of one core, two cards", alsaPresent.cpuPercent,
              bareIdle.cpuPercent, true, "< 0.1 %",
              alsaPresent.cpuPercent >= 0 && alsaPresent.cpuPercent < idleCpuTargetPercent, 3);
    table.add("ALSA: idle CPU, % of one core, one unplugged", alsaUnplugged.cpuPercent,
              bareIdle.cpuPercent, true, "< 0.1 %",
              alsaUnplugged.cpuPercent >= 0 && alsaUnplugged.cpuPercent < idleCpuTargetPercent, 3);
#endif
    std::printf("\n");
    table.print();
    std::printf("\nLoad average at the end: %s. ", loadAverage().c_str());
    std::printf("Details: %s; the programs' standard error: %s\n", programs.details.c_str(),
                programs.errorLog.c_str());
    for (const std::string& problem : problems)
        std::printf("PROBLEM: %s\n", problem.c_str());
    return problems.empty() ? 0 : 1;
}
