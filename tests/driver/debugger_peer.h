// A scripted debugger in a child process: it answers the driver's four link messages from
// a script and reports each message it handled through a pipe, with the records the
// driver sent.
#pragma once

#include "link/gpib_command_info.h"
#include "platform/window_message.h"
#include "testsupport/sandbox.h"

#include <optional>
#include <string>
#include <vector>

namespace corvid::testing {

struct PeerScript {
    std::vector<platform::MessageResult> holdAnswers = {}; // then 0
    platform::MessageResult playbackAnswer = 0;
    // Published in turn for the driver's data requests; when none is left the answer is 0.
    std::vector<link::CGPIBCommandInfo> replays = {};
    // Announces a record of this size without publishing anything (a broken transfer).
    std::optional<platform::MessageResult> brokenAnnouncement = {};
};

class DebuggerPeer {
public:
    explicit DebuggerPeer(PeerScript script);
    ~DebuggerPeer();
    DebuggerPeer(const DebuggerPeer&) = delete;
    DebuggerPeer& operator=(const DebuggerPeer&) = delete;

    // The messages handled since the last call: "hold", "playback", "wants" and "sends".
    // The driver's calls block until the peer has answered, so after a call has returned
    // its messages are all here. The records are consumed too.
    std::vector<std::string> Messages();
    // The records received since the last call (the messages are consumed too).
    std::vector<link::CGPIBCommandInfo> Records();

private:
    void Drain();

    std::optional<ChildProcess> child_;
    int events_ = -1;
    std::string buffer_;
    std::vector<std::string> messages_;
    std::vector<link::CGPIBCommandInfo> records_;
};

} // namespace corvid::testing
