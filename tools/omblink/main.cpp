// omblink: talk to the debugger link from the command line.
#include "omblink.h"

#include <cstdio>
#include <cstring>
#include <exception>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

constexpr const char* kUsage =
    "usage: omblink listen [--hold N] [--playback FILE] [--count K] [--quiet]\n"
    "       omblink send JSON\n"
    "       omblink fetch\n"
    "       omblink bench [--count N]\n"
    "\n"
    "listen  becomes the debugger's controller window: prints one JSON line per record\n"
    "        received, answers the hold query with 1 for the first N queries, plays the\n"
    "        records of FILE (JSON lines) back to data requests, exits after K records\n"
    "        or on SIGINT/SIGTERM.\n"
    "send    reports one record (a JSON object) as the driver does and prints the answer;\n"
    "        exit status 1 when no debugger took it.\n"
    "fetch   asks the debugger for a replay record and prints it; exit status 1 when it\n"
    "        gave none.\n"
    "bench   measures the link: records per second through the report path against a\n"
    "        listener it starts, a bare message round trip, and the cost of one link\n"
    "        operation with no debugger running.\n";

} // namespace

namespace corvid::omblink {

long ParseCount(const std::string& option, const std::string& value) {
    std::size_t used = 0;
    long number = -1;
    try {
        number = std::stol(value, &used);
    } catch (const std::exception&) {
        used = 0;
    }
    if (used != value.size() || number < 0)
        throw std::invalid_argument(option + " needs a non-negative number, not '" + value + "'");
    return number;
}

} // namespace corvid::omblink

int main(int argc, char** argv) {
    using namespace corvid::omblink;
    if (argc < 2 || !std::strcmp(argv[1], "--help") || !std::strcmp(argv[1], "-h")) {
        std::fputs(kUsage, argc < 2 ? stderr : stdout);
        return argc < 2 ? kExitUsage : kExitOk;
    }
    std::string command = argv[1];
    std::vector<std::string> args(argv + 2, argv + argc);
    try {
        if (command == "listen")
            return Listen(args);
        if (command == "send")
            return Send(args);
        if (command == "fetch")
            return Fetch(args);
        if (command == "bench")
            return Bench(args);
        std::fprintf(stderr, "omblink: unknown command '%s'\n%s", command.c_str(), kUsage);
        return kExitUsage;
    } catch (const std::invalid_argument& error) {
        std::fprintf(stderr, "omblink: %s\n", error.what());
        return kExitUsage;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "omblink: %s\n", error.what());
        return kExitNoAnswer;
    }
}
