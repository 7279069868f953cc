// The ombra program as a process, under the offscreen platform and answering its boxes
// unattended: one instance per user, and the command line's /play and /log.
#include "../../test_support.h"
#include "debugger/controller_window.h"
#include "debugger/document.h"
#include "link/debugger_link.h"
#include "platform/window_message.h"
#include "testsupport/sandbox.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <string>

namespace corvid::ombra::testing {
namespace {

using corvid::testing::ChildProcess;
using corvid::testing::WaitUntil;
using namespace std::chrono_literals;

class ProgramTest : public corvid::testing::SandboxTest {
protected:
    void SetUp() override {
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
        ::setenv("CORVID_MSGBOX", "log", 1); // the driver is not registered here: say so and go on
        ::setenv("XDG_DATA_HOME", (sandbox.home() / "share").c_str(), 1);
    }
    void TearDown() override {
        ::unsetenv("CORVID_MSGBOX");
        ::unsetenv("XDG_DATA_HOME");
    }

    static ChildProcess Start(std::vector<std::string> arguments = {}) {
        arguments.insert(arguments.begin(), OMBRA_PROGRAM);
        return ChildProcess::Spawn(arguments);
    }
    static bool ControllerUp() { return static_cast<bool>(link::FindController()); }

    std::string SaveRecording() {
        debugger::testing::ScriptedPrompt prompt;
        debugger::RecordingDocument document;
        document.Commands().Insert({debugger::testing::WriteCommand(22, "*RST\n")}, -1, false, false);
        const std::string path = (sandbox.home() / "one.omr").string();
        EXPECT_TRUE(document.Save(path, prompt));
        return path;
    }
};

TEST_F(ProgramTest, ASecondInstanceHandsOverToTheFirstAndEnds) {
    ChildProcess first = Start();
    ASSERT_TRUE(WaitUntil(ControllerUp, 20s));
    ChildProcess second = Start();
    EXPECT_EQ(second.Wait(20s), 0);
    // The first still runs and answers the driver.
    EXPECT_EQ(first.Wait(200ms), -1);
    EXPECT_TRUE(ControllerUp());
    first.Kill(SIGTERM);
    first.Wait();
}

TEST_F(ProgramTest, ASecondStartWithAFileHandsTheFileToTheFirst) {
    const std::string file = SaveRecording();
    ChildProcess first = Start();
    ASSERT_TRUE(WaitUntil(ControllerUp, 20s));
    const link::CDebuggerLink driver;
    EXPECT_EQ(driver.IsPlaybackActive(), 0);
    ChildProcess second = Start({"-play", file});
    EXPECT_EQ(second.Wait(20s), 0);
    EXPECT_TRUE(WaitUntil([&] { return driver.IsPlaybackActive() != 0; }, 20s));
    first.Kill(SIGTERM);
    first.Wait();
}

TEST_F(ProgramTest, PlayOpensTheFileAndPlaysItAtOnce) {
    const std::string file = SaveRecording();
    ChildProcess program = Start({"/PLAY", file});
    ASSERT_TRUE(WaitUntil(ControllerUp, 20s));
    const link::CDebuggerLink driver;
    EXPECT_TRUE(WaitUntil([&] { return driver.IsPlaybackActive() != 0; }, 20s));
    program.Kill(SIGTERM);
    program.Wait();
}

TEST_F(ProgramTest, LogTakesTheNextParameterAsItsValueNotAsAFile) {
    const std::string file = SaveRecording();
    ChildProcess program = Start({"-play", "/log", file});
    ASSERT_TRUE(WaitUntil(ControllerUp, 20s));
    // The program answers messages once its start-up, command line included, is over.
    platform::SendWindowMessage(link::FindController(), debugger::kShowControllerMessage, 1, 0);
    EXPECT_EQ(link::CDebuggerLink().IsPlaybackActive(), 0);
    program.Kill(SIGTERM);
    program.Wait();
}

} // namespace
} // namespace corvid::ombra::testing
