// The regsvr tool against the probe test component, in a sandboxed registry.
#include "platform/registry.h"
#include "testsupport/sandbox.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <vector>

using corvid::platform::RegistryGetString;
using corvid::platform::RegistryKeyExists;
using corvid::platform::RegistryRoot;
using corvid::platform::RegistrySubKeys;
using corvid::testing::ChildProcess;

namespace {

const std::string kClassKey = "CLSID\\{6B1F0C52-3D0A-4E55-9C1B-2A7D5E0F4A11}";

struct Outcome {
    int status;
    std::string output; // standard output and error together
};

// Runs regsvr with the arguments in the sandbox's environment.
Outcome Regsvr(const std::vector<std::string>& arguments) {
    std::string command = "exec \"$0\"";
    for (std::size_t i = 0; i < arguments.size(); ++i)
        command += " \"$" + std::to_string(i + 1) + "\"";
    std::vector<std::string> argv{"/bin/sh", "-c", command + " 2>&1", REGSVR};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    ChildProcess child = ChildProcess::Spawn(argv);
    Outcome outcome{-1, {}};
    for (std::string line; child.ReadLine(line);)
        outcome.output += line + "\n";
    outcome.status = child.Wait();
    return outcome;
}

std::string ModulePath() {
    return std::filesystem::canonical(PROBE_MODULE).string();
}

class RegsvrTool : public corvid::testing::SandboxTest {};

} // namespace

TEST_F(RegsvrTool, RegisteringTwiceLeavesOneClassKey) {
    for (int round = 0; round < 2; ++round) {
        Outcome outcome = Regsvr({PROBE_MODULE});
        EXPECT_EQ(outcome.status, 0) << outcome.output;
        EXPECT_EQ(outcome.output, "DllRegisterServer in " + ModulePath() + " succeeded.\n");
    }
    int classKeys = 0;
    for (const auto& key : RegistrySubKeys(RegistryRoot::ClassesRoot, "CLSID"))
        classKeys += key == "{6B1F0C52-3D0A-4E55-9C1B-2A7D5E0F4A11}";
    EXPECT_EQ(classKeys, 1);
    EXPECT_EQ(RegistryGetString(RegistryRoot::ClassesRoot, kClassKey + "\\InprocServer32", ""), ModulePath());
}

TEST_F(RegsvrTool, ARelativeNameRegistersTheAbsolutePath) {
    auto directory = std::filesystem::path(PROBE_MODULE).parent_path();
    std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::current_path(directory);
    Outcome outcome = Regsvr({std::filesystem::path(PROBE_MODULE).filename().string()});
    std::filesystem::current_path(previous);
    EXPECT_EQ(outcome.status, 0) << outcome.output;
    EXPECT_EQ(RegistryGetString(RegistryRoot::ClassesRoot, kClassKey + "\\InprocServer32", ""), ModulePath());
}

TEST_F(RegsvrTool, UnregisteringRemovesTheClassButKeepsTheCategory) {
    ASSERT_EQ(Regsvr({PROBE_MODULE}).status, 0);
    Outcome outcome = Regsvr({"-u", PROBE_MODULE});
    EXPECT_EQ(outcome.status, 0) << outcome.output;
    EXPECT_EQ(outcome.output, "DllUnregisterServer in " + ModulePath() + " succeeded.\n");
    EXPECT_FALSE(RegistryKeyExists(RegistryRoot::ClassesRoot, kClassKey));
    EXPECT_FALSE(RegistryKeyExists(RegistryRoot::ClassesRoot, "Probe.Probe.1"));
    EXPECT_TRUE(RegistryKeyExists(RegistryRoot::ClassesRoot,
                                  "Component Categories\\{6B1F0C52-3D0A-4E55-9C1B-2A7D5E0F4A1F}"));
}

TEST_F(RegsvrTool, BadModulesAndCommandLines) {
    Outcome missing = Regsvr({(sandbox.home() / "absent.so").string()});
    EXPECT_EQ(missing.status, 3);
    EXPECT_NE(missing.output.find("absent.so\" failed to load"), std::string::npos) << missing.output;

    Outcome noEntry = Regsvr({NO_ENTRY_MODULE});
    EXPECT_EQ(noEntry.status, 4);
    EXPECT_NE(noEntry.output.find("the entry point DllRegisterServer was not found"), std::string::npos)
        << noEntry.output;

    EXPECT_EQ(Regsvr({}).status, 1);
    EXPECT_EQ(Regsvr({"-x", PROBE_MODULE}).status, 1);
    EXPECT_EQ(Regsvr({PROBE_MODULE, PROBE_MODULE}).status, 1);
}

TEST_F(RegsvrTool, AFailingEntryPointReportsItsResult) {
    std::filesystem::create_directories(sandbox.home());
    std::ofstream(sandbox.home() / "registry") << "a file where the hive directory should be";
    Outcome outcome = Regsvr({PROBE_MODULE});
    EXPECT_EQ(outcome.status, 5);
    EXPECT_NE(outcome.output.find("Return code was: 0x80040201 (Could not register the class)"),
              std::string::npos)
        << outcome.output;
}
