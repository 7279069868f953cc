// The controller window: drivers' messages reach the engine through the event loop, a
// second instance is refused, and a close that arrives while a message is handled waits.
#include "frame_test_support.h"
#include "link/debugger_link.h"
#include "link/record_channel.h"
#include "ombra/command_list_view.h"
#include "ombra/trace_view.h"
#include "platform/window_message.h"

#include <QElapsedTimer>
#include <atomic>
#include <gtest/gtest.h>
#include <stdexcept>
#include <thread>

namespace corvid::ombra::testing {
namespace {

using debugger::testing::WriteCommand;

// Sends one message from another thread, as a driver does, while this thread turns the
// event loop; returns the reply.
platform::MessageResult SendFromDriver(std::uint32_t message, std::uint64_t wParam, std::int64_t lParam) {
    std::atomic<bool> done = false;
    platform::MessageResult reply = -1;
    std::thread driver([&] {
        reply = platform::SendWindowMessage(link::FindController(), message, wParam, lParam);
        done = true;
    });
    QElapsedTimer timer;
    timer.start();
    while (!done && timer.elapsed() < 20000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    driver.join();
    QCoreApplication::processEvents();
    return reply;
}

platform::MessageResult ReportFromDriver(const link::CGPIBCommandInfo& record) {
    const std::vector<std::uint8_t> bytes = record.Serialize();
    if (!link::OutgoingRecordChannel::OfThisProcess().Put(bytes))
        return -1;
    return SendFromDriver(link::WM_IOCONTROL_SENDS_DATA, 0, static_cast<std::int64_t>(bytes.size()));
}

TEST_F(FrameTest, ASecondMainWindowIsRefusedWhileTheFirstLives) {
    Open();
    HookedPrompt other;
    EXPECT_THROW(MainFrame second(other), AnotherDebuggerRunning);
    frame.reset();
    EXPECT_NO_THROW(MainFrame again(other));
}

TEST_F(FrameTest, DriverMessagesReachTheEngine) {
    Open();
    DocumentWindow* window = frame->NewDocument();
    frame->GetEngine().StartRecording(window->Document(), debugger::RecordingChoice{});
    EXPECT_EQ(ReportFromDriver(WriteCommand(4, "*CLS")), 1);
    EXPECT_EQ(window->Document()->Commands().Count(), 1);
    ASSERT_TRUE(ScreenCaughtUp());
    EXPECT_EQ(frame->Trace()->List()->CellText(0, 2), "WRITE");
    EXPECT_EQ(SendFromDriver(link::WM_IOCONTROL_QUERY_PLAYBACK, 0, 0), 0);
}

TEST_F(FrameTest, ASecondInstanceBringsTheWindowForward) {
    Open();
    ASSERT_FALSE(frame->isVisible());
    SendFromDriver(0x0018, 1, 0);
    EXPECT_TRUE(frame->isVisible());
}

TEST_F(FrameTest, ACloseDuringADriverMessageWaitsForItsEnd) {
    Open();
    frame->show();
    const auto document = DocumentWith(2)->Document();
    frame->StartPlaybackWithoutDialog();
    bool closedMeanwhile = true;
    std::size_t documentsMeanwhile = 0;
    // The differences question comes while the report is handled; the user closes then.
    prompt.onAsk = [&](const debugger::Question& question) {
        if (question.caption != "Differences found during playback")
            return;
        closedMeanwhile = frame->close();
        documentsMeanwhile = static_cast<std::size_t>(frame->Documents().size());
    };
    prompt.answers = {debugger::MsgAnswer::Yes};
    EXPECT_EQ(ReportFromDriver(WriteCommand(1, "OTHER")), 1);
    EXPECT_FALSE(closedMeanwhile);
    EXPECT_EQ(documentsMeanwhile, 1u);
    EXPECT_EQ(document->Commands().PlaybackPosition(), 1); // the report was handled
    QCoreApplication::processEvents();                     // the close waited for the handler's end
    EXPECT_FALSE(frame->isVisible());
    EXPECT_TRUE(frame->Documents().isEmpty());
}

} // namespace
} // namespace corvid::ombra::testing
