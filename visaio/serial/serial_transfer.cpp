// Reads and writes of the serial-port layer. Waiting is poll() on the device and on the
// transfer's abort request, with deadlines on the steady clock: no thread spins.
#include "serial_port.h"
#include "visa/visa.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <poll.h>
#include <sys/eventfd.h>
#include <system_error>
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

AbortRequest::AbortRequest() : fd_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
    if (fd_ < 0) {
        throw std::system_error(errno, std::generic_category(), "eventfd");
    }
}

AbortRequest::~AbortRequest() {
    ::close(fd_);
}

void AbortRequest::Request() {
    requested_ = true;
    std::uint64_t one = 1;
    [[maybe_unused]] ssize_t written = ::write(fd_, &one, sizeof one);
}

void AbortRequest::Clear() {
    requested_ = false;
    Drain();
}

bool AbortRequest::Take() {
    if (!requested_.exchange(false)) {
        return false;
    }
    Drain();
    return true;
}

void AbortRequest::Drain() {
    std::uint64_t value = 0;
    [[maybe_unused]] ssize_t taken = ::read(fd_, &value, sizeof value);
}

PortError SerialPort::WaitFor(short events, const Deadline& deadline, AbortRequest& abort) {
    for (;;) {
        if (abort.Take()) {
            return PortError::Aborted;
        }
        pollfd fds[2] = {{abort.fd(), POLLIN, 0}, {fd_, events, 0}};
        int ready = ::poll(fds, events != 0 ? 2 : 1, PollTimeout(deadline));
        if (ready < 0) {
            if (errno == EINTR) {
                continue;
            }
            return PortError::Io;
        }
        if (abort.Take()) {
            return PortError::Aborted;
        }
        if (events != 0 && (fds[1].revents & events)) {
            return PortError::None;
        }
        if (events != 0 && (fds[1].revents & (POLLERR | POLLHUP | POLLNVAL))) {
            return PortError::Io;
        }
        if (ready == 0) {
            return PortError::Timeout;
        }
        // else a wake-up left from a request already taken: the eventfd was read by Take
    }
}

// Terminal drivers do not signal room in their queue below a limit of ours: the count
// is looked at again every few milliseconds.
PortError SerialPort::WaitForOutputBelow(ViUInt32 limit, const Deadline& deadline, AbortRequest& abort) {
    while (OutputCount() >= limit) {
        if (deadline && Clock::now() >= *deadline) {
            return PortError::Timeout;
        }
        Deadline pause = Clock::now() + kQueuePause;
        PortError waited = WaitFor(0, deadline ? std::min(*pause, *deadline) : pause, abort);
        if (waited != PortError::Timeout) {
            return waited == PortError::None ? PortError::Io : waited;
        }
    }
    return PortError::None;
}

PortError SerialPort::Read(ViByte* buffer, ViUInt32 max, const ReadRules& rules, ViUInt32 timeoutMs,
                           AbortRequest& abort, ViUInt32& count, ReadEnd& end) {
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
        if (abort.Take()) {
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
        if (PortError waited = WaitFor(POLLIN, deadline, abort); waited != PortError::None) {
            return waited;
        }
        readyButEmpty = true;
    }
    return PortError::None;
}

PortError SerialPort::Write(const ViByte* buffer, ViUInt32 size, ViUInt32 timeoutMs, AbortRequest& abort,
                            ViUInt32& count) {
    count = 0;
    if (fd_ < 0) {
        return PortError::Io;
    }
    const ViUInt32 limit = outputQueueSize();
    Deadline deadline = DeadlineAfter(timeoutMs);
    while (count < size) {
        if (abort.Take()) {
            return PortError::Aborted;
        }
        ViUInt32 queued = OutputCount();
        if (queued >= limit) {
            if (PortError room = WaitForOutputBelow(limit, deadline, abort); room != PortError::None) {
                return room;
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
        if (PortError waited = WaitFor(POLLOUT, deadline, abort); waited != PortError::None) {
            return waited;
        }
    }
    return PortError::None;
}

} // namespace corvid::visaio
