#include "link_peer.h"

#include "link/debugger_channel.h"
#include "link/debugger_link.h"

#include <chrono>
#include <csignal>
#include <poll.h>
#include <unistd.h>

namespace corvid::testing {
namespace {

void WriteLine(int fd, const std::string& line) {
    std::string text = line + "\n";
    ssize_t ignored = ::write(fd, text.data(), text.size());
    (void)ignored;
}

int RunPeer(const PeerScript& script, int events) {
    std::size_t holds = 0;
    link::ReplayChannel replay;
    auto window = platform::MessageWindow::Create(
        link::kControllerWindowClass, [&](const platform::WindowMessage& m) -> platform::MessageResult {
            switch (m.message) {
            case link::WM_IOCONTROL_QUERY_HOLD:
                WriteLine(events, "hold");
                return holds < script.holdAnswers.size() ? script.holdAnswers[holds++] : 0;
            case link::WM_IOCONTROL_QUERY_PLAYBACK:
                WriteLine(events, "playback");
                return script.playbackAnswer;
            case link::WM_IOCONTROL_WANTS_DATA: {
                WriteLine(events, "wants");
                platform::MessageResult size = script.replay ? replay.Publish(*script.replay) : 0;
                return script.announcedSize ? *script.announcedSize : size;
            }
            case link::WM_IOCONTROL_SENDS_DATA: {
                link::IncomingRecord incoming = link::ReadIncomingRecord(static_cast<std::size_t>(m.lParam));
                WriteLine(events,
                          incoming.ok() ? "sends " + Hex(incoming.record.Serialize()) : "sends error");
                return incoming.ok() ? 1 : 0;
            }
            default:
                return 0;
            }
        });
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

ScriptedDebugger::ScriptedDebugger(PeerScript script) {
    int fds[2];
    if (::pipe(fds) != 0)
        throw std::runtime_error("pipe failed");
    child_.emplace(ChildProcess::Fork([&] {
        ::close(fds[0]);
        return RunPeer(script, fds[1]);
    }));
    ::close(fds[1]);
    events_ = fds[0];
    if (NextEvent() != "ready")
        throw std::runtime_error("the scripted debugger did not start");
}

ScriptedDebugger::~ScriptedDebugger() {
    child_.reset();
    if (events_ >= 0)
        ::close(events_);
}

std::string ScriptedDebugger::NextEvent() {
    for (;;) {
        if (auto newline = buffer_.find('\n'); newline != std::string::npos) {
            std::string line = buffer_.substr(0, newline);
            buffer_.erase(0, newline + 1);
            return line;
        }
        pollfd pfd{events_, POLLIN, 0};
        if (::poll(&pfd, 1, 10000) <= 0)
            return {};
        char chunk[4096];
        ssize_t got = ::read(events_, chunk, sizeof chunk);
        if (got <= 0)
            return {};
        buffer_.append(chunk, static_cast<std::size_t>(got));
    }
}

} // namespace corvid::testing
