// The engine's state machine, driven through its message handlers with the driver's side
// of the channel played in-process.
#include "debugger/breakpoints.h"
#include "debugger/document.h"
#include "debugger/engine.h"
#include "test_support.h"
#include "testsupport/sandbox.h"

#include <gtest/gtest.h>
#include <memory>

namespace corvid::debugger {
namespace {

using testing::ReadCommand;
using testing::Report;
using testing::ScriptedPrompt;
using testing::WriteCommand;

constexpr const char* kPlaybackComplete =
    "You have reached the end of the current playback file,\r\nor file playback was cancelled "
    "unexpectedly.\r\n\r\n"
    "After closing this dialog, the driver's thread will regain\r\ncontrol, and playback controls will be "
    "reset.\r\n\r\nPress \"Yes\" if you would like to pause the test before\r\nallowing the driver to "
    "receive its "
    "last command. Press \"No\"\r\nif you do not want to automatically pause.\r\n\r\n(to resume playback, "
    "debugging, or recording you'll need to\r\nunpause the debugger from the debug menu)";

class EngineTest : public corvid::testing::SandboxTest {
protected:
    EngineTest() {
        EngineHooks hooks;
        hooks.bringToFront = [this] {
            ++raised;
        };
        hooks.resetCalibrationQuietly = [this] {
            return resetWorks;
        };
        hooks.commandStatesChanged = [this] {
            ++stateRefreshes;
        };
        engine = std::make_unique<Engine>(prompt, Options{}, hooks);
    }

    DocumentRef DocumentWith(std::vector<link::CGPIBCommandInfo> commands) {
        auto document = std::make_shared<RecordingDocument>();
        for (auto& command : commands)
            document->Commands().Insert({std::move(command), false}, -1, false, false);
        return document;
    }

    // A playback of WRITE "*IDN?", READ "FLUKE", WRITE "OUT 1V" from the beginning.
    DocumentRef StartThreeCommandPlayback() {
        auto document =
            DocumentWith({WriteCommand(4, "*IDN?"), ReadCommand(4, "FLUKE"), WriteCommand(4, "OUT 1V")});
        EXPECT_TRUE(engine->StartPlayback(document, PlaybackChoice{}));
        return document;
    }

