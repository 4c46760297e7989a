// Running a piece of a test in a child process, e.g. to kill it or to give
// it a full disk without touching the test process, and what a child costs.
#pragma once

#include <csignal>
#include <fstream>
#include <iterator>
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

// User plus system CPU time the process has used so far, in seconds; -1 when
// it cannot be read (no such process).
inline double cpuSeconds(pid_t pid)
{
    if (pid <= 0)
        return -1;
    std::ifstream file("/proc/" + std::to_string(pid) + "/stat");
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

} // namespace childprocess
