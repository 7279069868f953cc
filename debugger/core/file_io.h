// Small POSIX file helpers of the core: an owned descriptor, whole-file reads and writes,
// and a file replaced atomically through a temporary file beside it.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <vector>

namespace corvid::debugger::fileio {

class FileHandle {
public:
    FileHandle() = default;
    explicit FileHandle(int fd) : fd_(fd) {}
    ~FileHandle() { Reset(); }
    FileHandle(FileHandle&& other) noexcept : fd_(other.Release()) {}
    FileHandle& operator=(FileHandle&& other) noexcept;
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;

    int Get() const { return fd_; }
    explicit operator bool() const { return fd_ >= 0; }
    int Release() {
        const int fd = fd_;
        fd_ = -1;
        return fd;
    }
    void Reset(int fd = -1);

private:
    int fd_ = -1;
};

// Opens with open(2) flags (O_CLOEXEC added); throws std::system_error naming the path.
FileHandle OpenFile(const std::filesystem::path& path, int flags, unsigned mode = 0666);

// The whole file from its current position to its end, in one pass.
// Opens for reading what must be a regular file (not a pipe, device or directory).
FileHandle OpenRegularFileForReading(const std::filesystem::path& path);

std::vector<std::uint8_t> ReadAll(int fd);
void WriteAll(int fd, std::span<const std::uint8_t> bytes);

// A new file written beside target and renamed over it by Commit; until then target is
// untouched, and the temporary file is removed if Commit is never reached.
class ReplacingFile {
public:
    // Throws std::system_error when the temporary file cannot be created.
    explicit ReplacingFile(const std::filesystem::path& target);
    ~ReplacingFile();
    ReplacingFile(const ReplacingFile&) = delete;
    ReplacingFile& operator=(const ReplacingFile&) = delete;

    int Fd() const { return file_.Get(); }
    // Flushes the data to disk and renames the file over the target.
    void Commit();

private:
    std::filesystem::path target_;
    std::filesystem::path temporary_;
    FileHandle file_;
    bool committed_ = false;
};

// Buffers small writes and passes them on in large ones.
class BufferedWriter {
public:
    explicit BufferedWriter(int fd) : fd_(fd) {}
    void Write(std::span<const std::uint8_t> bytes);
    void Flush();

private:
    static constexpr std::size_t kChunk = 1 << 16;
    int fd_;
    std::vector<std::uint8_t> buffer_;
};

} // namespace corvid::debugger::fileio
