// A second start with a file (a recording opened from the desktop while the debugger runs)
// hands the file to the running debugger: the request waits in the runtime directory under
// the sender's process id while the show message announces it.
#pragma once

#include "ombra/startup.h"

#include <cstdint>
#include <optional>
#include <sys/types.h>

namespace corvid::ombra {

// The show message's lParam when a request of the sender waits.
inline constexpr std::int64_t kOpenRequestWaits = 1;

// Leaves the command line's file (made absolute) and its /PLAY or /RECORD for the running
// debugger. False when the line names no file or the request could not be written.
bool WriteOpenRequest(const CommandLine& line, pid_t sender);

// Takes (reads and removes) the request a sender left; none when there is none or it is
// malformed.
std::optional<CommandLine> TakeOpenRequest(pid_t sender);

} // namespace corvid::ombra
