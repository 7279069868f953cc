#include "debugger_peer.h"

#include "link/debugger_channel.h"
#include "link/debugger_link.h"

#include <chrono>
#include <fcntl.h>
#include <poll.h>
#include <stdexcept>
#include <unistd.h>
#include <utility>

namespace corvid::testing {
namespace {

constexpr int kWaitMs = 10000;

void WriteLine(int fd, const std::string& line) {
    std::string text = line + "\n";
    ssize_t ignored = ::write(fd, text.data(), text.size());
    (void)ignored;
}

std::vector<std::uint8_t> Bytes(const std::string& hex) {
    std::vector<std::uint8_t> bytes;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        bytes.push_back(static_cast<std::uint8_t>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    return bytes;
}

bool IsRecordLine(const std::string& line) {
    return line.rfind("sends ", 0) == 0 && line != "sends error";
}

// The peer's side, in the child process.
class Responder {
public:
    Responder(const PeerScript& script, int events) : script_(script), events_(events) {}

    platform::MessageResult Handle(const platform::WindowMessage& m) {
        switch (m.message) {
        case link::WM_IOCONTROL_QUERY_HOLD:
            WriteLine(events_, "hold");
            return holds_ < script_.holdAnswers.size() ? script_.holdAnswers[holds_++] : 0;
        case link::WM_IOCONTROL_QUERY_PLAYBACK:
            WriteLine(events_, "playback");
            return script_.playbackAnswer;
        case link::WM_IOCONTROL_WANTS_DATA:
            WriteLine(events_, "wants");
            return AnswerDataRequest();
        case link::WM_IOCONTROL_SENDS_DATA:
            return Receive(static_cast<std::size_t>(m.lParam));
        default:
            return 0;
        }
    }

private:
    platform::MessageResult AnswerDataRequest() {
        platform::MessageResult size = 0;
        if (nextReplay_ < script_.replays.size())
            size = replay_.Publish(script_.replays[nextReplay_++]);
        return script_.announcedSize ? *script_.announcedSize : size;
    }

    platform::MessageResult Receive(std::size_t size) {
        link::IncomingRecord incoming = link::ReadIncomingRecord(size);
        WriteLine(events_, incoming.ok() ? "sends " + Hex(incoming.record.Serialize()) : "sends error");
        return incoming.ok() ? 1 : 0;
    }

    const PeerScript& script_;
    int events_;
    std::size_t holds_ = 0;
    std::size_t nextReplay_ = 0;
    link::ReplayChannel replay_;
};

int RunPeer(const PeerScript& script, int events) {
    Responder responder(script, events);
    auto window = platform::MessageWindow::Create(
        link::kControllerWindowClass, [&](const platform::WindowMessage& m) { return responder.Handle(m); });
    if (!window) {
        WriteLine(events, "taken"); // another controller window is up
        return 1;
    }
    WriteLine(events, "ready");
    for (;;)
        window->Pump(std::chrono::milliseconds(-1));
}

} // namespace

std::string Hex(const std::vector<std::uint8_t>& bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string text;
    for (std::uint8_t byte : bytes) {
        text += digits[byte >> 4];
        text += digits[byte & 15];
    }
    return text;
}

DebuggerPeer::DebuggerPeer(PeerScript script) {
    int fds[2];
    if (::pipe(fds) != 0)
        throw std::runtime_error("pipe failed");
    // Room for a few of the largest records as hex lines: the peer answers the driver only
    // after it wrote the line, and the test reads the lines after the driver's call.
    ::fcntl(fds[1], F_SETPIPE_SZ, 1 << 20);
    child_.emplace(ChildProcess::Fork([&] {
        ::close(fds[0]);
        return RunPeer(script, fds[1]);
    }));
    ::close(fds[1]);
    events_ = fds[0];
    if (NextEvent() != "ready") {
        ::close(std::exchange(events_, -1)); // the destructor does not run; child_ goes by itself
        throw std::runtime_error("the scripted debugger did not start");
    }
}

DebuggerPeer::~DebuggerPeer() {
    child_.reset();
    if (events_ >= 0)
        ::close(events_);
}

void DebuggerPeer::Read(int timeoutMs) {
    pollfd pfd{events_, POLLIN, 0};
    // Waits while no complete line is pending, then takes whatever else is there.
    while (::poll(&pfd, 1, lines_.empty() ? timeoutMs : 0) > 0) {
        char chunk[65536];
        ssize_t got = ::read(events_, chunk, sizeof chunk);
        if (got <= 0)
            break;
        buffer_.append(chunk, static_cast<std::size_t>(got));
        for (std::size_t newline; (newline = buffer_.find('\n')) != std::string::npos;) {
            lines_.push_back(buffer_.substr(0, newline));
            buffer_.erase(0, newline + 1);
        }
    }
}

std::string DebuggerPeer::NextEvent() {
    if (lines_.empty())
        Read(kWaitMs);
    if (lines_.empty())
        return {};
    std::string line = std::move(lines_.front());
    lines_.pop_front();
    return line;
}

std::vector<std::string> DebuggerPeer::Messages() {
    Read(0);
    std::vector<std::string> messages;
    for (std::string& line : lines_)
        messages.push_back(IsRecordLine(line) ? "sends" : std::move(line));
    lines_.clear();
    return messages;
}

std::vector<link::CGPIBCommandInfo> DebuggerPeer::Records() {
    Read(0);
    std::vector<link::CGPIBCommandInfo> records;
    for (const std::string& line : lines_)
        if (IsRecordLine(line))
            records.push_back(link::CGPIBCommandInfo::FromBytes(Bytes(line.substr(6))));
    lines_.clear();
    return records;
}

} // namespace corvid::testing
