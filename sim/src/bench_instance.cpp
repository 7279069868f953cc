#include "bench_instance.h"

#include "bench_location.h"

#include <cstdio>
#include <mutex>

namespace corvid::sim {

Bus* SharedBench(const char* library) {
    static std::once_flag once;
    static std::unique_ptr<Bus> bus;
    std::call_once(once, [library] {
        try {
            bus = std::make_unique<Bus>(ReadBenchFile(FindBenchFile()));
        } catch (const std::exception& e) {
            std::fprintf(stderr, "%s: %s\n", library, e.what());
        }
    });
    return bus.get();
}

} // namespace corvid::sim
