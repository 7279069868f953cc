// The debugger's window with a real test script: the script drives the simulated bench
// through the driver in a child process while the window traces, records, replays with the
// instruments unplugged, stops at a breakpoint, steps, and reports a changed script. With
// OMBRA_SCREENSHOT_DIR set the states are photographed (scripts/ombra-screenshots).
#include "debugger/breakpoints.h"
#include "debugger/document.h"
#include "debugger/engine.h"
#include "ombra/document_window.h"
#include "ombra/main_frame.h"
#include "scenario_prompt.h"
#include "script_process.h"
#include "testsupport/qt_application.h"
#include "testsupport/sandbox.h"

#include <QApplication>
#include <QDockWidget>
#include <fstream>
#include <gtest/gtest.h>

namespace corvid::ombra::testing {
namespace {

using debugger::MsgAnswer;
using debugger::testing::Records;

using corvid::testing::Application;

// The script of the scenarios: the multimeter measures what the calibrator sources.
constexpr const char* kScript = R"lua(
local cal <close> = CreateInstrument("VisaGpib.VisaGpib.1",
    {InstanceName = "CAL", GpibBoardAddress = 0, GpibPrimaryAddress = 5})
local dmm <close> = CreateInstrument("VisaGpib.VisaGpib.1",
    {InstanceName = "DMM", GpibBoardAddress = 0, GpibPrimaryAddress = 22})
print(dmm:Query("*IDN?", 256))
cal:Write("VOLT 5;OUTP ON\n")
dmm:Write("CONF:VOLT:DC 10\n")
print(string.format("%.3f", dmm:QueryDouble("READ?")))
cal:Write("OUTP OFF\n")
print(dmm:ReadSTB())
)lua";

class ScenarioTest : public corvid::testing::SandboxTest {
protected:
    void SetUp() override {
        Application();
        ASSERT_EQ(QProcess::execute(QStringLiteral(REGSVR_PROGRAM), {QStringLiteral(FARLINK_MODULE)}), 0);
        script_ = Write("test.lua", kScript);
        std::string changed = kScript;
        changed.replace(changed.find("CONF:VOLT:DC 10"), 15, "CONF:VOLT:DC 100");
        changedScript_ = Write("changed.lua", changed);
        unplugged_ = "CORVID_SIM_BENCH=" + Write("unplugged.bench", "board 0\n");
        prompt_.photographed = {"Differences found during playback", "Breakpoint condition detected"};
        frame_ = std::make_unique<MainFrame>(&prompt_);
        window_ = frame_.get();
        frame_->resize(1100, 640);
        frame_->show();
        frame_->Action(0x802C)->trigger(); // show the trace window
    }
    void TearDown() override {
        window_ = nullptr;
        frame_.reset();
    }

    QString Write(const char* name, const std::string& text) {
        const std::filesystem::path path = sandbox.home() / name;
        std::ofstream(path) << text;
        return QString::fromStdString(path.string());
    }

    // Runs a script to its end and returns what it printed.
    QString Run(const QString& script, const QStringList& environment = {}) {
        ScriptProcess process(script, environment);
        EXPECT_TRUE(process.WaitFinished()) << "the script did not end";
        EXPECT_EQ(process.ExitCode(), 0) << process.Errors().toStdString();
        return process.Output();
    }

    // Records a live run of the script into a saved recording and returns its path and output.
    std::pair<QString, QString> RecordLiveRun() {
        DocumentWindow* window = frame_->NewDocument();
        const auto document = window->Document();
        frame_->GetEngine().StartRecording(document,
                                           debugger::RecordingChoice{debugger::RecordingStart::reset});
        QString output = Run(script_);
        frame_->GetEngine().StopRecording();
        const std::string path = (sandbox.home() / "run.omr").string();
        EXPECT_TRUE(document->Save(path, prompt_));
        window->close();
        return {QString::fromStdString(path), output};
    }

