#include "frame_test_support.h"

#include <QtGlobal>

// The system's font configuration library keeps a cache for the life of the process,
// which the leak checker would report under a sanitizer build.
extern "C" __attribute__((used, visibility("default"))) const char* __lsan_default_suppressions() {
    return "leak:libfontconfig\n";
}

namespace corvid::ombra::testing {

QApplication& Application() {
    static int argc = 1;
    static char name[] = "ombra_frame_tests";
    static char* argv[] = {name, nullptr};
    static QApplication* application = [] {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        return new QApplication(argc, argv);
    }();
    return *application;
}

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
