#include "debugger/controller_window.h"
#include "link/debugger_link.h"
#include "ombra/open_request.h"
#include "ombra/startup.h"
#include "platform/window_message.h"
#include "startup_fixture.h"

#include <atomic>
#include <csignal>
#include <filesystem>
#include <gtest/gtest.h>
#include <optional>
#include <thread>
#include <unistd.h>

namespace corvid::ombra::testing {
namespace {

using corvid::testing::ChildProcess;
using corvid::testing::WaitUntil;

TEST_F(StartupTest, NoRunningInstanceToActivate) {
    EXPECT_FALSE(ActivateRunningInstance());
}

TEST_F(StartupTest, RunningInstanceIsAskedToComeToTheFront) {
    std::atomic<bool> ready{false};
    std::atomic<bool> stop{false};
    std::optional<platform::WindowMessage> received;
    std::thread window([&] {
        auto controller = platform::MessageWindow::Create(link::kControllerWindowClass,
                                                          [&](const platform::WindowMessage& message) {
                                                              received = message;
                                                              return platform::MessageResult{1};
                                                          });
        ready = true;
        while (controller && !stop)
            controller->Pump(std::chrono::milliseconds(20));
    });
    ASSERT_TRUE(WaitUntil([&] { return ready.load(); }));

    const bool activated = ActivateRunningInstance();
    stop = true;
    window.join();
    EXPECT_TRUE(activated);
    ASSERT_TRUE(received.has_value());
    EXPECT_EQ(received->message, debugger::kShowControllerMessage);
    EXPECT_EQ(received->message, 0x0018u);
    EXPECT_EQ(received->wParam, 1u);
    EXPECT_EQ(received->senderPid, static_cast<std::uint32_t>(::getpid()));
    EXPECT_EQ(received->lParam, 0) << "no file, no request";
}

TEST_F(StartupTest, AFileGivenToASecondStartWaitsForTheRunningInstance) {
    CommandLine line;
    line.file = "relative/run.omr";
    line.record = true;
    ASSERT_TRUE(WriteOpenRequest(line, 4242));
    EXPECT_FALSE(TakeOpenRequest(4243)) << "another sender's request";
    const std::optional<CommandLine> taken = TakeOpenRequest(4242);
    ASSERT_TRUE(taken);
    EXPECT_EQ(*taken->file, (std::filesystem::current_path() / "relative/run.omr").string());
    EXPECT_TRUE(taken->record);
    EXPECT_FALSE(taken->play);
    EXPECT_FALSE(TakeOpenRequest(4242)) << "taken once";
    EXPECT_FALSE(WriteOpenRequest(CommandLine{}, 4242)) << "nothing to hand over";
}

TEST_F(StartupTest, WindowLeftByADeadDebuggerIsNotARunningInstance) {
    ChildProcess child = ChildProcess::Fork([] {
        auto controller =
            platform::MessageWindow::Create(link::kControllerWindowClass, [](const platform::WindowMessage&) {
                return platform::MessageResult{0};
            });
        for (;;)
            ::pause();
        return 0;
    });
    ASSERT_TRUE(WaitUntil([] { return static_cast<bool>(link::FindController()); }));
    child.Kill(SIGKILL);
    child.Wait();

    ASSERT_TRUE(link::FindController()) << "the dead window's socket should still be there";
    EXPECT_FALSE(ActivateRunningInstance());
}

} // namespace
} // namespace corvid::ombra::testing
