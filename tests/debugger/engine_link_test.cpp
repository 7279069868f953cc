// The engine behind its controller window, with a driver in a second process talking to
// it through the real link.
#include "debugger/controller_window.h"
#include "debugger/document.h"
#include "debugger/engine.h"
#include "link/debugger_link.h"
#include "test_support.h"
#include "testsupport/sandbox.h"

#include <chrono>
#include <gtest/gtest.h>
#include <memory>

namespace corvid::debugger {
namespace {

using corvid::testing::ChildProcess;
using testing::ScriptedPrompt;
using testing::TextBlock;

class EngineLinkTest : public corvid::testing::SandboxTest {
protected:
    EngineLinkTest() : engine(prompt) { window = ControllerWindow::Create(engine); }

    // Pumps the controller window until the condition holds; false after the timeout.
    bool PumpUntil(const std::function<bool()>& condition,
                   std::chrono::milliseconds timeout = std::chrono::seconds(20)) {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (!condition()) {
            if (std::chrono::steady_clock::now() > deadline)
                return false;
            window->Pump(std::chrono::milliseconds(10));
        }
        return true;
    }

    // Pumps until the driver process ends and returns its exit status.
    int PumpUntilExit(ChildProcess& driver) {
        int status = -1;
        PumpUntil([&] {
            status = driver.Wait(std::chrono::milliseconds(0));
            return status != -1;
        });
        return status;
    }

    ScriptedPrompt prompt;
    Engine engine;
    std::unique_ptr<ControllerWindow> window;
};

TEST_F(EngineLinkTest, OnlyOneControllerWindowAtATime) {
    ASSERT_NE(window, nullptr);
    ScriptedPrompt other;
    Engine second(other);
    EXPECT_EQ(ControllerWindow::Create(second), nullptr);
}

TEST_F(EngineLinkTest, RecordsWhatADriverReports) {
    auto document = std::make_shared<RecordingDocument>();
    engine.StartRecording(document, RecordingChoice{RecordingStart::reset, false});
    ChildProcess driver = ChildProcess::Fork([] {
        link::CDebuggerLink debugger;
        if (debugger.IsPlaybackActive() != 0)
            return 10;
        const link::CCopyDataBlock sent = TextBlock("*IDN?");
        const link::CCopyDataBlock received = TextBlock("FLUKE,5720A");
        debugger.ReportCommand(0, 22, nullptr, nullptr, &sent, link::actionWrite);
        debugger.ReportCommand(0, 22, nullptr, &received, nullptr, link::actionRead);
        link::CGPIBCommandInfo none;
        bool error = false;
        return debugger.GetGPIBCommandInfo(none, error) == 0 && !error ? 0 : 11;
    });
    EXPECT_EQ(PumpUntilExit(driver), 0);
    ASSERT_EQ(document->Commands().Count(), 2);
    EXPECT_EQ(document->Commands().At(0)->command.Sent().GetString(true, 50), "*IDN?");
    EXPECT_EQ(document->Commands().At(1)->command.Received().GetString(true, 50), "FLUKE,5720A");
    EXPECT_EQ(engine.Trace().Count(), 2);
    EXPECT_TRUE(prompt.asked.empty());
}

TEST_F(EngineLinkTest, PlaysARecordingBackToADriver) {
    auto document = std::make_shared<RecordingDocument>();
    document->Commands().Insert({testing::WriteCommand(22, "*IDN?"), false}, -1, false, false);
    document->Commands().Insert({testing::ReadCommand(22, "FLUKE,5720A"), false}, -1, false, false);
    ASSERT_TRUE(engine.StartPlayback(document, PlaybackChoice{}));
    prompt.answers = {MsgAnswer::No}; // to "Playback Complete"
    ChildProcess driver = ChildProcess::Fork([] {
        link::CDebuggerLink debugger;
        if (debugger.IsPlaybackActive() != 1)
            return 10;
        const link::CCopyDataBlock sent = TextBlock("*IDN?");
        debugger.ReportCommand(0, 22, nullptr, nullptr, &sent, link::actionWrite);
        link::CGPIBCommandInfo replayed;
        bool error = false;
        if (debugger.GetGPIBCommandInfo(replayed, error) != 1 || error)
            return 11;
        if (replayed.Received().GetString(true, 50) != "FLUKE,5720A")
            return 12;
        debugger.SendGPIBCommandInfo(&replayed);
        return debugger.IsPlaybackActive() == 0 ? 0 : 13;
    });
    EXPECT_EQ(PumpUntilExit(driver), 0);
    EXPECT_FALSE(engine.IsPlaying());
    EXPECT_EQ(prompt.Captions(), std::vector<std::string>{"Playback Complete"});
    EXPECT_EQ(document->Commands().PlaybackPosition(), -1);
}

TEST_F(EngineLinkTest, PauseHoldsTheDriverAndStepReleasesOneWait) {
    auto document = std::make_shared<RecordingDocument>();
    engine.StartRecording(document, RecordingChoice{RecordingStart::reset, false});
    engine.TogglePause();
    ChildProcess driver = ChildProcess::Fork([] {
        link::CDebuggerLink debugger;
        const link::CCopyDataBlock sent = TextBlock("OUT 1V");
        debugger.ReportCommand(0, 4, nullptr, nullptr, &sent, link::actionWrite);
        return 0;
    });
    // Held before the report: nothing arrives until a step.
    ASSERT_TRUE(PumpUntil([&] { return engine.StepCommand().enabled; }));
    EXPECT_EQ(document->Commands().Count(), 0);
    engine.RequestStep();
    ASSERT_TRUE(PumpUntil([&] { return document->Commands().Count() == 1; }));
    // Held again after the report, until the next step.
    ASSERT_TRUE(PumpUntil([&] { return engine.StepCommand().enabled; }));
    EXPECT_EQ(driver.Wait(std::chrono::milliseconds(0)), -1) << "the driver still waits";
    engine.RequestStep();
    EXPECT_EQ(PumpUntilExit(driver), 0);
    EXPECT_TRUE(engine.IsPaused());
}

TEST_F(EngineLinkTest, ADifferenceDeclinedHoldsTheDriver) {
    auto document = std::make_shared<RecordingDocument>();
    document->Commands().Insert({testing::WriteCommand(22, "*IDN?"), false}, -1, false, false);
    document->Commands().Insert({testing::WriteCommand(22, "*RST"), false}, -1, false, false);
    ASSERT_TRUE(engine.StartPlayback(document, PlaybackChoice{}));
    prompt.answers = {MsgAnswer::No};
    ChildProcess driver = ChildProcess::Fork([] {
        link::CDebuggerLink debugger;
        const link::CCopyDataBlock sent = TextBlock("*CLS");
        debugger.ReportCommand(0, 22, nullptr, nullptr, &sent, link::actionWrite);
        return 0;
    });
    ASSERT_TRUE(PumpUntil([&] { return engine.IsPaused() && engine.DriverWaiting(); }));
    EXPECT_EQ(prompt.Captions(), (std::vector<std::string>{"Differences found during playback", "Notice"}));
    EXPECT_FALSE(engine.IsPlaying());
    engine.TogglePause();
    EXPECT_EQ(PumpUntilExit(driver), 0);
}

} // namespace
} // namespace corvid::debugger
