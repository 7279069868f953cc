#include "operatorwindow/run_page.h"

#include "halcyon/host_program.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDesktopServices>
#include <QDoubleValidator>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

namespace corvid::operatorwindow {
namespace {

using operatortabs::CTabRun;

QString Text(const std::string& text) {
    return QString::fromStdString(text);
}

// The record keeps notes with CR LF line ends; the editor with LF.
std::string RecordNotes(const QString& text) {
    return text.toStdString().empty() ? std::string() : text.split('\n').join("\r\n").toStdString();
}
QString EditorNotes(const std::string& notes) {
    return Text(notes).split("\r\n").join('\n');
}

QString Number(double value) {
    return QString::number(value, 'g', 10);
}

// While a test runs the host calls this often: the window handles its input, so Pause
// and Abort can be pressed (the page itself refuses everything else while running).
void ProcessWindowEvents(void*) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

} // namespace

RunPage::RunPage(operatortabs::ModuleContext context, QWidget* parent)
    : QWidget(parent), context_(std::move(context)), tab_(std::make_unique<CTabRun>(context_, *this)) {
    BuildForm();
    Connect();
}

RunPage::~RunPage() = default;

void RunPage::BuildForm() {
    auto* columns = new QHBoxLayout(this);
    auto* unit = new QGroupBox(tr("Test Setup"), this);
    auto* form = new QFormLayout(unit);
    operator_ = new QLineEdit(unit);
    customer_ = new QLineEdit(unit);
    reportNumber_ = new QLineEdit(unit);
    notes_ = new QPlainTextEdit(unit);
    notes_->setMaximumHeight(70);
    temperature_ = new QLineEdit(unit);
    temperature_->setValidator(
        new QDoubleValidator(operatortabs::kTemperatureMin, operatortabs::kTemperatureMax, 3, temperature_));
    humidity_ = new QLineEdit(unit);
    humidity_->setValidator(
        new QDoubleValidator(operatortabs::kHumidityMin, operatortabs::kHumidityMax, 3, humidity_));
    lineFrequency_ = new QLineEdit(unit);
    lineFrequency_->setValidator(
        new QIntValidator(operatortabs::kLineFrequencyMin, operatortabs::kLineFrequencyMax, lineFrequency_));
    model_ = new QComboBox(unit);
    serial_ = new QLineEdit(unit);
    serial_->setReadOnly(true);
    options_ = new QListWidget(unit);
    options_->setMaximumHeight(60);
    station_ = new QComboBox(unit);
    plan_ = new QComboBox(unit);
    help_ = new QPushButton(tr("?"), unit);
    help_->setFixedWidth(28);
    auto* planRow = new QHBoxLayout;
    planRow->addWidget(plan_, 1);
    planRow->addWidget(help_);
    variant_ = new QComboBox(unit);
    uncertainty_ = new QCheckBox(tr("Apply Measurement Uncertainty"), unit);
    configure_ = new QPushButton(tr("Configure UUT ..."), unit);
    form->addRow(tr("Operator:"), operator_);
    form->addRow(tr("Customer:"), customer_);
    form->addRow(tr("Report #:"), reportNumber_);
    form->addRow(tr("Notes:"), notes_);
    form->addRow(tr("Temp (°C):"), temperature_);
    form->addRow(tr("Humidity (%):"), humidity_);
    form->addRow(tr("Line Frequency (Hz):"), lineFrequency_);
    form->addRow(tr("Test Station:"), station_);
    form->addRow(tr("Model:"), model_);
    form->addRow(tr("Serial #:"), serial_);
    form->addRow(tr("Options:"), options_);
    form->addRow(tr("Test Plan:"), planRow);
    form->addRow(tr("Variant:"), variant_);
    form->addRow(QString(), uncertainty_);
    form->addRow(QString(), configure_);
    columns->addWidget(unit, 3);
    BuildRunBox();
}

void RunPage::BuildRunBox() {
    auto* box = new QGroupBox(tr("Test Run"), this);
    auto* grid = new QGridLayout(box);
    auto value = [box] {
        auto* label = new QLabel(box);
        label->setFrameShape(QFrame::StyledPanel);
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
        return label;
    };
    currentTest_ = value();
    startTime_ = value();
    endTime_ = value();
    lastResult_ = value();
    passed_ = value();
    failed_ = value();
    const std::pair<const char*, QLabel*> rows[] = {
        {"Current Test:", currentTest_}, {"Start Time:", startTime_}, {"End Time:", endTime_},
        {"Last Result:", lastResult_},   {"Passed:", passed_},        {"Failed:", failed_},
    };
    int row = 0;
    for (const auto& [caption, label] : rows) {
        grid->addWidget(new QLabel(tr(caption), box), row, 0);
        grid->addWidget(label, row++, 1);
    }
    progressLabel_ = new QLabel(box);
    progress_ = new QProgressBar(box);
    grid->addWidget(progressLabel_, row, 0);
    grid->addWidget(progress_, row++, 1);
    start_ = new QPushButton(tr("&Start Test Plan"), box);
    pause_ = new QPushButton(box);
    abort_ = new QPushButton(tr("&Abort All Tests"), box);
    for (QPushButton* button : {start_, pause_, abort_})
        grid->addWidget(button, row++, 0, 1, 2);
    grid->setRowStretch(row, 1);
    static_cast<QHBoxLayout*>(layout())->addWidget(box, 2);
}

void RunPage::RangedField(QLineEdit& field, bool (CTabRun::*set)(double)) {
    connect(&field, &QLineEdit::editingFinished, this, [this, &field, set] {
        bool number = false;
        double value = field.text().toDouble(&number);
        // A value outside the field's range is refused: the field shows the value kept.
        if (!number || !((*tab_).*set)(value))
            FormChanged();
    });
}

void RunPage::Connect() {
    connect(operator_, &QLineEdit::textEdited, this,
            [this](const QString& t) { tab_->SetOperator(t.toStdString()); });
    connect(customer_, &QLineEdit::textEdited, this,
            [this](const QString& t) { tab_->SetCustomer(t.toStdString()); });
    connect(reportNumber_, &QLineEdit::textEdited, this,
            [this](const QString& t) { tab_->SetReportNumber(t.toStdString()); });
    connect(notes_, &QPlainTextEdit::textChanged, this, [this] {
        if (!updating_)
            tab_->SetNotes(RecordNotes(notes_->toPlainText()));
    });
    RangedField(*temperature_, &CTabRun::SetTemperature);
    RangedField(*humidity_, &CTabRun::SetHumidity);
    RangedField(*lineFrequency_, &CTabRun::SetLineFrequency);
    auto selection = [this](QComboBox* combo, void (CTabRun::*select)(int)) {
        connect(combo, &QComboBox::activated, this, [this, select](int index) { ((*tab_).*select)(index); });
    };
    selection(station_, &CTabRun::SelectStation);
    selection(model_, &CTabRun::SelectModel);
    selection(plan_, &CTabRun::SelectPlan);
    selection(variant_, &CTabRun::SelectVariant);
    connect(uncertainty_, &QCheckBox::clicked, this,
            [this](bool checked) { tab_->SetApplyUncertainty(checked); });
    connect(start_, &QPushButton::clicked, this, &RunPage::Start);
    connect(pause_, &QPushButton::clicked, this, [this] { tab_->TogglePause(); });
    connect(abort_, &QPushButton::clicked, this, [this] { tab_->AbortAllTests(); });
    connect(configure_, &QPushButton::clicked, this, [this] {
        CollectFields();
        tab_->ConfigureUut();
    });
    connect(help_, &QPushButton::clicked, this, [this] { tab_->ShowPlanHelp(); });
}

void RunPage::CollectFields() {
    for (QLineEdit* field : {temperature_, humidity_, lineFrequency_})
        emit field->editingFinished();
}

void RunPage::Start() {
    if (tab_->running())
        return;
    CollectFields();
    HalcyonSetIdleProc(&ProcessWindowEvents, nullptr);
    tab_->StartTestPlan();
    HalcyonSetIdleProc(nullptr, nullptr);
}

void RunPage::FillCombo(QComboBox& combo, const operatortabs::ComboList& list) {
    combo.clear();
    for (const std::string& item : list.items)
        combo.addItem(Text(operatortabs::ItemName(item)), Text(item));
    combo.setCurrentIndex(list.selected);
}

void RunPage::FormChanged() {
    const auto& form = tab_->form();
    updating_ = true;
    operator_->setText(Text(form.operatorName));
    customer_->setText(Text(form.customer));
    reportNumber_->setText(Text(form.reportNumber));
    if (notes_->toPlainText() != EditorNotes(form.notes))
        notes_->setPlainText(EditorNotes(form.notes));
    temperature_->setText(Number(form.temperature));
    humidity_->setText(Number(form.humidity));
    lineFrequency_->setText(QString::number(form.lineFrequency));
    serial_->setText(Text(form.serialNumber));
    options_->clear();
    for (const std::string& option : form.options)
        options_->addItem(Text(option));
    FillCombo(*station_, form.stations);
    FillCombo(*model_, form.models);
    FillCombo(*plan_, form.plans);
    FillCombo(*variant_, form.variants);
    uncertainty_->setEnabled(form.uncertaintyEnabled && !tab_->running());
    uncertainty_->setChecked(form.uncertaintyChecked);
    updating_ = false;
}

void RunPage::DisplayChanged() {
    const auto& display = tab_->display();
    currentTest_->setText(Text(display.currentTest));
    startTime_->setText(Text(display.startTime));
    endTime_->setText(Text(display.endTime));
    lastResult_->setText(Text(display.lastResult));
    passed_->setText(QString::number(display.passed));
    failed_->setText(QString::number(display.failed));
    progress_->setRange(0, std::max(display.progressTotal, 1));
    progress_->setValue(display.progress);
    progressLabel_->setText(Text(display.progressLabel).replace('\r', '\n'));
    start_->setEnabled(display.startEnabled && !tab_->running());
    pause_->setEnabled(display.pauseEnabled);
    pause_->setText(Text(display.pauseText));
    abort_->setEnabled(display.abortEnabled);
    bool setup = display.setupEnabled && !tab_->running();
    for (QWidget* field : std::initializer_list<QWidget*>{operator_, customer_, reportNumber_, notes_,
                                                          temperature_, humidity_, lineFrequency_, model_,
                                                          station_, plan_, variant_, configure_, help_})
        field->setEnabled(setup);
    uncertainty_->setEnabled(setup && tab_->form().uncertaintyEnabled);
}

void RunPage::BusyChanged(bool busy) {
    if (busy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

bool RunPage::OpenDocument(const std::string& path) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(Text(path)));
}

} // namespace corvid::operatorwindow
