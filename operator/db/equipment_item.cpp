#include "operatordb/equipment_item.h"

#include "calibration_dates.h"
#include "operatordb/bindings_equipment.h"
#include "operatordb/bindings_plans.h"
#include "operatordb/bindings_stations.h"
#include "operatordb/db_error.h"
#include "operatordb/interface_types.h"
#include "sql_text.h"

#include <algorithm>
#include <cctype>

namespace corvid::operatordb {
namespace {

std::string InterfaceName(int32_t type) {
    const std::map<std::string, std::string>& names = InterfaceTypeNames();
    auto found = names.find(std::to_string(type));
    return found == names.end() ? std::string() : found->second;
}

// Reads one interface's settings: the instance's row (in use or standing), else the
// model's defaults through take; true when the instance had no row.
template <class InstanceRows, class ModelRows, class Take>
bool ReadInterfaceRows(Database& db, const EquipmentItem& item, InterfaceSource source, Take take) {
    InstanceRows rows(db);
    rows.SetFilter("InstanceID = " + std::to_string(item.instanceId) + " AND " +
                   (source == InterfaceSource::Standing ? "NOT " : "") + "TempInterface");
    rows.Open(OpenMode::ReadOnly);
    if (!rows.IsEOF()) {
        take(rows);
        return false;
    }
    ModelRows defaults(db);
    defaults.SetFilter("DeviceTypeID = " + std::to_string(item.deviceTypeId));
    defaults.Open(OpenMode::ReadOnly);
    if (!defaults.IsEOF())
        take(defaults);
    return true;
}

// Each interface's settings start at 0: without an instance row or model defaults they
// stay so.
bool ReadGpib(Database& db, EquipmentItem& item, InterfaceSource source) {
    item.gpibBoard = item.gpibAddress = 0;
    auto take = [&](const auto& row) {
        item.gpibBoard = row.Board;
        item.gpibAddress = row.Address1;
    };
    return ReadInterfaceRows<DB_InterfaceData_GPIB, DB_InterfaceData_GPIB2>(db, item, source, take);
}

bool ReadRs232(Database& db, EquipmentItem& item, InterfaceSource source) {
    item.serialPort = 0;
    auto take = [&](const auto& row) {
        item.serialPort = row.PortAddress;
    };
    return ReadInterfaceRows<DB_InterfaceData_RS232, DB_InterfaceData_RS2322>(db, item, source, take);
}

bool ReadVxi(Database& db, EquipmentItem& item, InterfaceSource source) {
    item.vxiBoardAddress = item.vxiLogicalAddress = 0;
    auto take = [&](const auto& row) {
        item.vxiBoardAddress = row.BoardAddress;
        item.vxiLogicalAddress = row.LogicalAddress;
    };
    return ReadInterfaceRows<DB_InterfaceData_VXI, DB_InterfaceData_VXI2>(db, item, source, take);
}

bool SameOption(const std::string& a, const std::string& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](unsigned char x, unsigned char y) { return std::toupper(x) == std::toupper(y); });
}

// Option codes compare as the database compares them: without regard to case.
DeclaredOptions::iterator FindOption(DeclaredOptions& options, const std::string& code) {
    return std::find_if(options.begin(), options.end(),
                        [&](const auto& entry) { return SameOption(entry.first, code); });
}

// Step 2 of loading: the instance row; false when there is none.
bool LoadInstance(Database& db, EquipmentItem& item) {
    DB_InstancesAll instances(db);
    if (item.instanceId < 0)
        instances.SetFilter("DeviceTypeID = " + std::to_string(item.deviceTypeId) +
                            " AND SerialNumber = " + QuotedText(item.serialNumber));
    else
        instances.SetFilter("InstanceID = " + std::to_string(item.instanceId));
    instances.Open(OpenMode::ReadOnly);
    if (instances.IsEOF())
        return false;
    item.instanceId = instances.InstanceID;
    item.deviceTypeId = instances.DeviceTypeID;
    item.serialNumber = instances.SerialNumber;
    item.lastCalibration = instances.LastCalibration;
    item.traceNumber = instances.TraceNumber;
    item.interfaceType = instances.InterfaceType;
    return true;
}

void LoadModel(Database& db, EquipmentItem& item) {
    DB_DevTypes models(db);
    models.SetFilter("DeviceTypeID = " + std::to_string(item.deviceTypeId));
    models.Open(OpenMode::ReadOnly);
    if (models.IsEOF())
        return;
    item.deviceTypeId = models.DeviceTypeID;
    item.alias = models.Alias;
    item.iconId = models.IconID;
    item.calibrationInterval = models.CalibrationInterval;
    item.validIOs = models.ValidIOs;
    item.defaultIOType = models.DefaultIOType;
    item.calDataQuery = models.CalDataQuery;
    item.calColumnsCount = models.CalColumnsCount;
    item.copyDefaultCalDataQuery = models.CopyDefaultCalDataQuery;
}

