// The debugger's side of the link's two transfers: reading the record a driver announced,
// and publishing the recorded command a driver asked for during playback.
#pragma once

#include "link/gpib_command_info.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace corvid::link {

class CSharedMemory;

// The outcome of reading a driver's record.
struct IncomingRecord {
    enum class Status {
        ok,
        channelUnavailable, // the mapping could not be opened or mapped, or the driver had not created it
        lockFailed,         // waiting for or releasing the mutex failed
        unreadable,         // the bytes are not a record (see archiveError)
    };
    Status status = Status::channelUnavailable;
    CGPIBCommandInfo record;
    std::string archiveError; // the archive's message when unreadable

    bool ok() const { return status == Status::ok; }
};

// Reads the record that a driver placed in "IOCOMPONENTSENDSGPIBCOMMANDINFO", announced
// with its byte count. Reads exactly byteCount bytes.
IncomingRecord ReadIncomingRecord(std::size_t byteCount);

// The outgoing channel "OMBRADEBUGGERSENDSGPIBCOMMANDINFO". Each Publish closes the
// previous mapping and creates a new one of exactly the record's size, which stays open
// until the next Publish or Close so that the driver can read it.
class ReplayChannel {
public:
    ReplayChannel();
    ~ReplayChannel();
    ReplayChannel(const ReplayChannel&) = delete;
    ReplayChannel& operator=(const ReplayChannel&) = delete;

    // The size of the published record, or 0 when the channel could not be opened or
    // written (the channel's own messages have been shown then).
    std::int64_t Publish(const CGPIBCommandInfo& record);
    void Close();

private:
    std::unique_ptr<CSharedMemory> current_;
};

} // namespace corvid::link
