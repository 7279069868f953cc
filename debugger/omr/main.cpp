// omr: inspect, convert and export recordings, and record or replay instrument traffic
// without a desktop.
#include "omr.h"

#include <cstdio>
#include <cstring>
#include <exception>
#include <map>
#include <string>

namespace {

constexpr const char* kUsage =
    "usage: omr info FILE\n"
    "       omr dump FILE\n"
    "       omr build JSONL OUT\n"
    "       omr export FILE [OUT]\n"
    "       omr convert IN OUT\n"
    "       omr record OUT [--append|--insert N] [--count K]\n"
    "       omr play FILE [--from N] [--types-only] [--ignore-bus] [--strict-timeouts]\n"
    "                [--on-difference continue|stop] [--at-end pause|continue]\n"
    "                [--break N ...] [--idle-timeout S]\n"
    "       omr --help\n";

constexpr const char* kHelp =
    "\n"
    "Recordings (.omr) of version 1 and 2 are read; files are written in version 2.\n"
    "Commands are counted from 0 in the order omr dump prints them.\n"
    "\n"
    "info     prints the file version and the record count as one JSON line.\n"
    "dump     prints one JSON line per command.\n"
    "build    writes a recording from JSON lines (the form omr dump prints; blank lines\n"
    "         are skipped).\n"
    "export   writes the tab-separated text export (CR LF lines); OUT defaults to FILE\n"
    "         with the extension .txt.\n"
    "convert  reads a recording of version 1 or 2 and writes it in version 2.\n"
    "\n"
    "record   becomes the debugger's controller window and records every command the\n"
    "         driver reports, until K commands (--count) or SIGINT/SIGTERM, then saves\n"
    "         OUT. By default OUT is started afresh; --append adds to the end of an\n"
    "         existing OUT, --insert N inserts before its command N.\n"
    "play     plays FILE back to whatever driver connects and exits when playback ends.\n"
    "         Every message the debugger shows (difference reports, notices, the end of\n"
    "         playback, breakpoints) is printed as a JSON line with its caption, text and\n"
    "         the answer given; a last line sums up the playback.\n"
    "  --from N               start at command N (default: the first)\n"
    "  --types-only           validate command types only\n"
    "  --ignore-bus           ignore board numbers and bus addresses\n"
    "  --strict-timeouts      report time-out changes (SETATTRIBUTE sent data) too\n"
    "  --on-difference WHAT   continue (default) or stop at a difference; stop pauses and\n"
    "                         holds the driver until SIGUSR1\n"
    "  --at-end WHAT          continue (default), or pause: hold the driver after the last\n"
    "                         command until SIGUSR1\n"
    "  --break N ...          breakpoints: pause before command N is played\n"
    "  --idle-timeout S       give up after S seconds without any driver message\n"
    "\n"
    "While record or play runs, SIGUSR1 toggles pause and SIGUSR2 lets a paused driver\n"
    "perform one step (one wait of the driver ends), for example: kill -USR1 $(pidof omr).\n"
    "Events are printed as {\"event\":\"paused\"}, \"resumed\", \"step\", and \"held\" when a\n"
    "driver starts waiting.\n"
    "\n"
    "Exit status: 0 success; 1 a file could not be read or written, or (play) the\n"
    "driver's commands differed from the recording or playback ended before its end;\n"
    "2 bad arguments.\n";

} // namespace

int main(int argc, char** argv) {
    using namespace corvid::omr;
    if (argc < 2) {
        std::fputs(kUsage, stderr);
        return kExitUsage;
    }
    if (!std::strcmp(argv[1], "--help") || !std::strcmp(argv[1], "-h")) {
        std::fputs(kUsage, stdout);
        std::fputs(kHelp, stdout);
        return kExitOk;
    }
    const std::map<std::string, int (*)(const Arguments&)> commands = {
        {"info", Info},       {"dump", Dump},     {"build", Build}, {"export", Export},
        {"convert", Convert}, {"record", Record}, {"play", Play}};
    const auto command = commands.find(argv[1]);
    if (command == commands.end()) {
        std::fprintf(stderr, "omr: unknown command '%s'\n%s", argv[1], kUsage);
        return kExitUsage;
    }
    try {
        return command->second(Arguments(argv + 2, argv + argc));
    } catch (const UsageError& error) {
        std::fprintf(stderr, "omr %s: %s\n%s", argv[1], error.message.c_str(), kUsage);
        return kExitUsage;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "omr %s: %s\n", argv[1], error.what());
        return kExitFailed;
    }
}

namespace corvid::omr {

long ParseNumber(const std::string& option, const std::string& value) {
    std::size_t used = 0;
    long number = -1;
    try {
        number = std::stol(value, &used);
    } catch (const std::exception&) {
        used = 0;
    }
    if (used == 0 || used != value.size() || number < 0)
        throw UsageError{option + " needs a non-negative number, not '" + value + "'"};
    return number;
}

} // namespace corvid::omr
