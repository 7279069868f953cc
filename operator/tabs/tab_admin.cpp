// The Administration page: its lists, the equipment list and the item shown.
#include "operatortabs/tab_admin.h"

#include "operatordb/bindings.h"
#include "operatordb/db_error.h"
#include "operatordb/interface_types.h"
#include "operatordb/lookups.h"

#include <algorithm>
#include <cstdlib>
#include <strings.h>

namespace corvid::operatortabs {
namespace {

using namespace corvid::operatordb;

constexpr int kPortCount = 4;

// The lists are sorted as the administrator reads them: by name, case ignored.
void SortByName(ComboList& list) {
    std::stable_sort(list.items.begin(), list.items.end(), [](const std::string& a, const std::string& b) {
        return ::strcasecmp(ItemName(a).c_str(), ItemName(b).c_str()) < 0;
    });
}

bool SelectId(ComboList& list, int32_t id) {
    for (size_t i = 0; i < list.items.size(); ++i) {
        if (ItemId(list.items[i]) == id) {
            list.selected = static_cast<int>(i);
            return true;
        }
    }
    return false;
}

} // namespace

CTabAdminX::CTabAdminX(ModuleContext& context, AdminTabView& view) : ctx_(context), view_(view) {}

void CTabAdminX::Guarded(const std::function<void()>& step) {
    AdminForm form = form_;
    EquipmentItem item = item_;
    try {
        step();
    } catch (const DbError& error) {
        form_ = std::move(form);
        item_ = std::move(item);
        ctx_.prompt.Show(error.what(), operatorconfig::kApplicationTitle, MsgButtons::Ok, MsgIcon::Error);
    }
    Notify();
}

void CTabAdminX::LoginSucceeded() {
    loggedIn_ = true;
    Guarded([&] {
        if (!shownBefore_)
            FirstShow();
        else
            RefreshEquipment();
    });
}

void CTabAdminX::OnShow() {
    if (!loggedIn_)
        return; // the login comes first; it fills the page
    Guarded([&] {
        if (!shownBefore_)
            FirstShow();
        else if (HasItem())
            ShowItem();
    });
}

void CTabAdminX::OnLeave() {
    if (loggedIn_)
        Guarded([&] { SaveShown(); });
}

void CTabAdminX::FirstShow() {
    shownBefore_ = true;
    form_ = AdminForm{};
    for (int port = 1; port <= kPortCount; ++port)
        form_.ports.items.push_back(EncodeItem("COM" + std::to_string(port), port));
    FillStations(ctx_.info.stationId);
    FillPlans(ctx_.info.testPlanId);
    FillDsgs();
    LinkUsed();
    RefreshEquipment();
}

void CTabAdminX::FillStations(int32_t wanted) {
    form_.stations.Clear();
    DB_TestStations stations(ctx_.db);
    stations.Open(OpenMode::ReadOnly);
    for (; !stations.IsEOF(); stations.MoveNext())
        form_.stations.AddUnique(EncodeItem(stations.Name, stations.TestStationID));
    SortByName(form_.stations);
    if (!SelectId(form_.stations, wanted))
        form_.stations.selected = form_.stations.items.empty() ? -1 : 0;
}

void CTabAdminX::FillPlans(int32_t wanted) {
    form_.plans.Clear();
    DB_TestPlans2 plans(ctx_.db);
    plans.Open(OpenMode::ReadOnly);
    for (; !plans.IsEOF(); plans.MoveNext())
        form_.plans.AddUnique(EncodeItem(plans.LongName, plans.TestPlanID));
    form_.plans.AddUnique(kAllEntries);
    SortByName(form_.plans);
    if (wanted < 0 || !SelectId(form_.plans, wanted))
        SelectName(form_.plans, kAllEntries);
}

void CTabAdminX::FillDsgs() {
    form_.dsgs.Clear();
    form_.addMapEnabled = Plan() >= 0;
    if (Plan() >= 0) {
        DB_DSGs dsgs(ctx_.db);
        dsgs.param.TestPlan_ID = Plan();
        dsgs.Open(OpenMode::ReadOnly);
        for (; !dsgs.IsEOF(); dsgs.MoveNext())
            form_.dsgs.AddUnique(EncodeItem(dsgs.Name, dsgs.DSGID));
    }
    form_.dsgs.AddUnique(kAllEntries);
    SortByName(form_.dsgs);
    form_.dsgs.selected = 0;
}

void CTabAdminX::LinkUsed() {
    if (Station() >= 0 && Plan() >= 0)
        LinkUsedInstancesToStation(ctx_.db, Station(), Plan());
}

void CTabAdminX::RefreshEquipment() {
    const int remembered = form_.selectedRow;
    form_.equipment.clear();
    for (EquipmentRow& row : EquipmentList(ctx_.db, Station(), Plan(), Dsg()))
        form_.equipment.push_back({row.text, row.item.iconId, row.status, row.item.instanceId});
    form_.removeStationEnabled = Plan() < 0 && Station() >= 0 && form_.equipment.empty();
    if (form_.equipment.empty()) {
        form_.selectedRow = -1;
        ClearItem();
        return;
    }
    const int count = static_cast<int>(form_.equipment.size());
    form_.selectedRow = remembered >= 0 && remembered < count ? remembered : 0;
    ShowRow();
}

void CTabAdminX::ShowRow() {
    const int32_t instance = form_.equipment.at(static_cast<size_t>(form_.selectedRow)).instanceId;
    int32_t dsg = -1;
    if (Plan() >= 0) {
        DB_TestInstanceUsageView usage(ctx_.db);
        usage.SetFilter("TestPlanID = " + std::to_string(Plan()) + " AND TestStationID = " +
                        std::to_string(Station()) + " AND DeviceInstanceID = " + std::to_string(instance));
        usage.Open(OpenMode::ReadOnly);
        if (!usage.IsEOF())
            dsg = usage.DSGID;
    }
    item_ = EquipmentItem{};
    LoadEquipmentItem(ctx_.db, item_, Plan(), dsg, -1, instance, "");
    ShowItem();
}

void CTabAdminX::ShowItem() {
    form_.equipmentType = Plan() >= 0 ? item_.dsgName : std::string();
    form_.model = item_.alias;
    form_.serialNumber = item_.serialNumber;
    form_.interfaceTypes.Clear();
    for (const auto& [code, name] : InterfaceTypeNames()) {
        const int32_t value = std::atoi(code.c_str());
        if (value & item_.validIOs)
            form_.interfaceTypes.items.push_back(EncodeItem(name, value));
    }
    ShowInterfaceSettings();
    form_.options.clear();
    for (const auto& [code, present] : item_.declaredOptions)
        form_.options.push_back({code, present == "1"});
    form_.lastCalibration = item_.lastCalibration;
    form_.nextCalibration = item_.nextCalibration;
    form_.traceNumber = item_.traceNumber;
    form_.interval = std::to_string(item_.calibrationInterval);
    form_.calibrationDatesEnabled = item_.calibrationInterval != 0;
    form_.removeEquipmentEnabled = item_.instanceId > 0;
    form_.propertiesEnabled = item_.instanceId > 0 && !HasNoEquipmentProperties(ctx_.db, item_.instanceId);
    form_.editCalDataEnabled = item_.instanceId >= 0 && !item_.calDataQuery.empty();
    form_.calGrid = {item_.calDataQuery, item_.instanceId, item_.calColumnsCount};
    item_.changed = false;
}

void CTabAdminX::ShowInterfaceSettings() {
    SelectName(form_.interfaceTypes, item_.interfaceName);
    const bool gpib = item_.interfaceType == kInterfaceGpib, vxi = item_.interfaceType == kInterfaceVxi;
    form_.boardEnabled = form_.addressEnabled = gpib || vxi;
    form_.portEnabled = item_.interfaceType == kInterfaceRs232;
    form_.board = gpib ? item_.gpibBoard : vxi ? item_.vxiBoardAddress : 0;
    form_.address = gpib ? item_.gpibAddress : vxi ? item_.vxiLogicalAddress : 0;
    if (form_.portEnabled)
        SelectName(form_.ports, "COM" + std::to_string(item_.serialPort));
    else
        form_.ports.selected = -1;
}

void CTabAdminX::ClearItem() {
    item_ = EquipmentItem{};
    form_.equipmentType.clear();
    form_.model.clear();
    form_.serialNumber.clear();
    form_.interfaceTypes.Clear();
    form_.ports.selected = -1;
    form_.board = form_.address = 0;
    form_.boardEnabled = form_.addressEnabled = form_.portEnabled = false;
    form_.lastCalibration.clear();
    form_.interval.clear();
    form_.nextCalibration.clear();
    form_.traceNumber.clear();
    form_.calibrationDatesEnabled = false;
    form_.options.clear();
    form_.calGrid = {};
    form_.removeEquipmentEnabled = form_.propertiesEnabled = form_.editCalDataEnabled = false;
}

// The item shown, when edited, with the values of the fields.
void CTabAdminX::SaveShown() {
    if (!HasItem() || !item_.changed)
        return;
    EquipmentFields fields;
    const int32_t type = form_.interfaceTypes.SelectedId();
    fields.interfaceType = type > 0 ? type : item_.interfaceType;
    fields.board = form_.board;
    fields.address = form_.address;
    fields.port = form_.ports.selected >= 0 ? form_.ports.SelectedId() : item_.serialPort;
    fields.lastCalibration = form_.lastCalibration;
    fields.nextCalibration = form_.nextCalibration;
    fields.interval = form_.interval;
    fields.traceNumber = form_.traceNumber;
    SaveEquipmentItem(ctx_.db, item_, fields);
    item_.changed = false;
    AdminEquipmentRow& row = form_.equipment.at(static_cast<size_t>(form_.selectedRow));
    row.text = EquipmentRowText(item_, kRowAlias | kRowSerial);
    row.iconId = item_.iconId;
    row.status = CalibrationStatusOf(item_);
}

} // namespace corvid::operatortabs
