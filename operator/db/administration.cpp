#include "operatordb/administration.h"

#include "operatordb/bindings.h"

#include <unordered_set>

namespace corvid::operatordb {
namespace {

// The first row's integer of a SELECT with bound values, or fallback when none.
int32_t FirstId(Database& db, const std::string& sql, const Parameters& params, int32_t fallback = -1) {
    Recordset rows = db.OpenRecordset(sql, params);
    return rows.IsEOF() ? fallback : static_cast<int32_t>(rows.GetValue(0).AsInteger());
}

std::string Decimal(int32_t value) {
    return std::to_string(value);
}

} // namespace

std::string StationExistsText(const std::string& name) {
    return "Station [" + name + "] already exists!";
}

std::string StationNotEmptyText(const std::string& name) {
    return "Station [" + name + "] still has equipment installed; remove its equipment first.";
}

bool HasForbiddenCharacter(std::string_view text) {
    return text.find_first_of("'\"|") != std::string_view::npos;
}

StationChange AddStation(Database& db, const std::string& name) {
    if (name.empty())
        return {};
    if (HasForbiddenCharacter(name))
        return {StationChange::Outcome::Refused, kInvalidStationName};
    Transaction transaction(db);
    if (StationIdByName(db, name) >= 0)
        return {StationChange::Outcome::Refused, StationExistsText(name)};
    DB_TestStations stations(db);
    const int32_t key = stations.NextKey("TestStationID");
    stations.AddNew();
    stations.TestStationID = key;
    stations.Name = name;
    stations.Update();
    transaction.Commit();
    return {StationChange::Outcome::Done, kStationAdded, key};
}

StationChange RemoveStation(Database& db, int32_t station) {
    Transaction transaction(db);
    DB_TestStations stations(db);
    stations.SetFilter("TestStationID = " + Decimal(station));
    stations.Open(OpenMode::Updatable);
    if (stations.IsEOF())
        return {};
    if (StationHasEquipment(db, station))
        return {StationChange::Outcome::Refused, StationNotEmptyText(stations.Name), station};
    stations.Delete();
    transaction.Commit();
    return {StationChange::Outcome::Done, kStationRemoved, station};
}

int32_t StationIdByName(Database& db, const std::string& name) {
    return FirstId(db, "SELECT TestStationID FROM [TestStations] WHERE Name = :name ORDER BY TestStationID",
                   {{"name", name}});
}

std::string StationName(Database& db, int32_t station) {
    DB_TestStations stations(db);
    stations.SetFilter("TestStationID = " + Decimal(station));
    stations.Open(OpenMode::ReadOnly);
    return stations.IsEOF() ? std::string() : stations.Name;
}

int32_t TestPlanIdByLongName(Database& db, const std::string& longName) {
    return FirstId(db, "SELECT TestPlanID FROM [__sys_TestPlans] WHERE LongName = :name ORDER BY TestPlanID",
                   {{"name", longName}});
}

int32_t DsgIdByName(Database& db, int32_t testPlan, const std::string& name) {
    return FirstId(db,
                   "SELECT DSGID FROM [__sys_DSGs] WHERE TestPlanID = :plan AND Name = :name ORDER BY DSGID",
                   {{"plan", testPlan}, {"name", name}});
}

bool StationHasEquipment(Database& db, int32_t station) {
    return FirstId(db,
                   "SELECT s.DeviceInstanceID FROM [TestStation_has_Instances] AS s"
                   " INNER JOIN [DeviceInstances] AS i ON i.InstanceID = s.DeviceInstanceID"
                   " WHERE s.TestStationID = :station",
                   {{"station", station}}) >= 0;
}

std::string EquipmentRowText(const EquipmentItem& item, int flags) {
    std::string text;
    auto append = [&](const std::string& part) {
        text += (text.empty() ? "[" : "\n[") + part + "]";
    };
    if (flags & kRowDsg)
        append(item.dsgName);
    if (flags & kRowAlias)
        append(item.alias);
    if (flags & kRowSerial)
        append(item.serialNumber);
    return text;
}

std::vector<EquipmentRow> EquipmentList(Database& db, int32_t station, int32_t testPlan, int32_t dsg) {
    // One read transaction: the list is one consistent picture, read under one lock.
    Transaction reading(db);
    std::vector<std::pair<int32_t, int32_t>> listed; // DSG and instance of each row
    if (testPlan < 0) {
        DB_InstancesInstalled installed(db);
        installed.param.TestStation_1 = station < 0 ? 0 : station;
        installed.param.TestStation_2 = station < 0 ? kAnyId : station;
        installed.param.DeviceType_1 = 0;
        installed.param.DeviceType_2 = kAnyId;
        installed.Open(OpenMode::ReadOnly);
        for (; !installed.IsEOF(); installed.MoveNext())
            listed.emplace_back(-1, installed.InstanceID);
    } else {
        DB_TestInstanceUsageView usage(db);
        std::string filter = "TestPlanID = " + Decimal(testPlan);
        if (station >= 0)
            filter += " AND TestStationID = " + Decimal(station);
        if (dsg >= 0)
            filter += " AND DSGID = " + Decimal(dsg);
        usage.SetFilter(filter);
        usage.Open(OpenMode::ReadOnly);
        for (; !usage.IsEOF(); usage.MoveNext())
            listed.emplace_back(usage.DSGID, usage.DeviceInstanceID);
    }
    std::vector<EquipmentRow> rows;
    std::unordered_set<std::string> texts;
    for (EquipmentItem& item : LoadEquipmentItems(db, testPlan, listed)) {
        if (testPlan >= 0 && item.serialNumber.empty())
            continue;
        std::string text = EquipmentRowText(item, kRowAlias | kRowSerial);
        if (!texts.insert(text).second)
            continue;
        CalibrationStatus status = CalibrationStatusOf(item);
        rows.push_back({std::move(text), std::move(item), status});
    }
    reading.Commit();
    return rows;
}

void RemoveEquipment(Database& db, int32_t station, int32_t instance) {
    if (instance <= 0)
        return;
    Transaction transaction(db);
    DB_StationInstances installed(db);
    installed.SetFilter("DeviceInstanceID = " + Decimal(instance));
    installed.Open(OpenMode::Updatable);
    if (installed.RecordCount() > 1) {
        if (installed.FindFirst("TestStationID = " + Decimal(station)))
            installed.Delete();
        DB_TestInstanceUsage usage(db);
        usage.SetFilter("TestStationID = " + Decimal(station) +
                        " AND DeviceInstanceID = " + Decimal(instance));
        usage.Open(OpenMode::Updatable);
        for (; !usage.IsEOF(); usage.MoveNext())
            usage.Delete();
    } else {
        DB_InstancesAll instances(db);
        instances.SetFilter("InstanceID = " + Decimal(instance));
        instances.Open(OpenMode::Updatable);
        if (!instances.IsEOF())
            instances.Delete();
    }
    transaction.Commit();
}

} // namespace corvid::operatordb
