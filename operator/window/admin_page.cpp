#include "operatorwindow/admin_page.h"

#include "com/bstr.h"
#include "com/creation.h"
#include "operatorconfig/configuration_manager.h"
#include "operatorwindow/admin_dialogs.h"
#include "page_fields.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace corvid::operatorwindow {
namespace {

constexpr int kLoginDelayMs = 50;

} // namespace

AdminPage::AdminPage(operatortabs::ModuleContext context, const EquipmentImageList& images, QWidget* parent)
    : QWidget(parent), context_(std::move(context)),
      tab_(std::make_unique<operatortabs::CTabAdminX>(context_, *this)),
      login_(context_.db, context_.window, context_.prompt), images_(images) {
    auto* layout = new QVBoxLayout(this);
    stack_ = new QStackedWidget(this);
    loginButton_ = new QPushButton(tr("Press here for login..."), stack_);
    stack_->addWidget(loginButton_);
    stack_->addWidget(BuildContents());
    layout->addWidget(stack_);
    connect(loginButton_, &QPushButton::clicked, this, &AdminPage::AskLogin);
    equipment_->installEventFilter(this);
    ConnectFields();
    CreatePreview();
    FormChanged();
}

AdminPage::~AdminPage() {
    delete previewView_; // before the grid it shows is released
}

QWidget* AdminPage::BuildContents() {
    auto* contents = new QWidget(stack_);
    auto* layout = new QHBoxLayout(contents);
    auto* left = new QVBoxLayout;
    auto* lists = new QFormLayout;
    station_ = new QComboBox(contents);
    plan_ = new QComboBox(contents);
    dsg_ = new QComboBox(contents);
    lists->addRow(tr("Station:"), station_);
    lists->addRow(tr("Test Plan:"), plan_);
    lists->addRow(tr("Equipment Type:"), dsg_);
    left->addLayout(lists);
    auto* stationButtons = new QHBoxLayout;
    addStation_ = new QPushButton(tr("Add Station..."), contents);
    removeStation_ = new QPushButton(tr("Remove Station"), contents);
    addMap_ = new QPushButton(tr("Add/Map Equipment..."), contents);
    stationButtons->addWidget(addStation_);
    stationButtons->addWidget(removeStation_);
    stationButtons->addWidget(addMap_);
    left->addLayout(stationButtons);
    equipment_ = new QListWidget(contents);
    equipment_->setViewMode(QListView::IconMode);
    equipment_->setIconSize(QSize(EquipmentImageList::kSize, EquipmentImageList::kSize));
    equipment_->setResizeMode(QListView::Adjust);
    equipment_->setMovement(QListView::Static);
    equipment_->setGridSize(QSize(140, 80));
    equipment_->setWordWrap(true);
    left->addWidget(equipment_, 1);
    layout->addLayout(left, 2);
    layout->addWidget(BuildItemFields(contents), 3);
    return contents;
}

QWidget* AdminPage::BuildItemFields(QWidget* parent) {
    auto* panel = new QWidget(parent);
    auto* right = new QVBoxLayout(panel);
    auto* fields = new QFormLayout;
    model_ = ReadOnlyField(panel);
    serial_ = ReadOnlyField(panel);
    equipmentType_ = ReadOnlyField(panel);
    interface_ = new QComboBox(panel);
    board_ = NumberField(panel);
    address_ = NumberField(panel);
    port_ = new QComboBox(panel);
    fields->addRow(tr("Model:"), model_);
    fields->addRow(tr("Serial #:"), serial_);
    fields->addRow(tr("Equipment Type:"), equipmentType_);
    fields->addRow(tr("Communication Type:"), interface_);
    fields->addRow(tr("Board:"), board_);
    fields->addRow(tr("Address:"), address_);
    fields->addRow(tr("Port:"), port_);
    right->addLayout(fields);

    auto* calibration = new QGroupBox(tr("Calibration"), panel);
    auto* calFields = new QFormLayout(calibration);
    lastCal_ = new QLineEdit(calibration);
    interval_ = new QLineEdit(calibration);
    interval_->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9]{0,4}"), interval_));
    nextCal_ = ReadOnlyField(calibration);
    trace_ = new QLineEdit(calibration);
    options_ = new QListWidget(calibration);
    options_->setMaximumHeight(64);
    calFields->addRow(tr("Last Calibration:"), lastCal_);
    calFields->addRow(tr("Calibration Interval (months):"), interval_);
    calFields->addRow(tr("Next Required Cal:"), nextCal_);
    calFields->addRow(tr("Trace Number:"), trace_);
    calFields->addRow(tr("Undetectable Options:"), options_);
    right->addWidget(calibration);

    auto* commands = new QHBoxLayout;
    removeEquipment_ = new QPushButton(tr("Remove Equipment"), panel);
    editCal_ = new QPushButton(tr("Edit Cal Data..."), panel);
    properties_ = new QPushButton(tr("Additional Properties ..."), panel);
    restore_ = new QPushButton(tr("Restore Defaults"), panel);
    for (QPushButton* button : {removeEquipment_, editCal_, properties_, restore_})
        commands->addWidget(button);
    right->addLayout(commands);
    previewArea_ = new QVBoxLayout;
    right->addLayout(previewArea_, 1);
    return panel;
}

