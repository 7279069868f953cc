// The two mappings of the link kept open between transfers.
//
// Opening a named mapping and its mutex costs several system calls on each side, more
// than the messages of a transfer themselves. So the driver keeps its outgoing mapping
// and the debugger its view of it while they stay valid: the transfers see the same bytes
// and names as with a mapping per transfer, and a mapping that another process replaced
// is noticed by its file identity and opened afresh.
#pragma once

#include "link/debugger_channel.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <span>

namespace corvid::link {

class CSharedMemory;

// Driver side: "IOCOMPONENTSENDSGPIBCOMMANDINFO", created by this process with room for
// the largest record sent so far (at least kMinimumSize) and kept until the process ends.
class OutgoingRecordChannel {
public:
    static constexpr std::size_t kMinimumSize = 64 * 1024;

    // The channel of this process: one mapping name, one creator.
    static OutgoingRecordChannel& OfThisProcess();

    // Copies bytes to the start of the mapping under its mutex. False when the mapping
    // could not be had (its messages have been shown).
    bool Put(std::span<const std::uint8_t> bytes);

private:
    bool Reopen(std::size_t size);

    std::mutex mutex_; // threads of this process take turns
    std::unique_ptr<CSharedMemory> memory_;
};

// Debugger side: reads the records announced by drivers, keeping its view of the driver's
// mapping between reports.
class IncomingRecordReader {
public:
    IncomingRecordReader();
    ~IncomingRecordReader();
    IncomingRecordReader(const IncomingRecordReader&) = delete;
    IncomingRecordReader& operator=(const IncomingRecordReader&) = delete;

    // Reads the record of byteCount bytes a driver just announced.
    IncomingRecord Read(std::size_t byteCount);

private:
    std::unique_ptr<CSharedMemory> memory_;
};

} // namespace corvid::link
