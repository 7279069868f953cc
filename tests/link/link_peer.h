// A scripted debugger in a child process, for tests of the driver's side of the link:
// it answers the four driver messages from a script and reports every message it saw
// through a pipe.
#pragma once

#include "link/gpib_command_info.h"
#include "platform/window_message.h"
#include "testsupport/sandbox.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace corvid::testing {

struct PeerScript {
    std::vector<platform::MessageResult> holdAnswers = {};     // then 0
    std::optional<link::CGPIBCommandInfo> replay = {};         // published for data requests
    std::optional<platform::MessageResult> announcedSize = {}; // overrides the published size
    platform::MessageResult playbackAnswer = 0;
};

// One line per message the peer handled: "hold", "playback", "wants", or "sends <hex of the record>"
// ("sends error" when the record could not be read).
class ScriptedDebugger {
public:
    explicit ScriptedDebugger(PeerScript script);
    ~ScriptedDebugger();
    ScriptedDebugger(const ScriptedDebugger&) = delete;
    ScriptedDebugger& operator=(const ScriptedDebugger&) = delete;

    // The next message line, or empty at timeout.
    std::string NextEvent();
    ChildProcess& process() { return *child_; }

private:
    std::optional<ChildProcess> child_;
    int events_ = -1;
    std::string buffer_;
};

std::string Hex(const std::vector<std::uint8_t>& bytes);

} // namespace corvid::testing
