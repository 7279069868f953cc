// What the debugger does from program start until its main window is up, apart from the
// windows themselves: the command line, the single-instance check, its own version, the
// check of the registered GPIB driver and the registration of the recording file type.
#pragma once

#include "debugger/prompt.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace corvid::ombra {

// The command line: switches /PLAY /RECORD /LOG <value> /IBA /VCTO (also with "-", any
// case); the last parameter that is not a switch is the file. A parameter that starts
// with "/" and holds a further "/" is a path, not a switch. Unknown switches (such as
// the /p and /pt of the registered print commands) are ignored.
struct CommandLine {
    std::optional<std::string> file;
    bool play = false;              // start playback without the dialog after opening the file
    bool record = false;            // start recording (with the dialog) after opening the file
    std::optional<std::string> log; // the value after /LOG: kept, not used
};
CommandLine ParseCommandLine(const std::vector<std::string>& arguments); // without argv[0]

// The result of the start-up checks. proceed is false when the user chose not to go on
// with an incompatible driver.
struct StartupResult {
    std::string versionText; // "1.1.0.0", or "?.?.?.?" when no version was found
    bool proceed = true;
};

// Own version (with the registered shell command as fallback), the driver check and the
// version question; every message goes through the prompt.
StartupResult RunStartupChecks(const std::filesystem::path& executable, debugger::Prompt& prompt);

// When the controller window of another debugger is alive, asks it to come to the front
// (debugger::kShowControllerMessage) and to open the command line's file, if it names one,
// and returns true (this instance should then end). False when there is none, including a
// window left behind by a debugger that died.
bool ActivateRunningInstance(const CommandLine& line = {});

// The file type: OMBRA.Document and .omr in the registry (with the open, print and
// printto commands), a .desktop file and a MIME type for .omr in the user's XDG data
// directory. False (quietly) when something could not be written.
bool RegisterFileType(const std::filesystem::path& executable);

} // namespace corvid::ombra
