#include "debugger/engine.h"

#include "debugger/breakpoints.h"
#include "debugger/calibration_reset.h"
#include "debugger/comparison.h"
#include "debugger/document.h"
#include "debugger/prompt.h"
#include "link/debugger_link.h"

#include <utility>

namespace corvid::debugger {
namespace {

constexpr const char* kPlaybackCompleteText =
    "You have reached the end of the current playback file,\r\nor file playback was cancelled "
    "unexpectedly.\r\n\r\n"
    "After closing this dialog, the driver's thread will regain\r\ncontrol, and playback controls will be "
    "reset.\r\n\r\nPress \"Yes\" if you would like to pause the test before\r\nallowing the driver to "
    "receive its "
    "last command. Press \"No\"\r\nif you do not want to automatically pause.\r\n\r\n(to resume playback, "
    "debugging, or recording you'll need to\r\nunpause the debugger from the debug menu)";

constexpr const char* kSayWhatText = "Ummm, are you sure there's anything for me to playback?\r\n"
                                     "Or did you not select the item that you want to start playback from?";

// Moves the playback position; every move also brings the row into view.
void MovePlayback(CommandList& list, int position) {
    list.SetPlaybackPosition(position);
    list.EnsureVisible(position);
}

} // namespace

Engine::Engine(Prompt& prompt, Options options, EngineHooks hooks)
    : prompt_(prompt), options_(options), hooks_(std::move(hooks)) {
    if (!hooks_.resetCalibrationQuietly)
        hooks_.resetCalibrationQuietly = [this] {
            return ResetCalibrationDatabase(true, prompt_);
        };
}

Engine::~Engine() = default;

platform::MessageResult Engine::Handle(const platform::WindowMessage& message) {
    switch (message.message) {
    case link::WM_IOCONTROL_SENDS_DATA:
        return OnSendsData(message.lParam);
    case link::WM_IOCONTROL_QUERY_HOLD:
        return OnQueryHold();
    case link::WM_IOCONTROL_QUERY_PLAYBACK:
        return OnQueryPlayback();
    case link::WM_IOCONTROL_WANTS_DATA:
        return OnWantsData();
    default:
        return 0;
    }
}

platform::MessageResult Engine::OnSendsData(std::int64_t byteCount) {
    if (byteCount <= 0)
        return 0;
    link::IncomingRecord incoming = incoming_.Read(static_cast<std::size_t>(byteCount));
    if (!incoming.ok()) {
        if (incoming.status == link::IncomingRecord::Status::unreadable) {
            BringToFront();
            prompt_.Ask("The command sent by the driver could not be read (" + incoming.archiveError + ").",
                        {}, MsgButtons::Ok, MsgIcon::Warning);
        }
        return 0;
    }
    const link::CGPIBCommandInfo& received = incoming.record;
    trace_.Insert(CommandItem{received, false}, -1, false, true);
    if (Compare(received) == Outcome::declined) {
        StopPlayback(true);
        BringToFront();
        prompt_.Ask("Playback has been stopped, and the debugger paused.", "Notice", MsgButtons::Ok,
                    MsgIcon::Information);
        return 1;
    }
    Record(received);
    const bool wasPlaying = playing_ && PlaybackSource() && expected_;
    LoadExpected(true);
    AfterReport(wasPlaying);
    return 1;
}

Engine::Outcome Engine::Compare(const link::CGPIBCommandInfo& received) {
    if (!playing_ || !expected_ || !PlaybackSource())
        return Outcome::accepted;
    const std::optional<std::string> report = DifferenceReport(*expected_, received, options_, prompt_);
    if (!report)
        return Outcome::accepted;
    BringToFront();
    const MsgAnswer answer =
        prompt_.Ask(*report + "\r\nDo you want to continue playback?", "Differences found during playback",
                    MsgButtons::YesNo, MsgIcon::Question);
    return answer == MsgAnswer::Yes ? Outcome::accepted : Outcome::declined;
}

void Engine::Record(const link::CGPIBCommandInfo& received) {
    const DocumentRef document = recording_ ? RecordingTarget() : nullptr;
    if (!document)
        return;
    CommandList& list = document->Commands();
    int position = list.RecordPosition();
    // Rows deleted while paused may have left the position past the end.
    if (position < 0 || position > list.Count())
        position = list.Count();
    list.Insert(CommandItem{received, false}, position, false, options_.autoscrollRecord);
    list.SetRecordPosition(position + 1, false);
    document->SetModified();
}

void Engine::AfterReport(bool wasPlaying) {
    if (wasPlaying && !playing_) {
        BringToFront();
        const MsgAnswer answer =
            prompt_.Ask(kPlaybackCompleteText, "Playback Complete", MsgButtons::YesNo, MsgIcon::Information);
        StopPlayback(answer == MsgAnswer::Yes);
        return;
    }
    PauseAtBreakpoint();
}

bool Engine::PauseAtBreakpoint() {
    if (!BreakHere())
        return false;
    if (!paused_)
        TogglePause();
    BringToFront();
    prompt_.Ask("A breakpoint condition has been satisfied.\r\nThe debugger has been paused.",
                "Breakpoint condition detected", MsgButtons::Ok, MsgIcon::Information);
    return true;
}

bool Engine::BreakHere() const {
    if (!playing_ || !expected_)
        return false;
    const DocumentRef document = PlaybackSource();
    return document && BreakpointAt(document.get(), document->Commands().PlaybackPosition());
}

bool Engine::LoadExpected(bool advance) {
    if (const DocumentRef document = PlaybackSource()) {
        expected_.reset();
        CommandList& list = document->Commands();
        int position = list.PlaybackPosition();
        if (advance)
            MovePlayback(list, ++position);
        if (position == -1) {
            position = 0;
            list.SetPlaybackPosition(position);
        }
        if (position >= 0 && position < list.Count()) {
            expected_ = std::make_unique<link::CGPIBCommandInfo>(list.At(position)->command);
            return true;
        }
        list.SetPlaybackPosition(-1);
    }
    StopPlayback(false);
    return false;
}

platform::MessageResult Engine::OnQueryHold() {
    if (!paused_)
        return 0;
    if (!stepRequested_) {
        driverWaiting_ = true;
        StatesChanged();
        return 1;
    }
    stepRequested_ = false;
    driverWaiting_ = false;
    StatesChanged();
    return 0;
}

platform::MessageResult Engine::OnQueryPlayback() const {
    return playing_ ? 1 : 0;
}

platform::MessageResult Engine::OnWantsData() {
    if (!playing_)
        return 0;
    if (!expected_) {
        BringToFront();
        prompt_.Ask(
            "Error supplying io control with data in OnIOControlWantsData.\r\nThere was no data to give it.",
            "Error", MsgButtons::Ok, MsgIcon::Error);
        return 0;
    }
    const std::int64_t size = outgoing_.Publish(*expected_);
    if (size <= 0) {
        BringToFront();
        prompt_.Ask("Error supplying io control with data.", "Error", MsgButtons::Ok, MsgIcon::Error);
        return 0;
    }
    return size;
}

void Engine::OnViewClosed(const RecordingDocument* document) {
    if (document && document == recordingId_)
        StopRecording();
    if (document && document == playbackId_)
        StopPlayback(false);
    StatesChanged();
}

RecordingDialogSetup Engine::RecordingDialogFor(const RecordingDocument& document) const {
    const CommandList& list = document.Commands();
    RecordingDialogSetup setup;
    setup.appendEnabled = list.Count() > 0;
    setup.insertEnabled = list.At(list.SelectedIndex()) != nullptr;
    setup.preselected = setup.appendEnabled ? RecordingStart::append : RecordingStart::reset;
    setup.resetDatabase = options_.resetBeforeRecording;
    return setup;
}

void Engine::StartRecording(const DocumentRef& document, std::optional<RecordingChoice> choice) {
    if (!document)
        return;
    if (!choice) {
        StopRecording();
        return;
    }
    options_.resetBeforeRecording = choice->resetDatabase;
    if (choice->resetDatabase && !ResetDatabase("recording")) {
        StopRecording();
        return;
    }
    CommandList& list = document->Commands();
    switch (choice->start) {
    case RecordingStart::reset:
        if (list.Count() > 0) {
            list.DeleteAll();
            document->SetModified();
        }
        list.SetRecordPosition(-1, true);
        break;
    case RecordingStart::append:
        list.SetRecordPosition(-1, true);
        break;
    case RecordingStart::insert:
        list.SetRecordPosition(list.SelectedIndex() + 1, true);
        break;
    }
    if (!paused_)
        list.ShowAsRecording();
    recordingDocument_ = document;
    recordingId_ = document.get();
    recording_ = true;
    StatesChanged();
}

void Engine::StopRecording() {
    recording_ = false;
    if (const DocumentRef document = RecordingTarget())
        document->Commands().ShowAsIdle();
    recordingDocument_.reset();
    recordingId_ = nullptr;
    StatesChanged();
}

bool Engine::PlaybackShowsDialog(const RecordingDocument& document, bool noDialog) {
    return !noDialog && document.Commands().Count() > 0;
}

PlaybackDialogSetup Engine::PlaybackDialogFor(const RecordingDocument& document) const {
    const CommandList& list = document.Commands();
    PlaybackDialogSetup setup;
    setup.atSelectedEnabled = list.At(list.SelectedIndex()) != nullptr;
    setup.continueEnabled = list.PlaybackPosition() != -1;
    setup.resetDatabase = options_.resetBeforePlayback;
    return setup;
}

bool Engine::StartPlayback(const DocumentRef& document, std::optional<PlaybackChoice> choice, bool noDialog) {
    if (!document)
        return false;
    StopPlayback(false);
    playbackDocument_ = document;
    playbackId_ = document.get();
    CommandList& list = document->Commands();
    if (PlaybackShowsDialog(*document, noDialog)) {
        if (!choice) {
            StopPlayback(false);
            return false;
        }
        options_.resetBeforePlayback = choice->resetDatabase;
        if (choice->resetDatabase && !ResetDatabase("playback")) {
            StopPlayback(false);
            return false;
        }
        if (choice->start == PlaybackStart::fromBeginning)
            MovePlayback(list, 0);
        else if (choice->start == PlaybackStart::atSelected)
            MovePlayback(list, list.SelectedIndex());
    } else {
        MovePlayback(list, 0);
    }
    if (!paused_)
        list.ShowAsPlaying();
    if (!LoadExpected(false)) {
        SayWhat();
        StopPlayback(false);
        return false;
    }
    playing_ = true;
    if (!paused_)
        list.ShowAsPlaying();
    StatesChanged();
    return true;
}

void Engine::StopPlayback(bool pause) {
    // Every report of a recording ends here too; the window's commands are refreshed only
    // when something changed.
    const bool changed = playing_ || expected_ || playbackId_ || (pause && !paused_);
    playing_ = false;
    expected_.reset();
    if (const DocumentRef document = PlaybackSource())
        document->Commands().ShowAsIdle();
    playbackDocument_.reset();
    playbackId_ = nullptr;
    if (pause)
        paused_ = true;
    if (changed)
        StatesChanged();
}

void Engine::Stop(const RecordingDocument* active) {
    if (!active)
        return;
    if (active == playbackId_ && playing_)
        StopPlayback(false);
    if (active == recordingId_ && recording_)
        StopRecording();
}

void Engine::TogglePause() {
    paused_ = !paused_;
    stepRequested_ = false;
    if (const DocumentRef document = PlaybackSource(); document && playing_) {
        if (paused_)
            document->Commands().ShowAsIdle();
        else
            document->Commands().ShowAsPlaying();
    }
    if (const DocumentRef document = RecordingTarget(); document && recording_) {
        if (paused_)
            document->Commands().ShowAsIdle();
        else
            document->Commands().ShowAsRecording();
    }
    // Edits made while paused take effect.
    if (PlaybackSource() && playing_ && !LoadExpected(false)) {
        SayWhat();
        StopPlayback(false);
    }
    StatesChanged();
}

void Engine::RequestStep() {
    if (!paused_)
        return;
    stepRequested_ = true;
    StatesChanged();
}

CommandState Engine::RecordingCommand(const RecordingDocument* active) const {
    if (!active || active == playbackId_)
        return {false, false, "Start Recording"};
    if (!recording_)
        return {true, false, "Start Recording"};
    if (active != recordingId_)
        return {false, false, "Stop Recording"};
    return {true, true, "Stop Recording"};
}

CommandState Engine::PlaybackCommand(const RecordingDocument* active) const {
    if (!active || active == recordingId_)
        return {false, false, "Start Playback"};
    if (!playbackId_)
        return {true, false, "Start Playback"};
    if (active != playbackId_)
        return {false, false, "Stop Playback"};
    return {true, true, "Stop Playback"};
}

CommandState Engine::StopCommand(const RecordingDocument* active) const {
    return {active && (active == playbackId_ || active == recordingId_), false, "Stop"};
}

CommandState Engine::PauseCommand() const {
    return {true, paused_, "Pause"};
}

CommandState Engine::StepCommand() const {
    return {paused_ && driverWaiting_ && !stepRequested_, false, "Step"};
}

bool Engine::IsBusy(const RecordingDocument& document) const {
    return (recording_ && &document == recordingId_) || (playing_ && &document == playbackId_);
}

bool Engine::ResetDatabase(const char* continueWhat) {
    if (hooks_.resetCalibrationQuietly())
        return true;
    const std::string text =
        std::string("The calibration database could not be reset.\r\nDo you want to continue ") +
        continueWhat + "?";
    return prompt_.Ask(text, "Could not reset calibration database", MsgButtons::YesNoCancel,
                       MsgIcon::Question) == MsgAnswer::Yes;
}

void Engine::SayWhat() {
    BringToFront();
    prompt_.Ask(kSayWhatText, "Say what?", MsgButtons::Ok, MsgIcon::Question);
}

void Engine::BringToFront() {
    if (hooks_.bringToFront)
        hooks_.bringToFront();
}

void Engine::StatesChanged() {
    if (hooks_.commandStatesChanged)
        hooks_.commandStatesChanged();
}

} // namespace corvid::debugger
