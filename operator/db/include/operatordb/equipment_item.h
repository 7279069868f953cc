// The equipment item: one DSG role of a test plan filled (or to be filled) by one
// equipment instance, with its model, communication settings, declared options and
// calibration dates, as the operator interface's tabs load, show and check it.
#pragma once

#include "operatordb/database.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace corvid::operatordb {

// Interface type codes: the keys of InterfaceTypeNames().
enum InterfaceTypeCode : int32_t {
    kInterfaceNone = 1,
    kInterfaceGpib = 2,
    kInterfaceRs232 = 4,
    kInterfaceVxi = 8,
};

// Option code -> "1" (present in the instance) or "0" (absent), in insertion order.
using DeclaredOptions = std::vector<std::pair<std::string, std::string>>;

struct EquipmentItem {
    bool changed = false;
    int32_t testPlanId = 0;
    int32_t dsgId = 0;
    std::string dsgName;
    int32_t iconId = 0;
    int32_t deviceTypeId = 0;
    std::string alias;
    std::string calDataQuery;
    int32_t calColumnsCount = 1;
    std::string copyDefaultCalDataQuery;
    int32_t instanceId = 0;
    std::string serialNumber;
    int32_t interfaceType = 0;
    std::string interfaceName;
    int32_t validIOs = 0;
    int32_t defaultIOType = 0;
    int32_t gpibBoard = 0;
    int32_t gpibAddress = 0;
    int32_t serialPort = 0;
    int32_t vxiBoardAddress = 0;
    int32_t vxiLogicalAddress = 0;
    std::string lastCalibration; // MM/DD/YYYY once loaded
    std::string nextCalibration; // MM/DD/YYYY
    std::string traceNumber;
    int32_t calibrationInterval = 0; // months
    DeclaredOptions declaredOptions;
};

// Calibration status of an item, for its icon.
enum class CalibrationStatus { Good = 0, DueSoon = 1, Overdue = 2 };

// Loads an item: the instance (by InstanceID when instance >= 0, else by model and serial
// number), its model, the DSG of the test plan, the settings in use, the declared options
// and the normalised calibration dates. True when the instance row exists.
bool LoadEquipmentItem(Database& db, EquipmentItem& item, int32_t testPlan, int32_t dsg, int32_t model,
                       int32_t instance, const std::string& serialNumber);

// The items of many instances at once, as LoadEquipmentItem (testPlan, dsg, -1, instance,
// "") loads each, for (dsg, instance) pairs with instance >= 0; in the order given.
std::vector<EquipmentItem>
LoadEquipmentItems(Database& db, int32_t testPlan,
                   const std::vector<std::pair<int32_t, int32_t>>& dsgsAndInstances);

enum class InterfaceSource { InUse = 1, Standing = 2 };
// Reads the item's communication settings for its interfaceType; true when the model's
// defaults had to be used.
bool LoadInterfaceSettings(Database& db, EquipmentItem& item, InterfaceSource source);

// The model's undetectable options, each "1" when the instance has it, else "0".
void LoadDeclaredOptions(Database& db, int32_t model, int32_t instance, DeclaredOptions& options);

// Adds, for each interface (GPIB, RS232, VXI) in mask that the model has defaults for,
// the instance's row (in use or standing) copied from those defaults when it is missing.
// Existing rows are never changed.
void CreateInterfaceRows(Database& db, int32_t model, int32_t instance, int32_t mask, bool inUse);

// Writes the item's settings for its interfaceType into the instance's in-use row,
// creating that row from the model's defaults first.
void SaveInterfaceSettings(Database& db, const EquipmentItem& item);

// Makes the instance's undetectable options those of the map whose value is "1".
void SaveDeclaredOptions(Database& db, int32_t instance, const DeclaredOptions& options);

// The values of the equipment fields as the operator left them.
struct EquipmentFields {
    int32_t interfaceType = 0;
    int32_t board = 0;   // GPIB board or VXI board address
    int32_t address = 0; // GPIB address or VXI logical address
    int32_t port = 0;    // RS232 port
    std::string lastCalibration;
    std::string nextCalibration; // not stored: the next date is always computed
    std::string interval;        // months; belongs to the model
    std::string traceNumber;
};

// Writes the item (a new instance when it has none) with its settings, declared options
// and its model's calibration interval in one transaction, then reloads it. Nothing is
// done without a model or a serial number.
void SaveEquipmentItem(Database& db, EquipmentItem& item, const EquipmentFields& fields);

// Installs at the station every instance that the station's assignments for the test
// plan use and that is not installed there yet. A database error ends it silently.
void LinkUsedInstancesToStation(Database& db, int32_t station, int32_t testPlan);

// The status of the item's next calibration date against now (local time).
CalibrationStatus CalibrationStatusOf(const EquipmentItem& item);
// The same against a given local time.
CalibrationStatus CalibrationStatusOf(const EquipmentItem& item, std::chrono::local_seconds now);

// A stored date read as month/day/year ("MM/DD/YYYY", "M/D/YY") or as "YYYY-MM-DD", blanks
// around it ignored; nullopt when the text is no valid date. A year written with one or
// two digits is returned as written (0..99).
std::optional<std::chrono::year_month_day> ParseStoredDate(std::string_view text);

// True when every DSG that the selection's filter needs is assigned at the station;
// otherwise missing lists one line per unassigned DSG (its name, or "Unknown DSGID = %d").
bool CheckRequiredEquipment(Database& db, int32_t station, int32_t testPlan, int32_t variant,
                            int32_t uutInstance, std::string& missing);

} // namespace corvid::operatordb
