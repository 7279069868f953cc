// The trace window's list over the engine's trace: the cap of 500 rows, scrolling to each
// new command without selecting it, and following the reports on a timer.
#include "list_test_support.h"
#include "ombra/command_list_view.h"
#include "ombra/trace_view.h"
#include "testsupport/sandbox.h"

#include <QElapsedTimer>
#include <QObject>
#include <QSocketNotifier>
#include <QTimer>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

namespace corvid::ombra::testing {
namespace {

class TraceViewTest : public corvid::testing::SandboxTest {
protected:
    void SetUp() override {
        SandboxTest::SetUp();
        Application();
        engine = std::make_unique<debugger::Engine>(prompt, debugger::Options{}, debugger::EngineHooks{});
    }

    // Turns the event loop until the view has caught up with its list.
    static bool CaughtUp(CommandListView& view) {
        QElapsedTimer clock;
        clock.start();
        while (!view.CaughtUp() && clock.elapsed() < 5000)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        return view.CaughtUp();
    }

    static bool RowVisible(CommandListView& view, int row) {
        const QRect cell = view.visualRect(view.model()->index(row, 1));
        return view.viewport()->rect().contains(cell);
    }

    debugger::testing::ScriptedPrompt prompt;
    std::unique_ptr<debugger::Engine> engine;
};

TEST_F(TraceViewTest, KeepsTheLast500CommandsScrolledToTheNewest) {
    TraceView trace(engine->Trace());
    trace.resize(800, 250);
    trace.show();
    CommandListView& view = *trace.List();
    EXPECT_EQ(view.Layout(), ListLayout::trace);
    EXPECT_EQ(&view.List(), &engine->Trace());

    for (int number = 1; number <= 501; ++number)
        ASSERT_EQ(debugger::testing::Report(*engine, WriteCommand(3, std::to_string(number))), 1);
    ASSERT_TRUE(CaughtUp(view));
    ASSERT_EQ(view.model()->rowCount(), debugger::kTraceRows);
    EXPECT_EQ(view.CellText(0, 3), "2");
    EXPECT_EQ(view.CellText(499, 3), "501");
    EXPECT_EQ(view.CellText(499, 2), "WRITE");
    EXPECT_FALSE(view.CellText(499, 6).isEmpty());
    EXPECT_TRUE(RowVisible(view, 499));
    EXPECT_FALSE(view.selectionModel()->hasSelection());
    EXPECT_EQ(engine->Trace().SelectedIndex(), -1);
}

TEST_F(TraceViewTest, ReportsAreAnsweredBeforeTheWindowDrawsThenTheViewFollows) {
    TraceView trace(engine->Trace());
    trace.resize(800, 250);
    trace.show();
    CommandListView& view = *trace.List();
    bool handled = false;
    QTimer::singleShot(0, &view, [&handled] { handled = true; });
    for (const char* text : {"A", "B", "C"})
        ASSERT_EQ(debugger::testing::Report(*engine, WriteCommand(3, text)), 1);
    EXPECT_FALSE(handled) << "the event loop turned inside a report";
    EXPECT_EQ(engine->Trace().Count(), 3) << "the trace takes each report at once";
    EXPECT_EQ(view.model()->rowCount(), 0) << "the screen follows later, in one batch";

    ASSERT_TRUE(CaughtUp(view));
    EXPECT_EQ(view.model()->rowCount(), 3);
    EXPECT_EQ(view.CellText(2, 3), "C");
    EXPECT_TRUE(RowVisible(view, 2));
}

TEST_F(TraceViewTest, NoSocketIsServedWhileACommandIsAppended) {
    int sockets[2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, sockets), 0);
    ASSERT_EQ(::write(sockets[1], "x", 1), 1);
    TraceView trace(engine->Trace());
    trace.show();
    int served = 0;
    {
        QSocketNotifier notifier(sockets[0], QSocketNotifier::Read);
        QObject::connect(&notifier, &QSocketNotifier::activated, [&served, &notifier] {
            ++served;
            notifier.setEnabled(false);
        });
        ASSERT_EQ(debugger::testing::Report(*engine, WriteCommand(3, "A")), 1);
        EXPECT_EQ(served, 0);
        // The notifier itself works: the event loop serves it.
        for (int round = 0; round < 50 && served == 0; ++round)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        EXPECT_EQ(served, 1);
    }
    ::close(sockets[0]);
    ::close(sockets[1]);
}

TEST_F(TraceViewTest, RowsInsertedElsewhereDoNotScroll) {
    debugger::CommandList list(debugger::kTraceRows);
    Fill(list, 100);
    TraceView trace(list);
    trace.resize(800, 200);
    trace.show();
    QApplication::processEvents();
    list.Insert(Item(WriteCommand(1, "inserted")), 60, false, false);
    ASSERT_TRUE(CaughtUp(*trace.List()));
    EXPECT_EQ(trace.List()->model()->rowCount(), 101);
    EXPECT_EQ(trace.List()->rowAt(0), 0);
    EXPECT_EQ(trace.List()->CellText(60, 3), "inserted");
}

} // namespace
} // namespace corvid::ombra::testing
