// halcyon run: the demo plan against the simulated bench, with and without an
// instrument database, and what bad arguments get.
#include "com/module.h"
#include "testsupport/sandbox.h"

#include <csignal>
#include <cstdlib>
#include <dlfcn.h>
#include <fstream>
#include <gmock/gmock.h>
#include <sqlite3.h>

namespace corvid::host::testing {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

struct RunResult {
    int status = -1;
    std::string output;
};

class HalcyonRun : public corvid::testing::SandboxTest {
protected:
    RunResult Run(std::vector<std::string> args) {
        args.insert(args.begin(), {HALCYON_PROGRAM, "run"});
        // In a sanitizer build the leak checker's tracer has been seen to crash at the exit of
        // a run whose VISA polling thread was still ending; the host's own tests check its
        // leaks in process, so the spawned program runs without the exit-time leak check.
        const char* asan = std::getenv("ASAN_OPTIONS");
        const std::string saved = asan ? asan : "";
        ::setenv("ASAN_OPTIONS", (saved.empty() ? "detect_leaks=0" : saved + ":detect_leaks=0").c_str(), 1);
        auto child = corvid::testing::ChildProcess::Spawn(args);
        if (asan)
            ::setenv("ASAN_OPTIONS", saved.c_str(), 1);
        else
            ::unsetenv("ASAN_OPTIONS");
        RunResult result;
        std::string line;
        while (child.ReadLine(line))
            result.output += line + "\n";
        result.status = child.Wait();
        return result;
    }
};

TEST_F(HalcyonRun, BadArgumentsAndPlansEndWithStatus2) {
    EXPECT_EQ(Run({}).status, 2);
    EXPECT_EQ(Run({DEMO_PLAN, "--variant"}).status, 2);
    EXPECT_EQ(Run({DEMO_PLAN, "--colour", "red"}).status, 2);
    EXPECT_EQ(Run({DEMO_PLAN, "--variant", "Quick Look"}).status, 2);
    EXPECT_EQ(Run({DEMO_PLAN, "--test", "No Such Test"}).status, 2);
    std::string broken = (sandbox.home() / "broken.lua").string();
    std::ofstream(broken) << "Test('A', function()\n";
    EXPECT_EQ(Run({broken}).status, 2);
}

TEST_F(HalcyonRun, AFailingTestFailsTheRun) {
    std::string plan = (sandbox.home() / "plan.lua").string();
    std::ofstream(plan) << "Test('Good', function() return 0 end)\n"
                           "Test('Bad', function() Measure('volts', 3, 0, 1, 'V') end)\n"
                           "Test('Broken', function() error('no bench') end)\n";
    RunResult run = Run({plan});
    EXPECT_EQ(run.status, 1);
    EXPECT_THAT(run.output, HasSubstr("Good                                     PASSED\n"));
    EXPECT_THAT(run.output, HasSubstr("Bad                                      FAILED\n"));
    EXPECT_THAT(run.output, HasSubstr("Broken                                   ERROR\n"));
    EXPECT_THAT(run.output, HasSubstr("Overall: FAILED"));
    EXPECT_EQ(Run({plan, "--test", "good"}).status, 0);
}

TEST_F(HalcyonRun, AnInterruptEndsAPlanThatLoopsWhileItLoads) {
    std::string plan = (sandbox.home() / "spin.lua").string();
    std::ofstream(plan) << "Report('loading')\nwhile true do end\n";
    auto child = corvid::testing::ChildProcess::Spawn({HALCYON_PROGRAM, "run", plan});
    std::string line;
    ASSERT_TRUE(child.ReadLine(line));
    ASSERT_EQ(line, "loading");
    child.Kill(SIGINT);
    EXPECT_EQ(child.Wait(), 2);
}

#ifdef FARLINK_MODULE

// The demo plan needs the driver registered in the sandbox.
class DemoPlanRun : public HalcyonRun {
protected:
    void SetUp() override {
        void* module = ::dlopen(FARLINK_MODULE, RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(module, nullptr) << ::dlerror();
        auto registerServer =
            reinterpret_cast<com::DllRegisterServerFunction>(::dlsym(module, "DllRegisterServer"));
        ASSERT_NE(registerServer, nullptr);
        ASSERT_EQ(registerServer(), com::S_OK);
    }

    static void RegisterConfiguration() {
        void* module = ::dlopen(VELACONFIG_MODULE, RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(module, nullptr) << ::dlerror();
        auto registerServer =
            reinterpret_cast<com::DllRegisterServerFunction>(::dlsym(module, "DllRegisterServer"));
        ASSERT_EQ(registerServer(), com::S_OK);
    }

    // The tables the demo plan reads, with the demo station's assignments; the UUT has the
    // frequency option. The counter's assignment is the given address.
    void CreateDatabase(int counterAddress) {
        RegisterConfiguration();
        std::string path = (sandbox.home() / "Instrument.db").string();
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
        std::string sql = R"SQL(
            CREATE TABLE TestStations (TestStationID INTEGER, Name TEXT COLLATE NOCASE);
            CREATE TABLE __sys_TestPlans (TestPlanID INTEGER, TPAFileName TEXT COLLATE NOCASE);
            CREATE TABLE __sys_DeviceTypes (DeviceTypeID INTEGER, Alias TEXT COLLATE NOCASE);
            CREATE TABLE DeviceInstances (InstanceID INTEGER, DeviceTypeID INTEGER, SerialNumber TEXT COLLATE NOCASE);
            CREATE TABLE DeviceInstance_has_Options (InstanceID INTEGER, DeviceOptionID TEXT COLLATE NOCASE);
            CREATE TABLE InterfaceData_GPIB (InstanceID INTEGER, TempInterface BOOLEAN, Board INTEGER,
                                             Address1 INTEGER, Address2 INTEGER);
            CREATE TABLE TestPlan_uses_Instances (TestStationID INTEGER, TestPlanID INTEGER,
                                                  DeviceSubstitutionGroup TEXT COLLATE NOCASE, DeviceInstanceID INTEGER);
            INSERT INTO TestStations VALUES (1, 'Demo Bench'), (2, 'Service Bench');
            INSERT INTO __sys_TestPlans VALUES (1, 'lm4065_cal.lua');
            INSERT INTO __sys_DeviceTypes VALUES (1, 'VC-9100'), (2, 'LM-4065'), (3, 'FC-3120');
            INSERT INTO DeviceInstances VALUES (1, 1, 'VC91-004417'), (2, 3, 'OM3120-2291'), (4, 2, 'LK4065-01123');
            INSERT INTO DeviceInstance_has_Options VALUES (4, 'OPT-FRQ'), (4, 'OPT-REAR');
            INSERT INTO InterfaceData_GPIB VALUES (1, 0, 0, 9, 0), (1, 1, 0, 5, 0), (2, 1, 0, )SQL" +
                          std::to_string(counterAddress) + R"SQL(, 0);
            INSERT INTO TestPlan_uses_Instances VALUES (1, 1, 'DC Calibrator', 1), (1, 1, 'Frequency Counter', 2);
        )SQL";
        ASSERT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
        sqlite3_close(db);
        std::ofstream(sandbox.home() / "vela.ini") << "[VELA SYSTEM]\nInputDataSource=" << path << "\n";
    }
};

TEST_F(DemoPlanRun, FullCalibrationPassesAtTheDemoAddresses) {
    RunResult run = Run({DEMO_PLAN});
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_THAT(run.output, HasSubstr("Variant: Full Calibration"));
    EXPECT_THAT(run.output, HasSubstr("UUT: Larkspur Instruments,LM-4065,LK4065-01123,2.07\n"));
    EXPECT_THAT(run.output, HasSubstr("DCV -10 V, 10 V range"));
    EXPECT_THAT(run.output, HasSubstr("DC Current                               PASSED"));
    EXPECT_THAT(run.output, HasSubstr("Option OPT-FRQ not fitted"));
    EXPECT_THAT(run.output, HasSubstr("TestServicesStop                         PASSED"));
}

TEST_F(DemoPlanRun, TheDatabaseAssignsTheEquipmentAndTellsTheOptions) {
    CreateDatabase(10);
    RunResult run = Run({DEMO_PLAN, "--variant", "Performance Check", "--station", "Demo Bench"});
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_THAT(run.output, HasSubstr("options: OPT-FRQ,OPT-REAR"));
    EXPECT_THAT(run.output, HasSubstr("Reference 10 MHz"));
    EXPECT_THAT(run.output, Not(HasSubstr("DC Current")));
    EXPECT_THAT(run.output, Not(HasSubstr("Self Test")));
}

TEST_F(DemoPlanRun, AWrongAssignmentOrAnUnequippedStationFails) {
    CreateDatabase(7); // nobody listens at GPIB0::7
    RunResult wrong = Run({DEMO_PLAN, "--variant", "Performance Check"});
    EXPECT_EQ(wrong.status, 1) << wrong.output;
    EXPECT_THAT(wrong.output, HasSubstr("Frequency                                ERROR"));
    RunResult unequipped = Run({DEMO_PLAN, "--station", "Service Bench", "--test", "Identify"});
    EXPECT_EQ(unequipped.status, 1);
    EXPECT_THAT(unequipped.output, HasSubstr("TestServicesStart                        ERROR"));
    EXPECT_THAT(unequipped.output, HasSubstr("has no GPIB instrument assigned to \"DC Calibrator\""));
}

#endif

} // namespace
} // namespace corvid::host::testing
