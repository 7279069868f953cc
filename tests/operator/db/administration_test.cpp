// The Administration tab's database operations on the demo station: stations, the
// equipment list, removing equipment, and the shared administrator flag taken by
// several connections and processes at once.
#include "db_fixture.h"
#include "operatordb/admin_flag.h"
#include "operatordb/administration.h"
#include "operatordb/interface_types.h"

#include <sys/wait.h>
#include <unistd.h>

namespace corvid::operatordb::testing {
namespace {

using namespace demo;
using Outcome = StationChange::Outcome;

class AdministrationTest : public DemoTest {
protected:
    void SetUp() override {
        DemoTest::SetUp();
        ASSERT_TRUE(LoadInterfaceTypeNames(*db));
    }
    std::vector<std::string> Texts(const std::vector<EquipmentRow>& rows) {
        std::vector<std::string> texts;
        for (const EquipmentRow& row : rows)
            texts.push_back(row.text);
        return texts;
    }
};

TEST_F(AdministrationTest, StationNamesWithQuotesOrBarsAreRefusedAndOthersGetTheNextKey) {
    for (const char* name : {"Lab 'A'", "Lab \"A\"", "Lab|A"}) {
        StationChange change = AddStation(*db, name);
        EXPECT_EQ(change.outcome, Outcome::Refused) << name;
        EXPECT_EQ(change.message, kInvalidStationName);
    }
    EXPECT_EQ(AddStation(*db, "").outcome, Outcome::Unchanged);
    EXPECT_EQ(Count("TestStations"), 2);

    db->Execute("INSERT INTO TestStations (TestStationID, Name) VALUES (7, 'Far Bench')");
    StationChange added = AddStation(*db, "Lab A");
    EXPECT_EQ(added.outcome, Outcome::Done);
    EXPECT_EQ(added.message, "Station added!");
    EXPECT_EQ(added.stationId, 8);
    EXPECT_EQ(StationIdByName(*db, "Lab A"), 8);

    StationChange again = AddStation(*db, "lab a");
    EXPECT_EQ(again.outcome, Outcome::Refused);
    EXPECT_EQ(again.message, "Station [lab a] already exists!");
    EXPECT_EQ(Count("TestStations"), 4);
}

TEST_F(AdministrationTest, TheFirstStationOfAnEmptyTableGetsKeyOne) {
    db->Execute("Delete * from TestStations");
    EXPECT_EQ(AddStation(*db, "Only Bench").stationId, 1);
}

TEST_F(AdministrationTest, OnlyAStationWithoutEquipmentIsRemoved) {
    StationChange refused = RemoveStation(*db, kDemoBench);
    EXPECT_EQ(refused.outcome, Outcome::Refused);
    EXPECT_EQ(refused.message, StationNotEmptyText("Demo Bench"));
    EXPECT_EQ(Count("TestStations"), 2);

    int32_t empty = AddStation(*db, "Spare Bench").stationId;
    StationChange removed = RemoveStation(*db, empty);
    EXPECT_EQ(removed.outcome, Outcome::Done);
    EXPECT_EQ(removed.message, "Station removed!");
    EXPECT_EQ(StationIdByName(*db, "Spare Bench"), -1);
    EXPECT_EQ(RemoveStation(*db, empty).outcome, Outcome::Unchanged);
}

TEST_F(AdministrationTest, TheListShowsInstalledEquipmentOrThePlansAssignments) {
    std::vector<EquipmentRow> installed = EquipmentList(*db, kDemoBench, -1, -1);
    EXPECT_EQ(Texts(installed),
              (std::vector<std::string>{"[MX-16]\n[HS16-0042]", "[LM-4065]\n[LK4065-01123]",
                                        "[FC-3120]\n[OM3120-2291]", "[VC-9100]\n[VC91-004417]"}));
    EXPECT_EQ(installed[2].status, CalibrationStatus::Overdue);
    EXPECT_EQ(installed[0].status, CalibrationStatus::Good) << "no calibration needed";
    EXPECT_EQ(EquipmentList(*db, -1, -1, -1).size(), 6u);

    std::vector<EquipmentRow> assigned = EquipmentList(*db, kDemoBench, kTestPlan, -1);
    ASSERT_EQ(assigned.size(), 3u);
    EXPECT_EQ(assigned[0].item.dsgName, "DC Calibrator");
    EXPECT_EQ(assigned[0].item.instanceId, 1);
    std::vector<EquipmentRow> calibrators = EquipmentList(*db, -1, kTestPlan, 1);
    EXPECT_EQ(Texts(calibrators),
              (std::vector<std::string>{"[VC-9100]\n[VC91-004417]", "[VC-9200]\n[VC92-000318]"}));

    // An assigned instance without a serial number is not listed with a plan; equal
    // texts (models of one alias) show once.
    db->Execute("UPDATE DeviceInstances SET SerialNumber = '' WHERE InstanceID = 2");
    db->Execute("UPDATE __sys_DeviceTypes SET Alias = 'LM-4065' WHERE DeviceTypeID = 4");
    db->Execute("UPDATE DeviceInstances SET SerialNumber = 'LK4065-01123' WHERE InstanceID = 3");
    EXPECT_EQ(EquipmentList(*db, kDemoBench, kTestPlan, -1).size(), 2u);
    EXPECT_EQ(EquipmentList(*db, kDemoBench, -1, -1).size(), 3u);
}

// The list loads its items together; each must be what loading it alone gives.
TEST_F(AdministrationTest, ItemsLoadedTogetherEqualItemsLoadedOneByOne) {
    db->Execute("DELETE FROM InterfaceData_GPIB WHERE InstanceID = 2"); // model defaults
    db->Execute(
        "UPDATE DeviceInstances SET InterfaceType = 0, LastCalibration = 'soon' WHERE InstanceID = 3");
    db->Execute("INSERT INTO DeviceInstance_has_Options VALUES (4, 'opt-hc', 1)"); // case of a code
    db->Execute("INSERT INTO DeviceInstances (InstanceID, DeviceTypeID, SerialNumber) VALUES (9, 77, 'X')");
    std::vector<std::pair<int32_t, int32_t>> wanted = {{1, 1}, {2, 2}, {3, 3}, {-1, 4},
                                                       {1, 5}, {1, 6}, {2, 9}, {3, 42}};
    std::vector<EquipmentItem> together = LoadEquipmentItems(*db, kTestPlan, wanted);
    ASSERT_EQ(together.size(), wanted.size());
    for (size_t i = 0; i < wanted.size(); ++i) {
        EquipmentItem alone;
        LoadEquipmentItem(*db, alone, kTestPlan, wanted[i].first, -1, wanted[i].second, "");
        const EquipmentItem& bulk = together[i];
        SCOPED_TRACE("instance " + std::to_string(wanted[i].second));
        EXPECT_EQ(bulk.changed, alone.changed);
        EXPECT_EQ(std::tie(bulk.dsgId, bulk.dsgName, bulk.iconId, bulk.deviceTypeId, bulk.alias,
                           bulk.instanceId, bulk.serialNumber, bulk.interfaceType, bulk.interfaceName),
                  std::tie(alone.dsgId, alone.dsgName, alone.iconId, alone.deviceTypeId, alone.alias,
                           alone.instanceId, alone.serialNumber, alone.interfaceType, alone.interfaceName));
        EXPECT_EQ(std::tie(bulk.gpibBoard, bulk.gpibAddress, bulk.serialPort, bulk.vxiBoardAddress,
                           bulk.vxiLogicalAddress, bulk.validIOs, bulk.defaultIOType, bulk.calColumnsCount),
                  std::tie(alone.gpibBoard, alone.gpibAddress, alone.serialPort, alone.vxiBoardAddress,
                           alone.vxiLogicalAddress, alone.validIOs, alone.defaultIOType,
                           alone.calColumnsCount));
        EXPECT_EQ(std::tie(bulk.lastCalibration, bulk.nextCalibration, bulk.traceNumber,
                           bulk.calibrationInterval, bulk.calDataQuery, bulk.copyDefaultCalDataQuery,
                           bulk.declaredOptions),
                  std::tie(alone.lastCalibration, alone.nextCalibration, alone.traceNumber,
                           alone.calibrationInterval, alone.calDataQuery, alone.copyDefaultCalDataQuery,
                           alone.declaredOptions));
    }
}

TEST_F(AdministrationTest, RemovingEquipmentTakesOneStationsLinkOrTheWholeInstance) {
    db->Execute("INSERT INTO TestStation_has_Instances (TestStationID, DeviceInstanceID) VALUES (2, 1)");
    db->Execute("INSERT INTO TestPlan_uses_Instances VALUES (2, 1, 'Frequency Counter', 1)");
    RemoveEquipment(*db, kServiceBench, 1);
    EXPECT_EQ(Count("DeviceInstances", "InstanceID = 1"), 1);
    EXPECT_EQ(Count("TestStation_has_Instances", "DeviceInstanceID = 1"), 1);
    EXPECT_EQ(Count("TestPlan_uses_Instances", "DeviceInstanceID = 1"), 1) << "the Demo Bench keeps its own";
    EXPECT_EQ(Count("TestPlan_uses_Instances", "TestStationID = 2"), 1);

    RemoveEquipment(*db, kDemoBench, 1);
    EXPECT_EQ(Count("DeviceInstances", "InstanceID = 1"), 0);
    EXPECT_EQ(Count("TestPlan_uses_Instances", "DeviceInstanceID = 1"), 0);
    EXPECT_EQ(Count("DeviceInstance_CalData", "InstanceID = 1"), 0);
}

TEST_F(AdministrationTest, TheAdministratorFlagIsTakenByOneConnectionOnly) {
    Database other(file);
    EXPECT_FALSE(IsAdministratorLoggedIn(*db));
    EXPECT_TRUE(TakeAdministratorFlag(*db));
    EXPECT_FALSE(TakeAdministratorFlag(other));
    EXPECT_TRUE(IsAdministratorLoggedIn(other));
    SetAdministratorLoggedIn(*db, false);
    EXPECT_TRUE(TakeAdministratorFlag(other));

    // Without a row the first taker adds it; a flag stored as -1 counts as set.
    db->Execute("Delete * from __sys_AdminLoggedIn");
    EXPECT_FALSE(IsAdministratorLoggedIn(*db));
    EXPECT_TRUE(TakeAdministratorFlag(other));
    EXPECT_FALSE(TakeAdministratorFlag(*db));
    EXPECT_EQ(Count("__sys_AdminLoggedIn"), 1);
    db->Execute("UPDATE __sys_AdminLoggedIn SET IsAdminLoggedIn = -1");
    EXPECT_FALSE(TakeAdministratorFlag(*db));
}

TEST_F(AdministrationTest, OfManyProcessesLoggingInAtOnceExactlyOneGetsTheFlag) {
    db->Execute("Delete * from __sys_AdminLoggedIn");
    db.reset();
    int gate[2];
    ASSERT_EQ(::pipe(gate), 0);
    std::vector<pid_t> children;
    for (int i = 0; i < 6; ++i) {
        pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            ::close(gate[1]);
            char byte;
            (void)!::read(gate[0], &byte, 1); // returns when the parent closes the gate
            try {
                Database mine(file);
                ::_exit(TakeAdministratorFlag(mine) ? 0 : 1);
            } catch (...) {
                ::_exit(2);
            }
        }
        children.push_back(pid);
    }
    ::close(gate[0]);
    ::close(gate[1]);
    int winners = 0, losers = 0;
    for (pid_t child : children) {
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status));
        winners += WEXITSTATUS(status) == 0;
        losers += WEXITSTATUS(status) == 1;
    }
    EXPECT_EQ(winners, 1);
    EXPECT_EQ(losers, 5);
}

} // namespace
} // namespace corvid::operatordb::testing
