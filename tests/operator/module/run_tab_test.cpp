// The Run page against the real host: its checks before a run, the run loop with the
// host's callbacks, the results it counts and judges, and the text reports it leaves.
#include "halcyon/host_program.h"
#include "halcyon/pubapi.h"
#include "halcyon/utacore.h"
#include "operatordb/demo_station.h"
#include "operatortabs/tab_run.h"
#include "station_fixture.h"

namespace corvid::operatormodule::testing {
namespace {

using operatortabs::CTabRun;
using operatortabs::StartOutcome;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;
namespace demo = operatordb::demo;

constexpr const char* kCaption = "Corvid Technologies Halcyon|";

class EventLog final : public operatortabs::RunTabView {
public:
    void SequenceBegan() override { Snapshot(); }
    void TestBegan(const std::string& name) override {
        events.push_back("begin " + name);
        Snapshot();
    }
    void TestEnded(const std::string& name, int code, const std::string& word) override {
        events.push_back("end " + name + " " + std::to_string(code) + " " + word);
        Snapshot();
        if (onTestEnd)
            onTestEnd(name);
    }
    // What the page shows at each event: current test, progress label, last result,
    // Pause and the set-up fields enabled.
    void Snapshot() {
        if (!tab)
            return;
        const auto& d = tab->display();
        std::string label = d.progressLabel;
        label.replace(label.find('\r'), 1, " ");
        displays.push_back(d.currentTest + "|" + label + "|" + d.lastResult + "|" +
                           (d.pauseEnabled ? "pause" : "-") + "|" + (d.setupEnabled ? "setup" : "-"));
    }
    const CTabRun* tab = nullptr;
    std::vector<std::string> displays;
    void SequenceEnded(int overall, const std::string& last) override {
        events.push_back("sequence " + std::to_string(overall) + " " + last);
    }
    std::vector<std::string> events;
    std::function<void(const std::string&)> onTestEnd;
};

class RunTab : public StationTest {
protected:
    // The page of a station whose "$$$.TestInfo" names the demo unit, plan and variant.
    CTabRun& Page(const std::string& variant = "Performance Check") {
        WriteLastRun(variant, "Ann");
        COperatorInterfaceApp& app = StartApp();
        context = std::make_unique<operatortabs::ModuleContext>(app.Context(prompt));
        tab = std::make_unique<CTabRun>(*context, view);
        view.tab = tab.get();
        app.SetRunPages(tab.get(), nullptr);
        tab->Initialize();
        return *tab;
    }
    std::string Summary() {
        for (const auto& file : OutputFiles())
            if (file.extension() == ".sum")
                return Read(file);
        return {};
    }

