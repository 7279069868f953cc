// The desktop's side of the recording file type: a .desktop entry for the program and a
// MIME type for *.omr in the user's XDG data directory.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace corvid::ombra::detail {

inline constexpr const char* kRecordingMimeType = "application/x-ombra-recording";

// $XDG_DATA_HOME when it is an absolute path, else ~/.local/share; nullopt without a home.
std::optional<std::filesystem::path> DataHome();

// The program as one argument of a desktop entry's Exec key (quoted and escaped as that
// key requires); nullopt for a path that a desktop entry cannot hold (control characters).
std::optional<std::string> ExecArgument(const std::filesystem::path& executable);

std::optional<std::string> DesktopEntryText(const std::filesystem::path& executable);
std::string MimePackageText();

// Writes applications/ombra.desktop and mime/packages/ombra.xml under dataHome, each only
// when its content differs, and refreshes the desktop's caches when the tools for that are
// installed. False when a file could not be written.
bool WriteDesktopFiles(const std::filesystem::path& dataHome, const std::filesystem::path& executable);

// Replaces the file by a temporary file renamed over it, unless it already holds exactly
// this text. changed tells whether it was written. False when it could not be written.
bool WriteFileIfChanged(const std::filesystem::path& file, const std::string& text, bool& changed);

} // namespace corvid::ombra::detail
