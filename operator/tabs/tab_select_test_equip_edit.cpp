// The Equipment Selection page: the operator's choices for the item shown and its save.
#include "operatordb/bindings.h"
#include "operatordb/sql_text.h"
#include "operatortabs/tab_select_test_equip.h"

namespace corvid::operatortabs {

using namespace corvid::operatordb;

void CTabSelectTestEquip::SelectDsg(int row) {
    if (row == shown_ || row < -1 || row >= count_)
        return;
    Guarded([&] {
        SaveShown();
        shown_ = row;
        form_.selectedDsg = row;
        ShowItem();
    });
}

void CTabSelectTestEquip::SelectModel(int index) {
    EquipmentItem* item = Shown();
    if (!item || index < 0 || index >= static_cast<int>(form_.models.items.size()))
        return;
    Guarded([&] {
        form_.models.selected = index;
        item->deviceTypeId = form_.models.SelectedId();
        item->changed = true;
        FillSerials();
        if (form_.serials.items.empty()) {
            item->instanceId = -1;
            ClearDetails();
            return;
        }
        form_.serials.selected = 0;
        ShowDetails();
    });
}

void CTabSelectTestEquip::SelectSerial(int index) {
    EquipmentItem* item = Shown();
    if (!item || index < 0 || index >= static_cast<int>(form_.serials.items.size()))
        return;
    Guarded([&] {
        form_.serials.selected = index;
        item->changed = true;
        if (form_.serials.SelectedId() <= 0) {
            item->instanceId = -1;
            ClearDetails();
            return;
        }
        ShowDetails();
    });
}

void CTabSelectTestEquip::SelectInterfaceType(int index) {
    EquipmentItem* item = Shown();
    if (!item || index < 0 || index >= static_cast<int>(form_.interfaceTypes.items.size()))
        return;
    Guarded([&] {
        form_.interfaceTypes.selected = index;
        item->interfaceType = form_.interfaceTypes.SelectedId();
        LoadInterfaceSettings(ctx_.db, *item, InterfaceSource::InUse);
        ShowInterfaceSettings();
        item->changed = true;
    });
}

void CTabSelectTestEquip::RestoreDefaults() {
    EquipmentItem* item = Shown();
    if (!item || form_.serials.selected < 0 || item->instanceId <= 0)
        return;
    Guarded([&] {
        LoadInterfaceSettings(ctx_.db, *item, InterfaceSource::Standing);
        ShowInterfaceSettings();
        item->changed = true;
    });
}

void CTabSelectTestEquip::SelectPort(int index) {
    EquipmentItem* item = Shown();
    if (!item || !form_.portEnabled || index < 0 || index >= static_cast<int>(form_.ports.items.size()))
        return;
    form_.ports.selected = index;
    item->serialPort = form_.ports.SelectedId();
    item->changed = true;
    Notify();
}

void CTabSelectTestEquip::SetBoard(int32_t value) {
    EquipmentItem* item = Shown();
    if (!item || !form_.boardEnabled || value == form_.board)
        return;
    form_.board = value;
    (item->interfaceType == kInterfaceVxi ? item->vxiBoardAddress : item->gpibBoard) = value;
    item->changed = true;
}

void CTabSelectTestEquip::SetAddress(int32_t value) {
    EquipmentItem* item = Shown();
    if (!item || !form_.addressEnabled || value == form_.address)
        return;
    form_.address = value;
    (item->interfaceType == kInterfaceVxi ? item->vxiLogicalAddress : item->gpibAddress) = value;
    item->changed = true;
}

void CTabSelectTestEquip::OnLeave() {
    Guarded([&] { SaveShown(); });
}

EquipmentFields CTabSelectTestEquip::FieldsOfForm(const EquipmentItem& item) const {
    EquipmentFields fields;
    const int32_t type = form_.interfaceTypes.SelectedId();
    fields.interfaceType = type > 0 ? type : item.interfaceType;
    fields.board = form_.board;
    fields.address = form_.address;
    fields.port = form_.ports.selected >= 0 ? form_.ports.SelectedId() : item.serialPort;
    fields.lastCalibration = form_.lastCalibration;
    fields.nextCalibration = form_.nextCalibration;
    fields.interval = form_.interval;
    fields.traceNumber = form_.traceNumber;
    return fields;
}

// The item shown and its assignment, as one change of the database.
void CTabSelectTestEquip::SaveShown() {
    EquipmentItem* item = Shown();
    if (!item)
        return;
    const auto& info = ctx_.info;
    Transaction transaction(ctx_.db);
    if (item->changed && item->instanceId > 0)
        SaveEquipmentItem(ctx_.db, *item, FieldsOfForm(*item));
    // A DSG without an instance has nothing to assign.
    if (info.testPlanId >= 0 && info.stationId >= 0 && item->dsgId >= 0 && item->instanceId > 0)
        WriteAssignment(*item);
    transaction.Commit();
    item->changed = false;
    form_.dsgs[static_cast<size_t>(shown_)] = RowOf(*item);
}

void CTabSelectTestEquip::WriteAssignment(const EquipmentItem& item) {
    const auto& info = ctx_.info;
    DB_TestInstanceUsage usage(ctx_.db);
    usage.SetFilter("TestStationID = " + std::to_string(info.stationId) +
                    " AND TestPlanID = " + std::to_string(info.testPlanId) +
                    " AND DeviceSubstitutionGroup = " + QuotedText(item.dsgName));
    usage.Open(OpenMode::Updatable);
    if (usage.IsEOF())
        usage.AddNew();
    else
        usage.Edit();
    usage.TestStationID = info.stationId;
    usage.TestPlanID = info.testPlanId;
    usage.DeviceSubstitutionGroup = item.dsgName;
    usage.DeviceInstanceID = item.instanceId;
    usage.Update();
}

} // namespace corvid::operatortabs
