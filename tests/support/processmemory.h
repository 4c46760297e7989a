// Resident memory of a process from /proc, for the tests and benchmarks
// that bound or report it.
#pragma once

#include <sys/types.h>

#include <fstream>
#include <string>

// The value of a "Key: N kB" line of a /proc status file, in MB; negative
// when it cannot be read.
inline double statusMegabytes(const std::string& statusPath, const std::string& key)
{
    std::ifstream status(statusPath);
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(key + ":", 0) == 0) {
            return std::stod(line.substr(key.size() + 1)) / 1024;
        }
    }
    return -1;
}

// The peak resident memory of this process (VmHWM).
inline double peakResidentMegabytes()
{
    return statusMegabytes("/proc/self/status", "VmHWM");
}

// The resident memory of a process now (VmRSS).
inline double residentMegabytes(pid_t pid)
{
    return statusMegabytes("/proc/" + std::to_string(pid) + "/status", "VmRSS");
}
