// A scripted debugger in a child process, for tests of the driver's side of the link: it
// answers the driver's four link messages from a script and reports each message it
// handled through a pipe, with the records the driver sent.
#pragma once

#include "link/gpib_command_info.h"
#include "platform/window_message.h"
#include "testsupport/sandbox.h"

#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <vector>

namespace corvid::testing {

struct PeerScript {
    std::vector<platform::MessageResult> holdAnswers = {}; // then 0
    platform::MessageResult playbackAnswer = 0;
    // Published in turn for the driver's data requests; when none is left nothing is
    // published and the answer is 0.
    std::vector<link::CGPIBCommandInfo> replays = {};
    // Announced instead of the size of what was published (a short, long or broken
    // announcement); with no replay left nothing is published behind it.
    std::optional<platform::MessageResult> announcedSize = {};
};

// What the peer saw can be read two ways, which share one queue: line by line with
// NextEvent(), or all at once with Messages() or Records().
class DebuggerPeer {
public:
    explicit DebuggerPeer(PeerScript script);
    ~DebuggerPeer();
    DebuggerPeer(const DebuggerPeer&) = delete;
    DebuggerPeer& operator=(const DebuggerPeer&) = delete;

    // The next message line, waiting for it, or empty at timeout: "hold", "playback",
    // "wants", or "sends <hex of the record>" ("sends error" when the record could not
    // be read).
    std::string NextEvent();

    // The messages handled and not yet taken, without waiting: "hold", "playback", "wants"
    // and "sends". The driver's calls block until the peer has answered, so after a call
    // has returned its messages are all here. The records are consumed too.
    std::vector<std::string> Messages();
    // The records received and not yet taken (the messages are consumed too).
    std::vector<link::CGPIBCommandInfo> Records();

    ChildProcess& process() { return *child_; }

private:
    // Moves the complete lines the peer has written so far into lines_; waits up to
    // timeoutMs for the first one when none is pending.
    void Read(int timeoutMs);

    std::optional<ChildProcess> child_;
    int events_ = -1;
    std::string buffer_;
    std::deque<std::string> lines_;
};

std::string Hex(const std::vector<std::uint8_t>& bytes);

} // namespace corvid::testing
