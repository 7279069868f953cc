// Saving equipment items on the demo station: interface rows created from the model's
// defaults, declared options, the model-wide interval, new instances and the station's
// installed instances.
#include "db_fixture.h"
#include "operatordb/db_error.h"
#include "operatordb/equipment_item.h"
#include "operatordb/interface_types.h"

namespace corvid::operatordb::testing {
namespace {

using namespace demo;

class EquipmentSaveTest : public DemoTest {
protected:
    void SetUp() override {
        DemoTest::SetUp();
        ASSERT_TRUE(LoadInterfaceTypeNames(*db));
    }
    EquipmentItem Load(int instance, int dsg = 1) {
        EquipmentItem item;
        LoadEquipmentItem(*db, item, kTestPlan, dsg, -1, instance, "");
        return item;
    }
    static EquipmentFields FieldsOf(const EquipmentItem& item) {
        return {item.interfaceType,
                item.gpibBoard,
                item.gpibAddress,
                item.serialPort,
                item.lastCalibration,
                item.nextCalibration,
                std::to_string(item.calibrationInterval),
                item.traceNumber};
    }
};

TEST_F(EquipmentSaveTest, CreatingInterfaceRowsCopiesModelDefaultsAndKeepsExistingRows) {
    db->Execute("DELETE FROM InterfaceData_GPIB WHERE InstanceID = 4");
    db->Execute("UPDATE InterfaceData_RS232 SET PortAddress = 3 WHERE InstanceID = 5");
    CreateInterfaceRows(*db, kMultimeterModel, 4, kInterfaceGpib | kInterfaceVxi, true);
    CreateInterfaceRows(*db, kMultimeterModel, 5, kInterfaceRs232, true);
    CreateInterfaceRows(*db, kMultimeterModel, 5, kInterfaceRs232, false);
    EXPECT_EQ(Scalar("SELECT Address1 * 100 + Timeout FROM InterfaceData_GPIB WHERE InstanceID = 4 "
                     "AND TempInterface")
                  .AsInteger(),
              2213);
    EXPECT_EQ(Count("InterfaceData_GPIB", "InstanceID = 4"), 1);
    EXPECT_EQ(Count("InterfaceData_VXI", "InstanceID = 4"), 0); // the model has no VXI defaults
    EXPECT_EQ(Scalar("SELECT PortAddress FROM InterfaceData_RS232 WHERE InstanceID = 5 AND TempInterface")
                  .AsInteger(),
              3);
    EXPECT_EQ(Scalar("SELECT BaudRate FROM InterfaceData_RS232 WHERE InstanceID = 5 AND NOT TempInterface")
                  .AsInteger(),
              9600);
}

TEST_F(EquipmentSaveTest, SavingWithoutAnInUseRowCreatesItFromDefaultsThenWritesTheShownValues) {
    db->Execute("DELETE FROM InterfaceData_GPIB WHERE InstanceID = 2 AND TempInterface");
    db->Execute("UPDATE __sys_InterfaceData_GPIB SET Address2 = 3 WHERE DeviceTypeID = 3");
    EquipmentItem item = Load(2, 2);
    ASSERT_TRUE(item.changed);
    EquipmentFields fields = FieldsOf(item);
    fields.board = 1;
    fields.address = 12;
    SaveEquipmentItem(*db, item, fields);
    EXPECT_EQ(Scalar("SELECT Board * 10000 + Address1 * 100 + Address2 FROM InterfaceData_GPIB "
                     "WHERE InstanceID = 2 AND TempInterface")
                  .AsInteger(),
              11203);
    EXPECT_FALSE(item.changed);
    EXPECT_EQ(item.gpibAddress, 12);
    EXPECT_EQ(Scalar("SELECT Address1 FROM InterfaceData_GPIB WHERE InstanceID = 2 AND NOT TempInterface")
                  .AsInteger(),
              10); // the standing settings stay
}

TEST_F(EquipmentSaveTest, TheIntervalBelongsToTheModelAndTheNextDateIsRecomputed) {
    db->Execute("INSERT INTO DeviceInstances (InstanceID, DeviceTypeID, SerialNumber, LastCalibration) "
                "VALUES (7, 1, 'VC91-000001', '01/10/2024')");
    EquipmentItem item = Load(1);
    EquipmentFields fields = FieldsOf(item);
    fields.lastCalibration = "08/31/2004";
    fields.nextCalibration = "01/01/2100";
    fields.interval = "6 months";
    fields.traceNumber = "TR-'new'";
    SaveEquipmentItem(*db, item, fields);
    EXPECT_EQ(item.lastCalibration, "08/31/2004");
    EXPECT_EQ(item.nextCalibration, "02/28/2005");
    EXPECT_EQ(item.traceNumber, "TR-'new'");
    EXPECT_EQ(Scalar("SELECT CalibrationInterval FROM __sys_DeviceTypes WHERE DeviceTypeID = 1").AsInteger(),
              6);
    EXPECT_EQ(Load(7).nextCalibration, "07/10/2024");
    EXPECT_EQ(Scalar("SELECT LastCalibration FROM DeviceInstances WHERE InstanceID = 1").AsText(),
              "08/31/2004");
}

TEST_F(EquipmentSaveTest, ANewInstanceTakesTheNextKeyAndNothingIsSavedWithoutModelOrSerial) {
    EquipmentItem item;
    LoadEquipmentItem(*db, item, kTestPlan, 2, kCounterModel, -1, "OM3120-9999");
    ASSERT_EQ(item.instanceId, -1);
    EquipmentFields fields = FieldsOf(item);
    fields.lastCalibration = "05/01/2024";
    fields.board = 0;
    fields.address = 14;
    SaveEquipmentItem(*db, item, fields);
    EXPECT_EQ(item.instanceId, 7);
    EXPECT_EQ(item.serialNumber, "OM3120-9999");
    EXPECT_EQ(item.gpibAddress, 14);
    EXPECT_EQ(item.nextCalibration, "05/01/2026");
    EXPECT_EQ(Count("DeviceInstances", "InstanceID = 7 AND DeviceTypeID = 3 AND NOT [Temporary]"), 1);

    EquipmentItem empty;
    LoadEquipmentItem(*db, empty, kTestPlan, 2, kCounterModel, -1, "");
    SaveEquipmentItem(*db, empty, fields);
    EXPECT_EQ(Count("DeviceInstances"), 7);
}

TEST_F(EquipmentSaveTest, AFailedSaveLeavesTheDatabaseAndTheItemAsTheyWere) {
    EquipmentItem item = Load(1);
    EquipmentFields fields = FieldsOf(item);
    fields.lastCalibration = "01/02/2003";
    fields.address = 300; // no GPIB address
    EXPECT_THROW(SaveEquipmentItem(*db, item, fields), DbError);
    EXPECT_NE(Scalar("SELECT LastCalibration FROM DeviceInstances WHERE InstanceID = 1").AsText(),
              "01/02/2003");
    EXPECT_NE(item.lastCalibration, "01/02/2003");
}

TEST_F(EquipmentSaveTest, DeclaredOptionsKeepPresentRowsDropAbsentOnesAndAddNewOnes) {
    db->Execute("INSERT INTO DeviceInstance_has_Options (InstanceID, DeviceOptionID, Undetectable) "
                "VALUES (4, 'OPT-OLD', 1)");
    SaveDeclaredOptions(*db, 4, {{"OPT-HC", "1"}, {"OPT-X", "0"}, {"opt-old", "0"}});
    EXPECT_EQ(Count("DeviceInstance_has_Options", "InstanceID = 4 AND Undetectable"), 1);
    EXPECT_EQ(Count("DeviceInstance_has_Options", "InstanceID = 4 AND DeviceOptionID = 'OPT-HC'"), 1);
    EXPECT_EQ(Count("DeviceInstance_has_Options", "InstanceID = 4 AND NOT Undetectable"), 2); // detected ones

    SaveDeclaredOptions(*db, 5, {{"OPT-HC", "0"}});
    SaveDeclaredOptions(*db, 1, {{"OPT-HV", "1"}});
    SaveDeclaredOptions(*db, 0, {{"OPT-HV", "1"}});
    EXPECT_EQ(Count("DeviceInstance_has_Options", "InstanceID = 5"), 0);
    EXPECT_EQ(Count("DeviceInstance_has_Options", "InstanceID = 1"), 1);
    EXPECT_EQ(Count("DeviceInstance_has_Options", "InstanceID = 0"), 0);
    DeclaredOptions loaded;
    LoadDeclaredOptions(*db, kMultimeterModel, 4, loaded);
    EXPECT_EQ(loaded, (DeclaredOptions{{"OPT-HC", "1"}}));
}

TEST_F(EquipmentSaveTest, UsedInstancesAreInstalledAtTheStationOnce) {
    db->Execute("INSERT INTO TestPlan_uses_Instances VALUES (2, 1, 'Frequency Counter', 2)");
    db->Execute("INSERT INTO TestPlan_uses_Instances VALUES (2, 1, 'Input Scanner', 0)");
    LinkUsedInstancesToStation(*db, kServiceBench, kTestPlan);
    LinkUsedInstancesToStation(*db, kServiceBench, kTestPlan);
    EXPECT_EQ(Count("TestStation_has_Instances", "TestStationID = 2"), 3);
    EXPECT_EQ(Count("TestStation_has_Instances", "TestStationID = 2 AND DeviceInstanceID = 2"), 1);
    EXPECT_EQ(Count("TestStation_has_Instances", "DeviceInstanceID = 0"), 0);
    LinkUsedInstancesToStation(*db, kDemoBench, kTestPlan);
    EXPECT_EQ(Count("TestStation_has_Instances", "TestStationID = 1"), 4);
}

} // namespace
} // namespace corvid::operatordb::testing
