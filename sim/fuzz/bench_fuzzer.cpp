// Fuzz target: bench descriptions. Any text is either refused with "file:line: reason" or
// becomes a bus; nothing else may escape and nothing may crash.
#include "bench_spec.h"
#include "bus.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace corvid::sim;
    std::string text(reinterpret_cast<const char*>(data), size);
    try {
        Bus bus(ParseBench(text, "fuzz.bench"));
    } catch (const BenchError& e) {
        if (std::string(e.what()).rfind("fuzz.bench:", 0) != 0) {
            std::fprintf(stderr, "refusal without file and line: %s\n", e.what());
            std::abort();
        }
    }
    return 0;
}
