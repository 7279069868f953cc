// SIGTERM, SIGINT and SIGHUP as a descriptor to poll: blocked for the process (so none
// is lost between polls) and read from a signalfd. They stay blocked after the object
// goes: a second signal while the program cleans up must not end it half way.
#pragma once

#include "platform/unique_fd.h"

#include <signal.h>

namespace corvid::sim {

using platform::UniqueFd;

class StopSignals {
public:
    // Throws std::system_error.
    StopSignals();
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    // Readable once one of the signals has arrived.
    int fd() const { return fd_.get(); }

private:
    sigset_t previous_{};
    UniqueFd fd_;
};

} // namespace corvid::sim
