// The capture and playback engine: what happens to each command a driver reports, when
// the driver is held, what it is handed during playback, and the recording, playback,
// pause and step commands with their states. Everything runs on the user-interface thread
// in the handlers of the driver's sent messages.
#pragma once

#include "debugger/command_list.h"
#include "debugger/options.h"
#include "link/debugger_channel.h"
#include "link/record_channel.h"
#include "platform/window_message.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string_view>

namespace corvid::debugger {

class Prompt;
class RecordingDocument;

using DocumentRef = std::shared_ptr<RecordingDocument>;

// The trace window keeps the last 500 commands reported.
inline constexpr int kTraceRows = 500;

// The Recording dialog's radio buttons and the Playback dialog's.
enum class RecordingStart { append, insert, reset };
enum class PlaybackStart { fromBeginning, atSelected, continueWhereLeft };

struct RecordingChoice {
    RecordingStart start = RecordingStart::append;
    bool resetDatabase = false;
};

struct PlaybackChoice {
    PlaybackStart start = PlaybackStart::fromBeginning;
    bool resetDatabase = false;
};

// What the Recording dialog shows when it opens.
struct RecordingDialogSetup {
    bool appendEnabled = false; // the document is not empty
    bool insertEnabled = false; // an item is selected
    RecordingStart preselected = RecordingStart::reset;
    bool resetDatabase = false;
};

// What the Playback dialog shows when it opens ("Start from the beginning" is always
// enabled and preselected).
struct PlaybackDialogSetup {
    bool atSelectedEnabled = false;
    bool continueEnabled = false;
    bool resetDatabase = false;
};

// A menu or toolbar command as the user interface shows it.
struct CommandState {
    bool enabled = false;
    bool checked = false;
    std::string_view text;

    bool operator==(const CommandState&) const = default;
};

// What the engine needs of the main window besides questions.
struct EngineHooks {
    // Raise the main window and give it the foreground (before every modal message).
    std::function<void()> bringToFront;
    // The engine's state changed: re-read the command states.
    std::function<void()> commandStatesChanged;
    // Empty the calibration database without asking; false on failure. Unset: the real
    // quiet reset.
    std::function<bool()> resetCalibrationQuietly;
};

class Engine {
public:
    Engine(Prompt& prompt, Options options = {}, EngineHooks hooks = {});
    ~Engine();
    Engine(const Engine&) = delete;
    Engine& operator=(const Engine&) = delete;

    // The four driver messages; any other message is answered 0.
    platform::MessageResult Handle(const platform::WindowMessage& message);
    platform::MessageResult OnSendsData(std::int64_t byteCount);
    platform::MessageResult OnQueryHold();
    platform::MessageResult OnQueryPlayback() const;
    platform::MessageResult OnWantsData();
    // A document's view closes: stop recording or playback into it.
    void OnViewClosed(const RecordingDocument* document);

    // Start/Stop Recording. Without a choice the dialog was cancelled.
    RecordingDialogSetup RecordingDialogFor(const RecordingDocument& document) const;
    void StartRecording(const DocumentRef& document, std::optional<RecordingChoice> choice);
    void StopRecording();

    // Start/Stop Playback. The dialog is shown only when the document has commands and
    // the no-dialog variant is not asked for; without a choice it was cancelled.
    static bool PlaybackShowsDialog(const RecordingDocument& document, bool noDialog = false);
    PlaybackDialogSetup PlaybackDialogFor(const RecordingDocument& document) const;
    bool StartPlayback(const DocumentRef& document, std::optional<PlaybackChoice> choice,
                       bool noDialog = false);
    void StopPlayback(bool pause);

    // The Stop command on the active document.
    void Stop(const RecordingDocument* active);
    void TogglePause();
    void RequestStep();
    // While playing: when the command expected next carries a breakpoint, pause and say so.
    // Run after every report; a front end that also stops before the first command played
    // runs it once after starting. True when it paused.
    bool PauseAtBreakpoint();

    // Command states for the active document view (null: none).
    CommandState RecordingCommand(const RecordingDocument* active) const;
    CommandState PlaybackCommand(const RecordingDocument* active) const;
    CommandState StopCommand(const RecordingDocument* active) const;
    CommandState PauseCommand() const;
    CommandState StepCommand() const;

    bool IsRecording() const { return recording_; }
    bool IsPlaying() const { return playing_; }
    bool IsPaused() const { return paused_; }
    bool StepRequested() const { return stepRequested_; }
    bool DriverWaiting() const { return driverWaiting_; }
    // The documents, when they still exist.
    DocumentRef RecordingTarget() const { return recordingDocument_.lock(); }
    DocumentRef PlaybackSource() const { return playbackDocument_.lock(); }
    // The command the driver is expected to perform next, or null.
    const link::CGPIBCommandInfo* ExpectedCommand() const { return expected_.get(); }
    // Whether the document is the one being recorded or played back.
    bool IsBusy(const RecordingDocument& document) const;

    CommandList& Trace() { return trace_; }
    const CommandList& Trace() const { return trace_; }
    Options& GetOptions() { return options_; }
    const Options& GetOptions() const { return options_; }

private:
    enum class Outcome { accepted, declined };

    bool LoadExpected(bool advance);
    Outcome Compare(const link::CGPIBCommandInfo& received);
    void Record(const link::CGPIBCommandInfo& received);
    void AfterReport(bool wasPlaying);
    bool ResetDatabase(const char* continueWhat);
    void SayWhat();
    void BringToFront();
    void StatesChanged();
    bool BreakHere() const;

    Prompt& prompt_;
    Options options_;
    EngineHooks hooks_;

    // The documents are held weakly, as views by window handle: one that is gone counts
    // as none. The plain pointers tell which document a view-closed message means.
    bool recording_ = false;
    std::weak_ptr<RecordingDocument> recordingDocument_;
    const RecordingDocument* recordingId_ = nullptr;
    bool playing_ = false;
    std::weak_ptr<RecordingDocument> playbackDocument_;
    const RecordingDocument* playbackId_ = nullptr;
    std::unique_ptr<link::CGPIBCommandInfo> expected_;
    bool paused_ = false;
    bool stepRequested_ = false;
    bool driverWaiting_ = false;

    CommandList trace_{kTraceRows};
    link::IncomingRecordReader incoming_;
    link::ReplayChannel outgoing_;
};

} // namespace corvid::debugger
