// The driver's side of the debugger link. The driver finds the debugger's controller
// window by class name before each step; when there is none, every operation does nothing
// and the driver works alone.
#pragma once

#include "link/gpib_command_info.h"
#include "platform/window_message.h"

#include <chrono>
#include <cstdint>
#include <string_view>

namespace corvid::link {

// Names and numbers both sides agree on.
inline constexpr const char* kControllerWindowClass = "OMBRADEBUGCONTROLLER";
inline constexpr const char* kDriverRecordMapping = "IOCOMPONENTSENDSGPIBCOMMANDINFO";
inline constexpr const char* kReplayRecordMapping = "OMBRADEBUGGERSENDSGPIBCOMMANDINFO";

inline constexpr std::uint32_t WM_IOCONTROL_SENDS_DATA = platform::WM_USER + 4;
inline constexpr std::uint32_t WM_IOCONTROL_QUERY_HOLD = platform::WM_USER + 5;
inline constexpr std::uint32_t WM_IOCONTROL_QUERY_PLAYBACK = platform::WM_USER + 6;
inline constexpr std::uint32_t WM_IOCONTROL_WANTS_DATA = platform::WM_USER + 7;

// How often a held driver asks again.
inline constexpr std::chrono::milliseconds kHoldPollInterval{250};

// The debugger's controller window, or a null handle when no debugger runs (also when
// the runtime directory is refused: the driver then works alone).
platform::WindowHandle FindController();

class CDebuggerLink {
public:
    // mainWindow: the handle of the driver's application main window passed with a data
    // request, 0 when it has none.
    explicit CDebuggerLink(std::int64_t mainWindow = 0) : mainWindow_(mainWindow) {}

    // Waits while the debugger answers 1 to the hold query, asking every 250 ms. Returns 1.
    int WaitWhileHeld() const;
    // Non-zero while the debugger plays a recording back; 0 without a debugger.
    platform::MessageResult IsPlaybackActive() const;
    // Passes a record to the debugger; returns its answer, or 0.
    platform::MessageResult SendGPIBCommandInfo(const CGPIBCommandInfo* record) const;
    // Asks the debugger for the recorded command of the next operation. Returns 0 when it
    // has none (the operation runs live) and 1 when it announced one; `error` is set when
    // that one could not be read.
    int GetGPIBCommandInfo(CGPIBCommandInfo& record, bool& error) const;
    // Hold, send a record of the driver's board, bus address, action and blocks (each may
    // be null) with the comments given, hold again. Returns 1.
    int ReportCommand(std::uint8_t boardNumber, std::uint8_t busAddress, const CCopyDataBlock* parameters,
                      const CCopyDataBlock* received, const CCopyDataBlock* sent, std::uint8_t action,
                      std::string_view comments = {}) const;

private:
    std::int64_t mainWindow_;
};

} // namespace corvid::link
