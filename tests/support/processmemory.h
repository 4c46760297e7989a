// The peak resident memory of this process (VmHWM), for the tests and
// benchmarks that bound or report it.
#pragma once

#include <fstream>
#include <string>

// In MB; negative when it cannot be read.
inline double peakResidentMegabytes()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0) {
            return std::stod(line.substr(6)) / 1024;
        }
    }
    return -1;
}
