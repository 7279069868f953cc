// CTabAdminX: the Administration page's logic. The administrator keeps the stations,
// browses the equipment installed at a station (narrowed to a test plan and a DSG),
// edits an instance's communication settings, calibration fields and declared options,
// removes equipment and opens the editors of its calibration data and properties. The
// item shown is saved before every change of what is shown and when the page is left.
#pragma once

#include "operatordb/administration.h"
#include "operatordb/equipment_item.h"
#include "operatortabs/combo_item.h"
#include "operatortabs/tab_run.h"
#include "operatortabs/tab_select_test_equip.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace corvid::operatortabs {

inline constexpr const char* kAllEntries = " --ALL--";
inline constexpr const char* kEnterStationName = "Enter station name:";
inline constexpr const char* kSelectStationFirst = "Please select a Station first ...";

struct AdminEquipmentRow {
    std::string text; // "[alias]\n[serial]"
    int32_t iconId = 0;
    operatordb::CalibrationStatus status = operatordb::CalibrationStatus::Overdue;
    int32_t instanceId = 0;
};

struct AdminOption {
    std::string code;
    bool checked = false;
};

struct AdminForm {
    ComboList stations, plans, dsgs; // sorted; plans and dsgs begin with kAllEntries (id -1)
    std::vector<AdminEquipmentRow> equipment;
    int selectedRow = -1;
    // The item shown.
    std::string equipmentType, model, serialNumber;
    ComboList interfaceTypes, ports;
    int32_t board = 0, address = 0;
    bool boardEnabled = false, addressEnabled = false, portEnabled = false;
    std::string lastCalibration, interval, nextCalibration, traceNumber;
    bool calibrationDatesEnabled = false;
    std::vector<AdminOption> options;
    CalGridSource calGrid;   // the read-only preview
    int previewRevision = 0; // counts edits of the calibration data, for the preview to read again
    // Commands.
    bool removeStationEnabled = false, addMapEnabled = false, removeEquipmentEnabled = false;
    bool editCalDataEnabled = false, propertiesEnabled = false;
};

// What the page is told and asked; tests answer in its place.
class AdminTabView {
public:
    virtual void FormChanged() {}
    // The one-line input dialog; nullopt on Cancel.
    virtual std::optional<std::string> AskText(const std::string& question) = 0;
    // The Calibration Editor (editable grid, Sort Records, OK) and the additional
    // properties editor, modal.
    virtual void EditCalibrationData(const CalGridSource& source) = 0;
    virtual void EditProperties(int32_t instance) = 0;

protected:
    ~AdminTabView() = default;
};

// Opens the Add/Map Equipment dialog for a station and a test plan (its long name as
// listed) and returns when it is closed.
using OpenMappingDialog = std::function<void(int32_t station, int32_t testPlan, const std::string& longName)>;

class CTabAdminX {
public:
    CTabAdminX(ModuleContext& context, AdminTabView& view);

    const AdminForm& form() const { return form_; }
    const operatordb::EquipmentItem& item() const { return item_; }
    // Set by the window: the mapping dialog behind Add/Map Equipment...
    void SetMappingDialog(OpenMappingDialog open) { openMapping_ = std::move(open); }

    // Login gating: the login is asked while this page has no login of its own.
    bool loggedIn() const { return loggedIn_; }
    void LoginSucceeded();

    // The page becomes the current one (the first time it fills its lists) / is left.
    void OnShow();
    void OnLeave();

    // Choices; each saves the item shown first.
    void SelectStation(int index);
    void SelectPlan(int index);
    void SelectDsg(int index);
    void SelectRow(int row);

    // Commands.
    void AddStation();
    void RemoveStation();
    void AddMapEquipment();
    void RemoveEquipment();
    void EditCalData();
    void AdditionalProperties();
    void RestoreDefaults();
    void SelectInterfaceType(int index);

    // Fields of the item shown; each edit marks it changed. A date that does not parse
    // and an interval that is not digits are refused (false, nothing changes).
    void SelectPort(int index);
    void SetBoard(int32_t value);
    void SetAddress(int32_t value);
    bool SetLastCalibration(const std::string& text);
    bool SetInterval(const std::string& text);
    void SetTraceNumber(const std::string& text);
    void SetOption(int index, bool checked);
    // Last Calibration or Calibration Interval lost the focus: save and show again, so
    // that the next date is computed anew.
    void CalibrationFieldLeft();

private:
    void FirstShow();
    void FillStations(int32_t wanted);
    void FillPlans(int32_t wanted);
    void FillDsgs();
    void LinkUsed();
    void RefreshEquipment();
    void ShowRow();
    void ShowItem();
    void ShowInterfaceSettings();
    void ClearItem();
    void SaveShown();
    bool HasItem() const { return form_.selectedRow >= 0 && !form_.equipment.empty(); }
    int32_t Station() const { return form_.stations.SelectedId(); }
    int32_t Plan() const { return form_.plans.SelectedId(); }
    int32_t Dsg() const { return form_.dsgs.SelectedId(); }
    // Runs a step of the administrator's; a database error is shown and the page keeps
    // what it showed before the step.
    void Guarded(const std::function<void()>& step);
    void Notify() { view_.FormChanged(); }

    ModuleContext& ctx_;
    AdminTabView& view_;
    AdminForm form_;
    operatordb::EquipmentItem item_;
    OpenMappingDialog openMapping_;
    bool shownBefore_ = false;
    bool loggedIn_ = false;
};

} // namespace corvid::operatortabs
