#include "platform/file_version.h"

#include "elf_sections.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace corvid::platform {
namespace {

using version_detail::ByteSource;

class MemorySource : public ByteSource {
public:
    explicit MemorySource(std::span<const std::byte> image) : image_(image) {}
    std::uint64_t Size() const override { return image_.size(); }
    bool ReadAt(std::uint64_t offset, void* out, std::size_t count) const override {
        if (!Contains(offset, count))
            return false;
        std::memcpy(out, image_.data() + offset, count);
        return true;
    }

private:
    std::span<const std::byte> image_;
};

class FileSource : public ByteSource {
public:
    explicit FileSource(const std::filesystem::path& file)
        : fd_(::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC)) {
        struct stat info {};
        if (fd_ >= 0 && ::fstat(fd_, &info) == 0 && S_ISREG(info.st_mode))
            size_ = static_cast<std::uint64_t>(info.st_size);
        else
            Close();
    }
    ~FileSource() override { Close(); }
    FileSource(const FileSource&) = delete;
    FileSource& operator=(const FileSource&) = delete;

    bool Open() const { return fd_ >= 0; }
    std::uint64_t Size() const override { return size_; }
    bool ReadAt(std::uint64_t offset, void* out, std::size_t count) const override {
        if (!Contains(offset, count))
            return false;
        auto* bytes = static_cast<char*>(out);
        while (count > 0) {
            ssize_t got = ::pread(fd_, bytes, count, static_cast<off_t>(offset));
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0) // an error, or a file that shrank under us
                return false;
            bytes += got;
            offset += static_cast<std::uint64_t>(got);
            count -= static_cast<std::size_t>(got);
        }
        return true;
    }

private:
    void Close() {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = -1;
        size_ = 0;
    }

    int fd_;
    std::uint64_t size_ = 0;
};

std::array<std::uint16_t, 4> Split(std::uint32_t ms, std::uint32_t ls) {
    return {static_cast<std::uint16_t>(ms >> 16), static_cast<std::uint16_t>(ms & 0xFFFF),
            static_cast<std::uint16_t>(ls >> 16), static_cast<std::uint16_t>(ls & 0xFFFF)};
}

std::optional<FileVersionInfo> Report(version_detail::VersionLookup lookup, VersionReadError* error) {
    if (error && !lookup.info)
        *error = lookup.error;
    return lookup.info;
}

} // namespace

std::array<std::uint16_t, 4> FileVersionInfo::FileVersion() const {
    return Split(fileVersionMS, fileVersionLS);
}

std::array<std::uint16_t, 4> FileVersionInfo::ProductVersion() const {
    return Split(productVersionMS, productVersionLS);
}

const char* VersionReadErrorText(VersionReadError error) {
    switch (error) {
    case VersionReadError::CannotOpen:
        return "the file cannot be opened";
    case VersionReadError::NotElf:
        return "the file is not an ELF file";
    case VersionReadError::UnsupportedElf:
        return "the file is not a 64-bit little-endian ELF file";
    case VersionReadError::Damaged:
        return "the file's section headers are damaged";
    case VersionReadError::NoVersionSection:
        return "the file has no version record";
    case VersionReadError::BadRecord:
        return "the file's version record is invalid";
    }
    return "unknown error";
}

std::optional<FileVersionInfo> ReadFileVersion(const std::filesystem::path& file, VersionReadError* error) {
    FileSource source(file);
    if (!source.Open())
        return Report({std::nullopt, VersionReadError::CannotOpen}, error);
    return Report(version_detail::FindVersionRecord(source), error);
}

std::optional<FileVersionInfo> ParseFileVersion(std::span<const std::byte> image, VersionReadError* error) {
    return Report(version_detail::FindVersionRecord(MemorySource(image)), error);
}

std::optional<FileVersionInfo> ReadExecutableVersion(VersionReadError* error) {
    return ReadFileVersion("/proc/self/exe", error);
}

std::string FormatVersion(std::uint32_t versionMS, std::uint32_t versionLS) {
    auto parts = Split(versionMS, versionLS);
    char text[32];
    std::snprintf(text, sizeof text, "%u.%u.%u.%u", parts[0], parts[1], parts[2], parts[3]);
    return text;
}

std::string FormatVersion(const FileVersionInfo& info) {
    return FormatVersion(info.fileVersionMS, info.fileVersionLS);
}

} // namespace corvid::platform
