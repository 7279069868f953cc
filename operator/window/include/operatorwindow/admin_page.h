// The Administration page: covered by "Press here for login..." until the administrator
// logged in (the login is asked 50 ms after the page is shown, so that it is painted
// first), then the station, test plan and equipment type lists, the icon list of the
// equipment, the item shown with its settings and calibration fields, the commands and
// the read-only preview of the calibration data. It shows CTabAdminX's form and passes
// the administrator's input in.
#pragma once

#include "com/com_ptr.h"
#include "gridwizdao/grid_control.h"
#include "operatortabs/admin_login.h"
#include "operatortabs/tab_admin.h"
#include "operatorwindow/image_list.h"

#include <QWidget>
#include <functional>
#include <memory>

class QComboBox;
class QLineEdit;
class QListWidget;
class QPushButton;
class QSpinBox;
class QStackedWidget;
class QVBoxLayout;

namespace corvid::operatorwindow {

class AdminPage final : public QWidget, public operatortabs::AdminTabView {
    Q_OBJECT

public:
    AdminPage(operatortabs::ModuleContext context, const EquipmentImageList& images,
              QWidget* parent = nullptr);
    ~AdminPage() override;

    operatortabs::CTabAdminX& tab() { return *tab_; }
    operatortabs::CAdminLogin& login() { return login_; }
    // The Add/Map Equipment dialog, set by whoever provides it.
    void SetMappingDialog(operatortabs::OpenMappingDialog open) { tab_->SetMappingDialog(std::move(open)); }
    // The login dialog; tests replace it (true when the login succeeded).
    void SetLoginDialog(std::function<bool()> ask) { askLogin_ = std::move(ask); }

    void PageShown();
    void PageLeft();
    // Shows the login dialog; on success the page's contents appear.
    void AskLogin();

    QPushButton& loginButton() { return *loginButton_; }
    bool contentsShown() const;
    QComboBox& stationCombo() { return *station_; }
    QComboBox& planCombo() { return *plan_; }
    QComboBox& dsgCombo() { return *dsg_; }
    QListWidget& equipmentList() { return *equipment_; }
    QPushButton& removeStationButton() { return *removeStation_; }
    QPushButton& removeEquipmentButton() { return *removeEquipment_; }
    QLineEdit& lastCalibrationField() { return *lastCal_; }
    QLineEdit& nextCalibrationField() { return *nextCal_; }

    // AdminTabView
    void FormChanged() override;
    std::optional<std::string> AskText(const std::string& question) override;
    void EditCalibrationData(const operatortabs::CalGridSource& source) override;
    void EditProperties(int32_t instance) override;

protected:
    // Letter and digit keys do not move the equipment list's selection (only the other
    // keys, like the arrows, do).
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* BuildContents();
    QWidget* BuildItemFields(QWidget* parent);
    void ConnectFields();
    void CreatePreview();
    void ShowPreview(const operatortabs::CalGridSource& source, int revision);
    QIcon IconOf(const operatortabs::AdminEquipmentRow& row) const;
    bool RunLoginDialog();

    operatortabs::ModuleContext context_;
    std::unique_ptr<operatortabs::CTabAdminX> tab_;
    operatortabs::CAdminLogin login_;
    const EquipmentImageList& images_;
    std::function<bool()> askLogin_;
    QStackedWidget* stack_ = nullptr;
    QPushButton* loginButton_ = nullptr;
    QComboBox *station_ = nullptr, *plan_ = nullptr, *dsg_ = nullptr;
    QListWidget* equipment_ = nullptr;
    QLineEdit *equipmentType_ = nullptr, *model_ = nullptr, *serial_ = nullptr;
    QComboBox *interface_ = nullptr, *port_ = nullptr;
    QSpinBox *board_ = nullptr, *address_ = nullptr;
    QLineEdit *lastCal_ = nullptr, *interval_ = nullptr, *nextCal_ = nullptr, *trace_ = nullptr;
    QListWidget* options_ = nullptr;
    QPushButton *addStation_ = nullptr, *removeStation_ = nullptr, *addMap_ = nullptr;
    QPushButton *removeEquipment_ = nullptr, *editCal_ = nullptr, *properties_ = nullptr, *restore_ = nullptr;
    com::ComPtr<gridwizdao::IGridControl> preview_;
    QWidget* previewView_ = nullptr;
    QVBoxLayout* previewArea_ = nullptr;
    operatortabs::CalGridSource previewSource_;
    int previewRevision_ = -1;
    bool updating_ = false;
};

} // namespace corvid::operatorwindow
