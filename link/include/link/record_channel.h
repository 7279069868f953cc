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

namespace corvid::platform {
class NamedMutex;
} // namespace corvid::platform

namespace corvid::link {

class CSharedMemory;

// The named mutex that makes a driver's whole transfer one step for every driver of the
// user: copying a record in and announcing it until the answer, or asking for a replay
// record until it is read. It is not the mutex of a mapping, which the debugger takes
// while it handles the announcement; only drivers take this one, so a debugger that
// knows nothing of it works as before.
inline constexpr const char* kDriverTransferMutex = "IOCOMPONENTGPIBCOMMANDINFOTRANSFERMutex";

// Driver side: "IOCOMPONENTSENDSGPIBCOMMANDINFO", created by this process with room for
// the largest record sent so far (at least kMinimumSize) and kept until the process ends.
// Drivers of other processes write into the mapping that the first of them created, as it
// is: so it has room for any record a driver makes (a block of 65535 doubles is 512 KiB).
class OutgoingRecordChannel {
public:
    static constexpr std::size_t kMinimumSize = 640 * 1024;

    // The channel of this process: one mapping name, one creator.
    static OutgoingRecordChannel& OfThisProcess();
    // Removes the mapping it created, between two transfers of other drivers.
    ~OutgoingRecordChannel();

    // Holds the transfer of this thread for its lifetime: first against the other
    // threads of the process, then against other processes.
    class Transfer {
    public:
        Transfer();
        ~Transfer();
        Transfer(const Transfer&) = delete;
        Transfer& operator=(const Transfer&) = delete;
        // False when the named mutex could not be had (the transfer must not go on).
        bool held() const { return held_; }

    private:
        std::unique_lock<std::mutex> turn_;
        bool held_ = false;
    };

    // Copies bytes to the start of the mapping under its mutex; within a Transfer. False
    // when the mapping could not be had (its messages have been shown).
    bool Put(std::span<const std::uint8_t> bytes);

private:
    OutgoingRecordChannel() = default;
    bool Reopen(std::size_t size);
    // The transfer mutex, opened once; null when it cannot be opened.
    platform::NamedMutex* TransferMutex();

    std::mutex mutex_; // threads of this process take turns
    std::unique_ptr<platform::NamedMutex> transferMutex_;
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
