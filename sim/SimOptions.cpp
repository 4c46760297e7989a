#include "SimOptions.h"

#include <cstdlib>
#include <sstream>

namespace crawlersim {
namespace {

constexpr int kMaxPort = 65535;

bool toDouble(const std::string& text, double& value)
{
    char* end = nullptr;
    value = std::strtod(text.c_str(), &end);
    return !text.empty() && end != nullptr && *end == '\0';
}

bool toLong(const std::string& text, long& value)
{
    char* end = nullptr;
    value = std::strtol(text.c_str(), &end, 10);
    return !text.empty() && end != nullptr && *end == '\0';
}

bool parseNrf(const std::string& text, std::vector<uint8_t>& values)
{
    std::stringstream stream(text);
    std::string item;
    while (std::getline(stream, item, ',')) {
        long value = 0;
        if (!toLong(item, value) || value < 0 || value > 255) {
            return false;
        }
        values.push_back(static_cast<uint8_t>(value));
    }
    return !values.empty();
}

bool parseOverride(const std::string& text, std::vector<FieldOverride>& overrides)
{
    const size_t equals = text.find('=');
    if (equals == std::string::npos) {
        return false;
    }
    const StatusField* field = findStatusField(text.substr(0, equals));
    double value = 0;
    if (field == nullptr || !toDouble(text.substr(equals + 1), value)) {
        return false;
    }
    overrides.push_back({field, value});
    return true;
}

} // namespace

const char* usageText()
{
    return "usage: crawler-sim [--host 127.0.0.1] [--port N] [-v] [--rate HZ] [--drop-after S]\n"
           "                   [--stall-after S] [--garbage] [--truncate] [--nrf LIST]\n"
           "                   [--set FIELD=VALUE]...\n";
}

bool parseOptions(const std::vector<std::string>& args, SimOptions& options, std::string& error)
{
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "-v") {
            options.verbose = true;
            continue;
        }
        if (arg == "--garbage") {
            options.garbage = true;
            continue;
        }
        if (arg == "--truncate") {
            options.truncate = true;
            continue;
        }
        if (i + 1 >= args.size()) {
            error = "unknown option or missing value: " + arg;
            return false;
        }
        const std::string& value = args[++i];
        long number = 0;
        bool ok = true;
        if (arg == "--host") {
            options.host = value;
        } else if (arg == "--port") {
            ok = toLong(value, number) && number >= 0 && number <= kMaxPort;
            options.port = static_cast<int>(number);
        } else if (arg == "--rate") {
            ok = toDouble(value, options.rate) && options.rate >= 0;
        } else if (arg == "--drop-after") {
            ok = toDouble(value, options.dropAfter) && options.dropAfter >= 0;
        } else if (arg == "--stall-after") {
            ok = toDouble(value, options.stallAfter) && options.stallAfter >= 0;
        } else if (arg == "--nrf") {
            ok = parseNrf(value, options.nrf);
        } else if (arg == "--set") {
            ok = parseOverride(value, options.overrides);
        } else {
            error = "unknown option: " + arg;
            return false;
        }
        if (!ok) {
            error = "bad value for " + arg + ": " + value;
            return false;
        }
    }
    return true;
}

} // namespace crawlersim
