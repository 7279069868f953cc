#include "operatordb/schema.h"

#include "operatordb/db_error.h"

namespace corvid::operatordb {
namespace {

// Column types: Long INTEGER, Text TEXT COLLATE NOCASE (text compares as in Jet),
// Byte TINYINT limited to 0..255, yes/no BOOLEAN (0 false, any other value true).
const char* const kTables = R"SQL(
CREATE TABLE MSysQueries (Name TEXT PRIMARY KEY COLLATE NOCASE, Parameters TEXT, SQL TEXT);

CREATE TABLE TestStations (
    TestStationID INTEGER NOT NULL PRIMARY KEY,
    Name TEXT COLLATE NOCASE NOT NULL DEFAULT '');
CREATE INDEX TestStations_Name ON TestStations (Name);

CREATE TABLE __sys_InterfaceTypes (
    InterfaceID INTEGER NOT NULL PRIMARY KEY,
    Name TEXT COLLATE NOCASE NOT NULL DEFAULT '');

CREATE TABLE __sys_DeviceTypes (
    DeviceTypeID INTEGER NOT NULL PRIMARY KEY,
    Model TEXT COLLATE NOCASE DEFAULT '',
    Alias TEXT COLLATE NOCASE DEFAULT '',
    IconID INTEGER DEFAULT 0,
    CalibrationInterval INTEGER DEFAULT 0,
    CalDataQuery TEXT COLLATE NOCASE DEFAULT '',
    CopyDefaultCalDataQuery TEXT COLLATE NOCASE DEFAULT '',
    CalColumnsCount INTEGER DEFAULT 1,
    ProgID TEXT COLLATE NOCASE DEFAULT '',
    ValidIOs INTEGER DEFAULT 1,
    DefaultIOType INTEGER DEFAULT 1,
    MultiComponent BOOLEAN NOT NULL DEFAULT 0);

CREATE TABLE __sys_Device_has_UnDetectableOptions (
    DeviceTypeID INTEGER NOT NULL,
    DeviceOptionID TEXT COLLATE NOCASE NOT NULL,
    Description TEXT COLLATE NOCASE DEFAULT '',
    PRIMARY KEY (DeviceTypeID, DeviceOptionID));

CREATE TABLE DeviceInstances (
    InstanceID INTEGER NOT NULL PRIMARY KEY,
    DeviceTypeID INTEGER NOT NULL DEFAULT 0,
    SerialNumber TEXT COLLATE NOCASE NOT NULL DEFAULT '',
    Priority TINYINT DEFAULT 0 CHECK (Priority BETWEEN 0 AND 255),
    LastCalibration TEXT COLLATE NOCASE DEFAULT '',
    TraceNumber TEXT COLLATE NOCASE DEFAULT '',
    "Temporary" BOOLEAN NOT NULL DEFAULT 0,
    UUTChecked BOOLEAN NOT NULL DEFAULT 0,
    InterfaceType INTEGER DEFAULT 0);
CREATE INDEX DeviceInstances_Model_Serial ON DeviceInstances (DeviceTypeID, SerialNumber);
CREATE UNIQUE INDEX DeviceInstances_Unique_Serial ON DeviceInstances (DeviceTypeID, SerialNumber)
    WHERE SerialNumber <> '';

CREATE TABLE DeviceInstance_has_Options (
    InstanceID INTEGER NOT NULL,
    DeviceOptionID TEXT COLLATE NOCASE NOT NULL,
    Undetectable BOOLEAN NOT NULL DEFAULT 0);
CREATE INDEX DeviceInstance_has_Options_Instance ON DeviceInstance_has_Options (InstanceID, DeviceOptionID);

CREATE TABLE InterfaceData_GPIB (
    InstanceID INTEGER NOT NULL,
    TempInterface BOOLEAN NOT NULL DEFAULT 0,
    Board TINYINT DEFAULT 0 CHECK (Board BETWEEN 0 AND 255),
    Address1 TINYINT DEFAULT 0 CHECK (Address1 BETWEEN 0 AND 255),
    Address2 TINYINT DEFAULT 0 CHECK (Address2 BETWEEN 0 AND 255),
    Timeout TINYINT DEFAULT 0 CHECK (Timeout BETWEEN 0 AND 255));
CREATE INDEX InterfaceData_GPIB_Instance ON InterfaceData_GPIB (InstanceID);

CREATE TABLE __sys_InterfaceData_GPIB (
    DeviceTypeID INTEGER NOT NULL PRIMARY KEY,
    Board TINYINT DEFAULT 0 CHECK (Board BETWEEN 0 AND 255),
    Address1 TINYINT DEFAULT 0 CHECK (Address1 BETWEEN 0 AND 255),
    Address2 TINYINT DEFAULT 0 CHECK (Address2 BETWEEN 0 AND 255),
    Timeout TINYINT DEFAULT 0 CHECK (Timeout BETWEEN 0 AND 255));

CREATE TABLE InterfaceData_RS232 (
    InstanceID INTEGER NOT NULL,
    TempInterface BOOLEAN NOT NULL DEFAULT 0,
    PortAddress INTEGER DEFAULT 0, BaudRate INTEGER DEFAULT 0, DataBits INTEGER DEFAULT 0,
    FlowControl INTEGER DEFAULT 0, Parity INTEGER DEFAULT 0, StopBits INTEGER DEFAULT 0);
CREATE INDEX InterfaceData_RS232_Instance ON InterfaceData_RS232 (InstanceID);

CREATE TABLE __sys_InterfaceData_RS232 (
    DeviceTypeID INTEGER NOT NULL PRIMARY KEY,
    PortAddress INTEGER DEFAULT 0, BaudRate INTEGER DEFAULT 0, DataBits INTEGER DEFAULT 0,
    FlowControl INTEGER DEFAULT 0, Parity INTEGER DEFAULT 0, StopBits INTEGER DEFAULT 0);

CREATE TABLE InterfaceData_VXI (
    InstanceID INTEGER NOT NULL,
    TempInterface BOOLEAN NOT NULL DEFAULT 0,
    BoardAddress INTEGER DEFAULT 0, LogicalAddress INTEGER DEFAULT 0);
CREATE INDEX InterfaceData_VXI_Instance ON InterfaceData_VXI (InstanceID);

CREATE TABLE __sys_InterfaceData_VXI (
    DeviceTypeID INTEGER NOT NULL PRIMARY KEY,
    BoardAddress INTEGER DEFAULT 0, LogicalAddress INTEGER DEFAULT 0);

CREATE TABLE TestStation_has_Instances (
    TestStationID INTEGER NOT NULL,
    DeviceInstanceID INTEGER NOT NULL,
    PRIMARY KEY (TestStationID, DeviceInstanceID));
CREATE INDEX TestStation_has_Instances_Instance ON TestStation_has_Instances (DeviceInstanceID);

CREATE TABLE __sys_TestPlans (
    TestPlanID INTEGER NOT NULL PRIMARY KEY,
    Name TEXT COLLATE NOCASE DEFAULT '',
    LongName TEXT COLLATE NOCASE DEFAULT '',
    Description TEXT COLLATE NOCASE DEFAULT '',
    TPAFileName TEXT COLLATE NOCASE DEFAULT '',
    ReportTitle TEXT COLLATE NOCASE DEFAULT '');

CREATE TABLE __sys_TestPlanVariants (
    TestPlanID INTEGER NOT NULL,
    TestPlanVariantID INTEGER NOT NULL,
    Name TEXT COLLATE NOCASE DEFAULT '',
    PRIMARY KEY (TestPlanID, TestPlanVariantID));

CREATE TABLE __sys_Tests (
    TestPlanID INTEGER NOT NULL,
    TestID INTEGER NOT NULL,
    Name TEXT COLLATE NOCASE DEFAULT '',
    Description TEXT COLLATE NOCASE DEFAULT '',
    PRIMARY KEY (TestPlanID, TestID));

CREATE TABLE __sys_Testplan_has_UUTs (
    TestPlanID INTEGER NOT NULL,
    UUTDeviceTypeID INTEGER NOT NULL,
    UUTProgID TEXT COLLATE NOCASE DEFAULT '',
    PRIMARY KEY (TestPlanID, UUTDeviceTypeID));
CREATE INDEX Testplan_has_UUTs_Model ON __sys_Testplan_has_UUTs (UUTDeviceTypeID);

CREATE TABLE __sys_tblTestPlan_Supports_Uncertainty (
    TestPlanID INTEGER NOT NULL PRIMARY KEY,
    ApplyUncertainty BOOLEAN NOT NULL DEFAULT 0);

CREATE TABLE __sys_DSGs (
    TestPlanID INTEGER NOT NULL,
    DSGID INTEGER NOT NULL,
    Name TEXT COLLATE NOCASE NOT NULL DEFAULT '',
    IconID INTEGER DEFAULT 0,
    Notes TEXT COLLATE NOCASE DEFAULT '',
    Description TEXT COLLATE NOCASE DEFAULT '',
    PRIMARY KEY (TestPlanID, DSGID));
CREATE UNIQUE INDEX DSGs_Name ON __sys_DSGs (TestPlanID, Name);

CREATE TABLE __sys_DSG_has_DeviceTypes (
    TestPlanID INTEGER NOT NULL,
    DSGID INTEGER NOT NULL,
    DeviceTypeID INTEGER NOT NULL,
    PRIMARY KEY (TestPlanID, DSGID, DeviceTypeID));

CREATE TABLE TestPlan_uses_Instances (
    TestStationID INTEGER NOT NULL,
    TestPlanID INTEGER NOT NULL,
    DeviceSubstitutionGroup TEXT COLLATE NOCASE NOT NULL,
    DeviceInstanceID INTEGER NOT NULL DEFAULT 0,
    PRIMARY KEY (TestStationID, TestPlanID, DeviceSubstitutionGroup));
CREATE INDEX TestPlan_uses_Instances_Instance ON TestPlan_uses_Instances (DeviceInstanceID);

CREATE TABLE __sys_TPUUT_OptionGroups (
    TestPlanID INTEGER NOT NULL,
    OptGrpID INTEGER NOT NULL,
    Name TEXT COLLATE NOCASE DEFAULT '',
    PRIMARY KEY (TestPlanID, OptGrpID));

CREATE TABLE __sys_TPUUT_OptionGroup_has_Options (
    TestPlanID INTEGER NOT NULL,
    OptGrpID INTEGER NOT NULL,
    DeviceTypeID INTEGER NOT NULL,
    "Option" TEXT COLLATE NOCASE NOT NULL DEFAULT '',
    OptionForbidden BOOLEAN NOT NULL DEFAULT 0);
CREATE INDEX TPUUT_OptionGroup_has_Options_Group
    ON __sys_TPUUT_OptionGroup_has_Options (TestPlanID, OptGrpID, DeviceTypeID);

CREATE TABLE __sys_TestPlanVariant_has_Tests (
    TestPlanID INTEGER NOT NULL,
    TestPlanVariantID INTEGER NOT NULL,
    TestID INTEGER NOT NULL,
    TestSequenceOrder INTEGER DEFAULT 0,
    RemoveTest BOOLEAN NOT NULL DEFAULT 0,
    OptGrpID INTEGER NOT NULL DEFAULT 0);
CREATE INDEX TestPlanVariant_has_Tests_Group
    ON __sys_TestPlanVariant_has_Tests (TestPlanID, TestPlanVariantID, OptGrpID, TestID);

CREATE TABLE __sys_Test_requires_DSG (
    TestPlanID INTEGER NOT NULL,
    TestID INTEGER NOT NULL,
    DSGID INTEGER NOT NULL,
    RemoveDSG BOOLEAN NOT NULL DEFAULT 0,
    OptGrpID INTEGER NOT NULL DEFAULT 0);
-- Covers the filter's per-test lookups of removed DSGs; an index led by the option
-- group would tempt the planner into scanning whole groups for each test.
CREATE INDEX Test_requires_DSG_Test
    ON __sys_Test_requires_DSG (TestPlanID, TestID, RemoveDSG, OptGrpID, DSGID);

CREATE TABLE UUTFilter (
    TestPlanID INTEGER NOT NULL,
    TestVariantID INTEGER NOT NULL,
    UUTInstanceID INTEGER NOT NULL,
    Type INTEGER NOT NULL,
    ID INTEGER NOT NULL,
    SeqNumber INTEGER DEFAULT 0);
CREATE INDEX UUTFilter_Selection ON UUTFilter (TestPlanID, TestVariantID, UUTInstanceID, Type, ID);

CREATE TABLE __sys_AdminLoggedIn (IsAdminLoggedIn BOOLEAN NOT NULL DEFAULT 0);

CREATE TABLE __sys_DeviceType_has_Properties (
    DeviceTypeID INTEGER NOT NULL,
    DeviceProperty TEXT COLLATE NOCASE NOT NULL,
    ValueType TEXT COLLATE NOCASE DEFAULT '',
    Value TEXT COLLATE NOCASE DEFAULT '',
    PRIMARY KEY (DeviceTypeID, DeviceProperty));

CREATE TABLE DeviceInstance_has_Properties (
    InstanceID INTEGER NOT NULL,
    DeviceProperty TEXT COLLATE NOCASE NOT NULL,
    ValueType TEXT COLLATE NOCASE DEFAULT '',
    Value TEXT COLLATE NOCASE DEFAULT '',
    PRIMARY KEY (InstanceID, DeviceProperty));

CREATE TABLE __sys_DeviceType_CalData (
    DeviceTypeID INTEGER NOT NULL,
    Point INTEGER NOT NULL,
    Parameter TEXT COLLATE NOCASE DEFAULT '',
    Nominal DOUBLE DEFAULT 0,
    Correction DOUBLE DEFAULT 0,
    Uncertainty DOUBLE DEFAULT 0,
    PRIMARY KEY (DeviceTypeID, Point));

CREATE TABLE DeviceInstance_CalData (
    InstanceID INTEGER NOT NULL,
    Point INTEGER NOT NULL,
    Parameter TEXT COLLATE NOCASE DEFAULT '',
    Nominal DOUBLE DEFAULT 0,
    Correction DOUBLE DEFAULT 0,
    Uncertainty DOUBLE DEFAULT 0,
    PRIMARY KEY (InstanceID, Point));
)SQL";

// Deleting a station or an instance takes the rows that only describe it along, so
// that no assignment or installation points at something that is gone.
const char* const kTriggers = R"SQL(
CREATE TRIGGER TestStations_Delete AFTER DELETE ON TestStations BEGIN
    DELETE FROM TestStation_has_Instances WHERE TestStationID = old.TestStationID;
    DELETE FROM TestPlan_uses_Instances WHERE TestStationID = old.TestStationID;
END;
CREATE TRIGGER DeviceInstances_Delete AFTER DELETE ON DeviceInstances BEGIN
    DELETE FROM TestStation_has_Instances WHERE DeviceInstanceID = old.InstanceID;
    DELETE FROM TestPlan_uses_Instances WHERE DeviceInstanceID = old.InstanceID;
    DELETE FROM DeviceInstance_has_Options WHERE InstanceID = old.InstanceID;
    DELETE FROM InterfaceData_GPIB WHERE InstanceID = old.InstanceID;
    DELETE FROM InterfaceData_RS232 WHERE InstanceID = old.InstanceID;
    DELETE FROM InterfaceData_VXI WHERE InstanceID = old.InstanceID;
    DELETE FROM DeviceInstance_has_Properties WHERE InstanceID = old.InstanceID;
    DELETE FROM DeviceInstance_CalData WHERE InstanceID = old.InstanceID;
END;
)SQL";

} // namespace

const std::vector<std::string>& TestFilterIndexNames() {
    static const std::vector<std::string> kNames = {
        "UUTFilter_Selection", "TPUUT_OptionGroup_has_Options_Group", "TestPlanVariant_has_Tests_Group",
        "Test_requires_DSG_Test", "DeviceInstance_has_Options_Instance"};
    return kNames;
}

void CreateInstrumentSchema(Database& db) {
    Transaction transaction(db);
    db.ExecuteNative(kTables);
    db.ExecuteNative(kTriggers);
    for (const SavedQuery& query : InstrumentSavedQueries())
        db.SaveQuery(query);
    transaction.Commit();
}

} // namespace corvid::operatordb