    ScenarioPrompt prompt_{window_};
    QWidget* window_ = nullptr;
    std::unique_ptr<MainFrame> frame_;
    QString script_, changedScript_, unplugged_;
};

TEST_F(ScenarioTest, TracesLiveRecordsAndReopensTheSameRows) {
    DocumentWindow* window = frame_->NewDocument();
    window->showMaximized();
    const auto document = window->Document();
    frame_->GetEngine().StartRecording(document, debugger::RecordingChoice{debugger::RecordingStart::reset});
    frame_->RefreshCommandStates();

    ScriptProcess process(script_);
    ASSERT_TRUE(PumpUntil([&] { return frame_->GetEngine().Trace().Count() >= 6; }));
    ASSERT_TRUE(process.WaitFinished());
    ASSERT_EQ(process.ExitCode(), 0) << process.Errors().toStdString();
    const QString output = process.Output();
    EXPECT_TRUE(output.contains("Larkspur Instruments")) << output.toStdString();
    EXPECT_TRUE(output.contains("5.000")) << output.toStdString();
    Snapshot(*frame_, "recording");

    // Everything the driver reported is in the trace and in the recording, in order.
    const debugger::CommandList& trace = frame_->GetEngine().Trace();
    ASSERT_GT(document->Commands().Count(), 10);
    ASSERT_EQ(trace.Count(), document->Commands().Count());
    EXPECT_EQ(Records(trace), Records(document->Commands()));
    frame_->GetEngine().StopRecording();

    const std::string path = (sandbox.home() / "run.omr").string();
    ASSERT_TRUE(document->Save(path, prompt_));
    const auto saved = Records(document->Commands());
    window->close();
    DocumentWindow* reopened = frame_->OpenDocument(QString::fromStdString(path));
    ASSERT_NE(reopened, nullptr);
    EXPECT_EQ(Records(reopened->Document()->Commands()), saved);
    EXPECT_FALSE(reopened->Document()->IsModified());
}

TEST_F(ScenarioTest, ReplaysToTheScriptWithTheInstrumentsUnplugged) {
    const auto [path, live] = RecordLiveRun();
    DocumentWindow* window = frame_->OpenDocument(path);
    ASSERT_NE(window, nullptr);
    window->showMaximized();
    prompt_.answers = {MsgAnswer::No}; // "Playback Complete": do not pause
    ASSERT_TRUE(frame_->GetEngine().StartPlayback(window->Document(), debugger::PlaybackChoice{}));

    EXPECT_EQ(Run(script_, {unplugged_}), live);
    EXPECT_EQ(prompt_.Captions(), std::vector<std::string>{"Playback Complete"});
    EXPECT_FALSE(frame_->GetEngine().IsPlaying());
    // Without playback the unplugged bench answers nothing: the script fails.
    ScriptProcess unplayed(script_, {unplugged_});
    ASSERT_TRUE(unplayed.WaitFinished());
    EXPECT_NE(unplayed.ExitCode(), 0);
}

TEST_F(ScenarioTest, ABreakpointPausesTheScriptAndStepLetsOneCommandThrough) {
    const auto [path, live] = RecordLiveRun();
    DocumentWindow* window = frame_->OpenDocument(path);
    ASSERT_NE(window, nullptr);
    window->showMaximized();
    const auto document = window->Document();
    constexpr int kBreakRow = 6;
    document->Commands().Select(kBreakRow, true);
    debugger::ToggleBreakpoint(document.get());
    document->Commands().ClearSelection();
    prompt_.answers = {MsgAnswer::Ok, MsgAnswer::No};
    debugger::Engine& engine = frame_->GetEngine();
    ASSERT_TRUE(engine.StartPlayback(document, debugger::PlaybackChoice{}));

    ScriptProcess process(script_, {unplugged_});
    ASSERT_TRUE(PumpUntil([&] { return engine.IsPaused() && engine.DriverWaiting(); }));
    EXPECT_EQ(prompt_.Captions(), std::vector<std::string>{"Breakpoint condition detected"});
    EXPECT_EQ(document->Commands().PlaybackPosition(), kBreakRow);
    EXPECT_TRUE(process.Running());
    frame_->RefreshCommandStates();
    Snapshot(*frame_, "breakpoint");

    // Step answers one wait query; the driver asks once before it reports a command and
    // once after, so the next command arrives within a few steps, and only that one.
    for (int step = 0; step < 4 && document->Commands().PlaybackPosition() == kBreakRow; ++step) {
        ASSERT_TRUE(frame_->Action(0x800D)->isEnabled());
        frame_->Action(0x800D)->trigger();
        EXPECT_FALSE(frame_->Action(0x800D)->isEnabled()); // until the driver waits again
        ASSERT_TRUE(PumpUntil([&] { return !engine.StepRequested() && engine.DriverWaiting(); }));
        frame_->RefreshCommandStates();
    }
    EXPECT_EQ(document->Commands().PlaybackPosition(), kBreakRow + 1);
    EXPECT_TRUE(engine.IsPaused());
    EXPECT_TRUE(process.Running());
    Snapshot(*frame_, "step");

    frame_->Action(0x800E)->trigger(); // resume
    ASSERT_TRUE(process.WaitFinished());
    EXPECT_EQ(process.ExitCode(), 0) << process.Errors().toStdString();
    EXPECT_EQ(process.Output(), live);
}

TEST_F(ScenarioTest, AChangedScriptShowsTheDifferences) {
    const auto [path, live] = RecordLiveRun();
    DocumentWindow* window = frame_->OpenDocument(path);
    ASSERT_NE(window, nullptr);
    window->showMaximized();
    debugger::Engine& engine = frame_->GetEngine();
    prompt_.answers = {MsgAnswer::Yes, MsgAnswer::No}; // continue past the difference; no pause at the end
    ASSERT_TRUE(engine.StartPlayback(window->Document(), debugger::PlaybackChoice{}));

    const QString output = Run(changedScript_, {unplugged_});
    ASSERT_GE(prompt_.asked.size(), 1u);
    EXPECT_EQ(prompt_.asked[0].caption, "Differences found during playback");
    EXPECT_NE(prompt_.asked[0].text.find("SENT:\r\n\tExpected: CONF:VOLT:DC 10\\n\r\n"
                                         "\tReceived: CONF:VOLT:DC 100\\n\r\n"),
              std::string::npos)
        << prompt_.asked[0].text;
    EXPECT_EQ(output, live); // the recorded answers were handed out all the same
}

} // namespace
} // namespace corvid::ombra::testing
