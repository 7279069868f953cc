// Small text files shared between processes: read under a shared flock, updated under
// an exclusive flock by writing a temporary file beside the original and renaming it
// over the original, so that readers always see a complete file.
#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <sys/types.h>

namespace corvid::platform {

// The whole file read under a shared lock; nullopt when it is missing or unreadable.
std::optional<std::string> ReadLockedFile(const std::filesystem::path& file);

// The current contents and whether the file existed before this update.
struct LockedFileContents {
    std::string text;
    bool existed = false;
};

// One exclusive read-change-replace cycle. update receives the current contents and
// returns the new text, or nullopt to leave the file as it is. A file that did not
// exist is created with newFileMode (less the umask); a replaced file keeps its mode.
// A symbolic link is followed and its target replaced. Returns false when the file
// cannot be locked, read or replaced; exceptions from update propagate and leave the
// file unchanged.
bool UpdateLockedFile(const std::filesystem::path& file,
                      const std::function<std::optional<std::string>(const LockedFileContents&)>& update,
                      mode_t newFileMode = 0666);

} // namespace corvid::platform