    EventLog view;
    std::unique_ptr<operatortabs::ModuleContext> context;
    std::unique_ptr<CTabRun> tab;
};

TEST_F(RunTab, StartUpTakesTheLastRunsSelectionFromTheTestInfoFile) {
    CTabRun& page = Page();
    const auto& form = page.form();
    EXPECT_EQ(form.stations.SelectedName(), "Demo Bench");
    EXPECT_EQ(form.models.SelectedId(), demo::kMultimeterModel);
    EXPECT_EQ(form.plans.SelectedName(), "LM4065-CAL");
    EXPECT_EQ(form.variants.SelectedName(), "Performance Check");
    EXPECT_EQ(form.serialNumber, "LK4065-01123");
    EXPECT_THAT(form.options, ElementsAre("OPT-FRQ", "OPT-REAR"));
    EXPECT_TRUE(form.uncertaintyEnabled); // the demo plan applies measurement uncertainty
    EXPECT_EQ(page.display().startTime, "00/00/0000 00:00:00");
    EXPECT_TRUE(std::filesystem::is_directory(base / "Output" / "LM-4065"));
}

TEST_F(RunTab, ChoosingAnotherModelForgetsTheUnit) {
    CTabRun& page = Page();
    page.SelectModel(-1);
    EXPECT_THAT(page.form().serialNumber, IsEmpty());
    EXPECT_EQ(context->info.UUTInstanceID, -1);
    EXPECT_EQ(page.StartTestPlan(), StartOutcome::Refused);
    EXPECT_THAT(prompt.boxes, ElementsAre(std::string(kCaption) + "There is no UUT configured for testing!"));
}

TEST_F(RunTab, FieldsRefuseValuesOutsideTheirRanges) {
    CTabRun& page = Page();
    EXPECT_TRUE(page.SetTemperature(-200));
    EXPECT_FALSE(page.SetTemperature(200.5));
    EXPECT_FALSE(page.SetHumidity(-1));
    EXPECT_TRUE(page.SetHumidity(500));
    EXPECT_FALSE(page.SetLineFrequency(500000001));
    EXPECT_FALSE(page.SetLineFrequency(50.5));
    EXPECT_EQ(page.form().temperature, -200);
    EXPECT_EQ(page.form().humidity, 500);
}

TEST_F(RunTab, APassingRunCountsJudgesAndLeavesRenamedReports) {
    CTabRun& page = Page();
    EXPECT_EQ(page.StartTestPlan(), StartOutcome::Ran);
    EXPECT_THAT(view.events, ElementsAre("begin Identify", "end Identify 3 Passed", "begin DC Voltage",
                                         "end DC Voltage 3 Passed", "begin Frequency",
                                         "end Frequency 3 Passed", "sequence 3 UUT Passed"));
    EXPECT_THAT(
        view.displays,
        ElementsAre("Starting...|Progress: (0/3)||pause|-", "Identify|Progress: (0/3)||pause|-",
                    "Identify|Progress: (1/3)|Passed|pause|-", "DC Voltage|Progress: (1/3)|Passed|pause|-",
                    "DC Voltage|Progress: (2/3)|Passed|pause|-", "Frequency|Progress: (2/3)|Passed|pause|-",
                    "Frequency|Progress: (3/3)|Passed|pause|-"));
    const auto& display = page.display();
    EXPECT_EQ(display.lastResult, "UUT Passed");
    EXPECT_TRUE(display.setupEnabled);
    EXPECT_FALSE(display.pauseEnabled);
    EXPECT_EQ(display.passed, 3);
    EXPECT_EQ(display.progressLabel, "Progress:\r(3/3)");
    EXPECT_EQ(display.currentTest, "Testing Completed");
    EXPECT_NE(display.endTime, "00/00/0000 00:00:00");
    EXPECT_TRUE(display.startEnabled);
    EXPECT_EQ(VGetState(), 0); // the suite is unloaded
    EXPECT_THAT(Summary(), HasSubstr("DC VOLTAGE..................................................PASSED\n"));
    for (const auto& file : OutputFiles())
        EXPECT_THAT(file.filename().string(), HasSubstr("_P.")) << file;
    EXPECT_THAT(prompt.boxes, IsEmpty());
}

TEST_F(RunTab, AnAbortedTestStopsTheQueue) {
    WritePlan({{"DC Voltage", "error"}});
    CTabRun& page = Page();
    page.StartTestPlan();
    EXPECT_THAT(view.events, ElementsAre("begin Identify", "end Identify 3 Passed", "begin DC Voltage",
                                         "end DC Voltage 1 Aborted", "sequence 1 Test(s) Aborted"));
    EXPECT_THAT(Summary(),
                HasSubstr("DC VOLTAGE..................................................ABORTED\n"));
}

TEST_F(RunTab, FailedAndIndeterminateResultsDecideTheOverallCode) {
    WritePlan({{"Identify", "2"}, {"DC Voltage", "2"}, {"Frequency", "2"}});
    CTabRun& page = Page();
    page.StartTestPlan();
    EXPECT_EQ(view.events.back(),
              "sequence 4 Test(s) Aborted"); // indeterminate only: nothing passed or failed
    for (const auto& file : OutputFiles())
        EXPECT_THAT(file.stem().string(), Not(::testing::EndsWith("_A"))) << file;

    WritePlan({{"DC Voltage", "1"}});
    view.events.clear();
    page.StartTestPlan();
    EXPECT_EQ(view.events.back(), "sequence 2 UUT Failed");
    EXPECT_EQ(page.display().failed, 1);
}

TEST_F(RunTab, WithUncertaintyOnTheVerdictIsTheCurrentTestResultVariable) {
    // The tests pass by their judgement but publish a failure.
    WritePlan({}, "local judge = Test\nTest = function(name, body) judge(name, function() body() "
                  "TestPlanGlobals.CurrentTestResult = 1 return 0 end) end\n");
    CTabRun& page = Page();
    ASSERT_TRUE(page.form().uncertaintyChecked);
    page.StartTestPlan();
    EXPECT_EQ(view.events.back(), "sequence 2 UUT Failed");

    page.SetApplyUncertainty(false);
    view.events.clear();
    page.StartTestPlan();
    EXPECT_EQ(view.events.back(), "sequence 3 UUT Passed");
}

TEST_F(RunTab, WithUncertaintyOnAndNoResultVariableEveryTestFails) {
    WritePlan({}, {}, false);
    CTabRun& page = Page();
    page.StartTestPlan();
    EXPECT_THAT(view.events, ::testing::Contains("end Identify 2 Failed"));
    EXPECT_EQ(view.events.back(), "sequence 2 UUT Failed");
}

TEST_F(RunTab, AFailingServicesTestRunsNoPlanTest) {
    WritePlan({}, "Test('TestServicesStart', function() return 1 end)\n"
                  "Test('TestServicesStop', function() Report('stopped') end)\n");
    CTabRun& page = Page();
    page.StartTestPlan();
    EXPECT_THAT(view.events, ElementsAre("sequence 1 Test(s) Aborted"));
    EXPECT_EQ(page.display().lastResult, "Test(s) Aborted");
    EXPECT_EQ(VGetState(), 0);
}

TEST_F(RunTab, ServiceTestsLeaveNoResultLineAndNoCount) {
    WritePlan({}, "Test('TestServicesStart', function() return 0 end)\n"
                  "Test('TestServicesStop', function() return 0 end)\n");
    CTabRun& page = Page();
    page.StartTestPlan();
    EXPECT_EQ(page.display().passed, 3);
    EXPECT_THAT(Summary(), Not(HasSubstr("TESTSERVICES")));
    EXPECT_EQ(view.events.back(), "sequence 3 UUT Passed");
}

TEST_F(RunTab, AbortAllTestsEndsTheRunningTestAndTheQueue) {
    // DC Voltage waits until it is aborted; the idle procedure is where a window's Abort
    // button is pressed while a test runs.
    std::string text = Read(base / "TestPlan" / "lm4065_cal.lua");
    text.replace(text.find("Report('ran DC Voltage')"), 24, "Report('ran DC Voltage') sleep(20000)");
    std::ofstream(base / "TestPlan" / "lm4065_cal.lua") << text;
    CTabRun& page = Page();
    HalcyonSetIdleProc(
        [](void* running_page) {
            auto* running = static_cast<CTabRun*>(running_page);
            if (running->display().currentTest == "DC Voltage")
                running->AbortAllTests();
        },
        &page);
    page.StartTestPlan();
    HalcyonSetIdleProc(nullptr, nullptr);
    EXPECT_THAT(view.events, ElementsAre("begin Identify", "end Identify 3 Passed", "begin DC Voltage",
                                         "end DC Voltage 1 Aborted", "sequence 1 Test(s) Aborted"));

    // An abort asked for while nothing runs does not reach the next run.
    page.AbortAllTests();
    WritePlan({});
    view.events.clear();
    page.StartTestPlan();
    EXPECT_EQ(view.events.back(), "sequence 3 UUT Passed");
}

TEST_F(RunTab, PauseAfterTestWaitsForTheOperatorAfterTheRunningTest) {
    CTabRun& page = Page();
    view.onTestEnd = [&page](const std::string& name) {
        if (name == "Identify")
            page.TogglePause();
    };
    page.StartTestPlan();
    EXPECT_THAT(prompt.boxes, ElementsAre(std::string(kCaption) + "Paused, Press OK to Continue"));
    EXPECT_EQ(page.display().passed, 3);
    EXPECT_EQ(page.display().pauseText, "&Pause After Test");
}

TEST_F(RunTab, StartRefusesWithoutStationEquipmentOrPlanFile) {
    CTabRun& page = Page();
    page.SelectStation(-1);
    EXPECT_EQ(page.StartTestPlan(), StartOutcome::Refused);
    EXPECT_EQ(prompt.boxes.back(), std::string(kCaption) + "There is no test station selected!");

    page.SelectStation(1); // "Service Bench": no counter assigned there
    prompt.boxes.clear();
    EXPECT_EQ(page.StartTestPlan(), StartOutcome::Refused);
    EXPECT_THAT(prompt.boxes, ElementsAre(std::string(kCaption) +
                                          "The following pieces of required equipment are not assigned:\n\n"
                                          "Frequency Counter\n\nDo you want to continue?\n"));

    prompt.answer = platform::MsgAnswer::Yes;
    std::filesystem::remove(base / "TestPlan" / "lm4065_cal.lua");
    prompt.boxes.clear();
    EXPECT_EQ(page.StartTestPlan(), StartOutcome::Refused);
    EXPECT_EQ(prompt.boxes.back(), std::string(kCaption) + "Could not load TestPlan");
    EXPECT_TRUE(page.display().startEnabled);
}

TEST_F(RunTab, OverdueStandardsAreQuestionedOrRefusedAsTheStationSays) {
    LetCounterLapse();
    CTabRun& page = Page();
    const std::string counter = "FC-3120  Serial #: OM3120-2291  Due: 01/01/2002  (overdue)\n";
    EXPECT_EQ(page.StartTestPlan(), StartOutcome::Refused);
    EXPECT_THAT(prompt.boxes,
                ElementsAre(std::string(kCaption) +
                            "The following pieces of assigned equipment are overdue for calibration "
                            "or due within 30 days:\n\n" +
                            counter + "\nDo you want to continue?\n"));
    prompt.answer = platform::MsgAnswer::Yes;
    EXPECT_EQ(page.StartTestPlan(), StartOutcome::Ran);

    operatorconfig::CConfigurationManager config(prompt);
    ASSERT_TRUE(config.SetValue("VELA SYSTEM", "BlockOverdueEquipment", "yes"));
    prompt.boxes.clear();
    EXPECT_EQ(page.StartTestPlan(), StartOutcome::Refused);
    EXPECT_THAT(prompt.boxes,
                ElementsAre(std::string(kCaption) +
                            "The following pieces of assigned equipment are overdue for "
                            "calibration:\n\n" +
                            counter + "\nThis station does not run tests with overdue equipment.\n"));
}

TEST_F(RunTab, TestsThePlanFileLacksAreReportedAndTheOthersRun) {
    std::string text = Read(base / "TestPlan" / "lm4065_cal.lua");
    text.replace(text.find("Test('DC Voltage'"), 17, "Test('DC Volts'");
    std::ofstream(base / "TestPlan" / "lm4065_cal.lua") << text;
    CTabRun& page = Page();
    page.StartTestPlan();
    EXPECT_THAT(prompt.boxes, ElementsAre(std::string(kCaption) +
                                          "Test 'DC Voltage' was not found in test plan 'LM4065-CAL'"));
    EXPECT_EQ(page.display().passed, 2);

    // A selection with no test at all is refused.
    operatordb::Database db(database);
    db.Execute("DELETE FROM __sys_TestPlanVariant_has_Tests WHERE TestPlanVariantID = 2");
    prompt.boxes.clear();
    EXPECT_EQ(page.StartTestPlan(), StartOutcome::Refused);
    EXPECT_THAT(prompt.boxes, ElementsAre(std::string(kCaption) +
                                          "There are no tests to run for this unit, test plan and variant!"));
}

TEST_F(RunTab, AnErrorDuringStartIsLoggedAndEndsTheRun) {
    CTabRun& page = Page();
    page.StartTestPlan();
    ASSERT_EQ(page.display().lastResult, "UUT Passed");
    operatordb::Database(database).Execute("DROP TABLE UUTFilter");
    page.StartTestPlan();
    EXPECT_EQ(page.display().lastResult, "Test(s) Aborted"); // not the last run's verdict
    ASSERT_EQ(prompt.boxes.size(), 1u);
    EXPECT_THAT(prompt.boxes[0], HasSubstr("The test run stopped: "));
    std::string log = Read(base / "Output" / "ErrorLog.txt");
    EXPECT_THAT(log, ::testing::StartsWith("\n-------------\nError Logged on: "));
    EXPECT_THAT(log, HasSubstr("\nRun Tab - Error\nOperator Interface caught an Exception : "));
    EXPECT_THAT(log, HasSubstr("UUTFilter"));
}

TEST_F(RunTab, AnOutputDirectoryThatCannotBeWrittenIsReportedAndTheRunStillJudged) {
    std::filesystem::create_directories(base / "Output");
    std::ofstream(base / "Output" / "LM-4065") << "a file where the model's directory belongs\n";
    CTabRun& page = Page();
    page.StartTestPlan();
    EXPECT_EQ(page.display().lastResult, "UUT Passed");
    ASSERT_EQ(prompt.boxes.size(), 1u);
    EXPECT_THAT(prompt.boxes[0],
                HasSubstr("could not be created in " + (base / "Output" / "LM-4065").string()));
    EXPECT_THAT(Read(base / "Output" / "ErrorLog.txt"), HasSubstr("Text Reports - Error"));
}

TEST_F(RunTab, TextOutputPublishesItsUniqueIdAndTheConditions) {
    WritePlan({}, "Test('TestServicesStart', function() Report('id=', TestPlanGlobals.UniqueID, ' info=', "
                  "System.TestInfoString, ' fixture=', System.FixtureID) return 0 end)\n"
                  "Test('TestServicesStop', function() return 0 end)\n");
    CTabRun& page = Page();
    page.SetTemperature(23.5);
    page.SetHumidity(40);
    page.SetLineFrequency(50);
    page.StartTestPlan();
    std::string detail;
    for (const auto& file : OutputFiles())
        if (file.extension() == ".dtr")
            detail = Read(file);
    EXPECT_THAT(detail,
                HasSubstr("id=Not supported for Text files info=23.500000,40.000000,50.000000 fixture=4\n"));
    EXPECT_THAT(detail, HasSubstr("Temperature:     23.5 DEG C"));
}

TEST_F(RunTab, ConfigureUutWithoutItsComponentSaysSo) {
    CTabRun& page = Page();
    page.ConfigureUut();
    EXPECT_THAT(prompt.boxes,
                ElementsAre("Error on  UUT configuration component.|Error on  UUT configuration "
                            "component., Details:\nUnable to locate and create UUT component, "
                            "Verify Installation"));
    EXPECT_EQ(page.form().serialNumber, "LK4065-01123"); // the unit stays as it was
}

} // namespace
} // namespace corvid::operatormodule::testing
