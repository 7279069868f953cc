// Small POSIX helpers shared by the window, mapping and mutex code: errno exceptions, the
// checks on object names, and the shared descriptor owner under its local name.
#pragma once

#include "platform/unique_fd.h"

#include <string>
#include <string_view>
#include <sys/types.h>

namespace corvid::platform::detail {

// The descriptor owner shared by every folder.
using UniqueFd = platform::UniqueFd;

// Throws std::system_error for the current errno (or `error`), naming what failed.
[[noreturn]] void ThrowErrno(const std::string& what);
[[noreturn]] void ThrowError(int error, const std::string& what);

// A name usable as one file in a runtime subdirectory: not empty, not "." or "..",
// no '/' or NUL, at most 255 bytes.
bool IsValidObjectName(std::string_view name);
// Throws std::system_error(EINVAL) for a name that IsValidObjectName refuses.
void CheckObjectName(std::string_view name, const char* kind);

// Whether the open file `fd` is the file that `path` names now.
bool IsSameFile(int fd, const std::string& path);

} // namespace corvid::platform::detail
