#include "operatordb/demo_station.h"

#include <cstdio>
#include <string>
#include <vector>

namespace corvid::operatordb {
namespace {

using namespace std::chrono;
using Row = std::vector<Value>;

// Inserts rows into table; columns is the column list as written in SQL.
void Insert(Database& db, const std::string& table, const std::string& columns,
            const std::vector<Row>& rows) {
    for (const Row& row : rows) {
        std::string marks;
        Parameters params;
        for (size_t i = 0; i < row.size(); ++i) {
            std::string name = "v" + std::to_string(i + 1);
            marks += (i ? ", :" : ":") + name;
            params.push_back({name, row[i]});
        }
        db.Execute("INSERT INTO [" + table + "] (" + columns + ") VALUES (" + marks + ")", params);
    }
}

// MM/DD/YYYY of the day months and days before today.
std::string DateBefore(year_month_day today, int monthsBack, int daysBack) {
    year_month_day shifted = today - months(monthsBack);
    if (!shifted.ok())
        shifted = shifted.year() / shifted.month() / last;
    year_month_day date{sys_days(shifted) - days(daysBack)};
    char text[16];
    std::snprintf(text, sizeof text, "%02u/%02u/%04d", static_cast<unsigned>(date.month()),
                  static_cast<unsigned>(date.day()), static_cast<int>(date.year()));
    return text;
}

void AddModels(Database& db) {
    Insert(db, "__sys_InterfaceTypes", "InterfaceID, Name",
           {{1, "None"}, {2, "GPIB"}, {4, "RS232"}, {8, "VXI"}});
    Insert(db, "__sys_DeviceTypes",
           "DeviceTypeID, Model, Alias, IconID, CalibrationInterval, CalDataQuery, CopyDefaultCalDataQuery, "
           "CalColumnsCount, ProgID, ValidIOs, DefaultIOType, MultiComponent",
           {{1, "Vantor Calibration VC-9100 Multifunction Calibrator", "VC-9100", 1, 12, "qry_CalData",
             "qry_CopyDefaultCalData", 5, "VisaGpib.VisaGpib.1", 2, 2, 0},
            {2, "Larkspur Instruments LM-4065 Digital Multimeter", "LM-4065", 2, 12, "qry_CalData",
             "qry_CopyDefaultCalData", 5, "VisaGpib.VisaGpib.1", 6, 2, 0},
            {3, "Orbis Metrology FC-3120 Frequency Counter", "FC-3120", 3, 24, "", "", 1,
             "VisaGpib.VisaGpib.1", 2, 2, 0},
            {4, "Halden Systems MX-16 Relay Multiplexer", "MX-16", 4, 0, "", "", 1, "VisaGpib.VisaGpib.1", 10,
             2, 1},
            {5, "Vantor Calibration VC-9200 Calibrator", "VC-9200", 1, 12, "qry_CalData",
             "qry_CopyDefaultCalData", 5, "VisaGpib.VisaGpib.1", 6, 4, 0}});
    Insert(db, "__sys_InterfaceData_GPIB", "DeviceTypeID, Board, Address1, Address2, Timeout",
           {{1, 0, 5, 0, 13}, {2, 0, 22, 0, 13}, {3, 0, 10, 0, 13}, {4, 0, 15, 1, 13}, {5, 0, 6, 0, 13}});
    Insert(db, "__sys_InterfaceData_RS232",
           "DeviceTypeID, PortAddress, BaudRate, DataBits, FlowControl, Parity, StopBits",
           {{2, 1, 9600, 8, 0, 0, 1}, {5, 2, 19200, 8, 1, 0, 1}});
    Insert(db, "__sys_InterfaceData_VXI", "DeviceTypeID, BoardAddress, LogicalAddress", {{4, 0, 16}});
    Insert(db, "__sys_Device_has_UnDetectableOptions", "DeviceTypeID, DeviceOptionID, Description",
           {{2, "OPT-HC", "10 A current range"}, {1, "OPT-HV", "1000 V output"}});
    Insert(db, "__sys_DeviceType_has_Properties", "DeviceTypeID, DeviceProperty, ValueType, Value",
           {{1, "MaxVoltage", "Real", "1050"},
            {1, "MaxCurrent", "Real", "20"},
            {2, "Digits", "Real", "6.5"},
            {3, "Timebase", "Text", "Internal TCXO"},
            {5, "MaxVoltage", "Real", "1050"}});
    Insert(db, "__sys_DeviceType_CalData", "DeviceTypeID, Point, Parameter, Nominal, Correction, Uncertainty",
           {{1, 1, "DCV 10 V", 10.0, 0.0, 0.00004},
            {1, 2, "DCV 100 V", 100.0, 0.0, 0.0006},
            {1, 3, "DCI 1 A", 1.0, 0.0, 0.00008},
            {2, 1, "DCV 10 V range", 10.0, 0.0, 0.0001},
            {2, 2, "DCI 1 A range", 1.0, 0.0, 0.0005},
            {5, 1, "DCV 10 V", 10.0, 0.0, 0.00005}});
}

void AddInstances(Database& db, year_month_day today) {
    Insert(db, "TestStations", "TestStationID, Name", {{1, "Demo Bench"}, {2, "Service Bench"}});
    // Calibrator due within the month, counter and second calibrator overdue,
    // multiplexer without calibration, multimeters good.
    Insert(db, "DeviceInstances",
           "InstanceID, DeviceTypeID, SerialNumber, Priority, LastCalibration, TraceNumber, [Temporary], "
           "UUTChecked, InterfaceType",
           {{1, 1, "VC91-004417", 0, DateBefore(today, 12, -10), "TR-5521-A", 0, 0, 2},
            {2, 3, "OM3120-2291", 0, DateBefore(today, 26, 0), "TR-3120-C", 0, 0, 2},
            {3, 4, "HS16-0042", 0, DateBefore(today, 30, 0), "", 0, 0, 2},
            {4, 2, "LK4065-01123", 0, DateBefore(today, 3, 0), "TR-4065-B", 0, 0, 2},
            {5, 2, "LK4065-00871", 0, DateBefore(today, 5, 0), "TR-4065-D", 0, 0, 4},
            {6, 5, "VC92-000318", 0, DateBefore(today, 14, 0), "TR-9200-A", 0, 0, 4}});
    // The settings in use (TempInterface true) and the standing ones.
    Insert(db, "InterfaceData_GPIB", "InstanceID, TempInterface, Board, Address1, Address2, Timeout",
           {{1, 1, 0, 5, 0, 13},
            {1, 0, 0, 5, 0, 13},
            {2, 1, 0, 10, 0, 13},
            {2, 0, 0, 10, 0, 13},
            {3, 1, 0, 15, 1, 13},
            {3, 0, 0, 15, 1, 13},
            {4, 1, 0, 22, 0, 13},
            {4, 0, 0, 22, 0, 13}});
    Insert(db, "InterfaceData_RS232",
           "InstanceID, TempInterface, PortAddress, BaudRate, DataBits, FlowControl, Parity, StopBits",
           {{5, 1, 1, 9600, 8, 0, 0, 1}, {6, 1, 2, 19200, 8, 1, 0, 1}, {6, 0, 2, 19200, 8, 1, 0, 1}});
    // The multimeter reports its frequency and rear-input options itself ("*OPT?"); the
    // 10 A range and the calibrator's high-voltage output are declared.
    Insert(db, "DeviceInstance_has_Options", "InstanceID, DeviceOptionID, Undetectable",
           {{4, "OPT-FRQ", 0}, {4, "OPT-REAR", 0}, {5, "OPT-HC", 1}, {1, "OPT-HV", 1}});
    Insert(db, "TestStation_has_Instances", "TestStationID, DeviceInstanceID",
           {{1, 1}, {1, 2}, {1, 3}, {1, 4}, {2, 5}, {2, 6}});
    for (int instance = 1; instance <= 6; ++instance) {
        Recordset model = db.OpenRecordset("SELECT DeviceTypeID FROM DeviceInstances WHERE InstanceID = :i",
                                           {{"i", instance}});
        Parameters params = {{"DeviceType_ID", model.GetValue(0)}, {"Instance_ID", instance}};
        db.ExecuteQuery("qry_GUI_CopyEquipmentProperties", params);
        db.ExecuteQuery("qry_CopyDefaultCalData", params);
    }
    Insert(db, "__sys_AdminLoggedIn", "IsAdminLoggedIn", {{0}});
}

void AddTestPlan(Database& db) {
    Insert(db, "__sys_TestPlans", "TestPlanID, Name, LongName, Description, TPAFileName, ReportTitle",
           {{1, "LM4065-CAL", "LM-4065 Multimeter Calibration Rev 01.00",
             "Calibration of the LM-4065 against a DC calibrator and a frequency counter", "lm4065_cal.lua",
             "LM-4065 Digital Multimeter Calibration Report"}});
    Insert(db, "__sys_TestPlanVariants", "TestPlanID, TestPlanVariantID, Name",
           {{1, 1, "Full Calibration"}, {1, 2, "Performance Check"}});
    Insert(db, "__sys_Testplan_has_UUTs", "TestPlanID, UUTDeviceTypeID, UUTProgID",
           {{1, 2, "DemoUut.LM4065.1"}});
    Insert(db, "__sys_tblTestPlan_Supports_Uncertainty", "TestPlanID, ApplyUncertainty", {{1, 1}});
    // The tests of the plan file, by the names it gives them.
    Insert(db, "__sys_Tests", "TestPlanID, TestID, Name, Description",
           {{1, 1, "Identify", "Reads the identity of the unit"},
            {1, 2, "DC Voltage", "DC voltage points against the calibrator"},
            {1, 3, "DC Current", "DC current points against the calibrator"},
            {1, 4, "High Current", "10 A range"},
            {1, 5, "Frequency", "Frequency function against the counter"},
            {1, 7, "Zero Offset", "Zero reading with shorted inputs"},
            {1, 8, "Self Test", "The unit's own self test"}});
    Insert(db, "__sys_TPUUT_OptionGroups", "TestPlanID, OptGrpID, Name",
           {{1, 1, "Frequency option"},
            {1, 2, "Rear inputs"},
            {1, 3, "10 A current range"},
            {1, 4, "Standard accessories"},
            {1, 5, "Front terminals only"}});
    Insert(db, "__sys_TPUUT_OptionGroup_has_Options",
           "TestPlanID, OptGrpID, DeviceTypeID, [Option], OptionForbidden",
           {{1, 1, 2, "OPT-FRQ", 0},
            {1, 2, 2, "OPT-REAR", 0},
            {1, 3, 2, "OPT-HC", 0},
            {1, 4, 2, "In-Built Option Group", 0},
            {1, 5, 2, "OPT-REAR", 1}});
    // (variant, test, order, remove, group): units with rear inputs skip the zero offset.
    Insert(db, "__sys_TestPlanVariant_has_Tests",
           "TestPlanID, TestPlanVariantID, TestID, TestSequenceOrder, RemoveTest, OptGrpID",
           {{1, 1, 8, 5, 0, 4},
            {1, 1, 1, 10, 0, 0},
            {1, 1, 7, 15, 0, 0},
            {1, 1, 2, 20, 0, 0},
            {1, 1, 3, 30, 0, 0},
            {1, 1, 4, 35, 0, 3},
            {1, 1, 5, 40, 0, 1},
            {1, 1, 7, 15, 1, 2},
            {1, 2, 1, 10, 0, 0},
            {1, 2, 2, 20, 0, 0},
            {1, 2, 5, 40, 0, 1}});
    Insert(db, "__sys_DSGs", "TestPlanID, DSGID, Name, IconID, Notes, Description",
           {{1, 1, "DC Calibrator", 1, "Multifunction calibrator on the front terminals",
             "DC voltage and current source"},
            {1, 2, "Frequency Counter", 3, "Counter on the calibrator's sync output", "Frequency reference"},
            {1, 3, "Input Scanner", 4, "Multiplexer card, channels 1 to 4", "Input switching"}});
    Insert(db, "__sys_DSG_has_DeviceTypes", "TestPlanID, DSGID, DeviceTypeID",
           {{1, 1, 1}, {1, 1, 5}, {1, 2, 3}, {1, 3, 4}});
    // (test, DSG, remove, group): the scanner switches the front terminals; units with
    // rear inputs take the calibrator there directly.
    Insert(db, "__sys_Test_requires_DSG", "TestPlanID, TestID, DSGID, RemoveDSG, OptGrpID",
           {{1, 7, 3, 0, 0},
            {1, 2, 1, 0, 0},
            {1, 2, 3, 0, 0},
            {1, 2, 3, 1, 2},
            {1, 3, 1, 0, 0},
            {1, 3, 3, 0, 5},
            {1, 4, 1, 0, 3},
            {1, 5, 1, 0, 1},
            {1, 5, 2, 0, 1}});
    Insert(db, "TestPlan_uses_Instances",
           "TestStationID, TestPlanID, DeviceSubstitutionGroup, DeviceInstanceID",
           {{1, 1, "DC Calibrator", 1},
            {1, 1, "Frequency Counter", 2},
            {1, 1, "Input Scanner", 3},
            {2, 1, "DC Calibrator", 6}});
}

} // namespace

void CreateDemoStation(Database& db, year_month_day today) {
    Transaction transaction(db);
    AddModels(db);
    AddInstances(db, today);
    AddTestPlan(db);
    transaction.Commit();
}

} // namespace corvid::operatordb
