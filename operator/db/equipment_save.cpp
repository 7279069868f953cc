// Writing equipment items back: the instance row, its communication settings, its
// declared options, the model's calibration interval, and the station's installed
// instances that the assignments use.
#include "operatordb/bindings_equipment.h"
#include "operatordb/bindings_stations.h"
#include "operatordb/db_error.h"
#include "operatordb/equipment_item.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdlib>
#include <set>

namespace corvid::operatordb {
namespace {

std::string InstanceFilter(int32_t instance, bool inUse) {
    return "InstanceID = " + std::to_string(instance) + " AND " + (inUse ? "" : "NOT ") + "TempInterface";
}

void CopyDefaults(DB_InterfaceData_GPIB& row, const DB_InterfaceData_GPIB2& model) {
    row.Board = model.Board;
    row.Address1 = model.Address1;
    row.Address2 = model.Address2;
    row.Timeout = model.Timeout;
}

void CopyDefaults(DB_InterfaceData_RS232& row, const DB_InterfaceData_RS2322& model) {
    row.PortAddress = model.PortAddress;
    row.BaudRate = model.BaudRate;
    row.DataBits = model.DataBits;
    row.FlowControl = model.FlowControl;
    row.Parity = model.Parity;
    row.StopBits = model.StopBits;
}

void CopyDefaults(DB_InterfaceData_VXI& row, const DB_InterfaceData_VXI2& model) {
    row.BoardAddress = model.BoardAddress;
    row.LogicalAddress = model.LogicalAddress;
}

template <class InstanceRows, class ModelRows>
void CreateRow(Database& db, int32_t model, int32_t instance, bool inUse) {
    ModelRows defaults(db);
    defaults.SetFilter("DeviceTypeID = " + std::to_string(model));
    defaults.Open(OpenMode::ReadOnly);
    if (defaults.IsEOF())
        return;
    InstanceRows rows(db);
    rows.SetFilter(InstanceFilter(instance, inUse));
    rows.Open(OpenMode::Updatable);
    if (!rows.IsEOF())
        return;
    rows.AddNew();
    rows.InstanceID = instance;
    rows.TempInterface = inUse;
    CopyDefaults(rows, defaults);
    rows.Update();
}

// Opens the instance's in-use row for writing (created from the model's defaults when
// missing, added empty when the model has none), hands it to set and writes it.
template <class InstanceRows, class Set>
void WriteInUseRow(Database& db, const EquipmentItem& item, Set set) {
    InstanceRows rows(db);
    rows.SetFilter(InstanceFilter(item.instanceId, true));
    rows.Open(OpenMode::Updatable);
    if (rows.IsEOF()) {
        CreateInterfaceRows(db, item.deviceTypeId, item.instanceId, item.interfaceType, true);
        rows.Requery();
    }
    if (rows.IsEOF())
        rows.AddNew();
    else
        rows.Edit();
    rows.InstanceID = item.instanceId;
    rows.TempInterface = true;
    set(rows);
    rows.Update();
}

// A byte column refuses what it cannot hold instead of wrapping it.
uint8_t ByteValue(int32_t value, const char* what) {
    if (value < 0 || value > 255)
        throw DbError(std::string("The ") + what + " " + std::to_string(value) +
                      " is not between 0 and 255.");
    return static_cast<uint8_t>(value);
}

bool SameOption(const std::string& a, const std::string& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](unsigned char x, unsigned char y) { return std::toupper(x) == std::toupper(y); });
}

const std::string* OptionValue(const DeclaredOptions& options, const std::string& code) {
    for (const auto& [key, value] : options)
        if (SameOption(key, code))
            return &value;
    return nullptr;
}

// The leading integer of a text, as a field's number is read: 0 when there is none.
int32_t IntegerValue(const std::string& text) {
    long value = std::strtol(text.c_str(), nullptr, 10);
    return static_cast<int32_t>(std::clamp<long>(value, INT32_MIN, INT32_MAX));
}

void WriteInstance(Database& db, EquipmentItem& item, const EquipmentFields& fields) {
    DB_InstancesAll instances(db);
    if (item.instanceId > 0) {
        instances.SetFilter("InstanceID = " + std::to_string(item.instanceId) + " ");
        instances.Open(OpenMode::Updatable);
        if (instances.IsEOF())
            return;
        instances.Edit();
    } else {
        const int32_t key = instances.NextKey("InstanceID");
        instances.AddNew();
        instances.InstanceID = key;
        instances.DeviceTypeID = item.deviceTypeId;
        instances.SerialNumber = item.serialNumber;
        instances.Priority = 0;
        instances.Temporary = false;
        item.instanceId = key;
    }
    instances.LastCalibration = fields.lastCalibration;
    instances.TraceNumber = fields.traceNumber;
    instances.InterfaceType = item.interfaceType;
    instances.Update();
    item.lastCalibration = fields.lastCalibration;
    item.traceNumber = fields.traceNumber;
}

void TakeInterfaceValues(EquipmentItem& item, const EquipmentFields& fields) {
    switch (item.interfaceType) {
    case kInterfaceGpib:
        item.gpibBoard = fields.board;
        item.gpibAddress = fields.address;
        break;
    case kInterfaceRs232:
        item.serialPort = fields.port;
        break;
    case kInterfaceVxi:
        item.vxiBoardAddress = fields.board;
        item.vxiLogicalAddress = fields.address;
        break;
    default:
        break;
    }
}

