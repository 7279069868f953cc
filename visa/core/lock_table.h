// Exclusive and shared locks on resources, held by sessions of this process.
#pragma once

#include "visa/visa.h"

#include <atomic>
#include <condition_variable>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace corvid::visa {

class LockTable {
public:
    // viLock. Nested locks of the same session count; a shared lock is joined with its
    // access key. requestedKey may be null (a key is made up). Waits up to timeoutMs for a
    // conflicting lock of another session to go; VI_ERROR_TMO when it does not.
    ViStatus Lock(ViSession session, const std::string& resource, ViAccessMode type, ViUInt32 timeoutMs,
                  const char* requestedKey, std::string& accessKey);
    // viUnlock: gives up the lock taken last.
    ViStatus Unlock(ViSession session, const std::string& resource);
    // Gives up every lock of a closing session.
    void ReleaseAll(ViSession session, const std::string& resource);
    // Whether the session may operate on the resource given the locks of other sessions.
    bool MayAccess(ViSession session, const std::string& resource) const;
    // VI_NO_LOCK, VI_EXCLUSIVE_LOCK or VI_SHARED_LOCK.
    ViAccessMode State(const std::string& resource) const;

private:
    struct Holder {
        std::vector<ViAccessMode> stack; // lock types in the order taken
        int exclusive = 0;
        int shared = 0;
    };
    struct ResourceLocks {
        std::map<ViSession, Holder> holders;
        std::string sharedKey;
    };

    bool Grantable(const ResourceLocks& locks, ViSession session, ViAccessMode type,
                   const std::string& key) const;
    bool AccessLocked(ViSession session, const std::string& resource) const;
    void Forget(const std::string& resource);

    mutable std::mutex mutex_;
    std::condition_variable released_;
    std::map<std::string, ResourceLocks> resources_;
    std::atomic<int> held_{0}; // locks held in the process: the access check is free at 0
    unsigned nextKey_ = 1;
};

} // namespace corvid::visa
