// Reads and writes of the serial-port layer. Waiting is poll() on the device and on the
// port's abort eventfd, with deadlines on the steady clock: no thread spins.
#include "serial_port.h"
#include "visa/visa.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <poll.h>
#include <unistd.h>

namespace corvid::visaio {
namespace {

using Clock = std::chrono::steady_clock;

// How long to look again at a full output queue; the abort request still wakes at once.
constexpr std::chrono::milliseconds kQueuePause{5};

int PollTimeout(const std::optional<Clock::time_point>& deadline) {
    if (!deadline) {
        return -1;
    }
    auto left = std::chrono::ceil<std::chrono::milliseconds>(*deadline - Clock::now()).count();
    return static_cast<int>(std::clamp<long long>(left, 0, INT32_MAX));
}

} // namespace

SerialPort::Deadline SerialPort::DeadlineAfter(ViUInt32 timeoutMs) {
    if (timeoutMs == VI_TMO_INFINITE) {
        return std::nullopt;
    }
    return Clock::now() + std::chrono::milliseconds(timeoutMs == 0 ? 1 : timeoutMs);
}

void SerialPort::RequestAbort() {
    abort_ = true;
    std::uint64_t one = 1;
    if (abortFd_ >= 0) {
        [[maybe_unused]] ssize_t written = ::write(abortFd_, &one, sizeof one);
    }
}

void SerialPort::ClearAbort() {
    abort_ = false;
    DrainAbortFd();
}

void SerialPort::DrainAbortFd() {
    std::uint64_t value = 0;
    if (abortFd_ >= 0) {
        [[maybe_unused]] ssize_t taken = ::read(abortFd_, &value, sizeof value);
    }
}

bool SerialPort::TakeAbort() {
    if (!abort_.exchange(false)) {
        return false;
    }
    DrainAbortFd();
    return true;
}

SerialPort::Wake SerialPort::WaitFor(short events, const Deadline& deadline) {
    for (;;) {
        if (TakeAbort()) {
            return Wake::Aborted;
        }
        pollfd fds[2] = {};
        nfds_t used = 0;
        if (events != 0) {
            fds[used++] = pollfd{fd_, events, 0};
        }
        pollfd& abortWatch = fds[used++];
        abortWatch = pollfd{abortFd_, POLLIN, 0};
        int ready = ::poll(fds, used, PollTimeout(deadline));
        if (ready < 0) {
            if (errno == EINTR) {
                continue;
            }
            return Wake::Failed;
        }
        if (TakeAbort()) {
            return Wake::Aborted;
        }
        if (events != 0 && (fds[0].revents & events)) {
            return Wake::Ready;
        }
        if (events != 0 && (fds[0].revents & (POLLERR | POLLHUP | POLLNVAL))) {
            return Wake::Failed;
        }
        if (abortWatch.revents & POLLIN) {
            DrainAbortFd(); // a wake-up left from a request already taken
            continue;
        }
        if (ready == 0) {
            return Wake::Timeout;
        }
    }
}

PortError SerialPort::Read(ViByte* buffer, ViUInt32 max, const ReadRules& rules, ViUInt32 timeoutMs,
                           ViUInt32& count, ReadEnd& end) {
    count = 0;
    end = ReadEnd::MaxCount;
    if (fd_ < 0) {
        return PortError::Io;
    }
    LineSettings settings = line();
    const auto highBit = static_cast<ViByte>(1u << (settings.dataBits - 1));
    const auto dataMask = static_cast<ViByte>((highBit << 1) - 1);
    Deadline deadline = DeadlineAfter(timeoutMs);
    bool readyButEmpty = false;
    while (count < max) {
        if (TakeAbort()) {
            return PortError::Aborted;
        }
        ViByte byte = 0;
        ssize_t got = ::read(fd_, &byte, 1); // one byte: nothing past the end is taken
        if (got == 1) {
            readyButEmpty = false;
            deadline = DeadlineAfter(timeoutMs);
            bool lastBit = (byte & highBit) != 0;
            if (rules.strip) {
                byte = static_cast<ViByte>(byte & ~highBit);
            }
            buffer[count++] = byte;
            if (rules.endOnLastBit && lastBit) {
                end = ReadEnd::LastBit;
                return PortError::None;
            }
            if (rules.termEnabled && (byte & dataMask) == (rules.termChar & dataMask)) {
                end = ReadEnd::TermChar;
                return PortError::None;
            }
            continue;
        }
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if ((got < 0 && errno != EAGAIN) || (got == 0 && readyButEmpty)) {
            return PortError::Io; // a hang-up reads as end of file
        }
        switch (WaitFor(POLLIN, deadline)) {
        case Wake::Ready:
            readyButEmpty = true;
            break;
        case Wake::Timeout:
            return PortError::Timeout;
        case Wake::Aborted:
            return PortError::Aborted;
        case Wake::Failed:
            return PortError::Io;
        }
    }
    return PortError::None;
}

PortError SerialPort::Write(const ViByte* buffer, ViUInt32 size, ViUInt32 timeoutMs, ViUInt32& count) {
    count = 0;
    if (fd_ < 0) {
        return PortError::Io;
    }
    Deadline deadline = DeadlineAfter(timeoutMs);
    while (count < size) {
        if (TakeAbort()) {
            return PortError::Aborted;
        }
        ViUInt32 queued = OutputCount();
        ViUInt32 limit = outputQueueSize();
        if (queued >= limit) {
            if (deadline && Clock::now() >= *deadline) {
                return PortError::Timeout;
            }
            Deadline pause = Clock::now() + kQueuePause;
            if (WaitFor(0, deadline ? std::min(*pause, *deadline) : pause) == Wake::Aborted) {
                return PortError::Aborted;
            }
            continue;
        }
        ViUInt32 piece = std::min(size - count, limit - queued);
        ssize_t moved = ::write(fd_, buffer + count, piece);
        if (moved > 0) {
            count += static_cast<ViUInt32>(moved);
            deadline = DeadlineAfter(timeoutMs);
            continue;
        }
        if (moved < 0 && errno == EINTR) {
            continue;
        }
        if (moved < 0 && errno != EAGAIN) {
            return PortError::Io;
        }
        switch (WaitFor(POLLOUT, deadline)) {
        case Wake::Ready:
            break;
        case Wake::Timeout:
            return PortError::Timeout;
        case Wake::Aborted:
            return PortError::Aborted;
        case Wake::Failed:
            return PortError::Io;
        }
    }
    return PortError::None;
}

} // namespace corvid::visaio
