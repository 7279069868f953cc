// Many equipment items loaded at once: the tables they draw on are read once each, in
// table order, and every item is put together from them by the rules of
// LoadEquipmentItem, so that a list of thousands of instances costs a few statements
// instead of several per instance.
#include "calibration_dates.h"
#include "operatordb/bindings_plans.h"
#include "operatordb/equipment_item.h"
#include "operatordb/interface_types.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <unordered_map>

namespace corvid::operatordb {
namespace {

struct InstanceRow {
    int32_t model = 0;
    std::string serialNumber, lastCalibration, traceNumber;
    int32_t interfaceType = 0;
};

struct ModelRow {
    std::string alias, calDataQuery, copyDefaultCalDataQuery;
    int32_t iconId = 0, calibrationInterval = 0, calColumnsCount = 0, validIOs = 0, defaultIOType = 0;
};

// The first two numbers of an interface row (board and address, or the port and 0).
using Settings = std::pair<int32_t, int32_t>;

struct InterfaceTables {
    std::unordered_map<int32_t, Settings> inUse;    // by instance: its first in-use row
    std::unordered_map<int32_t, Settings> defaults; // by model
};

int32_t Long(const Recordset& rows, int column) {
    return static_cast<int32_t>(rows.GetValue(column).AsInteger());
}

std::string TextOf(const Recordset& rows, int column) {
    return rows.GetValue(column).AsText();
}

// inUse and defaults select an instance's or a model's identifier and two settings.
InterfaceTables ReadInterfaces(Database& db, const char* inUse, const char* defaults) {
    InterfaceTables tables;
    for (Recordset rows = db.OpenRecordset(inUse); !rows.IsEOF(); rows.MoveNext())
        tables.inUse.emplace(Long(rows, 0), Settings{Long(rows, 1), Long(rows, 2)});
    for (Recordset rows = db.OpenRecordset(defaults); !rows.IsEOF(); rows.MoveNext())
        tables.defaults.emplace(Long(rows, 0), Settings{Long(rows, 1), Long(rows, 2)});
    return tables;
}

bool SameOption(const std::string& a, const std::string& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](unsigned char x, unsigned char y) { return std::toupper(x) == std::toupper(y); });
}

class ItemTables {
public:
    ItemTables(Database& db, int32_t testPlan)
        : gpib_(ReadInterfaces(
              db,
              "SELECT InstanceID, Board, Address1 FROM [InterfaceData_GPIB]"
              " WHERE TempInterface ORDER BY rowid",
              "SELECT DeviceTypeID, Board, Address1 FROM [__sys_InterfaceData_GPIB] ORDER BY rowid")),
          rs232_(ReadInterfaces(
              db,
              "SELECT InstanceID, PortAddress, 0 FROM [InterfaceData_RS232]"
              " WHERE TempInterface ORDER BY rowid",
              "SELECT DeviceTypeID, PortAddress, 0 FROM [__sys_InterfaceData_RS232] ORDER BY rowid")),
          vxi_(ReadInterfaces(
              db,
              "SELECT InstanceID, BoardAddress, LogicalAddress FROM [InterfaceData_VXI]"
              " WHERE TempInterface ORDER BY rowid",
              "SELECT DeviceTypeID, BoardAddress, LogicalAddress FROM [__sys_InterfaceData_VXI]"
              " ORDER BY rowid")) {
        for (Recordset rows =
                 db.OpenRecordset("SELECT InstanceID, DeviceTypeID, SerialNumber, LastCalibration,"
                                  " TraceNumber, InterfaceType FROM [DeviceInstances] ORDER BY rowid");
             !rows.IsEOF(); rows.MoveNext())
            instances_.emplace(Long(rows, 0), InstanceRow{Long(rows, 1), TextOf(rows, 2), TextOf(rows, 3),
                                                          TextOf(rows, 4), Long(rows, 5)});
        for (Recordset rows =
                 db.OpenRecordset("SELECT DeviceTypeID, Alias, CalDataQuery, CopyDefaultCalDataQuery,"
                                  " IconID, CalibrationInterval, CalColumnsCount, ValidIOs,"
                                  " DefaultIOType FROM [__sys_DeviceTypes] ORDER BY rowid");
             !rows.IsEOF(); rows.MoveNext())
            models_.emplace(Long(rows, 0),
                            ModelRow{TextOf(rows, 1), TextOf(rows, 2), TextOf(rows, 3), Long(rows, 4),
                                     Long(rows, 5), Long(rows, 6), Long(rows, 7), Long(rows, 8)});
        // In the order the model's own lookup returns them (its key orders them).
        for (Recordset rows = db.OpenRecordset("SELECT DeviceTypeID, DeviceOptionID FROM"
                                               " [__sys_Device_has_UnDetectableOptions]"
                                               " ORDER BY DeviceTypeID, DeviceOptionID");
             !rows.IsEOF(); rows.MoveNext())
            declarable_[Long(rows, 0)].push_back(TextOf(rows, 1));
        for (Recordset rows = db.OpenRecordset("SELECT InstanceID, DeviceOptionID FROM"
                                               " [DeviceInstance_has_Options] WHERE Undetectable");
             !rows.IsEOF(); rows.MoveNext())
            declared_[Long(rows, 0)].push_back(TextOf(rows, 1));
        DB_DSGs dsgs(db);
        dsgs.param.TestPlan_ID = testPlan;
        dsgs.Open(OpenMode::ReadOnly);
        for (; !dsgs.IsEOF(); dsgs.MoveNext())
            dsgs_.emplace(dsgs.DSGID, std::pair{dsgs.Name, dsgs.IconID}); // the first row of a DSG counts
    }

