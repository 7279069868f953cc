// Writing equipment items back on the demo station: interface rows, settings, declared
// options, the instance row with the model-wide interval, and station links.
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
    // The fields as the tab shows them for a loaded item.
    static EquipmentFields FieldsOf(const EquipmentItem& item) {
        EquipmentFields fields;
        fields.interfaceType = item.interfaceType;
        fields.board = item.interfaceType == kInterfaceVxi ? item.vxiBoardAddress : item.gpibBoard;
        fields.address = item.interfaceType == kInterfaceVxi ? item.vxiLogicalAddress : item.gpibAddress;
        fields.port = item.serialPort;
        fields.lastCalibration = item.lastCalibration;
        fields.nextCalibration = item.nextCalibration;
        fields.interval = std::to_string(item.calibrationInterval);
        fields.traceNumber = item.traceNumber;
        return fields;
    }
    int64_t Int(const std::string& sql) { return Scalar(sql).AsInteger(); }
};

TEST_F(EquipmentSaveTest, InterfaceRowsAreCopiedFromModelDefaultsAndNeverOverwritten) {
    db->Execute("UPDATE InterfaceData_GPIB SET Address1 = 9 WHERE InstanceID = 6 AND NOT TempInterface");
    CreateInterfaceRows(*db, 5, 6, kInterfaceGpib | kInterfaceRs232 | kInterfaceVxi, true);
    EXPECT_EQ(Int("SELECT Address1 FROM InterfaceData_GPIB WHERE InstanceID = 6 AND TempInterface"), 6);
    EXPECT_EQ(Int("SELECT Timeout FROM InterfaceData_GPIB WHERE InstanceID = 6 AND TempInterface"), 13);
    EXPECT_EQ(Count("InterfaceData_RS232", "InstanceID = 6"), 2); // both existed
    EXPECT_EQ(Count("InterfaceData_VXI", "InstanceID = 6"), 0);   // no model defaults

    CreateInterfaceRows(*db, 4, 3, kInterfaceGpib | kInterfaceVxi, false);
    EXPECT_EQ(Count("InterfaceData_GPIB", "InstanceID = 3"), 2);
    EXPECT_EQ(Int("SELECT LogicalAddress FROM InterfaceData_VXI WHERE InstanceID = 3 AND NOT TempInterface"),
              16);
    CreateInterfaceRows(*db, 4, 3, kInterfaceRs232, true);
    EXPECT_EQ(Count("InterfaceData_RS232", "InstanceID = 3"), 0);
}

TEST_F(EquipmentSaveTest, SavingWithoutAnInUseRowCreatesItFromDefaultsThenWritesTheShownValues) {
    db->Execute("DELETE FROM InterfaceData_GPIB WHERE InstanceID = 2");
    EquipmentItem item = Load(2, 2);
    ASSERT_TRUE(item.changed);
    EquipmentFields fields = FieldsOf(item);
    fields.board = 1;
    fields.address = 12;
    SaveEquipmentItem(*db, item, fields);
    EXPECT_EQ(Count("InterfaceData_GPIB", "InstanceID = 2"), 1);
    EXPECT_EQ(Int("SELECT Board FROM InterfaceData_GPIB WHERE InstanceID = 2 AND TempInterface"), 1);
    EXPECT_EQ(Int("SELECT Address1 FROM InterfaceData_GPIB WHERE InstanceID = 2 AND TempInterface"), 12);
    EXPECT_EQ(Int("SELECT Timeout FROM InterfaceData_GPIB WHERE InstanceID = 2"), 13); // from the model
    EXPECT_FALSE(item.changed);
    EXPECT_EQ(item.gpibAddress, 12);

    // A model without defaults still gets the shown values.
    db->Execute("DELETE FROM InterfaceData_GPIB WHERE InstanceID = 2");
    db->Execute("DELETE FROM __sys_InterfaceData_GPIB WHERE DeviceTypeID = 3");
    fields.address = 14;
    SaveEquipmentItem(*db, item, fields);
    EXPECT_EQ(Int("SELECT Address1 FROM InterfaceData_GPIB WHERE InstanceID = 2 AND TempInterface"), 14);
}