void AdminPage::ConnectFields() {
    connect(station_, &QComboBox::activated, this, [this](int index) { tab_->SelectStation(index); });
    connect(plan_, &QComboBox::activated, this, [this](int index) { tab_->SelectPlan(index); });
    connect(dsg_, &QComboBox::activated, this, [this](int index) { tab_->SelectDsg(index); });
    connect(equipment_, &QListWidget::currentRowChanged, this, [this](int row) {
        if (!updating_)
            tab_->SelectRow(row);
    });
    connect(interface_, &QComboBox::activated, this, [this](int index) { tab_->SelectInterfaceType(index); });
    connect(port_, &QComboBox::activated, this, [this](int index) { tab_->SelectPort(index); });
    connect(board_, &QSpinBox::valueChanged, this, [this](int value) {
        if (!updating_)
            tab_->SetBoard(value);
    });
    connect(address_, &QSpinBox::valueChanged, this, [this](int value) {
        if (!updating_)
            tab_->SetAddress(value);
    });
    connect(trace_, &QLineEdit::textEdited, this,
            [this](const QString& text) { tab_->SetTraceNumber(text.toStdString()); });
    connect(lastCal_, &QLineEdit::editingFinished, this, [this] {
        if (updating_ || lastCal_->text().toStdString() == tab_->form().lastCalibration)
            return;
        if (!tab_->SetLastCalibration(lastCal_->text().trimmed().toStdString())) {
            context_.prompt.Show("\"" + lastCal_->text().toStdString() + "\" is not a date (MM/DD/YYYY).");
            lastCal_->setText(Text(tab_->form().lastCalibration));
            return;
        }
        tab_->CalibrationFieldLeft();
    });
    connect(interval_, &QLineEdit::editingFinished, this, [this] {
        if (updating_ || !tab_->SetInterval(interval_->text().toStdString()))
            return;
        tab_->CalibrationFieldLeft();
    });
    connect(options_, &QListWidget::itemChanged, this, [this](QListWidgetItem* item) {
        if (!updating_)
            tab_->SetOption(options_->row(item), item->checkState() == Qt::Checked);
    });
    connect(addStation_, &QPushButton::clicked, this, [this] { tab_->AddStation(); });
    connect(removeStation_, &QPushButton::clicked, this, [this] { tab_->RemoveStation(); });
    connect(addMap_, &QPushButton::clicked, this, [this] { tab_->AddMapEquipment(); });
    connect(removeEquipment_, &QPushButton::clicked, this, [this] { tab_->RemoveEquipment(); });
    connect(editCal_, &QPushButton::clicked, this, [this] { tab_->EditCalData(); });
    connect(properties_, &QPushButton::clicked, this, [this] { tab_->AdditionalProperties(); });
    connect(restore_, &QPushButton::clicked, this, [this] { tab_->RestoreDefaults(); });
}

// Without the grid component the page keeps an empty area where the preview would be.
void AdminPage::CreatePreview() {
    if (com::CreateInstance(gridwizdao::kGridWizDaoProgId, preview_) != com::S_OK) {
        preview_.Reset();
        return;
    }
    QWidget* view = nullptr;
    if (preview_->SetDatabase(com::Bstr(context_.db.path().string()).get(), com::Bstr("Access").get()) !=
            com::S_OK ||
        preview_->SetEditable(com::VARIANT_FALSE) != com::S_OK ||
        preview_->CreateWidget(this, reinterpret_cast<void**>(&view)) != com::S_OK || !view) {
        preview_.Reset();
        return;
    }
    previewView_ = view;
    previewView_->hide();
    previewArea_->addWidget(previewView_);
}

void AdminPage::ShowPreview(const operatortabs::CalGridSource& source, int revision) {
    if (!preview_)
        return;
    const bool same = source.query == previewSource_.query &&
                      source.instanceId == previewSource_.instanceId &&
                      source.columns == previewSource_.columns && revision == previewRevision_;
    if (same)
        return;
    previewSource_ = source;
    previewRevision_ = revision;
    if (source.query.empty() || source.instanceId < 0) {
        previewView_->hide();
        return;
    }
    preview_->SetQuery(com::Bstr(source.query).get());
    preview_->ClearParameters();
    preview_->SetParameter(com::Bstr("Instance_ID").get(),
                           com::Bstr(std::to_string(source.instanceId)).get());
    preview_->SetColumnCount(source.columns);
    previewView_->setVisible(preview_->Refresh() == com::S_OK);
}

