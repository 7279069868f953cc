#include "serial_server.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <poll.h>
#include <unistd.h>

namespace corvid::sim {

namespace {

// Reading stops while this much input waits for the instrument: a client that writes
// without reading is held back by the line rather than filling memory.
constexpr size_t kInputHold = 64 * 1024;
constexpr size_t kChunk = 4096;

bool Retry(int error) {
    return error == EINTR || error == EAGAIN || error == EWOULDBLOCK;
}

} // namespace

void SerialServer::CollectReply(Clock::time_point now) {
    std::array<char, kChunk> buffer{};
    while (instrument_.ReplyReady(now)) {
        Instrument::Talk talk = instrument_.Send(buffer.data(), buffer.size(), std::nullopt, false, now);
        if (talk.count == 0) {
            break;
        }
        output_.append(buffer.data(), talk.count);
    }
}

void SerialServer::Deliver(Clock::time_point now) {
    while (true) {
        CollectReply(now);
        if (!output_.empty() || instrument_.HasReply() || input_.empty()) {
            return;
        }
        size_t feed = input_.find('\n');
        feed = feed == std::string::npos ? input_.size() : feed + 1;
        instrument_.Receive(std::string_view(input_.data(), feed), false, now);
        input_.erase(0, feed);
    }
}

int SerialServer::PollTimeout(Clock::time_point now) const {
    if (!instrument_.HasReply() || instrument_.ReplyReady(now)) {
        return -1;
    }
    auto wait = std::chrono::ceil<std::chrono::milliseconds>(instrument_.replyReadyAt() - now).count();
    return static_cast<int>(std::min<decltype(wait)>(wait, 60 * 1000));
}

bool SerialServer::ReadLine(std::string& error) {
    std::array<char, kChunk> buffer{};
    ssize_t n = ::read(line_, buffer.data(), buffer.size());
    if (n > 0) {
        input_.append(buffer.data(), static_cast<size_t>(n));
        return true;
    }
    if (n < 0 && Retry(errno)) {
        return true;
    }
    error = n == 0 ? std::string("the line was closed")
                   : std::string("reading the line: ") + std::strerror(errno);
    return false;
}

bool SerialServer::WriteLine(std::string& error) {
    ssize_t n = ::write(line_, output_.data(), output_.size());
    if (n >= 0) {
        output_.erase(0, static_cast<size_t>(n));
        return true;
    }
    if (Retry(errno)) {
        return true;
    }
    error = std::string("writing the line: ") + std::strerror(errno);
    return false;
}

bool SerialServer::Run(std::string& error) {
    while (true) {
        Clock::time_point now = Clock::now();
        Deliver(now);
        std::array<pollfd, 2> fds{};
        fds[0] = {stop_, POLLIN, 0};
        fds[1].fd = line_;
        fds[1].events =
            static_cast<short>((input_.size() < kInputHold ? POLLIN : 0) | (output_.empty() ? 0 : POLLOUT));
        if (::poll(fds.data(), fds.size(), PollTimeout(now)) < 0) {
            if (errno == EINTR) {
                continue;
            }
            error = std::string("poll: ") + std::strerror(errno);
            return false;
        }
        if (fds[0].revents != 0) {
            return true;
        }
        if ((fds[1].revents & (POLLIN | POLLHUP | POLLERR)) != 0 && !ReadLine(error)) {
            return false;
        }
        if ((fds[1].revents & POLLOUT) != 0 && !WriteLine(error)) {
            return false;
        }
    }
}

} // namespace corvid::sim
