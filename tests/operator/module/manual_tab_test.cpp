// The Manual Test Selection page against the real host: the moves between its lists,
// loops with their progress, the result marks of the selected items, tests missing from
// the plan, an aborted test ending the selection, and the limited-calibration report.
#include "operatortabs/tab_test_variant.h"
#include "station_fixture.h"

namespace corvid::operatormodule::testing {
namespace {

using operatortabs::CTabTestVariant;
using operatortabs::ItemColour;
using operatortabs::StartOutcome;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using Items = std::vector<std::string>;

class ProgressLog final : public operatortabs::ManualTabView {
public:
    void TestEnded(const std::string&, int, const std::string& item) override {
        std::string label = tab->display().progressLabel;
        label.replace(label.find('\r'), 1, " ");
        ends.push_back(label + " " + item);
    }
    void SequenceEnded(int overall, const std::string& last) override {
        ends.push_back("end " + std::to_string(overall) + " " + last);
    }
    const CTabTestVariant* tab = nullptr;
    std::vector<std::string> ends;
};

class ManualTab : public StationTest {
protected:
    // The page of a station whose last run was the demo unit's Performance Check
    // (Identify, DC Voltage, Frequency), the Run page started first as in the window.
    CTabTestVariant& Page() {
        WriteLastRun();
        COperatorInterfaceApp& app = StartApp();
        context = std::make_unique<operatortabs::ModuleContext>(app.Context(prompt));
        run = std::make_unique<operatortabs::CTabRun>(*context, runView);
        manual = std::make_unique<CTabTestVariant>(*context, view);
        view.tab = manual.get();
        app.SetRunPages(run.get(), manual.get());
        run->Initialize();
        manual->Initialize();
        return *manual;
    }
    void SelectAll() { manual->MoveAllToSelected(); }
    // Renames a test in the plan file so that the plan no longer has it.
    void DropFromPlan(const std::string& test) {
        std::string text = Read(base / "TestPlan" / "lm4065_cal.lua");
        text.replace(text.find("Test('" + test + "'"), 6 + test.size(), "Test('" + test + " (old)");
        std::ofstream(base / "TestPlan" / "lm4065_cal.lua") << text;
    }