void WriteModelInterval(Database& db, const EquipmentItem& item, const std::string& interval) {
    const int32_t months = IntegerValue(interval);
    if (months == item.calibrationInterval)
        return;
    DB_DevTypes models(db);
    models.SetFilter("DeviceTypeID = " + std::to_string(item.deviceTypeId));
    models.Open(OpenMode::Updatable);
    if (models.IsEOF())
        return;
    models.Edit();
    models.CalibrationInterval = months;
    models.Update();
}

} // namespace

void CreateInterfaceRows(Database& db, int32_t model, int32_t instance, int32_t mask, bool inUse) {
    if (mask & kInterfaceGpib)
        CreateRow<DB_InterfaceData_GPIB, DB_InterfaceData_GPIB2>(db, model, instance, inUse);
    if (mask & kInterfaceRs232)
        CreateRow<DB_InterfaceData_RS232, DB_InterfaceData_RS2322>(db, model, instance, inUse);
    if (mask & kInterfaceVxi)
        CreateRow<DB_InterfaceData_VXI, DB_InterfaceData_VXI2>(db, model, instance, inUse);
}

void SaveInterfaceSettings(Database& db, const EquipmentItem& item) {
    switch (item.interfaceType) {
    case kInterfaceGpib:
        WriteInUseRow<DB_InterfaceData_GPIB>(db, item, [&](DB_InterfaceData_GPIB& row) {
            row.Board = ByteValue(item.gpibBoard, "GPIB board");
            row.Address1 = ByteValue(item.gpibAddress, "GPIB address");
        });
        break;
    case kInterfaceRs232:
        WriteInUseRow<DB_InterfaceData_RS232>(
            db, item, [&](DB_InterfaceData_RS232& row) { row.PortAddress = item.serialPort; });
        break;
    case kInterfaceVxi:
        WriteInUseRow<DB_InterfaceData_VXI>(db, item, [&](DB_InterfaceData_VXI& row) {
            row.BoardAddress = item.vxiBoardAddress;
            row.LogicalAddress = item.vxiLogicalAddress;
        });
        break;
    default:
        break;
    }
}

void SaveDeclaredOptions(Database& db, int32_t instance, const DeclaredOptions& options) {
    if (instance <= 0)
        return;
    DB_InstanceOptions rows(db);
    rows.SetFilter("InstanceID = " + std::to_string(instance) + " AND Undetectable ");
    rows.Open(OpenMode::Updatable);
    std::vector<std::string> kept;
    for (; !rows.IsEOF(); rows.MoveNext()) {
        const std::string* value = OptionValue(options, rows.DeviceOptionID);
        if (value && *value == "1")
            kept.push_back(rows.DeviceOptionID);
        else
            rows.Delete();
    }
    for (const auto& option : options) {
        const std::string& code = option.first; // a plain reference: lambdas may capture it
        bool present =
            std::any_of(kept.begin(), kept.end(), [&](const auto& k) { return SameOption(k, code); });
        if (option.second != "1" || present)
            continue;
        rows.AddNew();
        rows.InstanceID = instance;
        rows.DeviceOptionID = code;
        rows.Undetectable = true;
        rows.Update();
        kept.push_back(code);
    }
}

void SaveEquipmentItem(Database& db, EquipmentItem& item, const EquipmentFields& fields) {
    if (item.deviceTypeId <= 0 || item.serialNumber.empty())
        return;
    EquipmentItem saved = item;
    Transaction transaction(db);
    saved.interfaceType = fields.interfaceType;
    WriteInstance(db, saved, fields);
    TakeInterfaceValues(saved, fields);
    SaveInterfaceSettings(db, saved);
    SaveDeclaredOptions(db, saved.instanceId, saved.declaredOptions);
    WriteModelInterval(db, saved, fields.interval);
    transaction.Commit();
    LoadEquipmentItem(db, item, saved.testPlanId, saved.dsgId, saved.deviceTypeId, saved.instanceId,
                      saved.serialNumber);
}

void LinkUsedInstancesToStation(Database& db, int32_t station, int32_t testPlan) {
    try {
        DB_TestInstanceUsage usage(db);
        usage.SetFilter("TestStationID = " + std::to_string(station) +
                        " AND TestPlanID = " + std::to_string(testPlan) + " ");
        usage.Open(OpenMode::ReadOnly);
        DB_StationInstances installed(db);
        installed.SetFilter("TestStationID = " + std::to_string(station) + " ");
        installed.Open(OpenMode::Updatable);
        for (; !usage.IsEOF(); usage.MoveNext()) {
            const int32_t instance = usage.DeviceInstanceID;
            if (instance <= 0 || installed.FindFirst("DeviceInstanceID = " + std::to_string(instance)))
                continue;
            installed.AddNew();
            installed.TestStationID = station;
            installed.DeviceInstanceID = instance;
            installed.Update();
        }
    } catch (const DbError&) {
        // An assignment that cannot be linked now is linked the next time round.
    }
}

} // namespace corvid::operatordb
