// The trace window's list over the engine's trace: the cap of 500 rows, scrolling to each
// new command without selecting it, and painting while commands arrive.
#include "list_test_support.h"
#include "ombra/command_list_view.h"
#include "ombra/trace_view.h"
#include "testsupport/sandbox.h"

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
    ASSERT_EQ(view.model()->rowCount(), debugger::kTraceRows);
    EXPECT_EQ(view.CellText(0, 3), "2");
    EXPECT_EQ(view.CellText(499, 3), "501");
    EXPECT_EQ(view.CellText(499, 2), "WRITE");
    EXPECT_FALSE(view.CellText(499, 6).isEmpty());
    EXPECT_TRUE(RowVisible(view, 499));
    EXPECT_FALSE(view.selectionModel()->hasSelection());
    EXPECT_EQ(engine->Trace().SelectedIndex(), -1);
}

TEST_F(TraceViewTest, EachNewCommandLetsTheWindowHandleItsEvents) {
    TraceView trace(engine->Trace());
    trace.show();
    bool handled = false;
    QTimer::singleShot(0, trace.List(), [&handled] { handled = true; });
    ASSERT_EQ(debugger::testing::Report(*engine, WriteCommand(3, "A")), 1);
    EXPECT_TRUE(handled); // handled while the report was being taken, not afterwards
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
    EXPECT_EQ(trace.List()->model()->rowCount(), 101);
    EXPECT_EQ(trace.List()->rowAt(0), 0);
    EXPECT_EQ(trace.List()->CellText(60, 3), "inserted");
}

} // namespace
} // namespace corvid::ombra::testing
