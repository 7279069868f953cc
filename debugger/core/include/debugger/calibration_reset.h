// Emptying the station's calibration database, found through the test executive's profile
// files: win.ini names the executive's own profile file, which names the database.
#pragma once

#include <filesystem>
#include <optional>

namespace corvid::debugger {

class Prompt;

// The database path, or nothing when either profile entry is missing or "none".
std::optional<std::filesystem::path> LocateCalibrationDatabase();

// Deletes every row of every user table, table by table in the database's order; system
// objects (names beginning "MSys" or "sqlite_") are never touched. False on any database
// error (tables emptied before it stay empty) or when the file is not a database.
bool EmptyCalibrationDatabase(const std::filesystem::path& database);

// The quiet form (before recording or playback) asks and tells nothing; the menu command's
// form reports a missing location, asks for confirmation and reports the outcome. Answering
// anything but Yes to the confirmation changes nothing and succeeds.
bool ResetCalibrationDatabase(bool quiet, Prompt& prompt);

} // namespace corvid::debugger
