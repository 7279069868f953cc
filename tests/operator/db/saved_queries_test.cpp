// The saved queries return what the operator interface relies on.
#include "db_fixture.h"
#include "operatordb/test_filter.h"

#include <sstream>

namespace corvid::operatordb::testing {
namespace {

// Rows of a saved query as "a|b|c" lines.
std::vector<std::string> Lines(Database& db, const std::string& query, const Parameters& params = {}) {
    std::vector<std::string> lines;
    for (Recordset rows = db.OpenQuery(query, params); !rows.IsEOF(); rows.MoveNext()) {
        std::string line;
        for (size_t i = 0; i < rows.ColumnNames().size(); ++i)
            line += (i ? "|" : "") + rows.GetValue(static_cast<int>(i)).AsText();
        lines.push_back(line);
    }
    return lines;
}

using Texts = std::vector<std::string>;

TEST_F(DemoTest, EverySavedQueryCompilesWithItsDeclaredParameters) {
    for (const SavedQuery& query : InstrumentSavedQueries()) {
        ASSERT_TRUE(db->FindSavedQuery(query.name)) << query.name;
        if (!db->ReturnsRows(query.sql))
            continue;
        Parameters params;
        std::stringstream declared(query.parameters);
        std::string item;
        while (std::getline(declared, item, ',')) {
            std::stringstream words(item);
            std::string name;
            words >> name;
            params.push_back({name, 0});
        }
        EXPECT_NO_THROW(db->OpenQuery(query.name, params)) << query.name;
    }
}

TEST_F(DemoTest, ModelInstancesWithTheWholeRangesListEveryInstalledInstanceOnce) {
    db->Execute("INSERT INTO TestStation_has_Instances VALUES (2, 1)"); // also at the service bench
    db->Execute(
        "INSERT INTO DeviceInstances (InstanceID, DeviceTypeID, SerialNumber) VALUES (9, 1, 'SHELF')");
    Parameters all = {{"TestStation_1", 0},
                      {"TestStation_2", 2147483647},
                      {"DeviceType_1", 0},
                      {"DeviceType_2", 2147483647}};
    EXPECT_EQ(Lines(*db, "qry_GUI_ModelInstances", all),
              (Texts{"3|HS16-0042", "5|LK4065-00871", "4|LK4065-01123", "2|OM3120-2291", "1|VC91-004417",
                     "6|VC92-000318"}));
    Parameters serviceCalibrators = {
        {"TestStation_1", 2}, {"TestStation_2", 2}, {"DeviceType_1", 1}, {"DeviceType_2", 1}};
    EXPECT_EQ(Lines(*db, "qry_GUI_ModelInstances", serviceCalibrators), (Texts{"1|VC91-004417"}));
}

TEST_F(DemoTest, AssignmentsPerDsgShowEmptyTextsWhereNothingIsAssigned) {
    Parameters service = {{"TestStation_ID", demo::kServiceBench}, {"TestPlan_ID", demo::kTestPlan}};
    EXPECT_EQ(Lines(*db, "qry_GUI_DSGs_for_TPA_STA", service),
              (Texts{"1|DC Calibrator|VC-9200|VC92-000318", "2|Frequency Counter||", "3|Input Scanner||"}));
    Parameters bench = {{"TestStation_ID", demo::kDemoBench}, {"TestPlan_ID", demo::kTestPlan}};
    EXPECT_EQ(Lines(*db, "qry_GUI_DSGs_for_TPA_STA", bench)[2], "3|Input Scanner|MX-16|HS16-0042");
}

TEST_F(DemoTest, DeletingAnInstanceOrAStationTakesWhatDependsOnIt) {
    db->Execute("DELETE FROM DeviceInstances WHERE InstanceID = 2");
    EXPECT_EQ(Count("TestPlan_uses_Instances", "DeviceInstanceID = 2"), 0);
    EXPECT_EQ(Count("TestStation_has_Instances", "DeviceInstanceID = 2"), 0);
    EXPECT_EQ(Count("InterfaceData_GPIB", "InstanceID = 2"), 0);
    EXPECT_EQ(Count("DeviceInstance_has_Properties", "InstanceID = 2"), 0);
    EXPECT_EQ(Count("qry_GUI_InstanceUseage", "TestStationID = 1"), 2);
    db->Execute("DELETE FROM TestStations WHERE TestStationID = 2");
    EXPECT_EQ(Count("TestPlan_uses_Instances", "TestStationID = 2"), 0);
    EXPECT_EQ(Count("TestStation_has_Instances", "TestStationID = 2"), 0);
    EXPECT_EQ(Count("DeviceInstances"), 5) << "instances stay when their station goes";
}

TEST_F(DemoTest, AnAssignmentOfAMissingInstanceIsNoAssignment) {
    db->Execute("INSERT INTO TestPlan_uses_Instances VALUES (2, 1, 'Input Scanner', -1)");
    EXPECT_EQ(Count("qry_GUI_InstanceUseage", "TestStationID = 2"), 1);
}

TEST_F(DemoTest, CopyQueriesGiveANewInstanceItsModelsDefaultsOnce) {
    db->Execute("INSERT INTO DeviceInstances (InstanceID, DeviceTypeID, SerialNumber) VALUES (20, 1, 'NEW')");
    Parameters params = {{"DeviceType_ID", 1}, {"Instance_ID", 20}};
    EXPECT_EQ(db->ExecuteQuery("qry_GUI_CopyEquipmentProperties", params), 2);
    EXPECT_EQ(db->ExecuteQuery("qry_GUI_CopyEquipmentProperties", params), 0);
    EXPECT_EQ(db->ExecuteQuery("qry_CopyDefaultCalData", params), 3);
    EXPECT_EQ(Lines(*db, "qry_CalData", {{"Instance_ID", 20}})[0], "1|DCV 10 V|10|0|4e-05");
    EXPECT_EQ(Lines(*db, "qry_GUI_EquipProperties", {{"Instance_ID", 20}}),
              (Texts{"20|MaxCurrent|Real|20", "20|MaxVoltage|Real|1050"}));
}

TEST_F(DemoTest, TheSelectionsTestsComeOnceEachInSequenceOrder) {
    // Test 3 also in the frequency group, earlier in the sequence.
    db->Execute("INSERT INTO __sys_TestPlanVariant_has_Tests VALUES (1, 1, 3, 1, False, 1)");
    RebuildTestFilter(*db, 1, 1, demo::kMultimeterModel, demo::kUutInstance);
    EXPECT_EQ(
        Lines(*db, "qry_GUI_Tests", {{"TestPlanID", 1}, {"TestPlanVariantID", 1}, {"UUTInstanceID", 4}}),
        (Texts{"DC Current|3", "Self Test|8", "Identify|1", "DC Voltage|2", "Frequency|5"}));
    EXPECT_EQ(Count("UUTFilter", "Type = 1 AND ID = 3 AND UUTInstanceID = 4"), 2);
}

TEST_F(DemoTest, UnitModelsTestPlansAndVariants) {
    EXPECT_EQ(Lines(*db, "qry_GUI_DUTs"),
              (Texts{"2|Larkspur Instruments LM-4065 Digital Multimeter|LM-4065"}));
    EXPECT_EQ(Lines(*db, "qry_GUI_TPAs", {{"DeviceType_ID", 2}}),
              (Texts{"1|LM4065-CAL|LM-4065 Multimeter Calibration Rev 01.00"}));
    EXPECT_EQ(Lines(*db, "qry_GUI_TPVs", {{"TestPlanID", 1}}),
              (Texts{"1|Full Calibration", "2|Performance Check"}));
    EXPECT_EQ(Lines(*db, "qry_GUI_DSGs_for_TPA", {{"TestPlan_ID", 1}}).size(), 3u);
}

} // namespace
} // namespace corvid::operatordb::testing
