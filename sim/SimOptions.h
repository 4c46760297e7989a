#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "StatusFields.h"

namespace crawlersim {

constexpr int kDefaultPort = 20108;
constexpr double kDefaultRate = 20.0;

struct FieldOverride {
    const StatusField* field;
    double value;
};

struct SimOptions {
    std::string host = "127.0.0.1";
    int port = kDefaultPort;
    bool verbose = false;
    double rate = kDefaultRate;
    double dropAfter = -1; // seconds after accept; negative: never
    double stallAfter = -1;
    bool garbage = false;
    bool truncate = false;
    std::vector<uint8_t> nrf;
    std::vector<FieldOverride> overrides;
};

// Parses the command line; on failure returns false with a message.
bool parseOptions(const std::vector<std::string>& args, SimOptions& options, std::string& error);

const char* usageText();

} // namespace crawlersim
