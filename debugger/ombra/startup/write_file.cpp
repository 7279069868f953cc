#include "desktop_files.h"

#include <cerrno>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace corvid::ombra::detail {
namespace {

std::optional<std::string> ReadWhole(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in)
        return std::nullopt;
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool WriteAll(int fd, const std::string& text) {
    const char* data = text.data();
    std::size_t left = text.size();
    while (left > 0) {
        const ssize_t put = ::write(fd, data, left);
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            return false;
        data += put;
        left -= static_cast<std::size_t>(put);
    }
    return true;
}

// The temporary file: closed on destruction and removed unless it was renamed.
class TempFile {
public:
    explicit TempFile(const std::filesystem::path& beside) {
        std::string pattern =
            (beside.parent_path() / ("." + beside.filename().string() + ".XXXXXX")).string();
        name_.assign(pattern.begin(), pattern.end());
        name_.push_back('\0');
        fd_ = ::mkostemp(name_.data(), O_CLOEXEC);
    }
    ~TempFile() {
        if (fd_ >= 0)
            ::close(fd_);
        if (fd_ != kRenamed && fd_ != kFailed)
            ::unlink(name_.data());
    }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;

    bool Write(const std::string& text) {
        return fd_ >= 0 && WriteAll(fd_, text) && ::fchmod(fd_, 0644) == 0 && ::fsync(fd_) == 0 && Close();
    }
    bool RenameTo(const std::filesystem::path& target) {
        if (::rename(name_.data(), target.c_str()) != 0)
            return false;
        fd_ = kRenamed;
        return true;
    }

private:
    static constexpr int kClosed = -2;
    static constexpr int kRenamed = -3;
    static constexpr int kFailed = -1; // mkostemp failed: nothing to remove

    bool Close() {
        const int fd = fd_;
        fd_ = kClosed;
        return ::close(fd) == 0;
    }

    std::vector<char> name_;
    int fd_ = kFailed;
};

} // namespace

bool WriteFileIfChanged(const std::filesystem::path& file, const std::string& text, bool& changed) {
    changed = false;
    if (std::optional<std::string> current = ReadWhole(file); current && *current == text)
        return true;
    std::error_code error;
    std::filesystem::create_directories(file.parent_path(), error);
    if (error)
        return false;
    TempFile temp(file);
    if (!temp.Write(text) || !temp.RenameTo(file))
        return false;
    changed = true;
    return true;
}

} // namespace corvid::ombra::detail