    ScriptedPrompt prompt;
    std::unique_ptr<Engine> engine;
    int raised = 0;
    int stateRefreshes = 0;
    bool resetWorks = true;
};

TEST_F(EngineTest, AReportWhileIdleOnlyReachesTheTrace) {
    auto document = DocumentWith({});
    EXPECT_EQ(Report(*engine, WriteCommand(1, "A")), 1);
    EXPECT_EQ(engine->Trace().Count(), 1);
    EXPECT_EQ(document->Commands().Count(), 0);
    EXPECT_TRUE(prompt.asked.empty());
    EXPECT_EQ(engine->OnQueryPlayback(), 0);
    EXPECT_EQ(engine->OnQueryHold(), 0);
}

TEST_F(EngineTest, TheTraceKeepsTheLast500Commands) {
    for (int i = 1; i <= 501; ++i)
        Report(*engine, WriteCommand(1, std::to_string(i)));
    ASSERT_EQ(engine->Trace().Count(), 500);
    EXPECT_EQ(engine->Trace().At(0)->command.Sent().GetString(true, 10), "2");
    EXPECT_EQ(engine->Trace().At(499)->command.Sent().GetString(true, 10), "501");
}

TEST_F(EngineTest, UnreadableReportsAreAnsweredZeroAndChangeNothing) {
    auto document = DocumentWith({});
    engine->StartRecording(document, RecordingChoice{RecordingStart::reset, false});
    EXPECT_EQ(engine->OnSendsData(0), 0);
    const std::vector<std::uint8_t> garbage = {7, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
    ASSERT_TRUE(link::OutgoingRecordChannel::OfThisProcess().Put(garbage));
    EXPECT_EQ(engine->OnSendsData(static_cast<std::int64_t>(garbage.size())), 0);
    EXPECT_EQ(prompt.asked.size(), 1u);
    EXPECT_EQ(document->Commands().Count(), 0);
    EXPECT_EQ(engine->Trace().Count(), 0);
    EXPECT_TRUE(engine->IsRecording());
}

TEST_F(EngineTest, RecordingDialogOffersWhatTheDocumentAllows) {
    auto empty = DocumentWith({});
    RecordingDialogSetup setup = engine->RecordingDialogFor(*empty);
    EXPECT_FALSE(setup.appendEnabled);
    EXPECT_FALSE(setup.insertEnabled);
    EXPECT_EQ(setup.preselected, RecordingStart::reset);

    auto full = DocumentWith({WriteCommand(1, "A"), WriteCommand(1, "B")});
    full->Commands().Select(0, false);
    engine->GetOptions().resetBeforeRecording = true;
    setup = engine->RecordingDialogFor(*full);
    EXPECT_TRUE(setup.appendEnabled);
    EXPECT_TRUE(setup.insertEnabled);
    EXPECT_EQ(setup.preselected, RecordingStart::append);
    EXPECT_TRUE(setup.resetDatabase);
}

TEST_F(EngineTest, RecordingInsertsAtTheRecordPosition) {
    auto document = DocumentWith({WriteCommand(1, "A"), WriteCommand(1, "B")});
    document->Commands().Select(0, false);
    engine->StartRecording(document, RecordingChoice{RecordingStart::insert, false});
    EXPECT_TRUE(engine->IsRecording());
    EXPECT_EQ(document->Commands().HighlightMode(), Highlight::recording);
    stateRefreshes = 0;
    Report(*engine, WriteCommand(2, "X"));
    Report(*engine, WriteCommand(2, "Y"));
    EXPECT_EQ(stateRefreshes, 0) << "a report that changes no command state refreshes none";
    const CommandList& list = document->Commands();
    ASSERT_EQ(list.Count(), 4);
    EXPECT_EQ(list.At(1)->command.Sent().GetString(true, 10), "X");
    EXPECT_EQ(list.At(2)->command.Sent().GetString(true, 10), "Y");
    EXPECT_EQ(list.RecordPosition(), 3);
    EXPECT_EQ(list.SelectedIndex(), 0) << "recorded commands are not selected";
    EXPECT_TRUE(document->IsModified());

    engine->StopRecording();
    EXPECT_FALSE(engine->IsRecording());
    EXPECT_EQ(list.HighlightMode(), Highlight::idle);
    Report(*engine, WriteCommand(2, "Z"));
    EXPECT_EQ(list.Count(), 4);
}

TEST_F(EngineTest, ResetRecordingStartsFromScratchAndAppendAtTheEnd) {
    auto document = DocumentWith({WriteCommand(1, "A")});
    engine->StartRecording(document, RecordingChoice{RecordingStart::reset, false});
    EXPECT_EQ(document->Commands().Count(), 0);
    Report(*engine, WriteCommand(1, "B"));
    engine->StopRecording();
    engine->StartRecording(document, RecordingChoice{RecordingStart::append, false});
    Report(*engine, WriteCommand(1, "C"));
    ASSERT_EQ(document->Commands().Count(), 2);
    EXPECT_EQ(document->Commands().At(1)->command.Sent().GetString(true, 10), "C");
}

TEST_F(EngineTest, CancellingTheRecordingDialogRecordsNothing) {
    auto document = DocumentWith({});
    engine->StartRecording(document, std::nullopt);
    EXPECT_FALSE(engine->IsRecording());
}

TEST_F(EngineTest, AFailedDatabaseResetAsksWhetherToGoOn) {
    resetWorks = false;
    auto document = DocumentWith({WriteCommand(1, "A")});
    prompt.answers = {MsgAnswer::No};
    engine->StartRecording(document, RecordingChoice{RecordingStart::append, true});
    EXPECT_FALSE(engine->IsRecording());
    ASSERT_EQ(prompt.asked.size(), 1u);
    EXPECT_EQ(prompt.asked[0].text,
              "The calibration database could not be reset.\r\nDo you want to continue recording?");
    EXPECT_EQ(prompt.asked[0].caption, "Could not reset calibration database");
    EXPECT_EQ(prompt.asked[0].buttons, MsgButtons::YesNoCancel);
    EXPECT_TRUE(engine->GetOptions().resetBeforeRecording) << "the check box is kept as the option";

    prompt.answers = {MsgAnswer::Yes};
    engine->StartRecording(document, RecordingChoice{RecordingStart::append, true});
    EXPECT_TRUE(engine->IsRecording());

    prompt.answers = {MsgAnswer::Cancel};
    EXPECT_FALSE(engine->StartPlayback(DocumentWith({WriteCommand(1, "A")}), PlaybackChoice{{}, true}));
    EXPECT_EQ(prompt.asked.back().text,
              "The calibration database could not be reset.\r\nDo you want to continue playback?");
    EXPECT_FALSE(engine->IsPlaying());
}

TEST_F(EngineTest, PlayingAnEmptyDocumentSaysWhat) {
    auto document = DocumentWith({});
    EXPECT_FALSE(Engine::PlaybackShowsDialog(*document));
    EXPECT_FALSE(engine->StartPlayback(document, std::nullopt));
    ASSERT_EQ(prompt.asked.size(), 1u);
    EXPECT_EQ(prompt.asked[0].caption, "Say what?");
    EXPECT_EQ(prompt.asked[0].text, "Ummm, are you sure there's anything for me to playback?\r\n"
                                    "Or did you not select the item that you want to start playback from?");
    EXPECT_FALSE(engine->IsPlaying());
    EXPECT_EQ(engine->PlaybackSource(), nullptr);
}

TEST_F(EngineTest, CancellingThePlaybackDialogPlaysNothing) {
    auto document = DocumentWith({WriteCommand(1, "A")});
    EXPECT_TRUE(Engine::PlaybackShowsDialog(*document));
    EXPECT_FALSE(engine->StartPlayback(document, std::nullopt));
    EXPECT_FALSE(engine->IsPlaying());
    EXPECT_TRUE(prompt.asked.empty());
}

TEST_F(EngineTest, MatchingReportsAdvanceToTheEnd) {
    auto document = StartThreeCommandPlayback();
    const CommandList& list = document->Commands();
    EXPECT_EQ(engine->OnQueryPlayback(), 1);
    EXPECT_EQ(list.PlaybackPosition(), 0);
    EXPECT_EQ(list.HighlightMode(), Highlight::playing);
    ASSERT_NE(engine->ExpectedCommand(), nullptr);
    EXPECT_EQ(engine->ExpectedCommand()->Sent().GetString(true, 10), "*IDN?");

    EXPECT_EQ(Report(*engine, WriteCommand(4, "*IDN?")), 1);
    EXPECT_EQ(list.PlaybackPosition(), 1);
    // The driver reads the recorded answer and echoes it.
    EXPECT_EQ(engine->OnWantsData(),
              static_cast<std::int64_t>(engine->ExpectedCommand()->Serialize().size()));
    Report(*engine, list.At(1)->command);
    EXPECT_EQ(list.PlaybackPosition(), 2);
    EXPECT_TRUE(prompt.asked.empty());

    prompt.answers = {MsgAnswer::No};
    Report(*engine, WriteCommand(4, "OUT 1V"));
    ASSERT_EQ(prompt.asked.size(), 1u);
    EXPECT_EQ(prompt.asked[0].caption, "Playback Complete");
    EXPECT_EQ(prompt.asked[0].text, kPlaybackComplete);
    EXPECT_EQ(prompt.asked[0].buttons, MsgButtons::YesNo);
    EXPECT_EQ(prompt.asked[0].icon, MsgIcon::Information);
    EXPECT_FALSE(engine->IsPlaying());
    EXPECT_FALSE(engine->IsPaused());
    EXPECT_EQ(list.PlaybackPosition(), -1);
    EXPECT_EQ(list.HighlightMode(), Highlight::idle);
    EXPECT_FALSE(engine->PlaybackDialogFor(*document).continueEnabled);
    EXPECT_GE(raised, 1);
    EXPECT_EQ(engine->OnWantsData(), 0);
}

TEST_F(EngineTest, AnsweringYesAtTheEndPauses) {
    auto document = DocumentWith({WriteCommand(4, "A")});
    ASSERT_TRUE(engine->StartPlayback(document, PlaybackChoice{}));
    prompt.answers = {MsgAnswer::Yes};
    Report(*engine, WriteCommand(4, "A"));
    EXPECT_FALSE(engine->IsPlaying());
    EXPECT_TRUE(engine->IsPaused());
    EXPECT_EQ(engine->OnQueryHold(), 1);
}

TEST_F(EngineTest, ADifferenceCanBeAcceptedOrStopThePlayback) {
    auto document = StartThreeCommandPlayback();
    prompt.answers = {MsgAnswer::Yes};
    Report(*engine, WriteCommand(4, "*RST"));
    ASSERT_EQ(prompt.asked.size(), 1u);
    EXPECT_EQ(prompt.asked[0].caption, "Differences found during playback");
    EXPECT_EQ(prompt.asked[0].text,
              "The command sent by the driver is not the same as the command being played back.\r\n"
              "The differences are as follows:\r\n\r\n"
              "SENT:\r\n\tExpected: *IDN?\r\n\tReceived: *RST\r\n\r\n"
              "\r\nDo you want to continue playback?");
    EXPECT_EQ(prompt.asked[0].buttons, MsgButtons::YesNo);
    EXPECT_EQ(prompt.asked[0].icon, MsgIcon::Question);
    EXPECT_TRUE(engine->IsPlaying());
    EXPECT_EQ(document->Commands().PlaybackPosition(), 1);

    prompt.answers = {MsgAnswer::No};
    EXPECT_EQ(Report(*engine, WriteCommand(4, "*RST")), 1);
    ASSERT_EQ(prompt.asked.size(), 3u);
    EXPECT_EQ(prompt.asked[2].text, "Playback has been stopped, and the debugger paused.");
    EXPECT_EQ(prompt.asked[2].caption, "Notice");
    EXPECT_FALSE(engine->IsPlaying());
    EXPECT_TRUE(engine->IsPaused());
    EXPECT_EQ(document->Commands().PlaybackPosition(), 1) << "the position survives a stop";
    EXPECT_EQ(engine->OnQueryHold(), 1) << "the driver is held at its next wait query";
    EXPECT_TRUE(engine->PlaybackDialogFor(*document).continueEnabled);
}

TEST_F(EngineTest, ContinueWhereLastLeftOffResumesFromThePosition) {
    auto document = StartThreeCommandPlayback();
    Report(*engine, WriteCommand(4, "*IDN?"));
    engine->StopPlayback(false);
    EXPECT_EQ(engine->PlaybackCommand(document.get()).text, "Start Playback");
    ASSERT_TRUE(engine->StartPlayback(document, PlaybackChoice{PlaybackStart::continueWhereLeft, false}));
    EXPECT_EQ(engine->ExpectedCommand()->ActionCode(), link::actionRead);

    document->Commands().Select(2, false);
    ASSERT_TRUE(engine->StartPlayback(document, PlaybackChoice{PlaybackStart::atSelected, false}));
    EXPECT_EQ(engine->ExpectedCommand()->Sent().GetString(true, 10), "OUT 1V");
}

TEST_F(EngineTest, BreakpointsPauseBeforeTheirCommand) {
    auto document = DocumentWith({WriteCommand(4, "A"), WriteCommand(4, "B"), WriteCommand(4, "C")});
    document->Commands().At(0)->breakpoint = true;
    document->Commands().At(2)->breakpoint = true;
    ASSERT_TRUE(engine->StartPlayback(document, PlaybackChoice{}));
    EXPECT_FALSE(engine->IsPaused()) << "a breakpoint on the first command does not stop a fresh start";

    Report(*engine, WriteCommand(4, "A"));
    EXPECT_FALSE(engine->IsPaused());
    Report(*engine, WriteCommand(4, "B"));
    EXPECT_TRUE(engine->IsPaused());
    EXPECT_TRUE(engine->IsPlaying());
    ASSERT_EQ(prompt.asked.size(), 1u);
    EXPECT_EQ(prompt.asked[0].text,
              "A breakpoint condition has been satisfied.\r\nThe debugger has been paused.");
    EXPECT_EQ(prompt.asked[0].caption, "Breakpoint condition detected");
    EXPECT_EQ(document->Commands().HighlightMode(), Highlight::idle) << "paused lists show as idle";

    // Held, then one step lets the driver perform the last command.
    EXPECT_EQ(engine->OnQueryHold(), 1);
    engine->RequestStep();
    EXPECT_EQ(engine->OnQueryHold(), 0);
    prompt.answers = {MsgAnswer::No};
    Report(*engine, WriteCommand(4, "C"));
    EXPECT_EQ(prompt.asked.back().caption, "Playback Complete");
    EXPECT_TRUE(engine->IsPaused()) << "the debugger stays paused";
}

TEST_F(EngineTest, ABreakpointWhileAlreadyPausedKeepsThePause) {
    auto document = DocumentWith({WriteCommand(4, "A"), WriteCommand(4, "B")});
    document->Commands().At(1)->breakpoint = true;
    ASSERT_TRUE(engine->StartPlayback(document, PlaybackChoice{}));
    engine->TogglePause();
    Report(*engine, WriteCommand(4, "A"));
    EXPECT_TRUE(engine->IsPaused());
    EXPECT_EQ(prompt.Captions(), std::vector<std::string>{"Breakpoint condition detected"});
}

TEST_F(EngineTest, StepLetsExactlyOneWaitQueryThrough) {
    EXPECT_EQ(engine->OnQueryHold(), 0);
    EXPECT_FALSE(engine->StepCommand().enabled);
    engine->TogglePause();
    EXPECT_TRUE(engine->PauseCommand().checked);
    EXPECT_FALSE(engine->StepCommand().enabled) << "the driver is not waiting yet";
    EXPECT_EQ(engine->OnQueryHold(), 1);
    EXPECT_TRUE(engine->DriverWaiting());
    EXPECT_TRUE(engine->StepCommand().enabled);
    engine->RequestStep();
    EXPECT_FALSE(engine->StepCommand().enabled) << "a step is pending";
    EXPECT_EQ(engine->OnQueryHold(), 0);
    EXPECT_FALSE(engine->StepCommand().enabled);
    EXPECT_EQ(engine->OnQueryHold(), 1);
    engine->TogglePause();
    EXPECT_EQ(engine->OnQueryHold(), 0);
    engine->RequestStep();
    EXPECT_FALSE(engine->StepRequested()) << "steps are only taken while paused";
}

TEST_F(EngineTest, PausingShowsListsIdleAndResumingRestoresThem) {
    auto played = StartThreeCommandPlayback();
    auto recorded = DocumentWith({});
    engine->StartRecording(recorded, RecordingChoice{RecordingStart::reset, false});
    engine->TogglePause();
    EXPECT_EQ(played->Commands().HighlightMode(), Highlight::idle);
    EXPECT_EQ(recorded->Commands().HighlightMode(), Highlight::idle);
    engine->TogglePause();
    EXPECT_EQ(played->Commands().HighlightMode(), Highlight::playing);
    EXPECT_EQ(recorded->Commands().HighlightMode(), Highlight::recording);
}

TEST_F(EngineTest, EditsWhilePausedTakeEffectOnResume) {
    auto document = StartThreeCommandPlayback();
    engine->TogglePause();
    document->Commands().ReplaceCommand(0, WriteCommand(4, "*CLS"));
    engine->TogglePause();
    EXPECT_EQ(engine->ExpectedCommand()->Sent().GetString(true, 10), "*CLS");
}

TEST_F(EngineTest, DeletingThePlayedCommandsWhilePausedEndsThePlayback) {
    auto document = StartThreeCommandPlayback();
    engine->TogglePause();
    document->Commands().DeleteAll();
    engine->TogglePause();
    EXPECT_FALSE(engine->IsPlaying());
    EXPECT_EQ(prompt.Captions(), std::vector<std::string>{"Say what?"});
}

TEST_F(EngineTest, ClosingAViewStopsWhatRunsInIt) {
    auto played = StartThreeCommandPlayback();
    auto recorded = DocumentWith({});
    engine->StartRecording(recorded, RecordingChoice{RecordingStart::reset, false});
    engine->OnViewClosed(recorded.get());
    EXPECT_FALSE(engine->IsRecording());
    EXPECT_TRUE(engine->IsPlaying());
    engine->OnViewClosed(played.get());
    EXPECT_FALSE(engine->IsPlaying());
    EXPECT_FALSE(engine->IsPaused());
}

TEST_F(EngineTest, ADocumentThatIsGoneCountsAsNone) {
    auto document = StartThreeCommandPlayback();
    document.reset();
    EXPECT_EQ(engine->PlaybackSource(), nullptr);
    EXPECT_EQ(Report(*engine, WriteCommand(1, "X")), 1);
    EXPECT_FALSE(engine->IsPlaying());
    EXPECT_TRUE(prompt.asked.empty()) << "a playback without its document ends without questions";
}

TEST_F(EngineTest, CommandStatesFollowTheActiveDocument) {
    auto first = DocumentWith({WriteCommand(1, "A")});
    auto second = DocumentWith({WriteCommand(1, "B")});
    EXPECT_EQ(engine->RecordingCommand(nullptr), (CommandState{false, false, "Start Recording"}));
    EXPECT_EQ(engine->PlaybackCommand(nullptr), (CommandState{false, false, "Start Playback"}));
    EXPECT_EQ(engine->RecordingCommand(first.get()), (CommandState{true, false, "Start Recording"}));
    EXPECT_EQ(engine->PlaybackCommand(first.get()), (CommandState{true, false, "Start Playback"}));
    EXPECT_FALSE(engine->StopCommand(first.get()).enabled);

    engine->StartRecording(first, RecordingChoice{});
    EXPECT_EQ(engine->RecordingCommand(first.get()), (CommandState{true, true, "Stop Recording"}));
    EXPECT_EQ(engine->RecordingCommand(second.get()), (CommandState{false, false, "Stop Recording"}));
    EXPECT_EQ(engine->PlaybackCommand(first.get()), (CommandState{false, false, "Start Playback"}));
    EXPECT_TRUE(engine->StopCommand(first.get()).enabled);

    ASSERT_TRUE(engine->StartPlayback(second, PlaybackChoice{}));
    EXPECT_EQ(engine->PlaybackCommand(second.get()), (CommandState{true, true, "Stop Playback"}));
    EXPECT_EQ(engine->PlaybackCommand(first.get()), (CommandState{false, false, "Start Playback"}));
    EXPECT_EQ(engine->RecordingCommand(second.get()), (CommandState{false, false, "Start Recording"}));
    EXPECT_TRUE(engine->StopCommand(second.get()).enabled);

    engine->Stop(second.get());
    EXPECT_FALSE(engine->IsPlaying());
    EXPECT_TRUE(engine->IsRecording());
    engine->Stop(first.get());
    EXPECT_FALSE(engine->IsRecording());
}

TEST_F(EngineTest, RecordingAndPlaybackRunSideBySide) {
    auto played = DocumentWith({WriteCommand(4, "A"), WriteCommand(4, "B")});
    auto recorded = DocumentWith({});
    engine->StartRecording(recorded, RecordingChoice{RecordingStart::reset, false});
    ASSERT_TRUE(engine->StartPlayback(played, PlaybackChoice{}));
    Report(*engine, WriteCommand(4, "A"));
    EXPECT_EQ(recorded->Commands().Count(), 1);
    EXPECT_EQ(played->Commands().PlaybackPosition(), 1);
    EXPECT_EQ(played->Commands().Count(), 2);
}

TEST_F(EngineTest, AutoscrollBringsEachRecordedCommandIntoView) {
    struct Scrolls : ListObserver {
        void EnsureVisible(int index, bool) override { rows.push_back(index); }
        std::vector<int> rows;
    } scrolls;
    auto document = DocumentWith({});
    document->Commands().SetObserver(&scrolls);
    engine->StartRecording(document, RecordingChoice{RecordingStart::reset, false});
    Report(*engine, WriteCommand(1, "A"));
    EXPECT_TRUE(scrolls.rows.empty());
    engine->GetOptions().autoscrollRecord = true;
    Report(*engine, WriteCommand(1, "B"));
    EXPECT_EQ(scrolls.rows, std::vector<int>{1});
    document->Commands().SetObserver(nullptr);
}

TEST_F(EngineTest, DataRequestsOutsidePlaybackAreAnsweredZeroQuietly) {
    EXPECT_EQ(engine->OnWantsData(), 0);
    EXPECT_TRUE(prompt.asked.empty());
}

TEST_F(EngineTest, BreakpointCommandFollowsTheRecordingAndPauseState) {
    auto document = DocumentWith({WriteCommand(1, "A")});
    EXPECT_FALSE(BreakpointCommandEnabled(document.get(), *engine)) << "no selection";
    document->Commands().Select(0, false);
    EXPECT_TRUE(BreakpointCommandEnabled(document.get(), *engine));
    ToggleBreakpoint(document.get());
    EXPECT_TRUE(BreakpointAt(document.get(), 0));
    ToggleBreakpoint(document.get());
    EXPECT_FALSE(BreakpointAt(document.get(), 0));
    EXPECT_FALSE(document->IsModified());
    EXPECT_FALSE(BreakpointAt(document.get(), 1));
    EXPECT_FALSE(BreakpointAt(document.get(), -1));

    engine->StartRecording(document, RecordingChoice{});
    EXPECT_FALSE(BreakpointCommandEnabled(document.get(), *engine));
    engine->TogglePause();
    EXPECT_TRUE(BreakpointCommandEnabled(document.get(), *engine));
}

} // namespace
} // namespace corvid::debugger
