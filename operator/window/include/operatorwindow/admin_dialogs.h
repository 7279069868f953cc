// The dialogs of the Administration page: the administrator's login with its password
// change, and the grid editors of an instance's calibration data and additional
// properties.
#pragma once

#include "com/com_ptr.h"
#include "gridwizdao/grid_control.h"
#include "operatortabs/admin_login.h"

#include <QDialog>
#include <string>
#include <vector>

class QLineEdit;
class QPushButton;

namespace corvid::operatorwindow {

// "Administrative Login": Name (read-only "Admin"), Password (masked), Login, Cancel and
// "Change Password ...". Accepted once the login took the shared flag.
class AdminLoginDialog final : public QDialog {
    Q_OBJECT

public:
    AdminLoginDialog(operatortabs::CAdminLogin& login, QWidget* parent = nullptr);

    QLineEdit& passwordField() { return *password_; }
    QPushButton& loginButton() { return *loginButton_; }
    QPushButton& changePasswordButton() { return *change_; }

private:
    operatortabs::CAdminLogin& login_;
    QLineEdit* name_ = nullptr;
    QLineEdit* password_ = nullptr;
    QPushButton* loginButton_ = nullptr;
    QPushButton* change_ = nullptr;
};

// Old, new and confirmed password (all masked), OK and Cancel.
class ChangePasswordDialog final : public QDialog {
    Q_OBJECT

public:
    ChangePasswordDialog(operatortabs::CAdminLogin& login, QWidget* parent = nullptr);

    QLineEdit& oldField() { return *old_; }
    QLineEdit& newField() { return *new_; }
    QLineEdit& confirmField() { return *confirm_; }
    void accept() override;

private:
    operatortabs::CAdminLogin& login_;
    QLineEdit *old_ = nullptr, *new_ = nullptr, *confirm_ = nullptr;
};

// An editable grid over a saved query for one instance: the Calibration Editor (with
// "Sort Records", which reads the rows again) and the additional properties editor. OK
// writes the edits; a save that fails says why and keeps the dialog open.
class GridEditorDialog final : public QDialog {
    Q_OBJECT

public:
    struct Setup {
        QString title;
        std::string database, query;
        int32_t instance = 0;
        int columns = 0;           // 0: all
        std::vector<int> readOnly; // columns shown as plain read-only cells
        bool sortButton = false;   // "Sort Records"
    };
    GridEditorDialog(const Setup& setup, operatortabs::Prompt& prompt, QWidget* parent = nullptr);
    ~GridEditorDialog() override;

    gridwizdao::IGridControl* grid() { return grid_.get(); }
    void accept() override;

private:
    operatortabs::Prompt& prompt_;
    com::ComPtr<gridwizdao::IGridControl> grid_;
    QWidget* view_ = nullptr;
};

// The additional properties: the instance, the property name and its value type are
// shown read-only; only the value is edited.
GridEditorDialog::Setup PropertiesEditorSetup(const std::string& database, int32_t instance);

} // namespace corvid::operatorwindow
