#include "debugger_peer.h"

#include "link/debugger_channel.h"
#include "link/debugger_link.h"

#include <chrono>
#include <poll.h>
#include <stdexcept>
#include <unistd.h>

namespace corvid::testing {
namespace {

void WriteLine(int fd, const std::string& line) {
    std::string text = line + "\n";
    ssize_t ignored = ::write(fd, text.data(), text.size());
    (void)ignored;
}

std::string Hex(const std::vector<std::uint8_t>& bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string text;
    for (std::uint8_t byte : bytes) {
        text += digits[byte >> 4];
        text += digits[byte & 15];
    }
    return text;
}

std::vector<std::uint8_t> Bytes(const std::string& hex) {
    std::vector<std::uint8_t> bytes;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        bytes.push_back(static_cast<std::uint8_t>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    return bytes;
}

platform::MessageResult AnswerDataRequest(const PeerScript& script, std::size_t& next,
                                          link::ReplayChannel& replay) {
    if (script.brokenAnnouncement)
        return *script.brokenAnnouncement;
    if (next >= script.replays.size())
        return 0;
    return replay.Publish(script.replays[next++]);
}

int RunPeer(const PeerScript& script, int events) {
    std::size_t holds = 0, nextReplay = 0;
    link::ReplayChannel replay;
    auto handler = [&](const platform::WindowMessage& m) -> platform::MessageResult {
        switch (m.message) {
        case link::WM_IOCONTROL_QUERY_HOLD:
            WriteLine(events, "hold");
            return holds < script.holdAnswers.size() ? script.holdAnswers[holds++] : 0;
        case link::WM_IOCONTROL_QUERY_PLAYBACK:
            WriteLine(events, "playback");
            return script.playbackAnswer;
        case link::WM_IOCONTROL_WANTS_DATA:
            WriteLine(events, "wants");
            return AnswerDataRequest(script, nextReplay, replay);
        case link::WM_IOCONTROL_SENDS_DATA: {
            link::IncomingRecord incoming = link::ReadIncomingRecord(static_cast<std::size_t>(m.lParam));
            WriteLine(events, incoming.ok() ? "sends " + Hex(incoming.record.Serialize()) : "sends error");
            return incoming.ok() ? 1 : 0;
        }
        default:
            return 0;
        }
    };
    auto window = platform::MessageWindow::Create(link::kControllerWindowClass, handler);
    WriteLine(events, window ? "ready" : "taken");
    for (;;)
        window->Pump(std::chrono::milliseconds(-1));
}

} // namespace

DebuggerPeer::DebuggerPeer(PeerScript script) {
    int fds[2];
    if (::pipe(fds) != 0)
        throw std::runtime_error("pipe failed");
    child_.emplace(ChildProcess::Fork([&] {
        ::close(fds[0]);
        return RunPeer(script, fds[1]);
    }));
    ::close(fds[1]);
    events_ = fds[0];
    pollfd pfd{events_, POLLIN, 0};
    std::string line;
    while (buffer_.find('\n') == std::string::npos && ::poll(&pfd, 1, 10000) > 0) {
        char chunk[256];
        ssize_t got = ::read(events_, chunk, sizeof chunk);
        if (got <= 0)
            break;
        buffer_.append(chunk, static_cast<std::size_t>(got));
    }
    if (buffer_.rfind("ready\n", 0) != 0)
        throw std::runtime_error("the scripted debugger did not start");
    buffer_.erase(0, 6);
}

DebuggerPeer::~DebuggerPeer() {
    child_.reset();
    if (events_ >= 0)
        ::close(events_);
}

void DebuggerPeer::Drain() {
    pollfd pfd{events_, POLLIN, 0};
    while (::poll(&pfd, 1, 0) > 0 && (pfd.revents & POLLIN)) {
        char chunk[65536];
        ssize_t got = ::read(events_, chunk, sizeof chunk);
        if (got <= 0)
            break;
        buffer_.append(chunk, static_cast<std::size_t>(got));
    }
    for (std::size_t newline; (newline = buffer_.find('\n')) != std::string::npos;) {
        std::string line = buffer_.substr(0, newline);
        buffer_.erase(0, newline + 1);
        if (line.rfind("sends ", 0) == 0 && line != "sends error") {
            records_.push_back(link::CGPIBCommandInfo::FromBytes(Bytes(line.substr(6))));
            line = "sends";
        }
        messages_.push_back(line);
    }
}

std::vector<std::string> DebuggerPeer::Messages() {
    Drain();
    records_.clear();
    return std::exchange(messages_, {});
}

std::vector<link::CGPIBCommandInfo> DebuggerPeer::Records() {
    Drain();
    messages_.clear();
    return std::exchange(records_, {});
}

} // namespace corvid::testing
