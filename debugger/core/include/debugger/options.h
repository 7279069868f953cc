// The debugger's options, with the defaults a fresh installation starts with, and their
// place in the per-user settings (section "Options" of the application key "OMBRA").
#pragma once

namespace corvid::platform {
class AppSettings;
}

namespace corvid::debugger {

struct Options {
    int automaticColorCoding = 1;    // colour rows by bus address while exactly 1
    bool autoscrollPlayback = false; // toggled and kept; playback always shows its position
    bool autoscrollRecord = false;   // scroll each recorded command into view
    bool ignoreTimeoutChanges = true;
    int validateBusAddresses = 1; // 0: "Ignore bus addresses"
    bool validateCommandTypeOnly = false;
    bool resetBeforePlayback = false;  // initial state of the Playback dialog's check box
    bool resetBeforeRecording = false; // the same for the Recording dialog
};

// The per-user settings of the windowed program: HKEY_CURRENT_USER\Software\OMBRA\ombra.
platform::AppSettings DebuggerSettings();

// Missing values keep their defaults.
Options LoadOptions(const platform::AppSettings& settings);
bool SaveOptions(platform::AppSettings& settings, const Options& options);

} // namespace corvid::debugger
