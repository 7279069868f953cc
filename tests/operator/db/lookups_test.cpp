// The plan and unit lookups on the demo station, and serial numbers that hold quotes.
#include "db_fixture.h"
#include "operatordb/lookups.h"

namespace corvid::operatordb::testing {
namespace {

using namespace demo;

TEST_F(DemoTest, PlanLookupsGiveThePlansTextsOrEmpty) {
    EXPECT_EQ(TestPlanFileName(*db, kTestPlan), "lm4065_cal.lua");
    EXPECT_EQ(TestPlanLongName(*db, kTestPlan), "LM-4065 Multimeter Calibration Rev 01.00");
    EXPECT_EQ(TestPlanReportTitle(*db, kTestPlan), "LM-4065 Digital Multimeter Calibration Report");
    EXPECT_EQ(UutProgId(*db, kTestPlan, kMultimeterModel), "DemoUut.LM4065.1");
    EXPECT_TRUE(TestPlanAppliesUncertainty(*db, kTestPlan));

    EXPECT_EQ(TestPlanFileName(*db, 99), "");
    EXPECT_EQ(TestPlanLongName(*db, 99), "");
    EXPECT_EQ(TestPlanReportTitle(*db, 99), "");
    EXPECT_EQ(UutProgId(*db, kTestPlan, kCounterModel), "");
    EXPECT_FALSE(TestPlanAppliesUncertainty(*db, 99));
    db->Execute("UPDATE __sys_tblTestPlan_Supports_Uncertainty SET ApplyUncertainty = 0");
    EXPECT_FALSE(TestPlanAppliesUncertainty(*db, kTestPlan));
}

TEST_F(DemoTest, AUnitIsKnownByModelInstanceAndSerialNumber) {
    EXPECT_TRUE(IsKnownUut(*db, kMultimeterModel, kUutInstance, "LK4065-01123"));
    EXPECT_TRUE(IsKnownUut(*db, kMultimeterModel, kUutInstance, "lk4065-01123"));
    EXPECT_FALSE(IsKnownUut(*db, kMultimeterModel, kUutInstance, "LK4065-00871"));
    EXPECT_FALSE(IsKnownUut(*db, kCounterModel, kUutInstance, "LK4065-01123"));
    // No instance: known only without a serial number.
    EXPECT_TRUE(IsKnownUut(*db, kMultimeterModel, -1, ""));
    EXPECT_FALSE(IsKnownUut(*db, kMultimeterModel, -1, "LK4065-01123"));
    EXPECT_FALSE(IsKnownUut(*db, kMultimeterModel, 0, ""));
    EXPECT_FALSE(IsKnownUut(*db, kMultimeterModel, -2, ""));
}

TEST_F(DemoTest, QuotesInASerialNumberAreLookedUpNotExecuted) {
    db->Execute("INSERT INTO DeviceInstances (InstanceID, DeviceTypeID, SerialNumber) VALUES "
                "(7, 2, 'LK''4065'), (8, 2, 'LK\"4065|A')");
    EXPECT_TRUE(IsKnownUut(*db, kMultimeterModel, 7, "LK'4065"));
    EXPECT_TRUE(IsKnownUut(*db, kMultimeterModel, 8, "LK\"4065|A"));
    EXPECT_FALSE(IsKnownUut(*db, kMultimeterModel, 7, "LK'4065'"));
    // Unescaped, this would match the row whatever its serial number.
    EXPECT_FALSE(IsKnownUut(*db, kMultimeterModel, kUutInstance, "x' OR '1' = '1"));
}

TEST_F(DemoTest, OnlyInstancesWithoutPropertyRowsHaveNoEquipmentProperties) {
    EXPECT_FALSE(HasNoEquipmentProperties(*db, 1)); // copied from the calibrator model
    EXPECT_TRUE(HasNoEquipmentProperties(*db, 3));  // the multiplexer model has none
    EXPECT_TRUE(HasNoEquipmentProperties(*db, 99));
}

} // namespace
} // namespace corvid::operatordb::testing
