// Small helpers shared by the camera, link and command benchmarks.
#pragma once

#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace bench {

// The camera libraries print a timing line per frame on standard output;
// figures go to standard error so that output can be dropped.
inline void SilenceStdout()
{
    if (std::freopen("/dev/null", "w", stdout) == nullptr) {
        std::fprintf(stderr, "could not silence standard output\n");
    }
}

inline double ProcessCpuSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

inline double WallSeconds()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// The first three fields of /proc/loadavg: on a shared machine a figure
// only means something beside them.
inline std::string LoadAverage()
{
    std::ifstream file("/proc/loadavg");
    std::string one;
    std::string five;
    std::string fifteen;
    file >> one >> five >> fifteen;
    return one + " " + five + " " + fifteen;
}

// Value below which the given share (0..1) of the samples lie.
inline double Percentile(std::vector<double> samples, double share)
{
    if (samples.empty()) {
        return 0.0;
    }
    std::sort(samples.begin(), samples.end());
    const auto index = static_cast<size_t>(share * static_cast<double>(samples.size() - 1));
    return samples[index];
}

} // namespace bench
