// The Equipment Selection page: the DSG list with the calibration state icons, the
// instance assigned to the DSG shown with its communication settings, its calibration
// fields (read-only), its declared options and its calibration data in the data-bound
// grid. It shows CTabSelectTestEquip's form and passes the operator's input in.
#pragma once

#include "com/com_ptr.h"
#include "gridwizdao/grid_control.h"
#include "operatortabs/tab_select_test_equip.h"
#include "operatorwindow/image_list.h"

#include <QWidget>
#include <memory>

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QSpinBox;
class QVBoxLayout;

namespace corvid::operatorwindow {

class EquipmentPage final : public QWidget, public operatortabs::EquipTabView {
    Q_OBJECT

public:
    EquipmentPage(operatortabs::ModuleContext context, const EquipmentImageList& images,
                  QWidget* parent = nullptr);
    ~EquipmentPage() override;

    operatortabs::CTabSelectTestEquip& tab() { return *tab_; }
    // The page becomes the current one / stops being it.
    void PageShown();
    void PageLeft();

    QListWidget& dsgList() { return *dsgs_; }
    QLabel& noticeLabel() { return *notice_; }
    QComboBox& modelCombo() { return *model_; }
    QComboBox& serialCombo() { return *serial_; }
    QComboBox& interfaceCombo() { return *interface_; }
    QComboBox& portCombo() { return *port_; }
    QSpinBox& boardField() { return *board_; }
    QSpinBox& addressField() { return *address_; }
    QPushButton& restoreButton() { return *restore_; }
    QLineEdit& lastCalibrationField() { return *lastCal_; }
    QLineEdit& nextCalibrationField() { return *nextCal_; }
    QListWidget& declaredOptionsList() { return *options_; }
    // The calibration data grid, null when the grid component could not be created.
    gridwizdao::IGridControl* calibrationGrid() { return grid_.get(); }

    // EquipTabView
    void FormChanged() override;

private:
    void BuildFields();
    void CreateGrid();
    void ShowGrid(const operatortabs::CalGridSource& source);
    QIcon IconOf(const operatortabs::DsgRow& row) const;

    operatortabs::ModuleContext context_;
    std::unique_ptr<operatortabs::CTabSelectTestEquip> tab_;
    const EquipmentImageList& images_;
    com::ComPtr<gridwizdao::IGridControl> grid_;
    QWidget* gridView_ = nullptr;
    QVBoxLayout* gridArea_ = nullptr;
    operatortabs::CalGridSource gridSource_;
    QListWidget* dsgs_ = nullptr;
    QLabel *notice_ = nullptr, *station_ = nullptr, *plan_ = nullptr;
    QComboBox *model_ = nullptr, *serial_ = nullptr, *interface_ = nullptr, *port_ = nullptr;
    QSpinBox *board_ = nullptr, *address_ = nullptr;
    QPushButton* restore_ = nullptr;
    QLineEdit *lastCal_ = nullptr, *interval_ = nullptr, *nextCal_ = nullptr, *trace_ = nullptr;
    QListWidget* options_ = nullptr;
    bool updating_ = false;
};

} // namespace corvid::operatorwindow
