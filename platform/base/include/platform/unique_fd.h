// Ownership of a POSIX file descriptor: closed on destruction, moved but never copied.
#pragma once

#include <unistd.h>
#include <utility>

namespace corvid::platform {

class UniqueFd {
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : fd_(fd) {}
    UniqueFd(UniqueFd&& other) noexcept : fd_(other.Release()) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept {
        if (this != &other) {
            Reset(other.Release());
        }
        return *this;
    }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    ~UniqueFd() { Reset(); }

    int get() const { return fd_; }
    explicit operator bool() const { return fd_ >= 0; }
    // Gives the descriptor up without closing it.
    int Release() { return std::exchange(fd_, -1); }
    // Closes the descriptor held (if any) and takes fd.
    void Reset(int fd = -1) {
        int old = std::exchange(fd_, fd);
        if (old >= 0) {
            ::close(old);
        }
    }
    // Closes now and tells whether close succeeded: written data can fail only here.
    bool Close() {
        int old = Release();
        return old < 0 || ::close(old) == 0;
    }

private:
    int fd_ = -1;
};

} // namespace corvid::platform
