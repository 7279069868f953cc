#include "device_link.h"

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace corvid::sim {

namespace fs = std::filesystem;

namespace {

std::string Reason(const fs::path& path, int error) {
    return path.string() + ": " + std::strerror(error);
}

} // namespace

DeviceLink::DeviceLink(fs::path path, std::string target)
    : path_(std::move(path)), target_(std::move(target)) {
    if (::symlink(target_.c_str(), path_.c_str()) == 0) {
        return;
    }
    if (errno != EEXIST) {
        throw LinkError(Reason(path_, errno));
    }
    ReplaceExisting();
}

// A new link is made beside the old one and renamed over it, so that clients never find
// the path missing.
void DeviceLink::ReplaceExisting() {
    struct stat info {};
    if (::lstat(path_.c_str(), &info) != 0) {
        throw LinkError(Reason(path_, errno));
    }
    if (!S_ISLNK(info.st_mode)) {
        throw LinkError(path_.string() + ": exists and is not a symbolic link; not replaced");
    }
    fs::path temporary = path_;
    temporary += ".simserial-" + std::to_string(::getpid());
    ::unlink(temporary.c_str());
    if (::symlink(target_.c_str(), temporary.c_str()) != 0) {
        throw LinkError(Reason(temporary, errno));
    }
    if (::rename(temporary.c_str(), path_.c_str()) != 0) {
        int error = errno;
        ::unlink(temporary.c_str());
        throw LinkError(Reason(path_, error));
    }
}

DeviceLink::~DeviceLink() {
    // Another server may have taken the path over since; its link stays.
    std::error_code ec;
    if (fs::is_symlink(fs::symlink_status(path_, ec)) && fs::read_symlink(path_, ec) == target_ && !ec) {
        fs::remove(path_, ec);
    }
}

} // namespace corvid::sim
