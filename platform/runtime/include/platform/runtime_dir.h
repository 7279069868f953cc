// Locations of the per-user state: the volatile runtime directory (sockets, mappings,
// mutexes of the debugger link) and the home directory (registry hives, profile and
// configuration files). Both come from the environment so that tests can run side by
// side in temporary directories.
#pragma once

#include <filesystem>
#include <stdexcept>
#include <string>

namespace corvid::platform {

// A runtime directory that is not ours, or that others can read or write.
class RuntimeDirError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// $CORVID_RUNTIME_DIR, else $XDG_RUNTIME_DIR/corvid, else /tmp/corvid-<uid>. Not created.
std::filesystem::path RuntimeDirPath();

// $CORVID_HOME, else ${XDG_CONFIG_HOME:-$HOME/.config}/corvid. Not created.
std::filesystem::path HomeDirPath();

// The runtime directory, created with mode 0700 when missing. Throws RuntimeDirError
// (naming the directory) when it is not owned by the current user, is not a directory,
// or grants read or write to group or others; nothing is created inside it then.
std::filesystem::path EnsureRuntimeDir();

// A subdirectory of the checked runtime directory ("wnd", "map", "mutex"), created
// with mode 0700 when missing.
std::filesystem::path EnsureRuntimeSubdir(const std::string& name);

// Checks an existing runtime directory without creating anything. Returns false when
// it does not exist; throws RuntimeDirError when it exists but is refused.
bool CheckRuntimeDir(const std::filesystem::path& dir);

// The home directory, created (with its parents) when missing; the directory itself
// gets mode 0700.
std::filesystem::path EnsureHomeDir();

} // namespace corvid::platform
