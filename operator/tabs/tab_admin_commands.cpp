// The Administration page: the administrator's commands and the edits of the item shown.
#include "operatordb/administration.h"
#include "operatordb/db_error.h"
#include "operatortabs/tab_admin.h"

#include <algorithm>
#include <cctype>

namespace corvid::operatortabs {

using namespace corvid::operatordb;
using Outcome = StationChange::Outcome;

void CTabAdminX::SelectStation(int index) {
    if (index < 0 || index >= static_cast<int>(form_.stations.items.size()))
        return;
    Guarded([&] {
        SaveShown();
        form_.stations.selected = index;
        LinkUsed();
        RefreshEquipment();
    });
}

void CTabAdminX::SelectPlan(int index) {
    if (index < 0 || index >= static_cast<int>(form_.plans.items.size()))
        return;
    Guarded([&] {
        SaveShown();
        form_.plans.selected = index;
        LinkUsed();
        FillDsgs();
        RefreshEquipment();
    });
}

void CTabAdminX::SelectDsg(int index) {
    if (index < 0 || index >= static_cast<int>(form_.dsgs.items.size()))
        return;
    Guarded([&] {
        SaveShown();
        form_.dsgs.selected = index;
        RefreshEquipment();
    });
}

void CTabAdminX::SelectRow(int row) {
    if (row < 0 || row >= static_cast<int>(form_.equipment.size()) || row == form_.selectedRow)
        return;
    Guarded([&] {
        SaveShown();
        form_.selectedRow = row;
        ShowRow();
    });
}

void CTabAdminX::AddStation() {
    Guarded([&] {
        SaveShown();
        std::optional<std::string> name = view_.AskText(kEnterStationName);
        if (!name)
            return;
        StationChange change = operatordb::AddStation(ctx_.db, *name);
        if (change.outcome == Outcome::Unchanged)
            return;
        ctx_.prompt.Show(change.message);
        if (change.outcome != Outcome::Done)
            return;
        FillStations(change.stationId);
        LinkUsed();
        RefreshEquipment();
    });
}

void CTabAdminX::RemoveStation() {
    if (!form_.removeStationEnabled || Station() < 0)
        return;
    Guarded([&] {
        SaveShown();
        if (ctx_.prompt.Show("Remove station: [" + form_.stations.SelectedName() + "] ?",
                             operatorconfig::kApplicationTitle, MsgButtons::YesNo,
                             MsgIcon::Question) != MsgAnswer::Yes)
            return;
        StationChange change = operatordb::RemoveStation(ctx_.db, Station());
        if (change.outcome == Outcome::Unchanged)
            return;
        ctx_.prompt.Show(change.message);
        if (change.outcome != Outcome::Done)
            return;
        FillStations(ctx_.info.stationId);
        LinkUsed();
        RefreshEquipment();
    });
}

void CTabAdminX::AddMapEquipment() {
    if (Station() < 0) {
        ctx_.prompt.Show(kSelectStationFirst);
        return;
    }
    Guarded([&] {
        SaveShown();
        if (!openMapping_) {
            ctx_.prompt.Show("Add/Map Equipment is not installed at this station.");
            return;
        }
        openMapping_(Station(), Plan(), Plan() >= 0 ? form_.plans.SelectedName() : std::string());
        RefreshEquipment();
    });
}

void CTabAdminX::RemoveEquipment() {
    if (item_.instanceId <= 0)
        return;
    Guarded([&] {
        if (ctx_.prompt.Show("Remove Equipment Model: " + item_.alias + " Serial Number: [" +
                                 item_.serialNumber + "] from " + form_.stations.SelectedName() + " ?",
                             operatorconfig::kApplicationTitle, MsgButtons::YesNo,
                             MsgIcon::Question) != MsgAnswer::Yes)
            return;
        operatordb::RemoveEquipment(ctx_.db, Station(), item_.instanceId);
        RefreshEquipment();
    });
}

void CTabAdminX::EditCalData() {
    if (!form_.editCalDataEnabled)
        return;
    view_.EditCalibrationData(form_.calGrid);
    ++form_.previewRevision; // the preview reads the edited rows
    Notify();
}

void CTabAdminX::AdditionalProperties() {
    if (!form_.propertiesEnabled)
        return;
    view_.EditProperties(item_.instanceId);
}

void CTabAdminX::RestoreDefaults() {
    if (!HasItem())
        return;
    Guarded([&] {
        const int32_t type = form_.interfaceTypes.SelectedId();
        if (type > 0)
            item_.interfaceType = type;
        LoadInterfaceSettings(ctx_.db, item_, InterfaceSource::Standing);
        ShowInterfaceSettings();
        item_.changed = true;
    });
}

// The settings of the new type are its own rows in use (or its model's defaults), not
// the numbers the fields showed for the previous type.
void CTabAdminX::SelectInterfaceType(int index) {
    if (!HasItem() || index < 0 || index >= static_cast<int>(form_.interfaceTypes.items.size()))
        return;
    Guarded([&] {
        const int32_t type = ItemId(form_.interfaceTypes.items[static_cast<size_t>(index)]);
        SaveShown();
        item_.interfaceType = type;
        LoadInterfaceSettings(ctx_.db, item_, InterfaceSource::InUse);
        ShowInterfaceSettings();
        item_.changed = true;
        SaveShown();
        ShowItem();
    });
}

void CTabAdminX::SelectPort(int index) {
    if (!HasItem() || !form_.portEnabled || index < 0 || index >= static_cast<int>(form_.ports.items.size()))
        return;
    form_.ports.selected = index;
    item_.serialPort = form_.ports.SelectedId();
    item_.changed = true;
}

void CTabAdminX::SetBoard(int32_t value) {
    if (!HasItem() || !form_.boardEnabled || value == form_.board)
        return;
    form_.board = value;
    item_.changed = true;
}

void CTabAdminX::SetAddress(int32_t value) {
    if (!HasItem() || !form_.addressEnabled || value == form_.address)
        return;
    form_.address = value;
    item_.changed = true;
}

bool CTabAdminX::SetLastCalibration(const std::string& text) {
    if (!HasItem() || !ParseStoredDate(text))
        return false;
    if (text != form_.lastCalibration) {
        form_.lastCalibration = text;
        item_.changed = true;
    }
    return true;
}

bool CTabAdminX::SetInterval(const std::string& text) {
    constexpr size_t kMaxDigits = 4; // months; keeps the date arithmetic in range
    if (!HasItem() || text.size() > kMaxDigits ||
        !std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isdigit(c); }))
        return false;
    if (text != form_.interval) {
        form_.interval = text;
        item_.changed = true;
    }
    return true;
}

void CTabAdminX::SetTraceNumber(const std::string& text) {
    if (!HasItem() || text == form_.traceNumber)
        return;
    form_.traceNumber = text;
    item_.changed = true;
}

void CTabAdminX::SetOption(int index, bool checked) {
    if (!HasItem() || index < 0 || index >= static_cast<int>(form_.options.size()))
        return;
    AdminOption& option = form_.options[static_cast<size_t>(index)];
    if (option.checked == checked)
        return;
    option.checked = checked;
    for (auto& [code, present] : item_.declaredOptions)
        if (code == option.code)
            present = checked ? "1" : "0";
    item_.changed = true;
}

void CTabAdminX::CalibrationFieldLeft() {
    if (!HasItem() || !item_.changed)
        return;
    Guarded([&] {
        SaveShown();
        ShowItem();
    });
}

} // namespace corvid::operatortabs
