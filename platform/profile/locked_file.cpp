#include "platform/locked_file.h"

#include "platform/file_replace.h"
#include "platform/unique_fd.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace corvid::platform {
namespace {

namespace fs = std::filesystem;

// Removes a file on destruction unless released.
class UnlinkGuard {
public:
    explicit UnlinkGuard(fs::path path) : path_(std::move(path)) {}
    ~UnlinkGuard() {
        if (!path_.empty())
            ::unlink(path_.c_str());
    }
    UnlinkGuard(const UnlinkGuard&) = delete;
    UnlinkGuard& operator=(const UnlinkGuard&) = delete;
    void Release() { path_.clear(); }

private:
    fs::path path_;
};

bool Lock(int fd, int operation) {
    while (::flock(fd, operation) != 0) {
        if (errno != EINTR)
            return false;
    }
    return true;
}

std::optional<std::string> ReadAll(int fd) {
    std::string text;
    char buffer[16384];
    off_t offset = 0;
    for (;;) {
        ssize_t got = ::pread(fd, buffer, sizeof buffer, offset);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return std::nullopt;
        }
        if (got == 0)
            return text;
        text.append(buffer, static_cast<std::size_t>(got));
        offset += got;
    }
}

// Replacing a symbolic link by rename would turn it into a plain file; follow it.
fs::path FollowLink(const fs::path& file) {
    std::error_code error;
    if (!fs::is_symlink(file, error))
        return file;
    fs::path target = fs::weakly_canonical(file, error);
    return error ? file : target;
}

bool SameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

} // namespace

std::optional<std::string> ReadLockedFile(const fs::path& file) {
    UniqueFd fd(::open(file.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd || !Lock(fd.get(), LOCK_SH)) {
        return std::nullopt;
    }
    return ReadAll(fd.get());
}

bool UpdateLockedFile(const fs::path& file,
                      const std::function<std::optional<std::string>(const LockedFileContents&)>& update,
                      mode_t newFileMode) {
    const fs::path target = FollowLink(file);
    for (;;) {
        bool created = false;
        int raw = ::open(target.c_str(), O_RDWR | O_CLOEXEC);
        if (raw < 0 && errno == ENOENT) {
            raw = ::open(target.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, newFileMode);
            if (raw < 0 && errno == EEXIST)
                continue;
            created = raw >= 0;
        }
        UniqueFd fd(raw);
        if (!fd) {
            return false;
        }
        // An empty file we created only to hold the lock goes again unless it gets contents.
        UnlinkGuard removeCreated(created ? target : fs::path());
        if (!Lock(fd.get(), LOCK_EX))
            return false;
        // A writer before us may have renamed a new file over the one we locked.
        struct stat held {};
        struct stat named {};
        if (::fstat(fd.get(), &held) != 0)
            return false;
        if (::stat(target.c_str(), &named) != 0 || !SameFile(held, named)) {
            removeCreated.Release();
            continue;
        }
        std::optional<std::string> current = ReadAll(fd.get());
        if (!current)
            return false;
        std::optional<std::string> next = update(LockedFileContents{std::move(*current), !created});
        if (!next)
            return true;
        if (!ReplaceFileContents(target, *next, held.st_mode & 07777)) {
            return false;
        }
        removeCreated.Release();
        return true;
    }
}

} // namespace corvid::platform
