#include "async_job.h"

#include <atomic>

namespace corvid::visaio {

ViJobId NewJobId() {
    static std::atomic<ViJobId> next{1};
    ViJobId id = next.fetch_add(1, std::memory_order_relaxed);
    return id == 0 ? next.fetch_add(1, std::memory_order_relaxed) : id;
}

} // namespace corvid::visaio
