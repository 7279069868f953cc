#include "testsupport/qt_application.h"

#include <cerrno>

// The system's font configuration and X libraries keep caches for the life of the process,
// which the leak checker would report under a sanitizer build.
extern "C" __attribute__((used, visibility("default"))) const char* __lsan_default_suppressions() {
    return "leak:libfontconfig\nleak:libxcb\nleak:libX11\n";
}

namespace corvid::testing {

QApplication& Application() {
    static int argc = 1;
    static char* argv[] = {program_invocation_short_name, nullptr};
    static QApplication* application = [] {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        return new QApplication(argc, argv);
    }();
    return *application;
}

} // namespace corvid::testing