void LoadDsg(Database& db, EquipmentItem& item) {
    DB_DSGs dsgs(db);
    dsgs.param.TestPlan_ID = item.testPlanId;
    dsgs.SetFilter("DSGID = " + std::to_string(item.dsgId));
    dsgs.Open(OpenMode::ReadOnly);
    if (dsgs.IsEOF())
        return;
    item.dsgId = dsgs.DSGID;
    item.dsgName = dsgs.Name;
    item.iconId = dsgs.IconID;
}

} // namespace

bool LoadEquipmentItem(Database& db, EquipmentItem& item, int32_t testPlan, int32_t dsg, int32_t model,
                       int32_t instance, const std::string& serialNumber) {
    item = EquipmentItem{};
    item.testPlanId = testPlan;
    item.dsgId = dsg;
    item.deviceTypeId = model;
    item.instanceId = instance;
    item.serialNumber = serialNumber;

    const bool found = LoadInstance(db, item);
    LoadModel(db, item);
    LoadDsg(db, item);
    if (LoadInterfaceSettings(db, item, InterfaceSource::InUse))
        item.changed = true;
    LoadDeclaredOptions(db, item.deviceTypeId, item.instanceId, item.declaredOptions);
    if (!NormaliseCalibrationDates(item))
        item.changed = true;
    return found;
}

bool LoadInterfaceSettings(Database& db, EquipmentItem& item, InterfaceSource source) {
    if (item.validIOs == kInterfaceNone) {
        const bool defaults = item.interfaceType != kInterfaceNone;
        item.interfaceType = kInterfaceNone;
        item.interfaceName = InterfaceName(item.interfaceType);
        return defaults;
    }
    bool defaults = false;
    if (item.interfaceType <= 0) {
        item.interfaceType = item.defaultIOType > 1 ? item.defaultIOType : kInterfaceNone;
        defaults = true;
    }
    item.interfaceName = InterfaceName(item.interfaceType);

    switch (item.interfaceType) {
    case kInterfaceGpib:
        return ReadGpib(db, item, source) || defaults;
    case kInterfaceRs232:
        return ReadRs232(db, item, source) || defaults;
    case kInterfaceVxi:
        return ReadVxi(db, item, source) || defaults;
    default:
        return defaults;
    }
}

void LoadDeclaredOptions(Database& db, int32_t model, int32_t instance, DeclaredOptions& options) {
    options.clear();
    DB_DevTypeUndetectableOptions declarable(db);
    declarable.SetFilter("DeviceTypeID = " + std::to_string(model));
    declarable.Open(OpenMode::ReadOnly);
    for (; !declarable.IsEOF(); declarable.MoveNext()) {
        auto known = FindOption(options, declarable.DeviceOptionID);
        if (known == options.end())
            options.emplace_back(declarable.DeviceOptionID, "0");
    }
    if (instance <= 0)
        return;
    DB_InstanceOptions present(db);
    present.SetFilter("InstanceID = " + std::to_string(instance) + " AND  Undetectable ");
    present.Open(OpenMode::ReadOnly);
    for (; !present.IsEOF(); present.MoveNext()) {
        auto known = FindOption(options, present.DeviceOptionID);
        if (known != options.end())
            known->second = "1";
    }
}

bool CheckRequiredEquipment(Database& db, int32_t station, int32_t testPlan, int32_t variant,
                            int32_t uutInstance, std::string& missing) {
    missing.clear();
    DB_UUTFilters required(db);
    required.SetFilter("TestPlanID = " + std::to_string(testPlan) +
                       " AND TestVariantID = " + std::to_string(variant) +
                       " AND UUTInstanceID = " + std::to_string(uutInstance) + "  AND Type = 2");
    required.Open(OpenMode::ReadOnly);
    DB_DSGs dsgs(db);
    dsgs.param.TestPlan_ID = testPlan;
    dsgs.Open(OpenMode::ReadOnly);
    DB_TestInstanceUsageView usage(db);
    usage.SetFilter("TestStationID = " + std::to_string(station) +
                    " AND TestPlanID = " + std::to_string(testPlan));
    usage.Open(OpenMode::ReadOnly);

    bool complete = true;
    for (; !required.IsEOF(); required.MoveNext()) {
        const std::string dsg = "DSGID = " + std::to_string(required.ID);
        try {
            if (usage.FindFirst(dsg))
                continue;
            complete = false;
            missing += dsgs.FindFirst(dsg) ? dsgs.Name + "\n"
                                           : "Unknown DSGID = " + std::to_string(required.ID) + "\n";
        } catch (const DbError&) {
            complete = false;
        }
    }
    return complete;
}

} // namespace corvid::operatordb