QIcon AdminPage::IconOf(const operatortabs::AdminEquipmentRow& row) const {
    return images_.Icon(row.iconId, static_cast<int>(row.status));
}

bool AdminPage::eventFilter(QObject* watched, QEvent* event) {
    if (watched == equipment_ && event->type() == QEvent::KeyPress) {
        const QString text = static_cast<QKeyEvent*>(event)->text();
        if (text.size() == 1 && text.front().isLetterOrNumber())
            return true;
    }
    return QWidget::eventFilter(watched, event);
}

bool AdminPage::contentsShown() const {
    return stack_->currentIndex() == 1;
}

void AdminPage::PageShown() {
    if (tab_->loggedIn()) {
        tab_->OnShow();
        return;
    }
    QTimer::singleShot(kLoginDelayMs, this, [this] {
        if (isVisible() && !tab_->loggedIn())
            AskLogin();
    });
}

void AdminPage::PageLeft() {
    tab_->OnLeave();
}

bool AdminPage::RunLoginDialog() {
    AdminLoginDialog dialog(login_, this);
    return dialog.exec() == QDialog::Accepted;
}

void AdminPage::AskLogin() {
    if (tab_->loggedIn())
        return;
    if (!(askLogin_ ? askLogin_() : RunLoginDialog()))
        return;
    tab_->LoginSucceeded();
}

void AdminPage::FormChanged() {
    const auto& form = tab_->form();
    updating_ = true;
    stack_->setCurrentIndex(tab_->loggedIn() ? 1 : 0);
    FillCombo(*station_, form.stations);
    FillCombo(*plan_, form.plans);
    FillCombo(*dsg_, form.dsgs);
    equipment_->clear();
    for (const auto& row : form.equipment) {
        auto* item = new QListWidgetItem(IconOf(row), Text(row.text));
        item->setTextAlignment(Qt::AlignHCenter);
        equipment_->addItem(item);
    }
    equipment_->setCurrentRow(form.selectedRow);
    equipmentType_->setText(Text(form.equipmentType));
    model_->setText(Text(form.model));
    serial_->setText(Text(form.serialNumber));
    FillCombo(*interface_, form.interfaceTypes);
    FillCombo(*port_, form.ports);
    board_->setValue(form.board);
    address_->setValue(form.address);
    board_->setEnabled(form.boardEnabled);
    address_->setEnabled(form.addressEnabled);
    port_->setEnabled(form.portEnabled);
    lastCal_->setText(Text(form.lastCalibration));
    interval_->setText(Text(form.interval));
    nextCal_->setText(Text(form.nextCalibration));
    trace_->setText(Text(form.traceNumber));
    lastCal_->setEnabled(form.calibrationDatesEnabled);
    nextCal_->setEnabled(form.calibrationDatesEnabled);
    options_->clear();
    for (const auto& option : form.options) {
        auto* item = new QListWidgetItem(Text(option.code), options_);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
        item->setCheckState(option.checked ? Qt::Checked : Qt::Unchecked);
    }
    removeStation_->setEnabled(form.removeStationEnabled);
    addMap_->setEnabled(form.addMapEnabled);
    removeEquipment_->setEnabled(form.removeEquipmentEnabled);
    editCal_->setEnabled(form.editCalDataEnabled);
    properties_->setEnabled(form.propertiesEnabled);
    restore_->setEnabled(!form.equipment.empty());
    ShowPreview(form.calGrid, form.previewRevision);
    updating_ = false;
}

std::optional<std::string> AdminPage::AskText(const std::string& question) {
    bool ok = false;
    QString text = QInputDialog::getText(this, operatorconfig::kApplicationTitle, Text(question),
                                         QLineEdit::Normal, QString(), &ok);
    if (!ok)
        return std::nullopt;
    return text.toStdString();
}

void AdminPage::EditCalibrationData(const operatortabs::CalGridSource& source) {
    GridEditorDialog::Setup setup;
    setup.title = tr("Calibration Editor");
    setup.database = context_.db.path().string();
    setup.query = source.query;
    setup.instance = source.instanceId;
    setup.columns = source.columns;
    setup.sortButton = true;
    GridEditorDialog dialog(setup, context_.prompt, this);
    dialog.exec();
}

void AdminPage::EditProperties(int32_t instance) {
    GridEditorDialog dialog(PropertiesEditorSetup(context_.db.path().string(), instance), context_.prompt,
                            this);
    dialog.exec();
}

} // namespace corvid::operatorwindow
