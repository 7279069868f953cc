// CSharedMemory: one transfer over the debugger link: a named mapping plus the named
// mutex that guards it (the mapping's name with "Mutex" appended). Each transfer owns its
// own object; destruction unmaps the view and closes the mapping and the mutex.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace corvid::platform {
class MappedView;
class NamedMapping;
class NamedMutex;
} // namespace corvid::platform

namespace corvid::link {

class CSharedMemory {
public:
    CSharedMemory();
    ~CSharedMemory();
    CSharedMemory(const CSharedMemory&) = delete;
    CSharedMemory& operator=(const CSharedMemory&) = delete;

    // Opens (or creates) the mapping `name` with `size` bytes, its mutex, and a view of
    // `size` bytes. Failures are shown in a message box and give false.
    bool Create(const std::string& name, std::size_t size);

    bool IsMapped() const { return mapped_; }
    // Whether the mapping existed before Create (another process created it).
    bool AlreadyExisted() const { return alreadyExisted_; }
    std::uint8_t* View() const;
    std::size_t Size() const { return size_; }
    // Whether the mapping's name still names this mapping: false once its creator
    // closed it or another process replaced it.
    bool IsCurrent() const;
    const std::string& MappingName() const { return mappingName_; }
    const std::string& MutexName() const { return mutexName_; }

    // The mutex, without time limit; an abandoned mutex counts as acquired. False when
    // there is no mutex or it cannot be taken.
    bool Lock();
    // False when the calling thread does not hold it.
    bool Unlock();

    // Unmaps the view and closes the mapping and the mutex.
    void Close();

private:
    bool Open();

    std::unique_ptr<platform::NamedMapping> mapping_;
    std::unique_ptr<platform::MappedView> view_;
    std::unique_ptr<platform::NamedMutex> mutex_;
    std::size_t size_ = 0;
    bool mapped_ = false;
    bool alreadyExisted_ = false;
    std::string mutexName_;
    std::string mappingName_;
};

// Holds a CSharedMemory's mutex for a scope; Unlock() releases it early and reports
// whether releasing worked.
class SharedMemoryLock {
public:
    explicit SharedMemoryLock(CSharedMemory& memory) : memory_(memory), held_(memory.Lock()) {}
    ~SharedMemoryLock() {
        if (held_)
            memory_.Unlock();
    }
    SharedMemoryLock(const SharedMemoryLock&) = delete;
    SharedMemoryLock& operator=(const SharedMemoryLock&) = delete;

    bool held() const { return held_; }
    bool Unlock() {
        held_ = false;
        return memory_.Unlock();
    }

private:
    CSharedMemory& memory_;
    bool held_;
};

} // namespace corvid::link
