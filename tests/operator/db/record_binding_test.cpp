// The record-binding mechanism: opening, moving, finding, writing, key assignment and
// the reading of stored values into typed members.
#include "db_fixture.h"
#include "operatordb/bindings.h"
#include "operatordb/db_error.h"

#include <limits>

namespace corvid::operatordb::testing {
namespace {

class RecordBindingTest : public SchemaTest {
protected:
    void AddStations(std::initializer_list<std::pair<int, const char*>> stations) {
        for (const auto& [id, name] : stations)
            db->Execute("INSERT INTO TestStations (TestStationID, Name) VALUES (:id, :name)",
                        {{"id", id}, {"name", name}});
    }
    void AddInstance(int id, int model, const char* serial, const char* trace = "") {
        db->Execute("INSERT INTO DeviceInstances (InstanceID, DeviceTypeID, SerialNumber, TraceNumber) "
                    "VALUES (:i, :m, :s, :t)",
                    {{"i", id}, {"m", model}, {"s", serial}, {"t", trace}});
    }
};

TEST_F(RecordBindingTest, OpensWithFilterAndSortAndMovesThroughTheRows) {
    AddStations({{1, "Bench B"}, {2, "bench a"}, {3, "Bench C"}, {4, "Other"}});
    DB_TestStations stations(*db);
    stations.SetFilter("Name LIKE 'bench*'");
    stations.SetSort("Name");
    stations.Open(OpenMode::ReadOnly);
    std::vector<std::string> names;
    for (; !stations.IsEOF(); stations.MoveNext())
        names.push_back(stations.Name);
    EXPECT_EQ(names, (std::vector<std::string>{"bench a", "Bench B", "Bench C"}));
    EXPECT_EQ(stations.RecordCount(), 3);
    stations.MoveLast();
    EXPECT_EQ(stations.TestStationID, 3);
    stations.MoveFirst();
    EXPECT_EQ(stations.TestStationID, 2);
}

TEST_F(RecordBindingTest, AnEmptySetIsAtItsEndAndMovingPastTheEndIsAnError) {
    DB_TestStations stations(*db);
    stations.SetFilter("TestStationID = 99");
    stations.Open(OpenMode::ReadOnly);
    EXPECT_TRUE(stations.IsEOF());
    stations.MoveFirst();
    EXPECT_TRUE(stations.IsEOF());
    EXPECT_THROW(stations.MoveNext(), DbError);
    DB_TestStations closed(*db);
    EXPECT_TRUE(closed.IsEOF());
    EXPECT_THROW(closed.MoveNext(), DbError);
}

TEST_F(RecordBindingTest, ReadOnlySetsAndSavedQueriesRefuseWrites) {
    AddStations({{1, "A"}});
    DB_TestStations stations(*db);
    stations.Open(OpenMode::ReadOnly);
    EXPECT_THROW(stations.AddNew(), DbError);
    EXPECT_THROW(stations.Edit(), DbError);
    EXPECT_THROW(stations.Delete(), DbError);
    DB_DUTs duts(*db); // a saved query: opens as asked, but its rows cannot be written
    duts.Open(OpenMode::Updatable);
    EXPECT_THROW(duts.AddNew(), DbError);
    EXPECT_THROW(stations.Update(), DbError) << "Update without AddNew or Edit";
}

TEST_F(RecordBindingTest, AddedRowsJoinTheEndOfTheSetAndTheCurrentRowStays) {
    AddInstance(1, 3, "SN-1");
    DB_InstancesAll instances(*db);
    instances.SetFilter("DeviceTypeID = 3");
    instances.Open();
    instances.AddNew();
    EXPECT_EQ(instances.InstanceID, 0) << "AddNew clears the members";
    instances.InstanceID = 2;
    instances.DeviceTypeID = 3;
    instances.SerialNumber = "SN-2";
    instances.Priority = 200;
    instances.Temporary = false;
    instances.InterfaceType = 2;
    instances.Update();
    EXPECT_EQ(instances.SerialNumber, "SN-1");
    EXPECT_EQ(instances.RecordCount(), 2);
    instances.MoveLast();
    EXPECT_EQ(instances.SerialNumber, "SN-2");
    EXPECT_EQ(instances.Priority, 200);
    EXPECT_EQ(Scalar("SELECT SerialNumber FROM DeviceInstances WHERE InstanceID = 2").AsText(), "SN-2");
}

TEST_F(RecordBindingTest, AnEditWritesOnlyTheMembersThatChanged) {
    AddInstance(5, 3, "SN-5", "T-old");
    DB_InstancesAll instances(*db);
    instances.SetFilter("InstanceID = 5 ");
    instances.Open();
    // Another workstation changes the trace number meanwhile.
    db->Execute("UPDATE DeviceInstances SET TraceNumber = 'T-new' WHERE InstanceID = 5");
    instances.Edit();
    instances.LastCalibration = "03/15/2024";
    instances.Update();
    EXPECT_EQ(Scalar("SELECT TraceNumber FROM DeviceInstances WHERE InstanceID = 5").AsText(), "T-new");
    EXPECT_EQ(Scalar("SELECT LastCalibration FROM DeviceInstances WHERE InstanceID = 5").AsText(),
              "03/15/2024");
    EXPECT_EQ(instances.TraceNumber, "T-new") << "the members show the row as written";
}

TEST_F(RecordBindingTest, DeletingInsideALoopVisitsEveryRow) {
    for (int i = 1; i <= 6; ++i)
        AddInstance(i, 1, ("SN-" + std::to_string(i)).c_str());
    DB_InstancesAll instances(*db);
    instances.Open();
    std::vector<int32_t> seen;
    for (; !instances.IsEOF(); instances.MoveNext()) {
        seen.push_back(instances.InstanceID);
        if (instances.InstanceID % 2 == 0 || instances.InstanceID == 3)
            instances.Delete();
    }
    EXPECT_EQ(seen, (std::vector<int32_t>{1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(instances.RecordCount(), 2);
    EXPECT_EQ(Count("DeviceInstances"), 2);
    EXPECT_EQ(Count("DeviceInstances", "InstanceID IN (1, 5)"), 2);
}

TEST_F(RecordBindingTest, FindFirstComparesTextAsTheDatabaseDoes) {
    db->Execute("INSERT INTO DeviceInstance_has_Options VALUES (4, 'OPT-A', True), (4, 'OPT-B', False)");
    DB_InstanceOptions options(*db);
    options.SetFilter("InstanceID = 4 ");
    options.Open(OpenMode::ReadOnly);
    EXPECT_TRUE(options.FindFirst("DeviceOptionID = 'opt-b'"));
    EXPECT_EQ(options.DeviceOptionID, "OPT-B");
    EXPECT_FALSE(options.Undetectable);
    EXPECT_FALSE(options.FindFirst("DeviceOptionID = 'OPT-C'"));
    EXPECT_EQ(options.DeviceOptionID, "OPT-B") << "a failed search keeps the current row";
    EXPECT_TRUE(options.FindFirst("Undetectable"));
    EXPECT_EQ(options.DeviceOptionID, "OPT-A");
}

TEST_F(RecordBindingTest, RequeryTakesTheCurrentParametersAndFilter) {
    db->Execute(
        "INSERT INTO __sys_TestPlanVariants VALUES (1, 1, 'One A'), (1, 2, 'One B'), (2, 1, 'Two A')");
    DB_TPVs variants(*db);
    variants.param.TestPlanID = 1;
    variants.Open(OpenMode::ReadOnly);
    EXPECT_EQ(variants.RecordCount(), 2);
    variants.param.TestPlanID = 2;
    variants.Requery();
    EXPECT_EQ(variants.RecordCount(), 1);
    EXPECT_EQ(variants.Name, "Two A");
    variants.param.TestPlanID = 1;
    variants.SetFilter("Name = 'One B'");
    variants.Requery();
    EXPECT_EQ(variants.TestPlanVariantID, 2);
}

TEST_F(RecordBindingTest, NullsReadAsZeroEmptyOrFalse) {
    db->Execute(
        "INSERT INTO DeviceInstances (InstanceID, DeviceTypeID, SerialNumber, LastCalibration, TraceNumber, "
        "InterfaceType) VALUES (1, 2, 'X', NULL, NULL, NULL)");
    DB_InstancesAll instances(*db);
    instances.TraceNumber = "stale";
    instances.InterfaceType = 9;
    instances.Open(OpenMode::ReadOnly);
    EXPECT_EQ(instances.TraceNumber, "");
    EXPECT_EQ(instances.LastCalibration, "");
    EXPECT_EQ(instances.InterfaceType, 0);
}

TEST_F(RecordBindingTest, YesNoWrittenAsTrueOrFalseAndReadAsOneForAnyNonZero) {
    DB_IsAdminLoggedIn flag(*db);
    flag.Open();
    ASSERT_TRUE(flag.IsEOF());
    flag.AddNew();
    flag.IsAdminLoggedIn = true;
    flag.Update();
    EXPECT_EQ(Scalar("SELECT IsAdminLoggedIn FROM __sys_AdminLoggedIn").AsInteger(), 1);
    db->Execute("UPDATE __sys_AdminLoggedIn SET IsAdminLoggedIn = -1");
    flag.Requery();
    EXPECT_TRUE(flag.IsAdminLoggedIn);
    flag.Edit();
    flag.IsAdminLoggedIn = false;
    flag.Update();
    EXPECT_EQ(Scalar("SELECT IsAdminLoggedIn FROM __sys_AdminLoggedIn").AsInteger(), 0);
}

TEST_F(RecordBindingTest, KeysAreTheLargestPlusOneAndOneForAnEmptyTable) {
    DB_TestStations stations(*db);
    EXPECT_EQ(stations.NextKey("TestStationID"), 1);
    AddStations({{1, "A"}, {2, "B"}, {7, "C"}});
    stations.SetFilter("Name = 'B'");
    EXPECT_EQ(stations.NextKey("TestStationID"), 8);
    EXPECT_EQ(stations.filter(), "") << "key assignment clears the filter";
    stations.AddNew();
    stations.TestStationID = 8;
    stations.Name = "Lab A";
    stations.Update();
    EXPECT_EQ(Count("TestStations", "TestStationID = 8 AND Name = 'Lab A'"), 1);

    DB_InstancesAll instances(*db);
    AddInstance(-5, 1, "negative");
    EXPECT_EQ(instances.NextKey("InstanceID"), 1) << "a new key is never 0 or less";
    AddInstance(std::numeric_limits<int32_t>::max(), 1, "last");
    EXPECT_THROW(instances.NextKey("InstanceID"), DbError);
}

TEST_F(EmptyDatabaseTest, StoredValuesOutsideAMembersRangeAreErrors) {
    // A file written by another tool, without the range checks of our schema.
    db->Execute("CREATE TABLE InterfaceData_GPIB (InstanceID INTEGER, TempInterface BOOLEAN, Board INTEGER, "
                "Address1 INTEGER, Address2 INTEGER, Timeout INTEGER)");
    db->Execute("INSERT INTO InterfaceData_GPIB VALUES (1, 1, 0, 300, 0, 0)");
    DB_InterfaceData_GPIB gpib(*db);
    EXPECT_THROW(gpib.Open(OpenMode::ReadOnly), DbError);
    if (!OnServer()) { // a server's Long column refuses the value when it is written
        db->Execute("UPDATE InterfaceData_GPIB SET Address1 = 22, InstanceID = 4294967296");
        EXPECT_THROW(gpib.Open(OpenMode::ReadOnly), DbError);
    }
    db->Execute("UPDATE InterfaceData_GPIB SET Address1 = 22");
    db->Execute("UPDATE InterfaceData_GPIB SET InstanceID = 1");
    gpib.Open(OpenMode::ReadOnly);
    EXPECT_EQ(gpib.Address1, 22);
}

TEST_F(RecordBindingTest, ABindingMayOpenItsOwnConnectionToTheFile) {
    AddStations({{3, "Own"}});
    DB_TestStations stations(file);
    stations.Open(OpenMode::ReadOnly);
    EXPECT_EQ(stations.Name, "Own");
    EXPECT_THROW(DB_TestStations(dir.path() / "absent.db"), DbError);
}

TEST_F(EmptyDatabaseTest, ASourceThatIsNeitherTableNorQueryIsAnError) {
    DB_TestStations stations(*db);
    EXPECT_THROW(stations.Open(), DbError);
}

} // namespace
} // namespace corvid::operatordb::testing
