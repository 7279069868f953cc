// Named mutexes between processes of one user: the 64-byte file
// $CORVID_RUNTIME_DIR/mutex/<name> holding a 32-bit state at offset 0 (0 while being
// initialised, 1 ready) and a process-shared, robust, recursive pthread mutex at offset
// 8. The files are never removed.
#pragma once

#include <atomic>
#include <pthread.h>
#include <string>

namespace corvid::platform {

class NamedMutex {
public:
    // Opens the mutex, creating and initialising its file when missing. A file whose
    // initialiser died is initialised again. Throws std::system_error: EINVAL for an
    // invalid name, ETIMEDOUT when another process keeps initialising it for 2 seconds.
    static NamedMutex OpenOrCreate(const std::string& name);

    NamedMutex(NamedMutex&& other) noexcept;
    NamedMutex& operator=(NamedMutex&& other) noexcept;
    NamedMutex(const NamedMutex&) = delete;
    NamedMutex& operator=(const NamedMutex&) = delete;
    // Releases what the calling thread still holds through this object, then unmaps.
    ~NamedMutex();

    const std::string& name() const { return name_; }

    // Waits without time limit. A mutex whose owner died is made consistent and counts as
    // acquired. Recursive: each Lock needs its Unlock. Throws std::system_error when the
    // mutex is unusable.
    void Lock();
    // Acquires without waiting; false when another thread holds it.
    bool TryLock();
    // False when the calling thread does not hold it.
    bool Unlock();

private:
    NamedMutex(void* file, std::string name);
    void Release();
    pthread_mutex_t* Mutex() const;
    int Acquired(int status);

    void* file_ = nullptr; // the mapped 64-byte file
    std::string name_;
    std::atomic<int> holds_{0}; // locks taken through this object and not yet released
};

// Holds a named mutex for its lifetime.
class NamedMutexLock {
public:
    explicit NamedMutexLock(NamedMutex& mutex) : mutex_(mutex) { mutex_.Lock(); }
    ~NamedMutexLock() { mutex_.Unlock(); }
    NamedMutexLock(const NamedMutexLock&) = delete;
    NamedMutexLock& operator=(const NamedMutexLock&) = delete;

private:
    NamedMutex& mutex_;
};

} // namespace corvid::platform