    EquipmentItem Item(int32_t testPlan, int32_t dsg, int32_t instance) const {
        EquipmentItem item;
        item.testPlanId = testPlan;
        item.dsgId = dsg;
        item.deviceTypeId = -1;
        item.instanceId = instance;
        if (auto found = instances_.find(instance); found != instances_.end()) {
            item.deviceTypeId = found->second.model;
            item.serialNumber = found->second.serialNumber;
            item.lastCalibration = found->second.lastCalibration;
            item.traceNumber = found->second.traceNumber;
            item.interfaceType = found->second.interfaceType;
        }
        if (auto found = models_.find(item.deviceTypeId); found != models_.end()) {
            const ModelRow& model = found->second;
            item.alias = model.alias;
            item.iconId = model.iconId;
            item.calibrationInterval = model.calibrationInterval;
            item.validIOs = model.validIOs;
            item.defaultIOType = model.defaultIOType;
            item.calDataQuery = model.calDataQuery;
            item.calColumnsCount = model.calColumnsCount;
            item.copyDefaultCalDataQuery = model.copyDefaultCalDataQuery;
        }
        if (auto found = dsgs_.find(dsg); found != dsgs_.end()) {
            item.dsgName = found->second.first;
            item.iconId = found->second.second;
        }
        if (InterfaceSettings(item))
            item.changed = true;
        DeclaredOptionsOf(item);
        if (!NormaliseCalibrationDates(item))
            item.changed = true;
        return item;
    }

private:
    // As LoadInterfaceSettings with the settings in use; true when defaults were taken.
    bool InterfaceSettings(EquipmentItem& item) const {
        const std::map<std::string, std::string>& names = InterfaceTypeNames();
        auto nameOf = [&](int32_t type) {
            auto found = names.find(std::to_string(type));
            return found == names.end() ? std::string() : found->second;
        };
        if (item.validIOs == kInterfaceNone) {
            const bool defaults = item.interfaceType != kInterfaceNone;
            item.interfaceType = kInterfaceNone;
            item.interfaceName = nameOf(item.interfaceType);
            return defaults;
        }
        bool defaults = false;
        if (item.interfaceType <= 0) {
            item.interfaceType = item.defaultIOType > 1 ? item.defaultIOType : kInterfaceNone;
            defaults = true;
        }
        item.interfaceName = nameOf(item.interfaceType);
        const InterfaceTables* tables = item.interfaceType == kInterfaceGpib    ? &gpib_
                                        : item.interfaceType == kInterfaceRs232 ? &rs232_
                                        : item.interfaceType == kInterfaceVxi   ? &vxi_
                                                                                : nullptr;
        if (!tables)
            return defaults;
        Settings settings{0, 0};
        if (auto found = tables->inUse.find(item.instanceId); found != tables->inUse.end()) {
            settings = found->second;
        } else {
            defaults = true;
            if (auto model = tables->defaults.find(item.deviceTypeId); model != tables->defaults.end())
                settings = model->second;
        }
        if (item.interfaceType == kInterfaceGpib)
            std::tie(item.gpibBoard, item.gpibAddress) = settings;
        else if (item.interfaceType == kInterfaceRs232)
            item.serialPort = settings.first;
        else
            std::tie(item.vxiBoardAddress, item.vxiLogicalAddress) = settings;
        return defaults;
    }

    void DeclaredOptionsOf(EquipmentItem& item) const {
        auto find = [&](const std::string& code) {
            return std::find_if(item.declaredOptions.begin(), item.declaredOptions.end(),
                                [&](const auto& entry) { return SameOption(entry.first, code); });
        };
        if (auto model = declarable_.find(item.deviceTypeId); model != declarable_.end())
            for (const std::string& code : model->second)
                if (find(code) == item.declaredOptions.end())
                    item.declaredOptions.emplace_back(code, "0");
        if (item.instanceId <= 0)
            return;
        if (auto instance = declared_.find(item.instanceId); instance != declared_.end())
            for (const std::string& code : instance->second)
                if (auto known = find(code); known != item.declaredOptions.end())
                    known->second.assign(1, '1'); // (a literal here trips a false warning of gcc 12)
    }

    InterfaceTables gpib_, rs232_, vxi_;
    std::unordered_map<int32_t, InstanceRow> instances_;
    std::unordered_map<int32_t, ModelRow> models_;
    std::unordered_map<int32_t, std::vector<std::string>> declarable_, declared_;
    std::unordered_map<int32_t, std::pair<std::string, int32_t>> dsgs_;
};

} // namespace

std::vector<EquipmentItem>
LoadEquipmentItems(Database& db, int32_t testPlan,
                   const std::vector<std::pair<int32_t, int32_t>>& dsgsAndInstances) {
    std::vector<EquipmentItem> items;
    if (dsgsAndInstances.empty())
        return items;
    const ItemTables tables(db, testPlan);
    items.reserve(dsgsAndInstances.size());
    for (const auto& [dsg, instance] : dsgsAndInstances)
        items.push_back(tables.Item(testPlan, dsg, instance));
    return items;
}

} // namespace corvid::operatordb
