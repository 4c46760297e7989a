// Running a piece of a test in a child process, e.g. to kill it or to give
// it a full disk without touching the test process.
#pragma once

#include <csignal>
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

} // namespace childprocess
