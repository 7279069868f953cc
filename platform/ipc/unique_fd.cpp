#include "unique_fd.h"

#include <cerrno>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace corvid::platform::detail {

void ThrowErrno(const std::string& what) {
    ThrowError(errno, what);
}

void ThrowError(int error, const std::string& what) {
    throw std::system_error(error, std::generic_category(), what);
}

bool IsValidObjectName(std::string_view name) {
    if (name.empty() || name.size() > 255 || name == "." || name == "..")
        return false;
    return name.find('/') == std::string_view::npos && name.find('\0') == std::string_view::npos;
}

void CheckObjectName(std::string_view name, const char* kind) {
    if (!IsValidObjectName(name))
        ThrowError(EINVAL, std::string("invalid ") + kind + " name \"" + std::string(name) + "\"");
}

bool IsSameFile(int fd, const std::string& path) {
    struct stat open {};
    struct stat named {};
    if (::fstat(fd, &open) != 0 || ::stat(path.c_str(), &named) != 0)
        return false;
    return open.st_dev == named.st_dev && open.st_ino == named.st_ino;
}

} // namespace corvid::platform::detail
