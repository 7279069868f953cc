#include "operatorwindow/map_equipment_dialog.h"

#include "com/bstr.h"
#include "com/creation.h"
#include "operatordb/db_error.h"

#include <QComboBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

namespace corvid::operatorwindow {
namespace {

using operatortabs::MapListEntry;

QString Text(const std::string& text) {
    return QString::fromStdString(text);
}

void Fill(QComboBox& combo, const std::vector<MapListEntry>& entries, int selected) {
    combo.clear();
    for (const MapListEntry& entry : entries)
        combo.addItem(Text(entry.text), entry.id);
    combo.setCurrentIndex(selected);
}

std::string ChooseWithFileDialog(QWidget* parent, bool save, const std::string& defaultName) {
    const QString filter = QObject::tr("Equipment map files (*.txt);;All files (*)");
    QString chosen =
        save ? QFileDialog::getSaveFileName(parent, QObject::tr("Save to file"), Text(defaultName), filter)
             : QFileDialog::getOpenFileName(parent, QObject::tr("Load from file"), Text(defaultName), filter);
    return chosen.toStdString();
}

} // namespace

MapEquipmentDialog::MapEquipmentDialog(operatordb::Database& db, operatortabs::Prompt& prompt,
                                       int32_t station, int32_t testPlan, const std::string& testPlanLongName,
                                       QWidget* parent)
    : QDialog(parent), mapping_(db, prompt, station, testPlan, testPlanLongName, this), prompt_(prompt) {
    setWindowTitle(tr("Add/Map Equipment"));
    chooseFile = [this](bool save, const std::string& name) {
        return ChooseWithFileDialog(this, save, name);
    };
    BuildFields();
    CreateGrid();
    Connect();
    Act([this] { mapping_.Initialize(); });
    station_->setText(Text(mapping_.stationName()));
    plan_->setText(Text(mapping_.testPlanName()));
    AssignmentsChanged();
}

MapEquipmentDialog::~MapEquipmentDialog() {
    delete gridView_; // before the grid it shows is released
}

void MapEquipmentDialog::BuildFields() {
    auto* layout = new QVBoxLayout(this);
    auto* names = new QFormLayout;
    station_ = new QLineEdit(this);
    station_->setReadOnly(true);
    plan_ = new QLineEdit(this);
    plan_->setReadOnly(true);
    names->addRow(tr("Station Name"), station_);
    names->addRow(tr("Test Plan Name"), plan_);
    layout->addLayout(names);

    auto* choice = new QFormLayout;
    dsg_ = new QComboBox(this);
    model_ = new QComboBox(this);
    serial_ = new QComboBox(this);
    serial_->setEditable(true);
    serial_->setInsertPolicy(QComboBox::NoInsert);
    notes_ = new QLabel(this);
    notes_->setWordWrap(true);
    choice->addRow(tr("Equipment Type"), dsg_);
    choice->addRow(tr("Notes"), notes_);
    choice->addRow(tr("Model"), model_);
    choice->addRow(tr("Serial #"), serial_);
    layout->addLayout(choice);

    auto* buttons = new QHBoxLayout;
    map_ = new QPushButton(tr("Add/Map"), this);
    load_ = new QPushButton(tr("Load from file"), this);
    save_ = new QPushButton(tr("Save to file"), this);
    autoMap_ = new QPushButton(tr("Auto Map All"), this);
    done_ = new QPushButton(tr("Done"), this);
    for (QPushButton* button : {map_, load_, save_, autoMap_, done_})
        buttons->addWidget(button);
    layout->addLayout(buttons);
}

// Without the grid component the dialog works without the grid.
void MapEquipmentDialog::CreateGrid() {
    if (com::CreateInstance(gridwizdao::kGridWizDaoProgId, grid_) != com::S_OK || !grid_)
        return;
    QWidget* view = nullptr;
    const std::string parameters[][2] = {{"TestStation_ID", std::to_string(mapping_.station())},
                                         {"TestPlan_ID", std::to_string(mapping_.testPlan())}};
    bool ready = grid_->SetDatabase(com::Bstr(mapping_.database().path().string()).get(),
                                    com::Bstr("Access").get()) == com::S_OK &&
                 grid_->SetQuery(com::Bstr("qry_GUI_DSGs_for_TPA_STA").get()) == com::S_OK &&
                 grid_->SetEditable(com::VARIANT_FALSE) == com::S_OK;
    for (const auto& [name, value] : parameters)
        ready = ready && grid_->SetParameter(com::Bstr(name).get(), com::Bstr(value).get()) == com::S_OK;
    if (!ready || grid_->CreateWidget(this, reinterpret_cast<void**>(&view)) != com::S_OK || !view) {
        grid_.Reset();
        return;
    }
    gridView_ = qobject_cast<QTableView*>(view);
    if (!gridView_) {
        delete view;
        grid_.Reset();
        return;
    }
    // The DSG, model and serial number share the width; the identifier is not shown.
    gridView_->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    gridView_->setSelectionBehavior(QAbstractItemView::SelectRows);
    static_cast<QVBoxLayout*>(layout())->insertWidget(1, gridView_, 1);
}

void MapEquipmentDialog::Connect() {
    connect(dsg_, &QComboBox::activated, this,
            [this](int index) { Act([&] { mapping_.SelectDsg(index); }); });
    connect(model_, &QComboBox::activated, this,
            [this](int index) { Act([&] { mapping_.SelectModel(index); }); });
    connect(serial_, &QComboBox::activated, this,
            [this](int index) { Act([&] { mapping_.SelectSerial(index); }); });
    // A picked entry arrives as its text first and then as the entry.
    connect(serial_, &QComboBox::editTextChanged, this, [this](const QString& text) {
        if (!updating_)
            mapping_.SetSerialText(text.toStdString());
    });
    if (gridView_)
        connect(gridView_, &QTableView::clicked, this,
                [this](const QModelIndex& index) { Act([&] { mapping_.SelectAssignment(index.row()); }); });
    connect(map_, &QPushButton::clicked, this,
            [this] { Act([this] { mapping_.MapEquipment(operatortabs::MapVariant::Interactive); }); });
    connect(load_, &QPushButton::clicked, this, [this] {
        std::string file = chooseFile(false, mapping_.DefaultMapFileName());
        if (!file.empty())
            Act([&] { mapping_.LoadFromFile(file); });
    });
    connect(save_, &QPushButton::clicked, this, [this] {
        std::string file = chooseFile(true, mapping_.DefaultMapFileName());
        if (!file.empty())
            Act([&] { mapping_.SaveToFile(file); });
    });
    connect(autoMap_, &QPushButton::clicked, this, [this] { Act([this] { mapping_.AutoMapAll(); }); });
    connect(done_, &QPushButton::clicked, this, &QDialog::accept);
}

void MapEquipmentDialog::Act(const std::function<void()>& action) {
    try {
        action();
    } catch (const std::exception& error) {
        prompt_.Notify(std::string("Caught the error...\n") + error.what());
    }
}

void MapEquipmentDialog::ListsChanged() {
    updating_ = true;
    Fill(*dsg_, mapping_.dsgs(), mapping_.selectedDsg());
    Fill(*model_, mapping_.models(), mapping_.selectedModel());
    Fill(*serial_, mapping_.serials(), mapping_.selectedSerial());
    serial_->setEditText(Text(mapping_.serialText()));
    notes_->setText(Text(mapping_.notes()));
    updating_ = false;
}

// Unassigned DSGs (no model, no serial number) are drawn white on red.
void MapEquipmentDialog::AssignmentsChanged() {
    if (!grid_)
        return;
    grid_->Refresh();
    gridView_->setColumnHidden(0, true);
    Act([this] {
        const auto& rows = mapping_.assignments();
        for (std::size_t row = 0; row < rows.size(); ++row)
            if (rows[row].Unassigned())
                grid_->SetRowColors(static_cast<com::LONG>(row), operatortabs::kUnassignedForeground,
                                    operatortabs::kUnassignedBackground);
    });
}

void ShowMapEquipmentDialog(QWidget* parent, operatordb::Database& db, operatortabs::Prompt& prompt,
                            int32_t station, int32_t testPlan, const std::string& testPlanLongName) {
    MapEquipmentDialog dialog(db, prompt, station, testPlan, testPlanLongName, parent);
    dialog.exec();
}

} // namespace corvid::operatorwindow
