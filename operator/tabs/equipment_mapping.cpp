// The Add/Map Equipment dialog's lists, its selection and the mapping step.
#include "operatortabs/equipment_mapping.h"

#include "operatordb/bindings_equipment.h"
#include "operatordb/bindings_plans.h"
#include "operatordb/bindings_stations.h"
#include "operatordb/db_error.h"
#include "operatordb/equipment_item.h"
#include "operatordb/sql_text.h"
#include "operatortabs/combo_item.h"

#include <algorithm>
#include <climits>
#include <optional>

namespace corvid::operatortabs {
namespace {

using namespace operatordb;

std::string Id(int32_t value) {
    return std::to_string(value);
}

// The first entry that begins with prefix (case ignored), preferring one equal to it;
// -1 when none does.
int FindPrefix(const std::vector<MapListEntry>& list, const std::string& prefix) {
    for (std::size_t i = 0; i < list.size(); ++i)
        if (list[i].text.size() == prefix.size() && StartsWithNoCase(list[i].text, prefix))
            return static_cast<int>(i);
    for (std::size_t i = 0; i < list.size(); ++i)
        if (StartsWithNoCase(list[i].text, prefix))
            return static_cast<int>(i);
    return -1;
}

bool HasInvalidCharacters(const std::string& serialNumber) {
    return serialNumber.find_first_of("'\"|") != std::string::npos;
}

// The model's columns that a new instance starts from.
struct ModelDefaults {
    int32_t validIOs = 0;
    std::string copyDefaultCalDataQuery;
    std::optional<int32_t> defaultIOType;
};

ModelDefaults ReadModel(Database& db, int32_t model) {
    DB_DevTypes models(db);
    models.SetFilter("DeviceTypeID = " + Id(model));
    models.Open(OpenMode::ReadOnly);
    ModelDefaults defaults;
    if (models.IsEOF())
        return defaults;
    defaults.validIOs = models.ValidIOs;
    defaults.copyDefaultCalDataQuery = models.CopyDefaultCalDataQuery;
    defaults.defaultIOType = models.DefaultIOType;
    return defaults;
}

} // namespace

CMapEquipment::CMapEquipment(Database& db, Prompt& prompt, int32_t station, int32_t testPlan,
                             std::string testPlanLongName, MapEquipmentView* view)
    : db_(db), prompt_(prompt), station_(station), testPlan_(testPlan),
      testPlanLongName_(std::move(testPlanLongName)), view_(view) {}

void CMapEquipment::Initialize() {
    DB_TestStations stations(db_);
    stations.SetFilter("TestStationID = " + Id(station_));
    stations.Open(OpenMode::ReadOnly);
    stationName_ = stations.IsEOF() ? std::string() : stations.Name;
    DB_TestPlans2 plans(db_);
    plans.SetFilter("TestPlanID = " + Id(testPlan_));
    plans.Open(OpenMode::ReadOnly);
    testPlanName_ = plans.IsEOF() ? std::string() : plans.Name;
    if (station_ > 0 && testPlan_ > 0)
        LinkUsedInstancesToStation(db_, station_, testPlan_);
    FillDsgs();
    models_.clear();
    serials_.clear();
    model_ = serial_ = -1;
    serialText_.clear();
    notes_.clear();
    Changed();
}

void CMapEquipment::FillDsgs() {
    dsgs_.clear();
    dsg_ = -1;
    DB_DSGs dsgs(db_);
    dsgs.param.TestPlan_ID = testPlan_;
    dsgs.Open(OpenMode::ReadOnly);
    for (; !dsgs.IsEOF(); dsgs.MoveNext())
        dsgs_.push_back({dsgs.Name, dsgs.DSGID});
}

void CMapEquipment::FillModels() {
    models_.clear();
    model_ = -1;
    if (dsg_ < 0)
        return;
    DB_DevsInDsg models(db_);
    models.param.DSG_1 = models.param.DSG_2 = dsgs_[dsg_].id;
    models.param.TestPlan_ID = testPlan_;
    models.Open(OpenMode::ReadOnly);
    for (; !models.IsEOF(); models.MoveNext())
        models_.push_back({models.Alias, models.DeviceTypeID});
}

void CMapEquipment::FillSerials() {
    serials_.clear();
    serial_ = -1;
    serialText_.clear();
    if (model_ < 0)
        return;
    DB_InstancesInstalled instances(db_);
    instances.param.TestStation_1 = 0;
    instances.param.TestStation_2 = INT32_MAX;
    instances.param.DeviceType_1 = instances.param.DeviceType_2 = models_[model_].id;
    instances.Open(OpenMode::ReadOnly);
    for (; !instances.IsEOF(); instances.MoveNext())
        serials_.push_back({instances.SerialNumber, instances.InstanceID});
}

void CMapEquipment::ShowNotes() {
    notes_ = "(None)";
    if (dsg_ < 0)
        return;
    DB_DSGs dsgs(db_);
    dsgs.param.TestPlan_ID = testPlan_;
    dsgs.SetFilter("DSGID = " + Id(dsgs_[dsg_].id));
    dsgs.Open(OpenMode::ReadOnly);
    if (!dsgs.IsEOF())
        notes_ = dsgs.Notes;
}

void CMapEquipment::SelectDsg(int index) {
    dsg_ = index >= 0 && index < static_cast<int>(dsgs_.size()) ? index : -1;
    ShowNotes();
    FillModels();
    if (!models_.empty())
        model_ = 0;
    FillSerials();
    Changed();
}

void CMapEquipment::SelectModel(int index) {
    model_ = index >= 0 && index < static_cast<int>(models_.size()) ? index : -1;
    FillSerials();
    Changed();
}

void CMapEquipment::SelectSerial(int index) {
    serial_ = index >= 0 && index < static_cast<int>(serials_.size()) ? index : -1;
    serialText_ = serial_ < 0 ? std::string() : serials_[serial_].text;
    Changed();
}

void CMapEquipment::SetSerialText(const std::string& text) {
    serial_ = -1;
    serialText_ = text;
}

// A row without a serial number selects none: picking the model's first instance
// would make an unassigned DSG look assigned (and Save to file write it so).
void CMapEquipment::SelectAssignment(int row) {
    const std::vector<AssignmentRow>& rows = assignments();
    if (row < 0 || row >= static_cast<int>(rows.size()))
        return;
    const AssignmentRow picked = rows[row];
    ShowAssignment(FindPrefix(dsgs_, picked.dsg), picked);
}

void CMapEquipment::ShowAssignment(int dsg, const AssignmentRow& row) {
    dsg_ = dsg;
    ShowNotes();
    FillModels();
    model_ = FindPrefix(models_, row.model);
    if (model_ < 0 && !models_.empty())
        model_ = 0;
    FillSerials();
    if (!row.serialNumber.empty())
        SelectSerial(FindPrefix(serials_, row.serialNumber));
    Changed();
}

const std::vector<AssignmentRow>& CMapEquipment::assignments() {
    if (!assignmentsStale_)
        return assignments_;
    assignments_.clear();
    Recordset rows = db_.OpenQuery("qry_GUI_DSGs_for_TPA_STA",
                                   {{"TestStation_ID", Id(station_)}, {"TestPlan_ID", Id(testPlan_)}});
    for (; !rows.IsEOF(); rows.MoveNext())
        assignments_.push_back({static_cast<int32_t>(rows.GetValue(0).AsInteger()), rows.GetValue(1).AsText(),
                                rows.GetValue(2).AsText(), rows.GetValue(3).AsText()});
    assignmentsStale_ = false;
    return assignments_;
}

bool CMapEquipment::MapEquipment(MapVariant variant) {
    if (dsg_ < 0 || dsgs_[dsg_].id <= 0 || model_ < 0 || models_[model_].id <= 0)
        return false;
    const std::string serialNumber = serial_ >= 0 ? serials_[serial_].text : serialText_;
    if (serialNumber.empty())
        return false;
    if (HasInvalidCharacters(serialNumber)) {
        prompt_.Notify("Serial number contains invalid characters!");
        return false;
    }
    try {
        WriteMapping(serialNumber);
    } catch (const DbError& error) {
        ShowDatabaseError(error);
        return false;
    }
    if (variant == MapVariant::Interactive)
        prompt_.Notify(report_);
    return true;
}

// One mapping is one unit: a database error undoes the instance it was creating. Only
// the copy queries' failures are reported and passed over.
void CMapEquipment::WriteMapping(const std::string& serialNumber) {
    const MapListEntry model = models_[model_];
    report_ = "Station: " + stationName_ + "  TestPlan: " + testPlanName_ + " \n\nModel: " + model.text +
              " Serial Number: [" + serialNumber + "]\n\n";
    Transaction transaction(db_);
    const int32_t instance = FindOrCreateInstance(model.id, serialNumber);
    if (testPlan_ >= 0 && station_ > 0 && dsgs_[dsg_].id > 0)
        RecordAssignment(instance);
    InstallAtStation(instance);
    transaction.Commit();
    assignmentsStale_ = true;
    auto listed = std::find_if(serials_.begin(), serials_.end(),
                               [&](const MapListEntry& entry) { return entry.id == instance; });
    if (listed == serials_.end())
        listed = serials_.insert(serials_.end(), {serialNumber, instance});
    serial_ = static_cast<int>(listed - serials_.begin());
    serialText_ = listed->text;
    Changed();
    if (view_ && !quiet_)
        view_->AssignmentsChanged();
}

int32_t CMapEquipment::FindOrCreateInstance(int32_t model, const std::string& serialNumber) {
    DB_InstancesAll instances(db_);
    instances.SetFilter("DeviceTypeID = " + Id(model) + " AND SerialNumber = " + QuotedText(serialNumber));
    instances.Open(OpenMode::Updatable);
    if (!instances.IsEOF())
        return instances.InstanceID;
    return CreateInstance(model, serialNumber);
}

int32_t CMapEquipment::CreateInstance(int32_t model, const std::string& serialNumber) {
    const ModelDefaults defaults = ReadModel(db_, model);
    report_ += "Instance Added\n";
    DB_InstancesAll instances(db_);
    const int32_t key = instances.NextKey("InstanceID");
    instances.AddNew();
    instances.InstanceID = key;
    instances.DeviceTypeID = model;
    instances.SerialNumber = serialNumber;
    instances.Priority = 0;
    instances.LastCalibration.clear();
    instances.TraceNumber.clear();
    instances.Temporary = false;
    if (defaults.defaultIOType)
        instances.InterfaceType = *defaults.defaultIOType;
    instances.Update();
    RunCopyQuery("qry_GUI_CopyEquipmentProperties", model, key,
                 "Error copying default equipment properties ...");
    if (!defaults.copyDefaultCalDataQuery.empty())
        RunCopyQuery(defaults.copyDefaultCalDataQuery, model, key,
                     "Error copying default calibration data ...");
    CreateInterfaceRows(db_, model, key, defaults.validIOs, true);
    return key;
}

// Each statement is undone by the engine when it fails, so the new instance stands
// without the rows the query would have copied.
void CMapEquipment::RunCopyQuery(const std::string& query, int32_t model, int32_t instance,
                                 const std::string& failure) {
    try {
        db_.ExecuteQuery(query, {{"DeviceType_ID", model}, {"Instance_ID", instance}});
    } catch (const DbError& error) {
        prompt_.Notify(failure + "\n" + error.what());
    } catch (const std::exception&) {
        prompt_.Notify(failure);
    }
}

void CMapEquipment::RecordAssignment(int32_t instance) {
    report_ += "Mapping Added/Updated \n";
    const std::string& dsg = dsgs_[dsg_].text;
    DB_TestInstanceUsage usage(db_);
    usage.SetFilter("TestStationID = " + Id(station_) + " AND TestPlanID = " + Id(testPlan_) +
                    " AND DeviceSubstitutionGroup = " + QuotedText(dsg));
    usage.Open(OpenMode::Updatable);
    if (usage.IsEOF())
        usage.AddNew();
    else
        usage.Edit();
    usage.TestStationID = station_;
    usage.TestPlanID = testPlan_;
    usage.DeviceSubstitutionGroup = dsg;
    usage.DeviceInstanceID = instance;
    usage.Update();
}

void CMapEquipment::InstallAtStation(int32_t instance) {
    DB_StationInstances installed(db_);
    installed.SetFilter("TestStationID = " + Id(station_) + " AND DeviceInstanceID = " + Id(instance));
    installed.Open(OpenMode::Updatable);
    if (!installed.IsEOF())
        return;
    installed.AddNew();
    installed.TestStationID = station_;
    installed.DeviceInstanceID = instance;
    installed.Update();
}

void CMapEquipment::ShowDatabaseError(const std::exception& error) {
    prompt_.Notify(std::string("Caught the error...\n") + error.what());
}

void CMapEquipment::Changed() {
    if (view_ && !quiet_)
        view_->ListsChanged();
}

} // namespace corvid::operatortabs
