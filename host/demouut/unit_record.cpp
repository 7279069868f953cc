#include "unit_record.h"

#include "operatordb/bindings_equipment.h"
#include "platform/text.h"

#include <algorithm>
#include <stdexcept>
#include <strings.h>

namespace corvid::demouut {
namespace {

using namespace operatordb;

bool Contains(const std::vector<std::string>& list, const std::string& item) {
    return std::any_of(list.begin(), list.end(),
                       [&](const std::string& x) { return platform::EqualsNoCase(x, item); });
}

std::string ModelFilter(int32_t modelId) {
    return "DeviceTypeID = " + std::to_string(modelId);
}

int32_t AddUnit(Database& db, const UnitModel& model, const std::string& serialNumber) {
    DB_InstancesAll units(db);
    int32_t key = units.NextKey("InstanceID");
    units.AddNew();
    units.InstanceID = key;
    units.DeviceTypeID = model.id;
    units.SerialNumber = serialNumber;
    units.Priority = 0;
    units.Temporary = false;
    units.InterfaceType = model.defaultIOType;
    units.Update();
    units.Close();
    return key;
}

// Removes detectable rows the unit no longer reports and adds those it reports anew.
bool MatchOptions(Database& db, const UnitModel& model, int32_t instanceId,
                  const std::vector<std::string>& reported) {
    std::vector<std::string> detected;
    for (const std::string& option : reported)
        if (!Contains(model.undetectable, option) && !Contains(detected, option))
            detected.push_back(option);
    bool changed = false;
    std::vector<std::string> present;
    DB_InstanceOptions options(db);
    options.SetFilter("InstanceID = " + std::to_string(instanceId));
    options.Open(OpenMode::Updatable);
    for (; !options.IsEOF(); options.MoveNext()) {
        if (!options.Undetectable && !Contains(detected, options.DeviceOptionID)) {
            options.Delete();
            changed = true;
        } else {
            present.push_back(options.DeviceOptionID);
        }
    }
    for (const std::string& option : detected) {
        if (Contains(present, option))
            continue;
        options.AddNew();
        options.InstanceID = instanceId;
        options.DeviceOptionID = option;
        options.Undetectable = false;
        options.Update();
        changed = true;
    }
    return changed;
}

} // namespace

UnitModel LoadUnitModel(Database& db, int32_t modelId) {
    UnitModel model;
    DB_DevTypes types(db);
    types.SetFilter(ModelFilter(modelId));
    types.Open(OpenMode::ReadOnly);
    if (types.IsEOF())
        throw std::runtime_error("There is no UUT model " + std::to_string(modelId) +
                                 " in the instrument database " + db.path().string());
    model = {types.DeviceTypeID, types.Model, types.Alias, types.DefaultIOType, std::nullopt, {}};
    DB_InterfaceData_GPIB2 gpib(db);
    gpib.SetFilter(ModelFilter(modelId));
    gpib.Open(OpenMode::ReadOnly);
    if (!gpib.IsEOF())
        model.gpib = GpibAddress{gpib.Board, gpib.Address1, gpib.Address2, gpib.Timeout};
    DB_DevTypeUndetectableOptions undetectable(db);
    undetectable.SetFilter(ModelFilter(modelId));
    undetectable.Open(OpenMode::ReadOnly);
    for (; !undetectable.IsEOF(); undetectable.MoveNext())
        model.undetectable.push_back(undetectable.DeviceOptionID);
    return model;
}

bool IsModel(const UnitModel& model, const std::string& reported) {
    return !reported.empty() &&
           (platform::EqualsNoCase(reported, model.alias) || platform::EqualsNoCase(reported, model.model));
}

void CheckSerialNumber(const std::string& serialNumber) {
    if (serialNumber.empty())
        throw std::invalid_argument("The serial number is empty");
    if (serialNumber.find_first_of("'\"|") != std::string::npos)
        throw std::invalid_argument("The serial number \"" + serialNumber +
                                    "\" contains an apostrophe, a double quotation mark or a vertical bar");
}

int32_t FindUnit(Database& db, int32_t modelId, const std::string& serialNumber) {
    CheckSerialNumber(serialNumber);
    DB_InstancesAll units(db);
    units.SetFilter(ModelFilter(modelId) + " AND SerialNumber = '" + serialNumber + "'");
    units.Open(OpenMode::ReadOnly);
    return units.IsEOF() ? -1 : units.InstanceID;
}

RecordedUnit RecordUnit(Database& db, const UnitModel& model, const std::string& serialNumber,
                        const std::optional<std::vector<std::string>>& reportedOptions) {
    Transaction transaction(db);
    RecordedUnit unit;
    unit.instanceId = FindUnit(db, model.id, serialNumber);
    if (unit.instanceId < 0) {
        unit.instanceId = AddUnit(db, model, serialNumber);
        unit.changed = true;
    }
    if (reportedOptions && MatchOptions(db, model, unit.instanceId, *reportedOptions))
        unit.changed = true;
    transaction.Commit();
    return unit;
}

} // namespace corvid::demouut