    struct : operatortabs::RunTabView {
    } runView;
    ProgressLog view;
    std::unique_ptr<operatortabs::ModuleContext> context;
    std::unique_ptr<operatortabs::CTabRun> run;
    std::unique_ptr<CTabTestVariant> manual;
};

TEST_F(ManualTab, MovesBetweenTheListsAndUpAndDown) {
    CTabTestVariant& page = Page();
    const auto& form = page.form();
    EXPECT_EQ(form.plans.SelectedName(), "LM4065-CAL");
    EXPECT_EQ(form.unitLabel, "LM-4065 <LK4065-01123> OPT-FRQ; OPT-REAR");
    ASSERT_EQ(form.available, Items({"Identify", "DC Voltage", "Frequency"}));
    page.SelectAvailable(2);
    page.MoveToSelected();
    EXPECT_EQ(form.available, Items({"Identify", "DC Voltage"}));
    EXPECT_EQ(form.availableSelected, 1); // the entry before the one moved
    page.SelectAvailable(0);
    page.MoveToSelected();
    EXPECT_EQ(form.availableSelected, 0); // no entry before: the first
    EXPECT_EQ(form.selected, Items({"Frequency", "Identify"}));
    EXPECT_EQ(form.selectedSelected, 1);
    page.MoveUp();
    EXPECT_EQ(form.selected, Items({"Identify", "Frequency"}));
    page.MoveUp(); // already first
    EXPECT_EQ(form.selectedSelected, 0);
    page.MoveDown();
    page.MoveDown(); // already last
    EXPECT_EQ(form.selected, Items({"Frequency", "Identify"}));
    page.MoveToAvailable();
    EXPECT_EQ(form.available, Items({"DC Voltage", "Identify"}));
    EXPECT_EQ(form.selected, Items({"Frequency"}));
    page.MoveAllToSelected();
    EXPECT_EQ(form.selected, Items({"Frequency", "DC Voltage", "Identify"}));
    page.MoveAllToAvailable();
    EXPECT_TRUE(form.selected.empty());
    EXPECT_EQ(form.selectedSelected, -1);
    page.MoveUp(); // nothing selected: nothing happens
    page.RestoreAvailableTests();
    EXPECT_EQ(form.available, Items({"Identify", "DC Voltage", "Frequency"}));
}

TEST_F(ManualTab, ThreeTestsLoopedTwiceShowProgressOutOfSixAndMarkEachItem) {
    WritePlan({{"DC Voltage", "1"}});
    CTabTestVariant& page = Page();
    SelectAll();
    page.SetLoop(true);
    EXPECT_FALSE(page.SetLoopCount(0));
    EXPECT_FALSE(page.SetLoopCount(1000000));
    ASSERT_TRUE(page.SetLoopCount(2));
    EXPECT_EQ(page.StartSequence(), StartOutcome::Ran);
    EXPECT_THAT(view.ends,
                ElementsAre("Progress: (1/6) Identify, PASSED", "Progress: (2/6) DC Voltage, FAILED",
                            "Progress: (3/6) Frequency, PASSED", "Progress: (4/6) Identify, PASSED",
                            "Progress: (5/6) DC Voltage, FAILED", "Progress: (6/6) Frequency, PASSED",
                            "end 2 Frequency, PASSED"));
    const auto& items = page.form().selected;
    EXPECT_EQ(items, Items({"Identify, PASSED", "DC Voltage, FAILED", "Frequency, PASSED"}));
    EXPECT_EQ(operatortabs::ColourOfItem(items[0]), ItemColour::Green);
    EXPECT_EQ(operatortabs::ColourOfItem(items[1]), ItemColour::Red);
    EXPECT_EQ(operatortabs::ColourOfItem("Zero, ABORTED"), ItemColour::Red);
    EXPECT_EQ(operatortabs::ColourOfItem("Zero, Not Found"), ItemColour::Black);
    EXPECT_EQ(page.display().progress, 6);
    EXPECT_EQ(page.display().currentTest, "Testing Completed");
    EXPECT_TRUE(context->window.manualRun);
    for (const auto& file : OutputFiles())
        if (file.extension() == ".sum") {
            EXPECT_THAT(Read(file), HasSubstr("Limited Calibration Performed!\n\n"));
        }

    // Starting again runs the tests by their names, not their marks.
    page.SetLoop(false);
    view.ends.clear();
    EXPECT_EQ(page.StartSequence(), StartOutcome::Ran);
    EXPECT_EQ(view.ends.size(), 4u);
    EXPECT_THAT(prompt.boxes, ::testing::IsEmpty());
}

TEST_F(ManualTab, ATestMissingFromThePlanIsMarkedAndTheRunGoesOn) {
    DropFromPlan("DC Voltage");
    CTabTestVariant& page = Page();
    SelectAll();
    page.SetStep(true);
    page.StartSequence();
    EXPECT_EQ(page.form().selected,
              Items({"Identify, PASSED", "DC Voltage, Not Found", "Frequency, PASSED"}));
    EXPECT_THAT(
        prompt.boxes,
        ElementsAre("Corvid Technologies Halcyon|Identify, PASSED, Press OK to Continue",
                    "Corvid Technologies Halcyon|Test 'DC Voltage' was not found in test plan 'LM4065-CAL'",
                    "Corvid Technologies Halcyon|DC Voltage, Not Found, Press OK to Continue",
                    "Corvid Technologies Halcyon|Frequency, PASSED, Press OK to Continue"));
}

TEST_F(ManualTab, AnAbortedTestEndsTheWholeSelectionWithItsLoops) {
    WritePlan({{"DC Voltage", "error"}});
    CTabTestVariant& page = Page();
    SelectAll();
    page.SetLoop(true);
    page.SetLoopCount(3);
    page.StartSequence();
    EXPECT_THAT(view.ends, ElementsAre("Progress: (1/9) Identify, PASSED",
                                       "Progress: (2/9) DC Voltage, ABORTED", "end 1 DC Voltage, ABORTED"));
    EXPECT_EQ(page.form().selected[2], "Frequency");
}

TEST_F(ManualTab, StartRefusesAnEmptySelectionAndAMissingUnit) {
    CTabTestVariant& page = Page();
    EXPECT_EQ(page.StartSequence(), StartOutcome::Refused);
    EXPECT_THAT(prompt.boxes, ElementsAre("Corvid Technologies Halcyon|No tests Selected to run!"));
    run->SelectModel(-1); // forgets the unit
    manual->TestInfoToForm();
    prompt.boxes.clear();
    EXPECT_EQ(page.StartSequence(), StartOutcome::Refused);
    EXPECT_THAT(prompt.boxes,
                ElementsAre("Corvid Technologies Halcyon|There is no UUT configured for testing!"));
    EXPECT_TRUE(page.form().available.empty()); // the unit changed: the lists were filled again
}

TEST_F(ManualTab, AnErrorDuringStartIsLoggedUnderTheManualTabsTitle) {
    CTabTestVariant& page = Page();
    SelectAll();
    context->db.ExecuteNative("DROP TABLE UUTFilter;");
    EXPECT_EQ(page.StartSequence(), StartOutcome::Refused);
    EXPECT_THAT(Read(base / "Output" / "ErrorLog.txt"), HasSubstr("Manual Tab - Error"));
    ASSERT_EQ(prompt.boxes.size(), 1u);
    EXPECT_THAT(prompt.boxes[0], HasSubstr("The test run stopped: "));
    EXPECT_FALSE(page.running());
    EXPECT_TRUE(page.display().startEnabled);
}

} // namespace
} // namespace corvid::operatormodule::testing
