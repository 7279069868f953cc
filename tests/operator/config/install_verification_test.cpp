// The start-up verification: the repairs and their messages, the merge step, and the
// configuration manager's messages when the component or its store is missing.
#include "com/module.h"
#include "operatorconfig/install_verification.h"
#include "platform/profile.h"
#include "testsupport/sandbox.h"

#include <dlfcn.h>
#include <fstream>
#include <gmock/gmock.h>

namespace corvid::operatorconfig::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class RecordingPrompt final : public Prompt {
public:
    void Notify(const std::string& text) override { notices.push_back(text); }
    std::vector<std::string> notices;
};

// Plays the merge tool: leaves DBMerge.ERR beside itself when told to fail.
class FakeMergeTool final : public ProgramRunner {
public:
    bool Run(const std::string& program, const std::vector<std::string>& arguments) override {
        runs.push_back(program + " " + (arguments.empty() ? "" : arguments[0]));
        if (!starts)
            return false;
        if (fails)
            std::ofstream(program + ".ERR") << "failed\n";
        return true;
    }
    bool starts = true;
    bool fails = false;
    std::vector<std::string> runs;
};

class VerificationTest : public corvid::testing::SandboxTest {
protected:
    void SetUp() override {
        void* module = ::dlopen(VELACONFIG_MODULE, RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(module, nullptr) << ::dlerror();
        auto registerServer =
            reinterpret_cast<com::DllRegisterServerFunction>(::dlsym(module, "DllRegisterServer"));
        ASSERT_EQ(registerServer(), com::S_OK);
        base = (sandbox.home() / "station").string();
    }

    std::filesystem::path Store() const { return sandbox.home() / "vela.ini"; }
    void WriteStore(const std::string& text) { std::ofstream(Store()) << text; }
    std::string Stored(const char* key) const {
        return platform::ReadProfileString(Store(), "VELA SYSTEM", key, "?");
    }
    bool Verify() { return InstallVerification(prompt, merge).Verify(paths); }
    static std::string Fix(const char* what) {
        return std::string("Verifing install\nError Found\ntrying to fix: ") + what;
    }

    std::string base;
    RecordingPrompt prompt;
    FakeMergeTool merge;
    ModulePaths paths;
};

TEST_F(VerificationTest, AMissingStoreRefusesTheLoad) {
    EXPECT_FALSE(Verify());
    EXPECT_THAT(prompt.notices, ElementsAre("Unable to find Tessera config file"));
}

TEST_F(VerificationTest, AnEmptyStoreIsRepairedWithMessages) {
    WriteStore("[VELA SYSTEM]\n");
    ASSERT_TRUE(Verify());
    EXPECT_THAT(prompt.notices, ElementsAre(Fix("system path in ini"), Fix("TestPlan Directory in ini"),
                                            Fix("Output Directory in ini")));
    EXPECT_EQ(Stored("VelaBasePath"), kDefaultBasePath);
    EXPECT_EQ(Stored("TestPlanMain"), std::string(kDefaultBasePath) + "/TestPlan");
    EXPECT_EQ(paths.testPlanMain, std::string(kDefaultBasePath) + "/TestPlan/");
    EXPECT_EQ(Stored("InputDataSource"), std::string(kDefaultBasePath) + "/Database/Instrument.mdb");
    EXPECT_EQ(paths.databaseDirectory, std::string(kDefaultBasePath) + "/Database");
}

TEST_F(VerificationTest, AMissingDatabaseIsSetSilentlyAndTheOutputDirectoryMade) {
    WriteStore("[VELA SYSTEM]\nVelaBasePath=" + base + "\nTestPlanMain=" + base +
               "/Plans\nOutputPath=" + base + "/Out\n");
    std::filesystem::create_directory(base);
    ASSERT_TRUE(Verify());
    EXPECT_THAT(prompt.notices, IsEmpty());
    EXPECT_EQ(Stored("InputDataSource"), base + "/Database/Instrument.mdb");
    EXPECT_EQ(paths.testPlanMain, base + "/Plans/");
    EXPECT_EQ(paths.outputPath, base + "/Out");
    EXPECT_TRUE(std::filesystem::is_directory(base + "/Out"));
    EXPECT_THAT(merge.runs, IsEmpty());
}

TEST_F(VerificationTest, ABareDatabaseNameGetsTheDefaultAndAMessage) {
    WriteStore("[VELA SYSTEM]\nVelaBasePath=" + base + "\nTestPlanMain=p\nOutputPath=" + base +
               "\nInputDataSource=Instrument.mdb\n");
    ASSERT_TRUE(Verify());
    EXPECT_THAT(prompt.notices, ElementsAre(Fix("Instrument Database name in ini")));
    EXPECT_EQ(Stored("InputDataSource"), base + "/Database/Instrument.mdb");
    EXPECT_EQ(paths.inputDataSource, base + "/Database/Instrument.mdb");
}

// A store that reads but refuses every write (procfs creates no files beside it): the
// repairs come again at every load, each time with one notice that they were not kept.
TEST_F(VerificationTest, RepairsThatCannotBeStoredAreNamedOnce) {
    std::filesystem::create_symlink("/proc/version", Store());
    for (int load = 0; load < 2; ++load) {
        prompt.notices.clear();
        ASSERT_TRUE(Verify());
        EXPECT_THAT(
            prompt.notices,
            ElementsAre(Fix("system path in ini"), Fix("TestPlan Directory in ini"),
                        Fix("Output Directory in ini"),
                        "Verifing install\nThe configuration could not be saved, so the same repairs will "
                        "be made at the next start. Not saved: VelaBasePath, TestPlanMain, OutputPath, "
                        "InputDataSource"));
    }
    EXPECT_EQ(paths.inputDataSource, std::string(kDefaultBasePath) + "/Database/Instrument.mdb");
}

class MergeTest : public VerificationTest {
protected:
    void SetUp() override {
        VerificationTest::SetUp();
        std::filesystem::create_directories(base + "/Bin");
        WriteStore("[VELA SYSTEM]\nVelaBasePath=" + base + "\nTestPlanMain=p\nOutputPath=" + base +
                   "\nInputDataSource=" + base + "/db\nMergeDataBase=/media/update.db\n");
    }
};

TEST_F(MergeTest, ASuccessfulMergeClearsTheKey) {
    ASSERT_TRUE(Verify());
    EXPECT_THAT(merge.runs, ElementsAre(base + "/Bin/DBMerge /media/update.db"));
    EXPECT_THAT(prompt.notices, IsEmpty());
    EXPECT_EQ(Stored("MergeDataBase"), "");
}

TEST_F(MergeTest, AFailedMergeKeepsTheKeyForTheNextLoad) {
    merge.fails = true;
    ASSERT_TRUE(Verify());
    EXPECT_THAT(prompt.notices, ElementsAre("Database Setup failed"));
    EXPECT_EQ(Stored("MergeDataBase"), "/media/update.db");
    ASSERT_TRUE(Verify());
    EXPECT_EQ(merge.runs.size(), 2u);
}

TEST_F(MergeTest, AToolThatCannotStartKeepsTheKey) {
    merge.starts = false;
    ASSERT_TRUE(Verify());
    EXPECT_THAT(prompt.notices, ElementsAre("Database Setup failed to run"));
    EXPECT_EQ(Stored("MergeDataBase"), "/media/update.db");
}

TEST_F(MergeTest, TheProcessRunnerReportsAMissingProgram) {
    ProcessRunner runner;
    EXPECT_FALSE(runner.Run(base + "/Bin/DBMerge", {"x"}));
    EXPECT_TRUE(runner.Run("/bin/true", {}));
}

class ManagerTest : public VerificationTest {};

TEST_F(ManagerTest, ReadsLeaveTheTargetAsItWasWhenTheStoreIsMissing) {
    CConfigurationManager config(prompt);
    std::string value = "unchanged";
    EXPECT_FALSE(config.GetValue("VELA SYSTEM", "OutputPath", value));
    EXPECT_EQ(value, "unchanged");
    EXPECT_THAT(prompt.notices, ElementsAre("Unable to find Tessera config file"));
    WriteStore("[VELA PROJECTS]\nLM-4065_SupportsCrystalReports=yes\n");
    EXPECT_TRUE(config.GetValue("VELA PROJECTS", "LM-4065_SupportsCrystalReports", value));
    EXPECT_EQ(value, "yes");
    EXPECT_TRUE(config.SetValue("VELA PROJECTS", "X", "1"));
    EXPECT_EQ(platform::ReadProfileString(Store(), "VELA PROJECTS", "X", ""), "1");
}

TEST_F(ManagerTest, AnUnregisteredComponentCannotBeCreated) {
    void* module = ::dlopen(VELACONFIG_MODULE, RTLD_NOW | RTLD_LOCAL);
    auto unregisterServer =
        reinterpret_cast<com::DllUnregisterServerFunction>(::dlsym(module, "DllUnregisterServer"));
    ASSERT_EQ(unregisterServer(), com::S_OK);
    WriteStore("[VELA SYSTEM]\n");
    std::string value;
    EXPECT_FALSE(CConfigurationManager(prompt).GetValue("VELA SYSTEM", "OutputPath", value));
    EXPECT_FALSE(Verify());
    EXPECT_THAT(prompt.notices,
                ElementsAre("Can't Create Configuration Manager", "Can't Create Configuration Manager"));
}

} // namespace
} // namespace corvid::operatorconfig::testing
