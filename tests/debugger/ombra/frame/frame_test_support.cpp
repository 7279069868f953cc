#include "frame_test_support.h"

#include "ombra/command_list_view.h"
#include "ombra/trace_view.h"

#include <QElapsedTimer>

namespace corvid::ombra::testing {

DocumentWindow* FrameTest::DocumentWith(int rows, int selected) {
    DocumentWindow* window = frame->NewDocument();
    debugger::CommandList& list = window->Document()->Commands();
    for (int row = 0; row < rows; ++row) {
        const auto address = static_cast<std::uint8_t>(row + 1);
        list.Insert({row % 2 ? debugger::testing::ReadCommand(address, "1.5")
                             : debugger::testing::WriteCommand(address, "MEAS?"),
                     false},
                    -1, false, false);
    }
    if (selected >= 0)
        list.Select(selected, false);
    frame->RefreshCommandStates();
    return window;
}

bool FrameTest::ScreenCaughtUp() {
    const auto caughtUp = [this] {
        if (frame->Trace() && !frame->Trace()->List()->CaughtUp())
            return false;
        for (DocumentWindow* window : frame->Documents()) {
            if (!window->List()->CaughtUp())
                return false;
        }
        return true;
    };
    QElapsedTimer clock;
    clock.start();
    while (!caughtUp() && clock.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    return caughtUp();
}

} // namespace corvid::ombra::testing
