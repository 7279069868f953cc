#include "debugger/options.h"

#include "platform/registry.h"

namespace corvid::debugger {
namespace {

constexpr const char* kSection = "Options";

} // namespace

platform::AppSettings DebuggerSettings() {
    return platform::AppSettings("OMBRA", "ombra");
}

Options LoadOptions(const platform::AppSettings& settings) {
    Options options;
    auto flag = [&](const char* entry, bool fallback) {
        return settings.GetInt(kSection, entry, fallback) != 0;
    };
    options.automaticColorCoding =
        settings.GetInt(kSection, "Automatic Color Coding", options.automaticColorCoding);
    options.autoscrollPlayback = flag("Autoscroll Playback Window", options.autoscrollPlayback);
    options.autoscrollRecord = flag("Autoscroll Record Window", options.autoscrollRecord);
    options.ignoreTimeoutChanges = flag("Ignore Timeout Changes", options.ignoreTimeoutChanges);
    options.validateBusAddresses =
        settings.GetInt(kSection, "Validate Bus Addresses", options.validateBusAddresses);
    options.validateCommandTypeOnly = flag("Validate Command Type Only", options.validateCommandTypeOnly);
    options.resetBeforePlayback =
        flag("Reset Calibration Database Before Playback", options.resetBeforePlayback);
    options.resetBeforeRecording =
        flag("Reset Calibration Database Before Recording", options.resetBeforeRecording);
    return options;
}

bool SaveOptions(platform::AppSettings& settings, const Options& options) {
    bool ok = settings.SetInt(kSection, "Automatic Color Coding", options.automaticColorCoding);
    ok = settings.SetInt(kSection, "Autoscroll Playback Window", options.autoscrollPlayback) && ok;
    ok = settings.SetInt(kSection, "Autoscroll Record Window", options.autoscrollRecord) && ok;
    ok = settings.SetInt(kSection, "Ignore Timeout Changes", options.ignoreTimeoutChanges) && ok;
    ok = settings.SetInt(kSection, "Validate Bus Addresses", options.validateBusAddresses) && ok;
    ok = settings.SetInt(kSection, "Validate Command Type Only", options.validateCommandTypeOnly) && ok;
    ok = settings.SetInt(kSection, "Reset Calibration Database Before Playback",
                         options.resetBeforePlayback) &&
         ok;
    ok = settings.SetInt(kSection, "Reset Calibration Database Before Recording",
                         options.resetBeforeRecording) &&
         ok;
    return ok;
}

} // namespace corvid::debugger
