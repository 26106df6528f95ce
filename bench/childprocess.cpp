#include "childprocess.h"

#include "benchsupport.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <sstream>

extern char** environ;

ChildProcess::~ChildProcess()
{
    if (childPid > 0) {
        kill(childPid, SIGKILL);
        waitpid(childPid, nullptr, 0);
    }
    if (outputFd >= 0)
        close(outputFd);
}

bool ChildProcess::start(const std::string& program, const std::vector<std::string>& arguments,
                         const std::string& errorLog)
{
    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0)
        return false;

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errorLog.c_str(),
                                     O_WRONLY | O_CREAT | O_APPEND, 0644);

    std::vector<std::string> argumentStrings{program};
    argumentStrings.insert(argumentStrings.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& argument : argumentStrings)
        argv.push_back(argument.data());
    argv.push_back(nullptr);

    const std::string prefix = std::string(BenchSupport::spawnTimeVariable) + "=";
    std::vector<std::string> environment;
    for (char** entry = environ; *entry; ++entry) {
        if (std::strncmp(*entry, prefix.c_str(), prefix.size()) != 0)
            environment.emplace_back(*entry);
    }
    environment.push_back(prefix);
    std::vector<char*> envp;
    for (std::string& entry : environment)
        envp.push_back(entry.data());
    envp.push_back(nullptr);

    // The clock is read last, so that the child's start-up time holds the spawn and nothing of
    // the runner's own preparation.
    environment.back() = prefix + std::to_string(BenchSupport::monotonicNs());
    envp[envp.size() - 2] = environment.back().data();
    const int spawned =
        posix_spawn(&childPid, program.c_str(), &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    close(pipeFds[1]);
    if (spawned != 0) {
        childPid = -1;
        close(pipeFds[0]);
        return false;
    }
    outputFd = pipeFds[0];
    return true;
}

bool ChildProcess::readLine(std::string& line, int timeoutMs)
{
    const std::int64_t deadline = BenchSupport::monotonicNs() + timeoutMs * 1000000LL;
    for (;;) {
        const std::size_t newline = buffered.find('\n');
        if (newline != std::string::npos) {
            line = buffered.substr(0, newline);
            buffered.erase(0, newline + 1);
            return true;
        }
        if (outputFd < 0)
            return false;
        const std::int64_t left = (deadline - BenchSupport::monotonicNs()) / 1000000;
        if (left <= 0)
            return false;
        pollfd request{outputFd, POLLIN, 0};
        if (poll(&request, 1, static_cast<int>(left)) <= 0)
            continue;
        char chunk[4096];
        const ssize_t got = read(outputFd, chunk, sizeof chunk);
        if (got <= 0) {
            close(outputFd);
            outputFd = -1;
            continue;
        }
        buffered.append(chunk, static_cast<std::size_t>(got));
    }
}

bool ChildProcess::readValue(const std::string& key, long long& value, int timeoutMs)
{
    std::string line;
    while (readLine(line, timeoutMs)) {
        std::istringstream fields(line);
        std::string name;
        if (fields >> name && name == key && fields >> value)
            return true;
    }
    return false;
}

std::vector<std::string> ChildProcess::readRemainingLines(int timeoutMs)
{
    std::vector<std::string> lines;
    std::string line;
    while (readLine(line, timeoutMs))
        lines.push_back(line);
    return lines;
}

void ChildProcess::terminate()
{
    if (childPid > 0)
        kill(childPid, SIGTERM);
}

int ChildProcess::wait(int timeoutMs)
{
    if (childPid <= 0)
        return -1;
    int status = 0;
    const std::int64_t deadline = BenchSupport::monotonicNs() + timeoutMs * 1000000LL;
    pid_t ended = 0;
    while ((ended = waitpid(childPid, &status, WNOHANG)) == 0 &&
           BenchSupport::monotonicNs() < deadline)
        usleep(2000);
    if (ended == 0) {
        kill(childPid, SIGKILL);
        waitpid(childPid, &status, 0);
    }
    childPid = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
