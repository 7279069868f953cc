// The Add/Map Equipment dialog, opened from the Administration tab for a station and a
// test plan: the assignments grid (unassigned DSGs in red), the Equipment Type, Model
// and Serial # lists, and Add/Map, Done, Load from file, Save to file and Auto Map All.
// It shows CMapEquipment's lists and passes the administrator's choices in.
//
//   ShowMapEquipmentDialog(parent, db, prompt, station, testPlan, testPlanLongName);
#pragma once

#include "com/com_ptr.h"
#include "gridwizdao/grid_control.h"
#include "operatortabs/equipment_mapping.h"

#include <QDialog>
#include <functional>
#include <string>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;

namespace corvid::operatorwindow {

class MapEquipmentDialog final : public QDialog, public operatortabs::MapEquipmentView {
    Q_OBJECT

public:
    // testPlanLongName is the plan's text as the Administration tab lists it.
    MapEquipmentDialog(operatordb::Database& db, operatortabs::Prompt& prompt, int32_t station,
                       int32_t testPlan, const std::string& testPlanLongName, QWidget* parent = nullptr);
    ~MapEquipmentDialog() override;

    operatortabs::CMapEquipment& mapping() { return mapping_; }

    // Asks for the map file to read (save false) or write (save true), starting from
    // defaultName; empty when cancelled. Tests replace it.
    std::function<std::string(bool save, const std::string& defaultName)> chooseFile;

    QLineEdit& stationField() { return *station_; }
    QLineEdit& testPlanField() { return *plan_; }
    QComboBox& dsgCombo() { return *dsg_; }
    QComboBox& modelCombo() { return *model_; }
    QComboBox& serialCombo() { return *serial_; }
    QLabel& notesLabel() { return *notes_; }
    QPushButton& mapButton() { return *map_; }
    QPushButton& loadButton() { return *load_; }
    QPushButton& saveButton() { return *save_; }
    QPushButton& autoMapButton() { return *autoMap_; }
    // The assignments grid, null when the grid component could not be created.
    gridwizdao::IGridControl* grid() { return grid_.get(); }
    QTableView* gridView() { return gridView_; }

    // MapEquipmentView
    void ListsChanged() override;
    void AssignmentsChanged() override;

private:
    void BuildFields();
    void CreateGrid();
    void Connect();
    // Runs one action of the administrator; a database error is shown, not thrown.
    void Act(const std::function<void()>& action);

    operatortabs::CMapEquipment mapping_;
    operatortabs::Prompt& prompt_;
    com::ComPtr<gridwizdao::IGridControl> grid_;
    QTableView* gridView_ = nullptr;
    QLineEdit *station_ = nullptr, *plan_ = nullptr;
    QComboBox *dsg_ = nullptr, *model_ = nullptr, *serial_ = nullptr;
    QLabel* notes_ = nullptr;
    QPushButton *map_ = nullptr, *done_ = nullptr, *load_ = nullptr, *save_ = nullptr, *autoMap_ = nullptr;
    bool updating_ = false;
};

// Shows the dialog modally over parent; returns when the administrator presses Done.
void ShowMapEquipmentDialog(QWidget* parent, operatordb::Database& db, operatortabs::Prompt& prompt,
                            int32_t station, int32_t testPlan, const std::string& testPlanLongName);

} // namespace corvid::operatorwindow
