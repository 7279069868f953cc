// omblink: a diagnostic tool for the debugger link. Each subcommand is one function;
// all of them print JSON lines on standard output and one-line errors on standard error.
#pragma once

#include <string>
#include <vector>

namespace corvid::omblink {

// Exit statuses shared by the subcommands.
inline constexpr int kExitOk = 0;
inline constexpr int kExitNoAnswer = 1; // no debugger, no record, or the transfer failed
inline constexpr int kExitUsage = 2;    // bad arguments or malformed input

int Listen(const std::vector<std::string>& args);
int Send(const std::vector<std::string>& args);
int Fetch(const std::vector<std::string>& args);
int Bench(const std::vector<std::string>& args);

// A positive integer argument; throws std::invalid_argument naming the option.
long ParseCount(const std::string& option, const std::string& value);

} // namespace corvid::omblink
