#include "qt_application.h"

// The system's font configuration library keeps a cache for the life of the process,
// which the leak checker would report under a sanitizer build.
extern "C" __attribute__((used, visibility("default"))) const char* __lsan_default_suppressions() {
    return "leak:libfontconfig\n";
}

namespace corvid::ombra::testing {

QApplication& Application() {
    static int argc = 1;
    static char name[] = "ombra_dialogs_tests";
    static char* argv[] = {name, nullptr};
    static QApplication* application = [] {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        return new QApplication(argc, argv);
    }();
    return *application;
}

} // namespace corvid::ombra::testing
