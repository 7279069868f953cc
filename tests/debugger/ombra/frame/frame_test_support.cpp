#include "frame_test_support.h"

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

} // namespace corvid::ombra::testing
