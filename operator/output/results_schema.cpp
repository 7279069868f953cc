#include "operatoroutput/results_schema.h"

namespace corvid::operatoroutput {

void CreateResultsSchema(operatordb::Database& db) {
    // A run's unique ID is its key: two runs that would get the same ID (the same unit
    // started twice within a second) must not mix their rows. One unit, so that it nests
    // in a caller's unit and a failure leaves no table behind.
    operatordb::Transaction unit(db);
    db.ExecuteNative(R"sql(
CREATE TABLE __sys_tblUniqueIds (
    UniqueID TEXT COLLATE NOCASE NOT NULL PRIMARY KEY,
    UUTID INTEGER,
    SerialNumber TEXT COLLATE NOCASE);
CREATE TABLE __sys_tblTestingDetails (
    UniqueID TEXT COLLATE NOCASE NOT NULL PRIMARY KEY,
    ReportNumber TEXT COLLATE NOCASE,
    ReportTitle TEXT COLLATE NOCASE,
    Customer TEXT COLLATE NOCASE,
    TestDate DATETIME,
    UUTModel TEXT COLLATE NOCASE,
    UUTOptions TEXT COLLATE NOCASE,
    Temperature REAL,
    Humidity REAL,
    LineFrequency INTEGER,
    TestedBy TEXT COLLATE NOCASE,
    TestPlanID INTEGER,
    TestPlanName TEXT COLLATE NOCASE,
    TestStationName TEXT COLLATE NOCASE,
    TestPlanVariantID INTEGER,
    TestPlanVariantName TEXT COLLATE NOCASE,
    Notes TEXT COLLATE NOCASE,
    OverAllResult INTEGER,
    AppliedUncertainty BOOLEAN,
    TestPlanVersion TEXT COLLATE NOCASE,
    LimitedCalibration BOOLEAN);
CREATE TABLE __sys_tblTests (
    UniqueID TEXT COLLATE NOCASE NOT NULL,
    TestID INTEGER,
    Name TEXT COLLATE NOCASE,
    Result INTEGER);
CREATE INDEX __sys_tblTests_UniqueID ON __sys_tblTests (UniqueID, TestID);
CREATE TABLE __sys_tblEquipInfo (
    UniqueID TEXT COLLATE NOCASE NOT NULL,
    TestID INTEGER,
    DSGName TEXT COLLATE NOCASE,
    DSGDescription TEXT COLLATE NOCASE,
    ModelNumber TEXT COLLATE NOCASE,
    SerialNumber TEXT COLLATE NOCASE,
    TraceNumber TEXT COLLATE NOCASE,
    LastCal DATETIME,
    CalDue DATETIME);
CREATE INDEX __sys_tblEquipInfo_UniqueID ON __sys_tblEquipInfo (UniqueID, TestID);
)sql");
    unit.Commit();
}

} // namespace corvid::operatoroutput
