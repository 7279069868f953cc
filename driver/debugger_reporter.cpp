#include "debugger_reporter.h"

#include "platform/message_box.h"

namespace corvid::driver {
namespace {

constexpr const char* kDebuggerErrorText =
    "An unknown error was caused by the OMBRA Debugger application.\r\n"
    "The error may render this test and it's debug data in an unknown\r\nstate.";

constexpr const char* kOutOfSynchText =
    "Actions have become out of synch during OMBRA replay.\r\n\r\nWould you like to continue replay?\r\n\r\n"
    "Pressing \"No\" will abort the test.\r\n(Warning: replay integrity is no longer guaranteed for this "
    "test)";

} // namespace

bool CDebuggerReporter::IsPlaybackActive() const {
    return link_.IsPlaybackActive() != 0;
}

bool CDebuggerReporter::DebuggerPresent() const {
    return static_cast<bool>(link::FindController());
}

void CDebuggerReporter::Report(std::int32_t board, std::int32_t address, std::uint8_t action,
                               const CCopyDataBlock* parameters, const CCopyDataBlock* received,
                               const CCopyDataBlock* sent, std::string_view comments) const noexcept {
    try {
        link_.ReportCommand(static_cast<std::uint8_t>(board), static_cast<std::uint8_t>(address), parameters,
                            received, sent, action, comments);
    } catch (...) {
        ShowDebuggerError();
    }
}

ReplayFetch CDebuggerReporter::Fetch(CGPIBCommandInfo& record) const {
    bool error = false;
    if (link_.GetGPIBCommandInfo(record, error) == 0)
        return ReplayFetch::live;
    return error ? ReplayFetch::failed : ReplayFetch::replayed;
}

void CDebuggerReporter::Echo(const CGPIBCommandInfo& record) const noexcept {
    try {
        link_.SendGPIBCommandInfo(&record);
    } catch (...) {
        ShowDebuggerError();
    }
}

void CDebuggerReporter::ShowDebuggerError() noexcept {
    try {
        platform::ShowMessageBox(kDebuggerErrorText, {}, platform::MsgButtons::Ok, platform::MsgIcon::Error);
    } catch (...) {
        // Nothing is left to tell the user with.
    }
}

bool AcceptsReplay(const CGPIBCommandInfo& record, unsigned receivedType, std::uint8_t action) {
    return record.Received().Type() == receivedType && record.ActionCode() == action;
}

bool AskContinueReplay() {
    // A library has no main window of its own: the question goes to the application's box.
    return platform::ShowMessageBox(kOutOfSynchText, {}, platform::MsgButtons::YesNo,
                                    platform::MsgIcon::Warning) == platform::MsgAnswer::Yes;
}

} // namespace corvid::driver
