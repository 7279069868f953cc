#include "file_io.h"

#include <cerrno>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace corvid::debugger::fileio {
namespace {

[[noreturn]] void ThrowErrno(const std::string& what) {
    throw std::system_error(errno, std::generic_category(), what);
}

// The mode a newly created file gets from the process's file-creation mask.
mode_t DefaultFileMode() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

} // namespace

FileHandle& FileHandle::operator=(FileHandle&& other) noexcept {
    if (this != &other)
        Reset(other.Release());
    return *this;
}

void FileHandle::Reset(int fd) {
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = fd;
}

FileHandle OpenFile(const std::filesystem::path& path, int flags, unsigned mode) {
    const int fd = ::open(path.c_str(), flags | O_CLOEXEC, static_cast<mode_t>(mode));
    if (fd < 0)
        ThrowErrno(path.string());
    return FileHandle(fd);
}

FileHandle OpenRegularFileForReading(const std::filesystem::path& path) {
    // Without blocking: a named pipe or a device would otherwise hold the program in open.
    FileHandle file = OpenFile(path, O_RDONLY | O_NONBLOCK);
    struct stat info {};
    if (::fstat(file.Get(), &info) != 0)
        ThrowErrno(path.string());
    if (!S_ISREG(info.st_mode))
        throw std::system_error(S_ISDIR(info.st_mode) ? EISDIR : EINVAL, std::generic_category(),
                                path.string() + " is not a regular file");
    ::fcntl(file.Get(), F_SETFL, ::fcntl(file.Get(), F_GETFL) & ~O_NONBLOCK);
    return file;
}

std::vector<std::uint8_t> ReadAll(int fd) {
    struct stat info {};
    std::size_t expected = 0;
    if (::fstat(fd, &info) == 0 && info.st_size > 0)
        expected = static_cast<std::size_t>(info.st_size);
    // One spare byte sees the end without growing the buffer.
    std::vector<std::uint8_t> bytes(expected + 1);
    std::size_t used = 0;
    for (;;) {
        if (used == bytes.size()) // the file grew meanwhile
            bytes.resize(bytes.size() * 2);
        const ssize_t got = ::read(fd, bytes.data() + used, bytes.size() - used);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            ThrowErrno("read");
        }
        if (got == 0)
            break;
        used += static_cast<std::size_t>(got);
    }
    bytes.resize(used);
    return bytes;
}

void WriteAll(int fd, std::span<const std::uint8_t> bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR)
                continue;
            ThrowErrno("write");
        }
        bytes = bytes.subspan(static_cast<std::size_t>(written));
    }
}

ReplacingFile::ReplacingFile(const std::filesystem::path& target) {
    // Through a symbolic link the file it names is replaced, not the link.
    std::error_code error;
    target_ = std::filesystem::is_symlink(target, error) ? std::filesystem::canonical(target, error) : target;
    if (target_.empty())
        target_ = target;
    // A file the user may not write stays as it is (renaming over it would still work).
    if (::access(target_.c_str(), F_OK) == 0 && ::access(target_.c_str(), W_OK) != 0)
        ThrowErrno(target_.string());
    std::string pattern = (target_.parent_path() / ("." + target_.filename().string() + ".XXXXXX")).string();
    const int fd = ::mkostemp(pattern.data(), O_CLOEXEC);
    if (fd < 0)
        ThrowErrno(target_.string());
    file_.Reset(fd);
    temporary_ = pattern;
    struct stat existing {};
    const mode_t mode =
        ::stat(target_.c_str(), &existing) == 0 ? existing.st_mode & 07777 : DefaultFileMode();
    ::fchmod(fd, mode);
}

ReplacingFile::~ReplacingFile() {
    if (!committed_)
        ::unlink(temporary_.c_str());
}

void ReplacingFile::Commit() {
    if (::fsync(file_.Get()) != 0)
        ThrowErrno(target_.string());
    if (::close(file_.Release()) != 0)
        ThrowErrno(target_.string());
    if (::rename(temporary_.c_str(), target_.c_str()) != 0)
        ThrowErrno(target_.string());
    committed_ = true;
}

void BufferedWriter::Write(std::span<const std::uint8_t> bytes) {
    buffer_.insert(buffer_.end(), bytes.begin(), bytes.end());
    if (buffer_.size() >= kChunk)
        Flush();
}

void BufferedWriter::Flush() {
    WriteAll(fd_, buffer_);
    buffer_.clear();
}

} // namespace corvid::debugger::fileio
