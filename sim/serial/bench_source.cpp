#include "bench_source.h"

#include "bench_location.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace corvid::sim {

namespace fs = std::filesystem;

namespace {

std::string DemoBenchBesideProgram() {
    std::error_code ec;
    fs::path program = fs::read_symlink("/proc/self/exe", ec);
    fs::path folder = ec ? fs::path(".") : program.parent_path();
    const fs::path candidates[] = {folder / "sim-bench" / "demo.bench",
                                   folder / ".." / "lib" / "sim-bench" / "demo.bench"};
    for (const fs::path& candidate : candidates) {
        if (fs::is_regular_file(candidate, ec)) {
            return candidate.lexically_normal().string();
        }
    }
    return candidates[0].string(); // named in the error that follows
}

} // namespace

std::string ChooseBenchFile(const std::optional<std::string>& given) {
    if (given) {
        return *given;
    }
    const char* env = std::getenv("CORVID_SIM_BENCH");
    if (env != nullptr && *env != '\0') {
        return env;
    }
    if (std::optional<std::string> configured = ConfiguredBenchFile()) {
        return *configured;
    }
    return DemoBenchBesideProgram();
}

ServedBench LoadServedBench(const std::string& file, const std::string& instrument) {
    ServedBench served;
    try {
        served.bus = std::make_unique<Bus>(ReadBenchFile(file));
    } catch (const std::exception& e) {
        throw ServeError(e.what());
    }
    for (size_t i = 0; i < served.bus->instrumentCount(); ++i) {
        Instrument& candidate = served.bus->instrument(static_cast<int>(i));
        if (candidate.spec().name == instrument) {
            served.instrument = &candidate;
            return served;
        }
    }
    throw ServeError(file + ": no instrument named " + instrument);
}

} // namespace corvid::sim