TEST_F(EquipmentSaveTest, TheChosenInterfaceTypeIsWrittenWithItsOwnSettings) {
    EquipmentItem item = Load(5);
    EquipmentFields fields = FieldsOf(item);
    fields.interfaceType = kInterfaceGpib;
    fields.board = 0;
    fields.address = 23;
    SaveEquipmentItem(*db, item, fields);
    EXPECT_EQ(Int("SELECT InterfaceType FROM DeviceInstances WHERE InstanceID = 5"), kInterfaceGpib);
    EXPECT_EQ(Int("SELECT Address1 FROM InterfaceData_GPIB WHERE InstanceID = 5 AND TempInterface"), 23);
    EXPECT_EQ(item.interfaceName, "GPIB");
    EXPECT_EQ(item.gpibAddress, 23);

    fields.interfaceType = kInterfaceRs232;
    fields.port = 3;
    SaveEquipmentItem(*db, item, fields);
    EXPECT_EQ(Int("SELECT PortAddress FROM InterfaceData_RS232 WHERE InstanceID = 5 AND TempInterface"), 3);
    EXPECT_EQ(Int("SELECT BaudRate FROM InterfaceData_RS232 WHERE InstanceID = 5 AND TempInterface"), 9600);

    fields.address = 300; // no GPIB address; the save leaves everything as it was
    fields.interfaceType = kInterfaceGpib;
    fields.traceNumber = "TR-NEW";
    EXPECT_THROW(SaveEquipmentItem(*db, item, fields), DbError);
    EXPECT_EQ(Int("SELECT InterfaceType FROM DeviceInstances WHERE InstanceID = 5"), kInterfaceRs232);
    EXPECT_EQ(Count("DeviceInstances", "TraceNumber = 'TR-NEW'"), 0);
}

TEST_F(EquipmentSaveTest, TheIntervalBelongsToTheModelAndReachesEveryInstance) {
    db->Execute("INSERT INTO DeviceInstances (InstanceID, DeviceTypeID, SerialNumber, LastCalibration, "
                "InterfaceType) VALUES (7, 1, 'VC91-009999', '01/31/2024', 2)");
    EquipmentItem item = Load(1);
    EquipmentFields fields = FieldsOf(item);
    fields.interval = "1";
    fields.lastCalibration = "01/31/2024";
    fields.traceNumber = "TR-5521-B";
    fields.nextCalibration = "12/31/2099"; // never stored
    SaveEquipmentItem(*db, item, fields);
    EXPECT_EQ(Int("SELECT CalibrationInterval FROM __sys_DeviceTypes WHERE DeviceTypeID = 1"), 1);
    EXPECT_EQ(item.calibrationInterval, 1);
    EXPECT_EQ(item.nextCalibration, "02/29/2024");
    EXPECT_EQ(item.traceNumber, "TR-5521-B");
    EXPECT_EQ(Load(7).nextCalibration, "02/29/2024");
    EXPECT_EQ(Load(6).calibrationInterval, 12); // another model

    fields.interval = "6 months";
    SaveEquipmentItem(*db, item, fields);
    EXPECT_EQ(Load(7).calibrationInterval, 6);
    fields.interval = "";
    SaveEquipmentItem(*db, item, fields);
    EXPECT_EQ(Load(7).calibrationInterval, 0);
}

