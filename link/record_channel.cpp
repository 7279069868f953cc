#include "link/record_channel.h"

#include "link/debugger_link.h"
#include "link/shared_memory.h"
#include "platform/named_mutex.h"

#include <algorithm>
#include <cstring>

namespace corvid::link {

OutgoingRecordChannel& OutgoingRecordChannel::OfThisProcess() {
    static OutgoingRecordChannel channel;
    return channel;
}

OutgoingRecordChannel::~OutgoingRecordChannel() {
    // Another driver may have copied its record into this mapping and be announcing it:
    // the file goes only between transfers. A thread that ends the process in the middle
    // of its own transfer cannot wait for itself.
    std::unique_lock turn(mutex_, std::try_to_lock);
    if (turn.owns_lock() && memory_ && transferMutex_) {
        try {
            platform::NamedMutexLock others(*transferMutex_);
            memory_.reset();
        } catch (const std::exception&) {
            // An unusable mutex: nobody else can be using it either.
        }
    }
    memory_.reset();
}

platform::NamedMutex* OutgoingRecordChannel::TransferMutex() {
    if (!transferMutex_) {
        try {
            transferMutex_ = std::make_unique<platform::NamedMutex>(
                platform::NamedMutex::OpenOrCreate(kDriverTransferMutex));
        } catch (const std::exception&) {
            return nullptr;
        }
    }
    return transferMutex_.get();
}

OutgoingRecordChannel::Transfer::Transfer() : turn_(OfThisProcess().mutex_) {
    platform::NamedMutex* others = OfThisProcess().TransferMutex();
    try {
        if (others) {
            others->Lock();
            held_ = true;
        }
    } catch (const std::exception&) {
        held_ = false;
    }
}

OutgoingRecordChannel::Transfer::~Transfer() {
    if (held_)
        OfThisProcess().transferMutex_->Unlock();
}

bool OutgoingRecordChannel::Reopen(std::size_t size) {
    memory_.reset();
    auto memory = std::make_unique<CSharedMemory>();
    if (!memory->Create(kDriverRecordMapping, size))
        return false;
    memory_ = std::move(memory);
    return true;
}

bool OutgoingRecordChannel::Put(std::span<const std::uint8_t> bytes) {
    if (!memory_ || memory_->Size() < bytes.size() || !memory_->IsCurrent()) {
        if (!Reopen(std::max(kMinimumSize, bytes.size())))
            return false;
    }
    SharedMemoryLock lock(*memory_);
    if (!lock.held())
        return false;
    std::memcpy(memory_->View(), bytes.data(), bytes.size());
    return true;
}

IncomingRecordReader::IncomingRecordReader() = default;
IncomingRecordReader::~IncomingRecordReader() = default;

IncomingRecord IncomingRecordReader::Read(std::size_t byteCount) {
    IncomingRecord incoming;
    if (!memory_ || memory_->Size() < byteCount || !memory_->IsCurrent()) {
        memory_ = std::make_unique<CSharedMemory>();
        if (!memory_->Create(kDriverRecordMapping, byteCount) || !memory_->AlreadyExisted()) {
            memory_.reset();
            return incoming;
        }
    }
    SharedMemoryLock lock(*memory_);
    if (!lock.held()) {
        incoming.status = IncomingRecord::Status::lockFailed;
        return incoming;
    }
    try {
        incoming.record = CGPIBCommandInfo::FromBytes({memory_->View(), byteCount});
    } catch (const ArchiveException& error) {
        incoming.status = IncomingRecord::Status::unreadable;
        incoming.archiveError = error.what();
        return incoming;
    }
    incoming.status = lock.Unlock() ? IncomingRecord::Status::ok : IncomingRecord::Status::lockFailed;
    return incoming;
}

} // namespace corvid::link
