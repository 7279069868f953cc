// The serial line simserial serves: a new pseudo-terminal whose slave side clients open
// like a serial port. The slave is put in raw mode and one slave descriptor stays open
// here, so that the master does not see end of file or EIO while no client has the line
// open, and the raw settings survive a client closing and reopening it.
#pragma once

#include "platform/unique_fd.h"

#include <string>

namespace corvid::sim {

using platform::UniqueFd;

class PtyLine {
public:
    // Throws std::system_error naming the step that failed.
    PtyLine();

    // The master side, non-blocking: what it reads the client wrote, and the reverse.
    int master() const { return master_.get(); }
    // The slave device clients open, e.g. /dev/pts/3.
    const std::string& device() const { return device_; }

private:
    UniqueFd master_;
    UniqueFd slave_;
    std::string device_;
};

} // namespace corvid::sim
