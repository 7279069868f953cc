#include "operatorwindow/equipment_page.h"

#include "com/bstr.h"
#include "com/creation.h"
#include "page_fields.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace corvid::operatorwindow {
namespace {

using operatortabs::CTabSelectTestEquip;

} // namespace

EquipmentPage::EquipmentPage(operatortabs::ModuleContext context, const EquipmentImageList& images,
                             QWidget* parent)
    : QWidget(parent), context_(std::move(context)),
      tab_(std::make_unique<CTabSelectTestEquip>(context_, *this)), images_(images) {
    BuildFields();
    CreateGrid();
    FormChanged();
}

EquipmentPage::~EquipmentPage() {
    delete gridView_; // before the grid it shows is released
}

void EquipmentPage::BuildFields() {
    auto* layout = new QHBoxLayout(this);
    auto* left = new QVBoxLayout;
    notice_ = new QLabel(this);
    dsgs_ = new QListWidget(this);
    dsgs_->setIconSize(QSize(EquipmentImageList::kSize, EquipmentImageList::kSize));
    left->addWidget(notice_);
    left->addWidget(dsgs_);
    layout->addLayout(left, 2);

    auto* right = new QVBoxLayout;
    auto* selection = new QFormLayout;
    station_ = new QLabel(this);
    plan_ = new QLabel(this);
    model_ = new QComboBox(this);
    serial_ = new QComboBox(this);
    interface_ = new QComboBox(this);
    board_ = NumberField(this);
    address_ = NumberField(this);
    port_ = new QComboBox(this);
    restore_ = new QPushButton(tr("Restore Defaults"), this);
    selection->addRow(tr("Station:"), station_);
    selection->addRow(tr("Test Plan:"), plan_);
    selection->addRow(tr("Model:"), model_);
    selection->addRow(tr("Serial Number:"), serial_);
    selection->addRow(tr("Communication Type:"), interface_);
    selection->addRow(tr("Board:"), board_);
    selection->addRow(tr("Address:"), address_);
    selection->addRow(tr("Port:"), port_);
    selection->addRow(QString(), restore_);
    right->addLayout(selection);

    auto* calibration = new QGroupBox(tr("Calibration"), this);
    auto* calFields = new QFormLayout(calibration);
    lastCal_ = ReadOnlyField(calibration);
    interval_ = ReadOnlyField(calibration);
    nextCal_ = ReadOnlyField(calibration);
    trace_ = ReadOnlyField(calibration);
    options_ = new QListWidget(calibration);
    options_->setSelectionMode(QAbstractItemView::NoSelection);
    options_->setMaximumHeight(56);
    calFields->addRow(tr("Last Calibration:"), lastCal_);
    calFields->addRow(tr("Interval (months):"), interval_);
    calFields->addRow(tr("Next Required Calibration:"), nextCal_);
    calFields->addRow(tr("Trace Number:"), trace_);
    calFields->addRow(tr("Declared Options:"), options_);
    right->addWidget(calibration);
    gridArea_ = new QVBoxLayout;
    right->addLayout(gridArea_, 1);
    layout->addLayout(right, 3);

    connect(dsgs_, &QListWidget::currentRowChanged, this, [this](int row) {
        if (!updating_)
            tab_->SelectDsg(row);
    });
    connect(model_, &QComboBox::activated, this, [this](int index) { tab_->SelectModel(index); });
    connect(serial_, &QComboBox::activated, this, [this](int index) { tab_->SelectSerial(index); });
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
    connect(restore_, &QPushButton::clicked, this, [this] { tab_->RestoreDefaults(); });
}

// Without the grid component the page keeps an empty area where the grid would be.
void EquipmentPage::CreateGrid() {
    if (com::CreateInstance(gridwizdao::kGridWizDaoProgId, grid_) != com::S_OK) {
        grid_.Reset();
        return;
    }
    QWidget* view = nullptr;
    if (grid_->SetDatabase(com::Bstr(context_.db.path().string()).get(), com::Bstr("Access").get()) !=
            com::S_OK ||
        grid_->SetEditable(com::VARIANT_FALSE) != com::S_OK ||
        grid_->CreateWidget(this, reinterpret_cast<void**>(&view)) != com::S_OK || !view) {
        grid_.Reset();
        return;
    }
    gridView_ = view;
    gridView_->hide();
    gridArea_->addWidget(gridView_);
}

void EquipmentPage::ShowGrid(const operatortabs::CalGridSource& source) {
    if (!grid_)
        return;
    const bool same = source.query == gridSource_.query && source.instanceId == gridSource_.instanceId &&
                      source.columns == gridSource_.columns;
    gridSource_ = source;
    if (source.query.empty() || source.instanceId <= 0) {
        gridView_->hide();
        return;
    }
    if (!same) {
        grid_->SetQuery(com::Bstr(source.query).get());
        grid_->ClearParameters();
        grid_->SetParameter(com::Bstr("Instance_ID").get(),
                            com::Bstr(std::to_string(source.instanceId)).get());
        grid_->SetColumnCount(source.columns);
    }
    // Read again on every showing: the rows may have been edited elsewhere.
    gridView_->setVisible(grid_->Refresh() == com::S_OK);
}

QIcon EquipmentPage::IconOf(const operatortabs::DsgRow& row) const {
    return images_.Icon(row.iconId, static_cast<int>(row.status));
}

void EquipmentPage::PageShown() {
    tab_->OnShow();
}

void EquipmentPage::PageLeft() {
    tab_->OnLeave();
}

void EquipmentPage::FormChanged() {
    const auto& form = tab_->form();
    updating_ = true;
    notice_->setText(Text(form.notice));
    notice_->setVisible(!form.notice.empty());
    dsgs_->clear();
    for (const auto& row : form.dsgs)
        dsgs_->addItem(new QListWidgetItem(IconOf(row), Text(row.text)));
    dsgs_->setCurrentRow(form.selectedDsg);
    station_->setText(Text(form.station));
    plan_->setText(Text(form.testPlan));
    FillCombo(*model_, form.models);
    FillCombo(*serial_, form.serials);
    FillCombo(*interface_, form.interfaceTypes);
    FillCombo(*port_, form.ports);
    board_->setValue(form.board);
    address_->setValue(form.address);
    board_->setEnabled(form.boardEnabled);
    address_->setEnabled(form.addressEnabled);
    port_->setEnabled(form.portEnabled);
    restore_->setEnabled(form.restoreDefaultsEnabled);
    lastCal_->setText(Text(form.lastCalibration));
    interval_->setText(Text(form.interval));
    nextCal_->setText(Text(form.nextCalibration));
    trace_->setText(Text(form.traceNumber));
    options_->clear();
    for (const auto& option : form.declaredOptions)
        options_->addItem(Text(option));
    ShowGrid(form.calGrid);
    updating_ = false;
}

} // namespace corvid::operatorwindow
