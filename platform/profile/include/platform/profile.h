// Profile files: INI files of "[Section]" headers and "Key=Value" lines. Sections and
// keys compare without regard to case, the first match wins, values are trimmed and
// one pair of surrounding quotes is removed. win.ini is $CORVID_HOME/win.ini; a
// private profile file is the file named.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace corvid::platform {

// $CORVID_HOME/win.ini
std::filesystem::path WinIniPath();

// The value of Key in Section, or nullopt when the file, the section or the key is
// missing. An unreadable file reads as missing.
std::optional<std::string> ReadProfileString(const std::filesystem::path& file, std::string_view section,
                                             std::string_view key);

// As above with a default for a missing value.
std::string ReadProfileString(const std::filesystem::path& file, std::string_view section,
                              std::string_view key, std::string_view fallback);

// The value read as a decimal integer (leading digits, as the classic call does),
// or the default when missing or not a number.
int ReadProfileInt(const std::filesystem::path& file, std::string_view section, std::string_view key,
                   int fallback);

// The key names of a section in file order, or of all sections' names when section is empty.
std::vector<std::string> ReadProfileKeys(const std::filesystem::path& file, std::string_view section);
std::vector<std::string> ReadProfileSections(const std::filesystem::path& file);

// Sets Key in Section (replacing the first match, or appending the key to the section
// or a new section), creating the file when missing. A nullopt value deletes the key.
// The file is replaced atomically. Returns false when the file cannot be written.
bool WriteProfileString(const std::filesystem::path& file, std::string_view section, std::string_view key,
                        std::optional<std::string_view> value);

// Deletes a whole section. Returns false when the file cannot be written.
bool DeleteProfileSection(const std::filesystem::path& file, std::string_view section);

} // namespace corvid::platform
