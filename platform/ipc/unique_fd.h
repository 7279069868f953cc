// Small POSIX helpers shared by the window, mapping and mutex code: an owning file
// descriptor, errno exceptions and the checks on object names.
#pragma once

#include <string>
#include <string_view>
#include <sys/types.h>
#include <utility>

namespace corvid::platform::detail {

// Owns one file descriptor and closes it on destruction.
class UniqueFd {
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : fd_(fd) {}
    UniqueFd(UniqueFd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept;
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    ~UniqueFd() { Reset(); }

    int get() const { return fd_; }
    explicit operator bool() const { return fd_ >= 0; }
    int Release() { return std::exchange(fd_, -1); }
    void Reset(int fd = -1);

private:
    int fd_ = -1;
};

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
