// The driver's use of the debugger link: reporting each operation's record, fetching the
// recorded answer of a reading operation during playback and echoing it back, and asking
// the user whether to go on when a replayed record does not fit.
#pragma once

#include "link/debugger_link.h"
#include "link/gpib_command_info.h"

#include <cstdint>
#include <string_view>

namespace corvid::driver {

using link::CCopyDataBlock;
using link::CGPIBCommandInfo;

// What the debugger gave a reading operation.
enum class ReplayFetch {
    live,     // no replay record: the operation talks to the instrument
    failed,   // a record was announced but could not be read
    replayed, // the record to answer from
};

class CDebuggerReporter {
public:
    bool IsPlaybackActive() const;

    // Whether a debugger is there to take records.
    bool DebuggerPresent() const;

    // Reports a record of the board, bus address, action, blocks (each may be null) and
    // comments. Whatever goes wrong on the way is shown in the debugger error box; the
    // operation goes on with its own result.
    void Report(std::int32_t board, std::int32_t address, std::uint8_t action,
                const CCopyDataBlock* parameters, const CCopyDataBlock* received, const CCopyDataBlock* sent,
                std::string_view comments = {}) const noexcept;

    // Asks the debugger for the recorded command of a reading operation.
    ReplayFetch Fetch(CGPIBCommandInfo& record) const;

    // Sends a replayed record back unchanged, without the hold steps.
    void Echo(const CGPIBCommandInfo& record) const noexcept;

    // The box shown when the debugger link fails: "An unknown error was caused by the
    // OMBRA Debugger application...".
    static void ShowDebuggerError() noexcept;

private:
    link::CDebuggerLink link_;
};

// Whether a replayed record answers a reading operation: its Received block has the
// expected type and its action the expected code.
bool AcceptsReplay(const CGPIBCommandInfo& record, unsigned receivedType, std::uint8_t action);

// Asks whether to go on after a replayed record did not fit; true for "Yes".
bool AskContinueReplay();

} // namespace corvid::driver
