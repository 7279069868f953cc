// The instrument database operations of the Administration tab, shared with instrdb's
// station and equipment commands: adding and removing test stations, the list of
// equipment installed at a station (optionally narrowed to a test plan and a DSG), and
// removing equipment from a station. Each change is one transaction: a failure leaves
// the database as it was.
#pragma once

#include "operatordb/database.h"
#include "operatordb/equipment_item.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace corvid::operatordb {

inline constexpr const char* kInvalidStationName = "Test station name contains invalid characters!";
inline constexpr const char* kInvalidSerialNumber = "Serial number contains invalid characters!";
inline constexpr const char* kStationAdded = "Station added!";
inline constexpr const char* kStationRemoved = "Station removed!";
// "Station [name] already exists!"
std::string StationExistsText(const std::string& name);
// Refusal of removing a station that still has equipment installed.
std::string StationNotEmptyText(const std::string& name);

// Stations and serial numbers may not hold an apostrophe, a double quote or a vertical
// bar: they end up inside quoted filter texts and map files.
bool HasForbiddenCharacter(std::string_view text);

struct StationChange {
    enum class Outcome {
        Done,      // the station was added or removed
        Refused,   // message says why; nothing was written
        Unchanged, // nothing to do (an empty name, a station that is gone)
    };
    Outcome outcome = Outcome::Unchanged;
    std::string message;
    int32_t stationId = -1;
};

// Adds a station with the next free key. An empty name changes nothing.
StationChange AddStation(Database& db, const std::string& name);
// Removes the station's row; refused while equipment is installed at it.
StationChange RemoveStation(Database& db, int32_t station);

// Identifiers of the texts the lists show; -1 when there is none.
int32_t StationIdByName(Database& db, const std::string& name);
std::string StationName(Database& db, int32_t station);
int32_t TestPlanIdByLongName(Database& db, const std::string& longName);
int32_t DsgIdByName(Database& db, int32_t testPlan, const std::string& name);
// True when any instance is installed at the station.
bool StationHasEquipment(Database& db, int32_t station);

// Text of a list row built from the item: 1 "[DSG]", 2 "[alias]", 4 "[serial]", joined
// by line breaks.
enum RowTextFlags : int { kRowDsg = 1, kRowAlias = 2, kRowSerial = 4 };
std::string EquipmentRowText(const EquipmentItem& item, int flags);

struct EquipmentRow {
    std::string text; // "[alias]\n[serial]"
    EquipmentItem item;
    CalibrationStatus status = CalibrationStatus::Overdue;
};

inline constexpr int32_t kAnyId = 2147483647;

// The Administration tab's equipment list. Without a test plan (plan < 0): the
// instances installed at the station (every station when station < 0). With one: the
// assignments of the plan, narrowed to the station and the DSG when they are >= 0,
// whose instance has a serial number. Rows with the text of an earlier row are left out.
std::vector<EquipmentRow> EquipmentList(Database& db, int32_t station, int32_t testPlan, int32_t dsg);

// Removes the instance from the station: when it is installed at several stations
// only this station's installation and assignments go, otherwise the instance itself.
void RemoveEquipment(Database& db, int32_t station, int32_t instance);

} // namespace corvid::operatordb
