// Running a piece of a test in a child process, e.g. to kill it or to give
// it a full disk without touching the test process, and what a child costs.
#pragma once

#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace childprocess {

// Runs body in a forked child and waits for it; returns the child's exit
// status, or 128 + signal when a signal ended it.
template <typename Body> int inChild(Body body)
{
    const pid_t pid = fork();
    if (pid == 0) {
        _exit(body());
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// Inside a child: files cannot grow past bytes and writes past it fail with
// EFBIG, as on a full disk.
inline void fillDiskAt(rlim_t bytes)
{
    signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{bytes, bytes};
    setrlimit(RLIMIT_FSIZE, &limit);
}

// User plus system CPU time in a /proc stat file (of a process or one of its
// threads), in seconds; -1 when it cannot be read.
inline double statCpuSeconds(const std::string& path)
{
    std::ifstream file(path);
    const std::string stat((std::istreambuf_iterator<char>(file)),
                           std::istreambuf_iterator<char>());
    // utime and stime are the 12th and 13th fields after the command name,
    // which is in parentheses and may itself hold spaces.
    const size_t name = stat.rfind(')');
    if (name == std::string::npos)
        return -1;
    std::istringstream fields(stat.substr(name + 1));
    std::string skip;
    for (int i = 0; i < 11; ++i)
        fields >> skip;
    long long user = 0;
    long long system = 0;
    if (!(fields >> user >> system))
        return -1;
    return static_cast<double>(user + system) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

// User plus system CPU time the process has used so far, in seconds; -1 when
// it cannot be read (no such process).
inline double cpuSeconds(pid_t pid)
{
    if (pid <= 0)
        return -1;
    return statCpuSeconds("/proc/" + std::to_string(pid) + "/stat");
}

// The CPU time of each living thread of the process so far, in seconds, added
// up by thread name; the main thread is "main".
inline std::map<std::string, double> threadCpuSeconds(pid_t pid)
{
    std::map<std::string, double> byName;
    const std::string tasks = "/proc/" + std::to_string(pid) + "/task";
    std::error_code error;
    for (const auto& task : std::filesystem::directory_iterator(tasks, error)) {
        std::ifstream comm(task.path() / "comm");
        std::string name;
        std::getline(comm, name);
        const double seconds = statCpuSeconds(task.path() / "stat");
        if (seconds >= 0)
            byName[task.path().filename() == std::to_string(pid) ? "main" : name] += seconds;
    }
    return byName;
}

} // namespace childprocess
