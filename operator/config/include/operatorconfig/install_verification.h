// The start-up verification of the station configuration: repairs the system paths,
// creates the output directory, runs a pending database merge, and derives the paths the
// operator interface works with.
#pragma once

#include "operatorconfig/configuration_manager.h"

#include <filesystem>
#include <string>
#include <vector>

namespace corvid::operatorconfig {

inline constexpr const char* kDefaultBasePath = "/opt/corvid-halcyon";

struct ModulePaths {
    std::string testPlanMain; // with a trailing '/'
    std::string outputPath;
    std::string inputDataSource;
    std::string databaseDirectory; // inputDataSource before its last '/'
};

// Runs a program with its arguments and waits for its end without limit.
class ProgramRunner {
public:
    // False when the program could not be started.
    virtual bool Run(const std::string& program, const std::vector<std::string>& arguments) = 0;

protected:
    ~ProgramRunner() = default;
};

class ProcessRunner final : public ProgramRunner {
public:
    bool Run(const std::string& program, const std::vector<std::string>& arguments) override;
};

class InstallVerification {
public:
    InstallVerification(Prompt& prompt, ProgramRunner& runner) : prompt_(prompt), runner_(runner) {}

    // False when the configuration cannot be used: the library refuses to load. Repairs
    // that the store refuses to keep are named in one notice at the end.
    bool Verify(ModulePaths& paths);

private:
    bool VerifyStore(ModulePaths& paths);
    std::string Repair(CConfigurationManager& config, const char* key, const std::string& fallback,
                       const char* what);
    void Merge(CConfigurationManager& config, const std::string& base);
    void Store(CConfigurationManager& config, const char* key, const std::string& value);

    Prompt& prompt_;
    ProgramRunner& runner_;
    std::vector<std::string> unsaved_; // the keys whose repair could not be written
};

} // namespace corvid::operatorconfig
