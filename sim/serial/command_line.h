// The command line of simserial: simserial [--bench FILE] [--link PATH] INSTRUMENT.
#pragma once

#include <optional>
#include <string>

namespace corvid::sim {

struct SerialOptions {
    std::optional<std::string> bench; // --bench FILE
    std::optional<std::string> link;  // --link PATH
    std::string instrument;
    bool help = false;
};

extern const char* const kSerialUsage;

// The options, or nullopt with the reason in error when the command line is not usable.
std::optional<SerialOptions> ParseCommandLine(int argc, const char* const* argv, std::string& error);

} // namespace corvid::sim
