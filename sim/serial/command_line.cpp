#include "command_line.h"

#include <string_view>

namespace corvid::sim {

const char* const kSerialUsage =
    "usage: simserial [--bench FILE] [--link PATH] INSTRUMENT\n"
    "Serves INSTRUMENT of a simulated bench on a new pseudo-terminal until SIGTERM, SIGINT\n"
    "or SIGHUP.\n"
    "  --bench FILE  the bench description (default: $CORVID_SIM_BENCH, BenchFile of\n"
    "                [SIMGPIB] in $CORVID_HOME/visa.ini, else the demo bench)\n"
    "  --link PATH   a symbolic link to the terminal device, removed at exit\n";

namespace {

// Takes the value of "--name VALUE" or "--name=VALUE"; false when arg is another option.
bool TakeValue(std::string_view name, int argc, const char* const* argv, int& i,
               std::optional<std::string>& value, std::string& error) {
    std::string_view arg = argv[i];
    if (arg.substr(0, name.size()) != name || (arg.size() > name.size() && arg[name.size()] != '=')) {
        return false;
    }
    std::string text;
    if (arg.size() > name.size()) {
        text = arg.substr(name.size() + 1);
    } else if (i + 1 < argc) {
        text = argv[++i];
    } else {
        error = std::string(name) + " needs a value";
        return true;
    }
    if (value) {
        error = std::string(name) + " given twice";
    } else if (text.empty()) {
        error = std::string(name) + " needs a value";
    }
    value = text;
    return true;
}

} // namespace

std::optional<SerialOptions> ParseCommandLine(int argc, const char* const* argv, std::string& error) {
    SerialOptions options;
    std::optional<std::string> instrument;
    bool optionsEnd = false;
    error.clear();
    for (int i = 1; i < argc && error.empty(); ++i) {
        std::string_view arg = argv[i];
        if (!optionsEnd && (arg == "--help" || arg == "-h")) {
            options.help = true;
            return options;
        }
        if (!optionsEnd && arg == "--") {
            optionsEnd = true;
            continue;
        }
        if (!optionsEnd && (TakeValue("--bench", argc, argv, i, options.bench, error) ||
                            TakeValue("--link", argc, argv, i, options.link, error))) {
            continue;
        }
        if (!optionsEnd && arg.size() > 1 && arg[0] == '-') {
            error = "unknown option " + std::string(arg);
        } else if (instrument) {
            error = "only one instrument can be served";
        } else if (arg.empty()) {
            error = "the instrument name is empty";
        } else {
            instrument = std::string(arg);
        }
    }
    if (error.empty() && !instrument) {
        error = "an instrument name is needed";
    }
    if (!error.empty()) {
        return std::nullopt;
    }
    options.instrument = *instrument;
    return options;
}

} // namespace corvid::sim
