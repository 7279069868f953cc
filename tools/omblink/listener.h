// The controller window that omblink listen and omblink bench run: it answers the four
// driver messages the way a debugger would, from a few fixed rules.
#pragma once

#include "link/debugger_channel.h"
#include "link/gpib_command_info.h"
#include "link/record_channel.h"
#include "platform/window_message.h"

#include <cstdint>
#include <cstdio>
#include <memory>
#include <vector>

namespace corvid::omblink {

struct ListenerRules {
    long holdQueries = 0;                         // hold queries answered with 1 before answering 0
    std::vector<link::CGPIBCommandInfo> playback; // records handed out to data requests, in order
    long stopAfter = -1;                          // stop after this many records (-1: never)
    std::FILE* output = nullptr;                  // one JSON line per record received; null: quiet
};

class Listener {
public:
    // Registers the controller window class. Throws std::runtime_error when another
    // controller window is alive.
    explicit Listener(ListenerRules rules);

    // Handles messages until the record limit is reached or `stop` becomes non-zero.
    void Run(const volatile int& stop);

    long recordsReceived() const { return received_; }

private:
    platform::MessageResult Handle(const platform::WindowMessage& message);
    platform::MessageResult OnSendsData(std::int64_t byteCount);
    platform::MessageResult OnWantsData();

    ListenerRules rules_;
    std::size_t nextPlayback_ = 0;
    long holdsAnswered_ = 0;
    long received_ = 0;
    link::IncomingRecordReader incoming_;
    link::ReplayChannel replay_;
    std::unique_ptr<platform::MessageWindow> window_;
};

// The records of a file of JSON lines (blank lines skipped). Throws
// std::invalid_argument naming the file and line of a malformed record.
std::vector<link::CGPIBCommandInfo> LoadRecordLines(const std::string& path);

} // namespace corvid::omblink
