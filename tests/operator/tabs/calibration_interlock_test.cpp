// The calibration interlock on the demo station, whose calibrator is due within 30 days
// and whose counter is overdue: what is listed, the question, and the refusal.
#include "db_fixture.h"
#include "operatordb/demo_station.h"
#include "operatordb/test_filter.h"
#include "operatortabs/calibration_interlock.h"
#include "recording_prompt.h"

#include <gmock/gmock.h>

namespace corvid::operatortabs::testing {
namespace {

using operatordb::CalibrationStatus;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
namespace demo = operatordb::demo;

class CalibrationInterlock : public ::testing::Test {
protected:
    void SetUp() override {
        operatordb::CreateInstrumentSchema(db);
        operatordb::CreateDemoStation(
            db, std::chrono::floor<std::chrono::days>(std::chrono::system_clock::now()));
    }
    std::vector<DueEquipment> Due(int32_t variant) {
        operatordb::RebuildTestFilter(db, demo::kTestPlan, variant, demo::kMultimeterModel,
                                      demo::kUutInstance);
        return AssignedEquipmentDue(db, demo::kDemoBench, demo::kTestPlan, variant, demo::kUutInstance);
    }

    corvid::testing::TempDir dir;
    operatordb::Database db{dir.path() / "instruments.db", operatordb::FileMode::CreateIfMissing};
    RecordingPrompt prompt;
};

TEST_F(CalibrationInterlock, ListsTheRequiredInstancesDueOrOverdue) {
    std::vector<DueEquipment> due = Due(demo::kFullVariant);
    ASSERT_EQ(due.size(), 2u);
    EXPECT_EQ(due[0].model + " " + due[0].serialNumber, "VC-9100 VC91-004417");
    EXPECT_EQ(due[0].status, CalibrationStatus::DueSoon);
    EXPECT_EQ(due[1].model + " " + due[1].serialNumber, "FC-3120 OM3120-2291");
    EXPECT_EQ(due[1].status, CalibrationStatus::Overdue);
    EXPECT_EQ(due[1].dueDate.size(), 10u);
    // A counter that the selection does not require is not listed.
    db.Execute("DELETE FROM __sys_Test_requires_DSG WHERE DSGID = 2");
    due = Due(demo::kFullVariant);
    ASSERT_EQ(due.size(), 1u);
    EXPECT_EQ(due[0].model, "VC-9100");
}

TEST_F(CalibrationInterlock, AsksWhetherToContinueUnlessTheStationBlocksOverdueEquipment) {
    std::vector<DueEquipment> due = Due(demo::kFullVariant);
    ASSERT_EQ(due.size(), 2u);
    const std::string lines = "VC-9100  Serial #: VC91-004417  Due: " + due[0].dueDate +
                              "\nFC-3120  Serial #: OM3120-2291  Due: " + due[1].dueDate + "  (overdue)\n";
    EXPECT_FALSE(ConfirmEquipmentCalibration(prompt, due, false));
    prompt.answer = MsgAnswer::Yes;
    EXPECT_TRUE(ConfirmEquipmentCalibration(prompt, due, false));
    EXPECT_FALSE(ConfirmEquipmentCalibration(prompt, due, true));
    const std::string question =
        "The following pieces of assigned equipment are overdue for calibration or due "
        "within 30 days:\n\n" +
        lines + "\nDo you want to continue?\n";
    EXPECT_THAT(prompt.boxes, ElementsAre(question, question,
                                          "The following pieces of assigned equipment are overdue for "
                                          "calibration:\n\nFC-3120  Serial #: OM3120-2291  Due: " +
                                              due[1].dueDate +
                                              "  (overdue)\n\nThis station does not run tests with overdue "
                                              "equipment.\n"));
    EXPECT_THAT(prompt.buttons, ElementsAre(MsgButtons::YesNo, MsgButtons::YesNo, MsgButtons::Ok));

    // Equipment only due soon is still a question where overdue equipment is blocked.
    prompt.boxes.clear();
    EXPECT_TRUE(ConfirmEquipmentCalibration(prompt, {due[0]}, true));
    EXPECT_EQ(prompt.buttons.back(), MsgButtons::YesNo);
    prompt.boxes.clear();
    EXPECT_TRUE(ConfirmEquipmentCalibration(prompt, {}, true));
    EXPECT_THAT(prompt.boxes, IsEmpty());
}

} // namespace
} // namespace corvid::operatortabs::testing
