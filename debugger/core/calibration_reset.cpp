#include "debugger/calibration_reset.h"

#include "debugger/prompt.h"
#include "platform/profile.h"
#include "platform/sqlite_handle.h"

#include <string>
#include <strings.h>
#include <vector>

namespace corvid::debugger {
namespace {

constexpr const char* kNone = "none";

std::optional<std::string> ProfileValue(const std::filesystem::path& file, const char* section,
                                        const char* key) {
    std::string value = platform::ReadProfileString(file, section, key, kNone);
    if (value.empty() || value == kNone)
        return std::nullopt;
    return value;
}

bool IsSystemObject(const std::string& name) {
    return strncasecmp(name.c_str(), "MSys", 4) == 0 || strncasecmp(name.c_str(), "sqlite_", 7) == 0;
}

// A quoted identifier: any name, brackets and quotes included, stays one name.
std::string Quoted(const std::string& name) {
    std::string quoted = "\"";
    for (char c : name) {
        quoted += c;
        if (c == '"')
            quoted += '"';
    }
    return quoted + "\"";
}

std::optional<std::vector<std::string>> UserTables(sqlite3* database) {
    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v2(database, "SELECT name FROM sqlite_master WHERE type = 'table' ORDER BY rowid", -1,
                           &raw, nullptr) != SQLITE_OK)
        return std::nullopt;
    platform::SqliteStatement statement(raw);
    std::vector<std::string> tables;
    int step;
    while ((step = sqlite3_step(statement.get())) == SQLITE_ROW) {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement.get(), 0));
        std::string name = text ? text : "";
        if (!IsSystemObject(name))
            tables.push_back(std::move(name));
    }
    if (step != SQLITE_DONE)
        return std::nullopt;
    return tables;
}

} // namespace

std::optional<std::filesystem::path> LocateCalibrationDatabase() {
    const std::optional<std::string> profile =
        ProfileValue(platform::WinIniPath(), "Corvid Tessera", "IniFilePath");
    if (!profile)
        return std::nullopt;
    const std::optional<std::string> database =
        ProfileValue(*profile, "KOB CONFIGURATION", "CalibrationDataSource");
    if (!database)
        return std::nullopt;
    return std::filesystem::path(*database);
}

bool EmptyCalibrationDatabase(const std::filesystem::path& path) {
    sqlite3* raw = nullptr;
    const int opened = sqlite3_open_v2(path.c_str(), &raw, SQLITE_OPEN_READWRITE, nullptr);
    platform::SqliteConnection database(raw);
    if (opened != SQLITE_OK)
        return false;
    // A station that is writing the file right now finishes first.
    sqlite3_busy_timeout(database.get(), 5000);
    // Exclusive, as the database is opened for the reset: nobody else writes meanwhile.
    if (sqlite3_exec(database.get(), "PRAGMA locking_mode = EXCLUSIVE", nullptr, nullptr, nullptr) !=
        SQLITE_OK)
        return false;
    const std::optional<std::vector<std::string>> tables = UserTables(database.get());
    if (!tables)
        return false;
    for (const std::string& table : *tables) {
        const std::string sql = "DELETE FROM " + Quoted(table);
        if (sqlite3_exec(database.get(), sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK)
            return false;
    }
    return true;
}

bool ResetCalibrationDatabase(bool quiet, Prompt& prompt) {
    const std::optional<std::filesystem::path> database = LocateCalibrationDatabase();
    if (!database) {
        if (!quiet)
            prompt.Ask(
                "Unable to determine where the Calibration database is\r\nlocated on your system.\r\n\r\n"
                "The Calibration database was NOT reset.",
                "Could not reset database", MsgButtons::Ok, MsgIcon::Information);
        return false;
    }
    if (!quiet && prompt.Ask("Are you sure you want to reset the contents of the calibration database?",
                             "Confirm Reset?", MsgButtons::YesNo, MsgIcon::Question) != MsgAnswer::Yes)
        return true;
    if (!EmptyCalibrationDatabase(*database)) {
        if (!quiet)
            prompt.Ask("Failed to reset the calibration database", "Reset failed", MsgButtons::Ok,
                       MsgIcon::Warning);
        return false;
    }
    if (!quiet)
        prompt.Ask("Database reset complete.", "Reset complete", MsgButtons::Ok, MsgIcon::Information);
    return true;
}

} // namespace corvid::debugger
