// The unit's rows in the instrument database: its model, its DeviceInstances row and the
// options recorded for it in DeviceInstance_has_Options.
#pragma once

#include "operatordb/database.h"
#include "unit_identity.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace corvid::demouut {

struct UnitModel {
    int32_t id = 0;
    std::string model; // the maker's full model name
    std::string alias; // the short name, as the unit reports it
    int32_t defaultIOType = 0;
    std::optional<GpibAddress> gpib;       // the model's default GPIB row
    std::vector<std::string> undetectable; // options only the administrator can declare
};

// The model's row, its default GPIB row and its undetectable options; throws
// std::runtime_error when the model does not exist.
UnitModel LoadUnitModel(operatordb::Database& db, int32_t modelId);

// Whether the reported model name is the model's Model or Alias (case ignored).
bool IsModel(const UnitModel& model, const std::string& reported);

// Serial numbers are placed in filters: one that is empty or contains an apostrophe, a
// double quotation mark or a vertical bar is refused with std::invalid_argument.
void CheckSerialNumber(const std::string& serialNumber);

// The unit's DeviceInstances key, or -1.
int32_t FindUnit(operatordb::Database& db, int32_t modelId, const std::string& serialNumber);

struct RecordedUnit {
    int32_t instanceId = -1;
    bool changed = false; // a row was added, or options were added or removed
};

// In one transaction: finds the unit's row or adds it, and when the unit reported its
// options makes the rows of its detectable options match them (declared rows and
// undetectable options are kept). A failure leaves the database as it was.
RecordedUnit RecordUnit(operatordb::Database& db, const UnitModel& model, const std::string& serialNumber,
                        const std::optional<std::vector<std::string>>& reportedOptions);

} // namespace corvid::demouut
