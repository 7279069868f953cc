// The Equipment Selection page: the DSG list of the selection, the instance shown for a
// DSG with its settings, and the save when the page is left.
#include "operatortabs/tab_select_test_equip.h"

#include "operatorconfig/configuration_manager.h"
#include "operatordb/bindings.h"
#include "operatordb/db_error.h"
#include "operatordb/interface_types.h"
#include "operatordb/sql_text.h"
#include "operatordb/test_filter.h"

#include <strings.h>

namespace corvid::operatortabs {
namespace {

using namespace corvid::operatordb;

constexpr int kPortCount = 4;

} // namespace

bool SelectName(ComboList& list, const std::string& text) {
    if (text.empty()) {
        list.selected = -1;
        return false;
    }
    for (size_t i = 0; i < list.items.size(); ++i) {
        if (::strcasecmp(ItemName(list.items[i]).c_str(), text.c_str()) == 0) {
            list.selected = static_cast<int>(i);
            return true;
        }
    }
    return list.SelectPrefix(text);
}

CTabSelectTestEquip::CTabSelectTestEquip(ModuleContext& context, EquipTabView& view)
    : ctx_(context), view_(view) {
    for (int port = 1; port <= kPortCount; ++port)
        form_.ports.items.push_back(EncodeItem("COM" + std::to_string(port), port));
}

const EquipmentItem* CTabSelectTestEquip::shownItem() const {
    return shown_ >= 0 && shown_ < count_ ? &items_[static_cast<size_t>(shown_)] : nullptr;
}

EquipmentItem* CTabSelectTestEquip::Shown() {
    return const_cast<EquipmentItem*>(shownItem());
}

void CTabSelectTestEquip::Guarded(const std::function<void()>& step) {
    try {
        step();
    } catch (const DbError& error) {
        ctx_.prompt.Show(error.what(), operatorconfig::kApplicationTitle, MsgButtons::Ok, MsgIcon::Error);
    }
    Notify();
}

void CTabSelectTestEquip::OnShow() {
    Guarded([&] {
        const auto& info = ctx_.info;
        form_.station = info.Station;
        form_.testPlan = info.TPA;
        form_.models.Clear();
        form_.serials.Clear();
        ClearDetails();
        if (info.testPlanId <= 0) {
            count_ = 0;
            shown_ = -1;
            form_.dsgs.clear();
            form_.selectedDsg = -1;
            form_.notice = kNoTestPlanSelected;
            return;
        }
        form_.notice.clear();
        RebuildTestFilter(ctx_.db, info.testPlanId, info.variantId, info.UUTModelID, info.UUTInstanceID);
        FillDsgList();
        ShowItem();
    });
}

void CTabSelectTestEquip::FillDsgList() {
    const auto& info = ctx_.info;
    items_.fill(EquipmentItem{});
    count_ = 0;
    form_.dsgs.clear();
    DB_SelectEquipment dsgs(ctx_.db);
    dsgs.param.TestPlan_ID = info.testPlanId;
    dsgs.param.TestVariant_ID = info.variantId;
    dsgs.param.UUTInstance_ID = info.UUTInstanceID;
    dsgs.Open(OpenMode::ReadOnly);
    DB_TestInstanceUsageView usage(ctx_.db);
    usage.SetFilter("TestStationID = " + std::to_string(info.stationId) +
                    " AND TestPlanID = " + std::to_string(info.testPlanId) + " ");
    usage.Open(OpenMode::ReadOnly);
    for (; !dsgs.IsEOF() && count_ < kMaxEquipmentItems; dsgs.MoveNext()) {
        EquipmentItem& item = items_[static_cast<size_t>(count_)];
        item = EquipmentItem{};
        if (usage.FindFirst("DSGID = " + std::to_string(dsgs.DSGID))) {
            LoadEquipmentItem(ctx_.db, item, info.testPlanId, dsgs.DSGID, -1, usage.DeviceInstanceID, "");
        } else {
            item.dsgId = dsgs.DSGID;
            item.dsgName = dsgs.Name;
            item.iconId = dsgs.IconID;
        }
        DsgRow row = RowOf(item);
        bool duplicate = false;
        for (const DsgRow& listed : form_.dsgs)
            duplicate = duplicate || listed.text == row.text;
        if (duplicate)
            continue; // the slot takes the next DSG
        form_.dsgs.push_back(row);
        ++count_;
    }
    if (shown_ < 0 || shown_ >= count_)
        shown_ = count_ > 0 ? 0 : -1;
    form_.selectedDsg = shown_;
}

DsgRow CTabSelectTestEquip::RowOf(const EquipmentItem& item) const {
    return {"[" + item.dsgName + "]", item.iconId, CalibrationStatusOf(item)};
}

void CTabSelectTestEquip::ShowItem() {
    EquipmentItem* item = Shown();
    form_.restoreDefaultsEnabled = false;
    if (!item) {
        form_.models.Clear();
        form_.serials.Clear();
        ClearDetails();
        return;
    }
    FillModels(*item);
    if (item->alias.empty()) {
        form_.models.selected = form_.models.items.empty() ? -1 : 0;
    } else if (!SelectName(form_.models, item->alias)) {
        form_.serials.Clear();
        ClearDetails();
        return;
    }
    FillSerials();
    if (!SelectName(form_.serials, item->serialNumber)) {
        if (!item->serialNumber.empty() || form_.serials.items.empty()) {
            ClearDetails();
            return;
        }
        form_.serials.selected = 0; // a proposal, saved when the page is left
        item->changed = true;
    }
    ShowDetails();
}

void CTabSelectTestEquip::FillModels(const EquipmentItem& item) {
    const auto& info = ctx_.info;
    form_.models.Clear();
    DB_DevsInDsg models(ctx_.db);
    models.param.DSG_1 = models.param.DSG_2 = item.dsgId;
    models.param.TestPlan_ID = info.testPlanId;
    models.Open(OpenMode::ReadOnly);
    DB_InstancesInstalled installed(ctx_.db);
    installed.param.TestStation_1 = installed.param.TestStation_2 = info.stationId;
    for (; !models.IsEOF(); models.MoveNext()) {
        installed.param.DeviceType_1 = installed.param.DeviceType_2 = models.DeviceTypeID;
        if (installed.IsOpen())
            installed.Requery();
        else
            installed.Open(OpenMode::ReadOnly);
        if (!installed.IsEOF())
            form_.models.AddUnique(EncodeItem(models.Alias, models.DeviceTypeID));
    }
}

void CTabSelectTestEquip::FillSerials() {
    form_.serials.Clear();
    const int32_t model = form_.models.SelectedId();
    if (model < 0)
        return;
    DB_InstancesInstalled installed(ctx_.db);
    installed.param.TestStation_1 = installed.param.TestStation_2 = ctx_.info.stationId;
    installed.param.DeviceType_1 = installed.param.DeviceType_2 = model;
    installed.Open(OpenMode::ReadOnly);
    for (; !installed.IsEOF(); installed.MoveNext())
        form_.serials.AddUnique(EncodeItem(installed.SerialNumber, installed.InstanceID));
}

void CTabSelectTestEquip::ShowDetails() {
    EquipmentItem& item = *Shown();
    const bool changed = item.changed;
    LoadEquipmentItem(ctx_.db, item, ctx_.info.testPlanId, item.dsgId, form_.models.SelectedId(),
                      form_.serials.SelectedId(), "");
    item.changed = item.changed || changed;
    form_.interfaceTypes.Clear();
    for (const auto& [code, name] : InterfaceTypeNames()) {
        const int32_t value = std::atoi(code.c_str());
        if (value & item.validIOs)
            form_.interfaceTypes.items.push_back(EncodeItem(name, value));
    }
    ShowInterfaceSettings();
    form_.declaredOptions.clear();
    for (const auto& [option, present] : item.declaredOptions)
        if (present == "1")
            form_.declaredOptions.push_back(option);
    form_.lastCalibration = item.lastCalibration;
    form_.interval = std::to_string(item.calibrationInterval);
    form_.nextCalibration = item.nextCalibration;
    form_.traceNumber = item.traceNumber;
    form_.calGrid = {item.calDataQuery, item.instanceId, item.calColumnsCount};
    form_.restoreDefaultsEnabled = item.instanceId > 0;
}

void CTabSelectTestEquip::ShowInterfaceSettings() {
    const EquipmentItem& item = *shownItem();
    SelectName(form_.interfaceTypes, item.interfaceName);
    const bool gpib = item.interfaceType == kInterfaceGpib, vxi = item.interfaceType == kInterfaceVxi;
    form_.boardEnabled = form_.addressEnabled = gpib || vxi;
    form_.portEnabled = item.interfaceType == kInterfaceRs232;
    form_.board = gpib ? item.gpibBoard : vxi ? item.vxiBoardAddress : 0;
    form_.address = gpib ? item.gpibAddress : vxi ? item.vxiLogicalAddress : 0;
    if (form_.portEnabled)
        SelectName(form_.ports, "COM" + std::to_string(item.serialPort));
    else
        form_.ports.selected = -1;
}

void CTabSelectTestEquip::ClearDetails() {
    form_.interfaceTypes.Clear();
    form_.ports.selected = -1;
    form_.board = form_.address = 0;
    form_.boardEnabled = form_.addressEnabled = form_.portEnabled = false;
    form_.restoreDefaultsEnabled = false;
    form_.lastCalibration.clear();
    form_.interval.clear();
    form_.nextCalibration.clear();
    form_.traceNumber.clear();
    form_.declaredOptions.clear();
    form_.calGrid = {};
}

} // namespace corvid::operatortabs
