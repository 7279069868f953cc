// CTabSelectTestEquip: the Equipment Selection page's logic. For the current selection
// (station, test plan, variant and unit) it lists the DSGs the selected tests need, with
// the calibration state of the instance assigned to each, and lets the operator assign
// an installed instance to the DSG shown and set its communication settings. The item
// shown and its assignment are written back when the page is left.
#pragma once

#include "operatordb/equipment_item.h"
#include "operatortabs/combo_item.h"
#include "operatortabs/tab_run.h"

#include <array>
#include <functional>
#include <string>
#include <vector>

namespace corvid::operatortabs {

inline constexpr int kMaxEquipmentItems = 100;
inline constexpr const char* kNoTestPlanSelected = "No test plan selected.";

// One row of the DSG list: "[name]" and the icon of its calibration state.
struct DsgRow {
    std::string text;
    int32_t iconId = 0;
    operatordb::CalibrationStatus status = operatordb::CalibrationStatus::Overdue;
};

// What the calibration data grid shows: the model's saved query for the instance.
struct CalGridSource {
    std::string query;
    int32_t instanceId = 0;
    int32_t columns = 1;
};

struct EquipForm {
    std::string station, testPlan;
    std::string notice; // kNoTestPlanSelected, or empty
    std::vector<DsgRow> dsgs;
    int selectedDsg = -1;
    ComboList models, serials, interfaceTypes, ports;
    int32_t board = 0, address = 0;
    bool boardEnabled = false, addressEnabled = false, portEnabled = false;
    bool restoreDefaultsEnabled = false;
    // Shown read-only.
    std::string lastCalibration, interval, nextCalibration, traceNumber;
    std::vector<std::string> declaredOptions;
    CalGridSource calGrid;
};

// What the page is told.
class EquipTabView {
public:
    virtual void FormChanged() {}

protected:
    ~EquipTabView() = default;
};

class CTabSelectTestEquip {
public:
    CTabSelectTestEquip(ModuleContext& context, EquipTabView& view);

    const EquipForm& form() const { return form_; }
    int itemCount() const { return count_; }
    const operatordb::EquipmentItem& item(int index) const { return items_.at(static_cast<size_t>(index)); }
    // The item shown, or null.
    const operatordb::EquipmentItem* shownItem() const;

    // The page is shown: rebuilds the filter of the selection and lists its DSGs again.
    void OnShow();
    // The page is left: saves the item shown and its assignment.
    void OnLeave();

    // Operator input. Choosing another DSG first saves the one shown.
    void SelectDsg(int row);
    void SelectModel(int index);
    void SelectSerial(int index);
    void SelectInterfaceType(int index);
    void SelectPort(int index);
    void SetBoard(int32_t value);
    void SetAddress(int32_t value);
    void RestoreDefaults();

private:
    operatordb::EquipmentItem* Shown();
    void FillDsgList();
    DsgRow RowOf(const operatordb::EquipmentItem& item) const;
    void ShowItem();
    void FillModels(const operatordb::EquipmentItem& item);
    void FillSerials();
    void ShowDetails();
    void ShowInterfaceSettings();
    void ClearDetails();
    void SaveShown();
    operatordb::EquipmentFields FieldsOfForm(const operatordb::EquipmentItem& item) const;
    void WriteAssignment(const operatordb::EquipmentItem& item);
    // Runs a step of the operator's; a database error is shown and ends the step.
    void Guarded(const std::function<void()>& step);
    void Notify() { view_.FormChanged(); }

    ModuleContext& ctx_;
    EquipTabView& view_;
    EquipForm form_;
    std::array<operatordb::EquipmentItem, kMaxEquipmentItems> items_;
    int count_ = 0;
    int shown_ = -1;
};

// Selects the entry whose name is text (case ignored), else the first that begins with
// it; false (no selection) when text is empty or none does.
bool SelectName(ComboList& list, const std::string& text);

} // namespace corvid::operatortabs
