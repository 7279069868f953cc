// Replacing a file's contents whole: the text goes to a temporary file beside it, is
// flushed to the disk and renamed over the file, so that a reader sees the old contents
// or the new ones, never a part, and a crash leaves the old file.
#pragma once

#include <filesystem>
#include <string_view>
#include <sys/types.h>

namespace corvid::platform {

// Writes text to file (creating or replacing it) with the permission bits mode. A
// symbolic link is replaced by the file, not followed: callers that mean the link's
// target resolve it first. False, with the file as it was and no temporary file left,
// when any step fails.
bool ReplaceFileContents(const std::filesystem::path& file, std::string_view text, mode_t mode);

} // namespace corvid::platform
