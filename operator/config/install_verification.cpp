#include "operatorconfig/install_verification.h"

#include <cerrno>
#include <exception>
#include <spawn.h>
#include <sys/wait.h>
#include <system_error>

extern char** environ;

namespace corvid::operatorconfig {
namespace {

constexpr const char* kSystem = "VELA SYSTEM";
constexpr const char* kFixPrefix = "Verifing install\nError Found\ntrying to fix: ";
constexpr const char* kNotSaved =
    "Verifing install\nThe configuration could not be saved, so the same repairs "
    "will be made at the next start. Not saved: ";

} // namespace

bool ProcessRunner::Run(const std::string& program, const std::vector<std::string>& arguments) {
    std::vector<std::string> texts{program};
    texts.insert(texts.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& text : texts)
        argv.push_back(text.data());
    argv.push_back(nullptr);
    pid_t child = 0;
    if (::posix_spawn(&child, program.c_str(), nullptr, nullptr, argv.data(), environ) != 0)
        return false;
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    // A program that could not be executed at all ends with 127 from the spawn.
    return !(WIFEXITED(status) && WEXITSTATUS(status) == 127);
}

bool InstallVerification::Verify(ModulePaths& paths) {
    unsaved_.clear();
    bool usable = true;
    try {
        usable = VerifyStore(paths);
    } catch (const std::exception& e) { // reported with its own text; the load goes on
        prompt_.Notify(e.what());
    }
    // A store that cannot be written would repeat its repairs at every load without a word.
    if (!unsaved_.empty()) {
        std::string keys;
        for (const std::string& key : unsaved_)
            keys += (keys.empty() ? "" : ", ") + key;
        prompt_.Notify(kNotSaved + keys);
    }
    return usable;
}

void InstallVerification::Store(CConfigurationManager& config, const char* key, const std::string& value) {
    if (!config.SetValue(kSystem, key, value))
        unsaved_.emplace_back(key);
}

bool InstallVerification::VerifyStore(ModulePaths& paths) {
    CConfigurationManager config(prompt_);
    if (!config.IsAvailable())
        return false;
    std::string base;
    config.GetSystemPath(base);
    if (base.empty()) {
        prompt_.Notify(std::string(kFixPrefix) + "system path in ini");
        base = kDefaultBasePath;
        Store(config, "VelaBasePath", base);
    }
    paths.testPlanMain =
        Repair(config, "TestPlanMain", base + "/TestPlan", "TestPlan Directory in ini") + "/";
    paths.outputPath = Repair(config, "OutputPath", base + "/Output", "Output Directory in ini");
    std::error_code error; // a directory that cannot be made shows up when a report is written
    std::filesystem::create_directory(paths.outputPath, error);

    std::string database = base + "/Database/Instrument.mdb";
    std::string source;
    config.GetValue(kSystem, "InputDataSource", source);
    if (source.empty()) {
        source = database;
        Store(config, "InputDataSource", source);
    }
    if (source.find('/') == std::string::npos) {
        prompt_.Notify(std::string(kFixPrefix) + "Instrument Database name in ini");
        source = database;
        Store(config, "InputDataSource", source);
    }
    paths.inputDataSource = source;
    paths.databaseDirectory = source.substr(0, source.rfind('/'));
    Merge(config, base);
    return true;
}

std::string InstallVerification::Repair(CConfigurationManager& config, const char* key,
                                        const std::string& fallback, const char* what) {
    std::string value;
    config.GetValue(kSystem, key, value);
    if (!value.empty())
        return value;
    prompt_.Notify(std::string(kFixPrefix) + what);
    Store(config, key, fallback);
    return fallback;
}

// A pending merge runs once; the merge tool leaves DBMerge.ERR beside itself when it fails,
// and the key stays set so that the next load tries again.
void InstallVerification::Merge(CConfigurationManager& config, const std::string& base) {
    std::string merge;
    config.GetValue(kSystem, "MergeDataBase", merge);
    if (merge.empty())
        return;
    std::string program = base + "/Bin/DBMerge";
    if (!runner_.Run(program, {merge})) {
        prompt_.Notify("Database Setup failed to run");
        return;
    }
    std::error_code error;
    if (std::filesystem::exists(base + "/Bin/DBMerge.ERR", error))
        prompt_.Notify("Database Setup failed");
    else
        Store(config, "MergeDataBase", ""); // else the merge runs again at every load
}

} // namespace corvid::operatorconfig