TEST_F(EquipmentSaveTest, DeclaredOptionsAreAddedAndRemoved) {
    db->Execute("INSERT INTO __sys_Device_has_UnDetectableOptions (DeviceTypeID, DeviceOptionID) "
                "VALUES (1, 'OPT-LC'), (1, 'OPT-PWR')");
    db->Execute("INSERT INTO DeviceInstance_has_Options VALUES (1, 'OPT-DET', False)");
    SaveDeclaredOptions(*db, 1, {{"OPT-HV", "0"}, {"OPT-PWR", "1"}, {"OPT-LC", "1"}});
    EXPECT_EQ(Load(1).declaredOptions, (DeclaredOptions{{"OPT-HV", "0"}, {"OPT-LC", "1"}, {"OPT-PWR", "1"}}));
    EXPECT_EQ(Count("DeviceInstance_has_Options", "InstanceID = 1 AND DeviceOptionID = 'OPT-DET'"), 1);

    SaveDeclaredOptions(*db, 1, {{"opt-lc", "1"}}); // kept, not added twice
    EXPECT_EQ(Count("DeviceInstance_has_Options", "InstanceID = 1 AND Undetectable"), 1);
    SaveDeclaredOptions(*db, 0, {{"OPT-LC", "1"}});
    EXPECT_EQ(Count("DeviceInstance_has_Options", "InstanceID = 0"), 0);

    EquipmentItem item = Load(1);
    item.declaredOptions = {{"OPT-HV", "1"}, {"OPT-LC", "0"}, {"OPT-PWR", "0"}};
    SaveEquipmentItem(*db, item, FieldsOf(item));
    EXPECT_EQ(item.declaredOptions, (DeclaredOptions{{"OPT-HV", "1"}, {"OPT-LC", "0"}, {"OPT-PWR", "0"}}));
}

TEST_F(EquipmentSaveTest, ANewInstanceGetsTheNextKeyAndItsInterfaceRows) {
    EquipmentItem item;
    LoadEquipmentItem(*db, item, kTestPlan, 1, 5, -1, "VC92-000999");
    ASSERT_EQ(item.instanceId, -1);
    EquipmentFields fields = FieldsOf(item);
    fields.lastCalibration = "05/01/2024";
    fields.traceNumber = "TR-NEW";
    fields.port = 4;
    SaveEquipmentItem(*db, item, fields);
    EXPECT_EQ(item.instanceId, 7);
    EXPECT_EQ(item.serialNumber, "VC92-000999");
    EXPECT_EQ(item.lastCalibration, "05/01/2024");
    EXPECT_EQ(item.interfaceType, kInterfaceRs232); // the model's default type
    EXPECT_EQ(Int("SELECT DeviceTypeID FROM DeviceInstances WHERE InstanceID = 7"), 5);
    EXPECT_EQ(Int("SELECT PortAddress FROM InterfaceData_RS232 WHERE InstanceID = 7 AND TempInterface"), 4);
    EXPECT_EQ(Int("SELECT StopBits FROM InterfaceData_RS232 WHERE InstanceID = 7"), 1);

    db->Execute("DELETE FROM DeviceInstances");
    EquipmentItem first;
    LoadEquipmentItem(*db, first, kTestPlan, 1, 1, -1, "VC91-000001");
    SaveEquipmentItem(*db, first, FieldsOf(first));
    EXPECT_EQ(first.instanceId, 1);
}

TEST_F(EquipmentSaveTest, NothingIsSavedWithoutModelOrSerialNumber) {
    EquipmentItem item;
    LoadEquipmentItem(*db, item, kTestPlan, 1, 1, -1, "");
    SaveEquipmentItem(*db, item, FieldsOf(item));
    item = EquipmentItem{};
    item.serialNumber = "X-1";
    SaveEquipmentItem(*db, item, FieldsOf(item));
    EXPECT_EQ(Count("DeviceInstances"), 6);
}

TEST_F(EquipmentSaveTest, UsedInstancesAreInstalledAtTheStationOnce) {
    db->Execute("INSERT INTO TestPlan_uses_Instances VALUES (2, 1, 'Frequency Counter', 2), "
                "(2, 1, 'Input Scanner', 0), (2, 2, 'Other Plan', 3)");
    LinkUsedInstancesToStation(*db, kServiceBench, kTestPlan);
    LinkUsedInstancesToStation(*db, kServiceBench, kTestPlan);
    EXPECT_EQ(Count("TestStation_has_Instances", "TestStationID = 2"), 3);
    EXPECT_EQ(Count("TestStation_has_Instances", "TestStationID = 2 AND DeviceInstanceID = 2"), 1);
    LinkUsedInstancesToStation(*db, kDemoBench, kTestPlan);
    EXPECT_EQ(Count("TestStation_has_Instances", "TestStationID = 1"), 4);

    db->ExecuteNative("DROP TABLE TestStation_has_Instances");
    EXPECT_NO_THROW(LinkUsedInstancesToStation(*db, kServiceBench, kTestPlan));
}

} // namespace
} // namespace corvid::operatordb::testing
