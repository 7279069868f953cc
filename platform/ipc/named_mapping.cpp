#include "platform/named_mapping.h"

#include "mapping_creator.h"
#include "platform/runtime_dir.h"
#include "unique_fd.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sched.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace corvid::platform {
namespace {

using detail::ThrowErrno;
using detail::UniqueFd;

// A file that exists is opened as it is, whoever made it: a peer that follows only the
// naming contract takes no locks and leaves no record. Only a file that this library's
// creator record names, whose creator is gone and on which no handle of ours is open
// (ours hold a shared flock) is taken for one a crashed creator left behind.

enum class Outcome { Opened, Missing, Retry };

bool TryFlock(int fd, int operation) {
    while (::flock(fd, operation | LOCK_NB) != 0) {
        if (errno == EWOULDBLOCK)
            return false;
        if (errno != EINTR)
            ThrowErrno("cannot lock a mapping file");
    }
    return true;
}

Outcome OpenExisting(const std::string& path, UniqueFd& opened) {
    UniqueFd fd(::open(path.c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW));
    if (!fd) {
        if (errno == ENOENT)
            return Outcome::Missing;
        ThrowErrno("cannot open " + path);
    }
    if (detail::CreatorIsGone(path, fd.get()) && TryFlock(fd.get(), LOCK_EX)) {
        if (detail::IsSameFile(fd.get(), path)) {
            if (::unlink(path.c_str()) != 0 && errno != ENOENT)
                ThrowErrno("cannot remove the abandoned " + path);
            detail::RemoveCreatorRecord(path, fd.get());
        }
        return Outcome::Retry;
    }
    // Failing the shared lock means one of ours is removing an abandoned file right now;
    // failing the path check means its creator closed it meanwhile.
    if (!TryFlock(fd.get(), LOCK_SH) || !detail::IsSameFile(fd.get(), path))
        return Outcome::Retry;
    opened = std::move(fd);
    return Outcome::Opened;
}

// Removes a temporary file on every way out.
struct TemporaryName {
    std::string path;
    ~TemporaryName() { ::unlink(path.c_str()); }
};

// Prepares the file under a temporary name, locked and sized, and only then links it
// into place, so nobody ever sees it without its creator's lock.
Outcome CreateNew(const std::string& dir, const std::string& path, std::size_t size, UniqueFd& created) {
    if (size > static_cast<std::size_t>(LLONG_MAX))
        detail::ThrowError(EFBIG, "mapping too large: " + path);
    TemporaryName temporary{dir + "/.new-XXXXXX"};
    UniqueFd fd(::mkostemp(temporary.path.data(), O_CLOEXEC));
    if (!fd)
        ThrowErrno("cannot create a mapping file in " + dir);
    if (!TryFlock(fd.get(), LOCK_SH))
        detail::ThrowError(EWOULDBLOCK, "cannot lock " + temporary.path);
    // Reserving the blocks now makes a full file system fail here rather than with
    // SIGBUS at the first write through a view.
    if (int error = ::posix_fallocate(fd.get(), 0, static_cast<off_t>(size)); error != 0)
        detail::ThrowError(error, "cannot size " + path);
    detail::WriteCreatorRecord(path, fd.get());
    if (::link(temporary.path.c_str(), path.c_str()) != 0) {
        int error = errno;
        detail::RemoveCreatorRecord(path, fd.get());
        if (error == EEXIST)
            return Outcome::Retry;
        detail::ThrowError(error, "cannot create " + path);
    }
    created = std::move(fd);
    return Outcome::Opened;
}

off_t SizeOf(int fd) {
    struct stat info {};
    if (::fstat(fd, &info) != 0)
        ThrowErrno("cannot inspect a mapping file");
    return info.st_size;
}

} // namespace

MappedView::MappedView(MappedView&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)), size_(std::exchange(other.size_, 0)) {}

MappedView& MappedView::operator=(MappedView&& other) noexcept {
    if (this != &other) {
        Unmap();
        data_ = std::exchange(other.data_, nullptr);
        size_ = std::exchange(other.size_, 0);
    }
    return *this;
}

MappedView::~MappedView() {
    Unmap();
}

void MappedView::Unmap() {
    if (data_)
        ::munmap(data_, size_);
    data_ = nullptr;
    size_ = 0;
}

NamedMapping NamedMapping::Create(const std::string& name, std::size_t size) {
    detail::CheckObjectName(name, "mapping");
    if (size == 0)
        detail::ThrowError(EINVAL, "a mapping of 0 bytes: " + name);
    const std::string dir = EnsureRuntimeSubdir("map").string();
    const std::string path = dir + "/" + name;
    for (int attempt = 0; attempt < 1000; ++attempt) {
        UniqueFd fd;
        Outcome outcome = OpenExisting(path, fd);
        if (outcome == Outcome::Opened)
            return NamedMapping(fd.Release(), name, path, false);
        if (outcome == Outcome::Missing && CreateNew(dir, path, size, fd) == Outcome::Opened)
            return NamedMapping(fd.Release(), name, path, true);
        ::sched_yield();
    }
    detail::ThrowError(EAGAIN, "cannot create or open " + path);
}

NamedMapping::NamedMapping(int fd, std::string name, std::string path, bool created)
    : fd_(fd), name_(std::move(name)), path_(std::move(path)), alreadyExisted_(!created), creator_(created) {
    struct stat info {};
    if (::fstat(fd_, &info) == 0) {
        device_ = info.st_dev;
        inode_ = info.st_ino;
    }
}

NamedMapping::NamedMapping(NamedMapping&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), name_(std::move(other.name_)), path_(std::move(other.path_)),
      alreadyExisted_(other.alreadyExisted_), creator_(other.creator_), device_(other.device_),
      inode_(other.inode_) {}

NamedMapping& NamedMapping::operator=(NamedMapping&& other) noexcept {
    if (this != &other) {
        Close();
        fd_ = std::exchange(other.fd_, -1);
        name_ = std::move(other.name_);
        path_ = std::move(other.path_);
        alreadyExisted_ = other.alreadyExisted_;
        creator_ = other.creator_;
        device_ = other.device_;
        inode_ = other.inode_;
    }
    return *this;
}

NamedMapping::~NamedMapping() {
    Close();
}

void NamedMapping::Close() {
    if (fd_ < 0)
        return;
    // Removed before the lock goes with the descriptor, so nobody finds it ownerless.
    if (creator_ && detail::IsSameFile(fd_, path_)) {
        ::unlink(path_.c_str());
        detail::RemoveCreatorRecord(path_, fd_);
    }
    ::close(fd_);
    fd_ = -1;
}

bool NamedMapping::StillNamed() const {
    return fd_ >= 0 && detail::IsSameFile(fd_, path_);
}

std::size_t NamedMapping::fileSize() const {
    return fd_ < 0 ? 0 : static_cast<std::size_t>(SizeOf(fd_));
}

MappedView NamedMapping::MapView(std::size_t length) const {
    if (fd_ < 0)
        detail::ThrowError(EBADF, "no mapping to view");
    const auto size = static_cast<std::size_t>(SizeOf(fd_));
    if (length == 0)
        length = size;
    if (length == 0 || length > size)
        detail::ThrowError(EINVAL, "a view of " + std::to_string(length) + " bytes of the " +
                                       std::to_string(size) + "-byte mapping " + name_);
    void* data = ::mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_SHARED, fd_, 0);
    if (data == MAP_FAILED)
        ThrowErrno("cannot map a view of " + name_);
    return MappedView(data, length);
}

} // namespace corvid::platform
