#include "com/module_counts.h"

#include <atomic>

namespace corvid::com {
namespace {

// The module's only shared state: how many of its objects and server locks are alive.
std::atomic<long> objectCount{0};
std::atomic<long> lockCount{0};

} // namespace

void ModuleCounts::ObjectCreated() {
    objectCount.fetch_add(1, std::memory_order_relaxed);
}
void ModuleCounts::ObjectDestroyed() {
    objectCount.fetch_sub(1, std::memory_order_relaxed);
}
void ModuleCounts::Lock() {
    lockCount.fetch_add(1, std::memory_order_relaxed);
}
// An unbalanced unlock from a careless client must not make the count negative, which
// would keep the module from ever being unloadable.
void ModuleCounts::Unlock() {
    long current = lockCount.load(std::memory_order_relaxed);
    while (current > 0 && !lockCount.compare_exchange_weak(current, current - 1, std::memory_order_relaxed)) {
    }
}
long ModuleCounts::Objects() {
    return objectCount.load(std::memory_order_relaxed);
}
long ModuleCounts::Locks() {
    return lockCount.load(std::memory_order_relaxed);
}

HRESULT ModuleCounts::CanUnloadNow() {
    return Objects() == 0 && Locks() == 0 ? S_OK : S_FALSE;
}

} // namespace corvid::com
