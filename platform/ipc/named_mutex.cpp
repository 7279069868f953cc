#include "platform/named_mutex.h"

#include "platform/runtime_dir.h"
#include "unique_fd.h"

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <fcntl.h>
#include <pthread.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <utility>

namespace corvid::platform {
namespace {

using detail::ThrowErrno;
using detail::UniqueFd;

constexpr std::size_t kFileSize = 64;
constexpr std::size_t kMutexOffset = 8;
constexpr std::uint32_t kReady = 1;
constexpr auto kInitialiseTimeout = std::chrono::seconds(2);
static_assert(kMutexOffset + sizeof(pthread_mutex_t) <= kFileSize);

std::atomic_ref<std::uint32_t> StateOf(void* file) {
    return std::atomic_ref(*static_cast<std::uint32_t*>(file));
}

pthread_mutex_t* MutexOf(void* file) {
    return reinterpret_cast<pthread_mutex_t*>(static_cast<char*>(file) + kMutexOffset);
}

// The file mapped while it is being opened; unmapped unless handed over.
struct FileMapping {
    void* file = nullptr;
    ~FileMapping() {
        if (file)
            ::munmap(file, kFileSize);
    }
    void* Release() { return std::exchange(file, nullptr); }
};

off_t SizeOf(int fd) {
    struct stat info {};
    if (::fstat(fd, &info) != 0)
        ThrowErrno("cannot inspect a mutex file");
    return info.st_size;
}

void Map(int fd, FileMapping& mapping) {
    void* file = ::mmap(nullptr, kFileSize, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (file == MAP_FAILED)
        ThrowErrno("cannot map a mutex file");
    mapping.file = file;
}

bool TryLockFile(int fd) {
    while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (errno == EWOULDBLOCK)
            return false;
        if (errno != EINTR)
            ThrowErrno("cannot lock a mutex file");
    }
    return true;
}

void Initialise(void* file) {
    pthread_mutexattr_t attributes;
    pthread_mutexattr_init(&attributes);
    pthread_mutexattr_setpshared(&attributes, PTHREAD_PROCESS_SHARED);
    pthread_mutexattr_setrobust(&attributes, PTHREAD_MUTEX_ROBUST);
    pthread_mutexattr_settype(&attributes, PTHREAD_MUTEX_RECURSIVE);
    int error = pthread_mutex_init(MutexOf(file), &attributes);
    pthread_mutexattr_destroy(&attributes);
    if (error != 0)
        detail::ThrowError(error, "cannot initialise a mutex");
    StateOf(file).store(kReady, std::memory_order_release);
}

// Maps a ready mutex file. Whoever holds the file's flock initialises a file that is not
// ready: normally its creator, or the next opener after an initialiser that died midway.
void* MapReady(int fd, const std::string& path) {
    FileMapping mapping;
    const auto deadline = std::chrono::steady_clock::now() + kInitialiseTimeout;
    for (;;) {
        if (!mapping.file && SizeOf(fd) >= static_cast<off_t>(kFileSize))
            Map(fd, mapping);
        if (mapping.file && StateOf(mapping.file).load(std::memory_order_acquire) == kReady)
            return mapping.Release();
        if (TryLockFile(fd)) {
            if (SizeOf(fd) < static_cast<off_t>(kFileSize) && ::ftruncate(fd, kFileSize) != 0)
                ThrowErrno("cannot size " + path);
            if (!mapping.file)
                Map(fd, mapping);
            if (StateOf(mapping.file).load(std::memory_order_acquire) != kReady)
                Initialise(mapping.file);
            ::flock(fd, LOCK_UN);
            return mapping.Release();
        }
        if (std::chrono::steady_clock::now() >= deadline)
            detail::ThrowError(ETIMEDOUT, "the mutex " + path + " is not initialised");
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

} // namespace

NamedMutex NamedMutex::OpenOrCreate(const std::string& name) {
    detail::CheckObjectName(name, "mutex");
    const std::string path = (EnsureRuntimeSubdir("mutex") / name).string();
    UniqueFd fd(::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600));
    if (!fd)
        ThrowErrno("cannot open " + path);
    return NamedMutex(MapReady(fd.get(), path), name);
}

NamedMutex::NamedMutex(void* file, std::string name) : file_(file), name_(std::move(name)) {}

NamedMutex::NamedMutex(NamedMutex&& other) noexcept
    : file_(std::exchange(other.file_, nullptr)), name_(std::move(other.name_)),
      holds_(other.holds_.exchange(0)) {}

NamedMutex& NamedMutex::operator=(NamedMutex&& other) noexcept {
    if (this != &other) {
        Release();
        file_ = std::exchange(other.file_, nullptr);
        name_ = std::move(other.name_);
        holds_ = other.holds_.exchange(0);
    }
    return *this;
}

NamedMutex::~NamedMutex() {
    Release();
}

pthread_mutex_t* NamedMutex::Mutex() const {
    if (!file_)
        detail::ThrowError(EBADF, "no mutex");
    return MutexOf(file_);
}

void NamedMutex::Release() {
    if (!file_)
        return;
    while (holds_ > 0 && pthread_mutex_unlock(MutexOf(file_)) == 0)
        --holds_;
    // A thread that still holds it keeps this mapping on its robust-mutex list, which the
    // C library walks later: the mapping must then stay.
    if (holds_ <= 0)
        ::munmap(file_, kFileSize);
    file_ = nullptr;
}

int NamedMutex::Acquired(int status) {
    if (status == EOWNERDEAD) {
        // Abandoned by a holder that died: ours now, like an abandoned mutex.
        status = pthread_mutex_consistent(MutexOf(file_));
    }
    if (status == 0)
        ++holds_;
    return status;
}

void NamedMutex::Lock() {
    if (int status = Acquired(pthread_mutex_lock(Mutex())); status != 0)
        detail::ThrowError(status, "cannot lock the mutex " + name_);
}

bool NamedMutex::TryLock() {
    int status = pthread_mutex_trylock(Mutex());
    if (status == EBUSY)
        return false;
    if (status = Acquired(status); status != 0)
        detail::ThrowError(status, "cannot lock the mutex " + name_);
    return true;
}

bool NamedMutex::Unlock() {
    if (!file_ || pthread_mutex_unlock(MutexOf(file_)) != 0)
        return false;
    --holds_;
    return true;
}

} // namespace corvid::platform
