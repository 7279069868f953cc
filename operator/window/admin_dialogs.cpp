#include "operatorwindow/admin_dialogs.h"

#include "com/bstr.h"
#include "com/creation.h"
#include "com/error_info.h"
#include "operatorconfig/configuration_manager.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace corvid::operatorwindow {
namespace {

QLineEdit* PasswordField(QWidget* parent) {
    auto* field = new QLineEdit(parent);
    field->setEchoMode(QLineEdit::Password);
    return field;
}

std::string LastError(const char* what) {
    auto details = com::TakeErrorDetails();
    return details ? details->description : std::string(what);
}

} // namespace

AdminLoginDialog::AdminLoginDialog(operatortabs::CAdminLogin& login, QWidget* parent)
    : QDialog(parent), login_(login) {
    setWindowTitle(tr("Administrative Login"));
    auto* layout = new QVBoxLayout(this);
    auto* fields = new QFormLayout;
    name_ = new QLineEdit(operatortabs::kAdministratorName, this);
    name_->setReadOnly(true);
    password_ = PasswordField(this);
    fields->addRow(tr("Name:"), name_);
    fields->addRow(tr("Password:"), password_);
    layout->addLayout(fields);
    auto* buttons = new QDialogButtonBox(this);
    loginButton_ = buttons->addButton(tr("Login"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QDialogButtonBox::Cancel);
    change_ = buttons->addButton(tr("Change Password ..."), QDialogButtonBox::ActionRole);
    loginButton_->setDefault(true);
    layout->addWidget(buttons);
    connect(loginButton_, &QPushButton::clicked, this, [this] {
        if (login_.Login(name_->text().toStdString(), password_->text().toStdString()) ==
            operatortabs::DialogStep::Close)
            QDialog::accept();
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(change_, &QPushButton::clicked, this, [this] {
        ChangePasswordDialog dialog(login_, this);
        dialog.exec();
    });
}

ChangePasswordDialog::ChangePasswordDialog(operatortabs::CAdminLogin& login, QWidget* parent)
    : QDialog(parent), login_(login) {
    setWindowTitle(tr("Change Password"));
    auto* layout = new QVBoxLayout(this);
    auto* fields = new QFormLayout;
    old_ = PasswordField(this);
    new_ = PasswordField(this);
    confirm_ = PasswordField(this);
    fields->addRow(tr("Old Password:"), old_);
    fields->addRow(tr("New Password:"), new_);
    fields->addRow(tr("Confirm New Password:"), confirm_);
    layout->addLayout(fields);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &ChangePasswordDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    login_.BeginChangePassword();
}

void ChangePasswordDialog::accept() {
    switch (login_.ChangePassword(old_->text().toStdString(), new_->text().toStdString(),
                                  confirm_->text().toStdString())) {
    case operatortabs::DialogStep::Close:
        QDialog::accept();
        break;
    case operatortabs::DialogStep::ClearNewAndKeep:
        new_->clear();
        confirm_->clear();
        break;
    case operatortabs::DialogStep::KeepOpen:
        break;
    }
}

GridEditorDialog::Setup PropertiesEditorSetup(const std::string& database, int32_t instance) {
    GridEditorDialog::Setup setup;
    setup.title = QObject::tr("Additional Properties");
    setup.database = database;
    setup.query = "qry_GUI_EquipProperties";
    setup.instance = instance;
    // The instance column stays too: editing it would move the property to another instance.
    setup.readOnly = {0, 1, 2};
    return setup;
}

GridEditorDialog::GridEditorDialog(const Setup& setup, operatortabs::Prompt& prompt, QWidget* parent)
    : QDialog(parent), prompt_(prompt) {
    setWindowTitle(setup.title);
    setSizeGripEnabled(true);
    auto* layout = new QVBoxLayout(this);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    QPushButton* sort =
        setup.sortButton ? buttons->addButton(tr("Sort Records"), QDialogButtonBox::ActionRole) : nullptr;
    std::string failure;
    if (com::CreateInstance(gridwizdao::kGridWizDaoProgId, grid_) != com::S_OK) {
        failure = "GridWizDaoCtrl not installed";
        grid_.Reset();
    } else {
        grid_->SetDatabase(com::Bstr(setup.database).get(), com::Bstr("Access").get());
        grid_->SetQuery(com::Bstr(setup.query).get());
        grid_->SetParameter(com::Bstr("Instance_ID").get(), com::Bstr(std::to_string(setup.instance)).get());
        grid_->SetColumnCount(setup.columns);
        grid_->SetEditable(com::VARIANT_TRUE);
        for (int column : setup.readOnly)
            grid_->SetColumnReadOnly(column, com::VARIANT_TRUE);
        if (grid_->Refresh() != com::S_OK)
            failure = LastError("The rows cannot be read");
        if (grid_->CreateWidget(this, reinterpret_cast<void**>(&view_)) == com::S_OK && view_)
            layout->addWidget(view_, 1);
    }
    if (!failure.empty())
        layout->addWidget(new QLabel(QString::fromStdString(failure), this));
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &GridEditorDialog::accept);
    if (sort) {
        // Reading the rows again would drop edits not yet written: they are written first.
        connect(sort, &QPushButton::clicked, this, [this] {
            if (!grid_)
                return;
            if (grid_->Save() != com::S_OK)
                prompt_.Show(LastError("The edits cannot be saved"), operatorconfig::kApplicationTitle,
                             operatortabs::MsgButtons::Ok, operatortabs::MsgIcon::Error);
            else if (grid_->Refresh() != com::S_OK)
                prompt_.Show(LastError("The rows cannot be read"));
        });
    }
    resize(640, 360);
}

GridEditorDialog::~GridEditorDialog() {
    delete view_; // before the grid it shows is released
}

void GridEditorDialog::accept() {
    if (grid_ && grid_->Save() != com::S_OK) {
        prompt_.Show(LastError("The edits cannot be saved"), operatorconfig::kApplicationTitle,
                     operatortabs::MsgButtons::Ok, operatortabs::MsgIcon::Error);
        return;
    }
    QDialog::accept();
}

} // namespace corvid::operatorwindow
