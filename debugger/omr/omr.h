// omr: the debugger's command-line front end. Each subcommand is one function taking its
// arguments; results go to standard output as JSON lines, failures to standard error.
#pragma once

#include <string>
#include <vector>

namespace corvid::omr {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1; // a file could not be read or written; play: not a clean match
inline constexpr int kExitUsage = 2;  // bad arguments

using Arguments = std::vector<std::string>;

int Info(const Arguments& args);
int Dump(const Arguments& args);
int Build(const Arguments& args);
int Export(const Arguments& args);
int Convert(const Arguments& args);
int Record(const Arguments& args);
int Play(const Arguments& args);

// Thrown for bad arguments; main prints it with the usage hint and exits 2.
struct UsageError {
    std::string message;
};

// A non-negative whole number given to an option.
long ParseNumber(const std::string& option, const std::string& value);

} // namespace corvid::omr
