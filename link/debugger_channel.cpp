#include "link/debugger_channel.h"

#include "link/debugger_link.h"
#include "link/record_channel.h"
#include "link/shared_memory.h"

#include <cstring>

namespace corvid::link {

IncomingRecord ReadIncomingRecord(std::size_t byteCount) {
    return IncomingRecordReader().Read(byteCount);
}

ReplayChannel::ReplayChannel() = default;
ReplayChannel::~ReplayChannel() = default;

std::int64_t ReplayChannel::Publish(const CGPIBCommandInfo& record) {
    Close();
    std::vector<std::uint8_t> bytes = record.Serialize();
    auto memory = std::make_unique<CSharedMemory>();
    if (!memory->Create(kReplayRecordMapping, bytes.size()))
        return 0;
    {
        SharedMemoryLock lock(*memory);
        if (!lock.held())
            return 0;
        std::memcpy(memory->View(), bytes.data(), bytes.size());
    }
    current_ = std::move(memory);
    return static_cast<std::int64_t>(bytes.size());
}

void ReplayChannel::Close() {
    current_.reset();
}

} // namespace corvid::link
