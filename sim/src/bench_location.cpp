#include "bench_location.h"

#include "platform/runtime_dir.h"

#include <cstdlib>
#include <dlfcn.h>
#include <filesystem>
#ifdef SIMGPIB_HAVE_PROFILE
#include "platform/profile.h"
#endif

namespace corvid::sim {

namespace fs = std::filesystem;

std::optional<std::string> ConfiguredBenchFile() {
#ifdef SIMGPIB_HAVE_PROFILE
    fs::path ini = platform::HomeDirPath() / "visa.ini";
    std::optional<std::string> value = platform::ReadProfileString(ini, "SIMGPIB", "BenchFile");
    if (!value || value->empty()) {
        return std::nullopt;
    }
    fs::path file(*value);
    return (file.is_absolute() ? file : ini.parent_path() / file).string();
#else
    return std::nullopt;
#endif
}

std::string FindBenchFile() {
    const char* env = std::getenv("CORVID_SIM_BENCH");
    if (env != nullptr && *env != '\0') {
        return env;
    }
    if (std::optional<std::string> configured = ConfiguredBenchFile()) {
        return *configured;
    }
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&FindBenchFile), &info) != 0 && info.dli_fname != nullptr) {
        // Modules loaded from a folder below the libraries (controller modules in bin/)
        // share the demo bench of the folder above.
        fs::path folder = fs::path(info.dli_fname).parent_path();
        fs::path beside = folder / "sim-bench" / "demo.bench";
        fs::path above = folder.parent_path() / "sim-bench" / "demo.bench";
        std::error_code error;
        return (!fs::exists(beside, error) && fs::exists(above, error) ? above : beside).string();
    }
    return "sim-bench/demo.bench";
}

} // namespace corvid::sim
