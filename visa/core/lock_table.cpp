#include "lock_table.h"

#include <chrono>

namespace corvid::visa {

bool LockTable::Grantable(const ResourceLocks& locks, ViSession session, ViAccessMode type,
                          const std::string& key) const {
    for (const auto& [other, holder] : locks.holders) {
        if (other == session) {
            continue;
        }
        if (holder.exclusive > 0) {
            return false;
        }
        if (type == VI_EXCLUSIVE_LOCK && holder.shared > 0) {
            return false;
        }
    }
    if (type == VI_SHARED_LOCK && !locks.sharedKey.empty() && locks.sharedKey != key) {
        return false;
    }
    return true;
}

ViStatus LockTable::Lock(ViSession session, const std::string& resource, ViAccessMode type,
                         ViUInt32 timeoutMs, const char* requestedKey, std::string& accessKey) {
    if (type != VI_EXCLUSIVE_LOCK && type != VI_SHARED_LOCK) {
        return VI_ERROR_INV_LOCK_TYPE;
    }
    std::unique_lock lock(mutex_);
    ResourceLocks& locks = resources_[resource];
    Holder& self = locks.holders[session];
    std::string key;
    if (type == VI_SHARED_LOCK) {
        if (requestedKey && *requestedKey) {
            key = requestedKey;
        } else if (self.shared > 0 || self.exclusive > 0) {
            key = locks.sharedKey;
        }
        if (self.shared > 0 && !key.empty() && key != locks.sharedKey) {
            Forget(resource);
            return VI_ERROR_INV_ACCESS_KEY;
        }
        if (key.empty()) {
            key = "sbvisv32-" + std::to_string(nextKey_++);
        }
    }
    auto grantable = [&] {
        return Grantable(resources_[resource], session, type, key);
    };
    if (!grantable()) {
        bool granted = timeoutMs == VI_TMO_INFINITE
                           ? (released_.wait(lock, grantable), true)
                           : released_.wait_for(lock, std::chrono::milliseconds(timeoutMs), grantable);
        if (!granted) {
            Forget(resource);
            return VI_ERROR_TMO;
        }
    }
    ResourceLocks& current = resources_[resource];
    Holder& holder = current.holders[session];
    bool nested = type == VI_EXCLUSIVE_LOCK ? holder.exclusive > 0 : holder.shared > 0;
    holder.stack.push_back(type);
    if (type == VI_EXCLUSIVE_LOCK) {
        ++holder.exclusive;
    } else {
        ++holder.shared;
        current.sharedKey = key;
        accessKey = key;
    }
    held_.fetch_add(1, std::memory_order_relaxed);
    if (!nested) {
        return VI_SUCCESS;
    }
    return type == VI_EXCLUSIVE_LOCK ? VI_SUCCESS_NESTED_EXCLUSIVE : VI_SUCCESS_NESTED_SHARED;
}

ViStatus LockTable::Unlock(ViSession session, const std::string& resource) {
    std::lock_guard lock(mutex_);
    auto res = resources_.find(resource);
    if (res == resources_.end()) {
        return VI_ERROR_SESN_NLOCKED;
    }
    auto it = res->second.holders.find(session);
    if (it == res->second.holders.end() || it->second.stack.empty()) {
        return VI_ERROR_SESN_NLOCKED;
    }
    Holder& holder = it->second;
    ViAccessMode type = holder.stack.back();
    holder.stack.pop_back();
    --(type == VI_EXCLUSIVE_LOCK ? holder.exclusive : holder.shared);
    held_.fetch_sub(1, std::memory_order_relaxed);
    ViStatus status = holder.exclusive > 0 ? VI_SUCCESS_NESTED_EXCLUSIVE
                      : holder.shared > 0  ? VI_SUCCESS_NESTED_SHARED
                                           : VI_SUCCESS;
    Forget(resource);
    released_.notify_all();
    return status;
}

void LockTable::ReleaseAll(ViSession session, const std::string& resource) {
    std::lock_guard lock(mutex_);
    auto res = resources_.find(resource);
    if (res == resources_.end()) {
        return;
    }
    auto it = res->second.holders.find(session);
    if (it != res->second.holders.end()) {
        held_.fetch_sub(static_cast<int>(it->second.stack.size()), std::memory_order_relaxed);
        res->second.holders.erase(it);
    }
    Forget(resource);
    released_.notify_all();
}

// Drops holders without locks, the shared key when nobody shares any more, and the
// resource entry when nobody holds anything.
void LockTable::Forget(const std::string& resource) {
    auto res = resources_.find(resource);
    if (res == resources_.end()) {
        return;
    }
    bool anyShared = false;
    for (auto it = res->second.holders.begin(); it != res->second.holders.end();) {
        anyShared |= it->second.shared > 0;
        it = it->second.stack.empty() ? res->second.holders.erase(it) : std::next(it);
    }
    if (!anyShared) {
        res->second.sharedKey.clear();
    }
    if (res->second.holders.empty()) {
        resources_.erase(res);
    }
}

bool LockTable::AccessLocked(ViSession session, const std::string& resource) const {
    auto res = resources_.find(resource);
    if (res == resources_.end()) {
        return false;
    }
    bool othersShare = false;
    for (const auto& [other, holder] : res->second.holders) {
        if (other == session) {
            if (holder.exclusive > 0 || holder.shared > 0) {
                return false;
            }
            continue;
        }
        if (holder.exclusive > 0) {
            return true;
        }
        othersShare |= holder.shared > 0;
    }
    return othersShare;
}

bool LockTable::MayAccess(ViSession session, const std::string& resource) const {
    if (held_.load(std::memory_order_relaxed) == 0) {
        return true;
    }
    std::lock_guard lock(mutex_);
    return !AccessLocked(session, resource);
}

ViAccessMode LockTable::State(const std::string& resource) const {
    std::lock_guard lock(mutex_);
    auto res = resources_.find(resource);
    if (res == resources_.end()) {
        return VI_NO_LOCK;
    }
    for (const auto& [session, holder] : res->second.holders) {
        if (holder.exclusive > 0) {
            return VI_EXCLUSIVE_LOCK;
        }
    }
    return res->second.holders.empty() ? VI_NO_LOCK : VI_SHARED_LOCK;
}

} // namespace corvid::visa
