// Turns the address of a login into the source it names.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace netcam {

struct SimParams {
    std::string name;
    int width = 1920;
    int height = 1080;
    int fps = 25; // 0: unthrottled
};

struct SourceSpec {
    enum class Kind { Sim, Url, File };
    Kind kind = Kind::Url;
    std::string url; // may carry credentials: never log it unredacted
    SimParams sim;
};

// Empty for an address that names nothing usable.
std::optional<SourceSpec> ResolveAddress(const std::string& address, uint16_t port,
                                         const std::string& user, const std::string& password);

// Replaces the password of every "scheme://user:password@" in text.
std::string RedactCredentials(std::string text);

} // namespace netcam
