#include "operatorwindow/manual_page.h"

#include "halcyon/host_program.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDesktopServices>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QUrl>
#include <QVBoxLayout>

namespace corvid::operatorwindow {
namespace {

using operatortabs::CTabTestVariant;
using operatortabs::ItemColour;

QString Text(const std::string& text) {
    return QString::fromStdString(text);
}

void FillCombo(QComboBox& combo, const operatortabs::ComboList& list) {
    combo.clear();
    for (const std::string& item : list.items)
        combo.addItem(Text(operatortabs::ItemName(item)));
    combo.setCurrentIndex(list.selected);
}

QColor ColourOf(const std::string& item) {
    switch (operatortabs::ColourOfItem(item)) {
    case ItemColour::Green:
        return QColor(0, 0x80, 0);
    case ItemColour::Red:
        return QColor(0xFF, 0, 0);
    case ItemColour::Black:
        break;
    }
    return Qt::black;
}

void ProcessWindowEvents(void*) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

} // namespace

ManualPage::ManualPage(operatortabs::ModuleContext context, QWidget* parent)
    : QWidget(parent), context_(std::move(context)),
      tab_(std::make_unique<CTabTestVariant>(context_, *this)) {
    auto* columns = new QHBoxLayout(this);
    Q_UNUSED(columns);
    BuildLists();
    BuildRunBox();
    Connect();
}

ManualPage::~ManualPage() = default;

void ManualPage::BuildLists() {
    auto* box = new QGroupBox(tr("Test Selection"), this);
    auto* grid = new QGridLayout(box);
    unit_ = new QLabel(box);
    plan_ = new QComboBox(box);
    variant_ = new QComboBox(box);
    help_ = new QPushButton(tr("?"), box);
    help_->setFixedWidth(28);
    grid->addWidget(unit_, 0, 0, 1, 3);
    grid->addWidget(new QLabel(tr("Test Plan:"), box), 1, 0);
    grid->addWidget(plan_, 1, 1);
    grid->addWidget(help_, 1, 2);
    grid->addWidget(new QLabel(tr("Variant:"), box), 2, 0);
    grid->addWidget(variant_, 2, 1);
    auto* lists = new QHBoxLayout;
    available_ = new QListWidget(box);
    selected_ = new QListWidget(box);
    auto* moves = new QVBoxLayout;
    moveOne_ = new QPushButton(">", box);
    moveBack_ = new QPushButton("<", box);
    moveAll_ = new QPushButton(">>", box);
    moveAllBack_ = new QPushButton("<<", box);
    moves->addStretch(1);
    for (QPushButton* button : {moveOne_, moveBack_, moveAll_, moveAllBack_})
        moves->addWidget(button);
    moves->addStretch(1);
    auto* availableColumn = new QVBoxLayout;
    availableColumn->addWidget(new QLabel(tr("Available Tests"), box));
    availableColumn->addWidget(available_);
    auto* selectedColumn = new QVBoxLayout;
    selectedColumn->addWidget(new QLabel(tr("Selected Tests"), box));
    selectedColumn->addWidget(selected_);
    lists->addLayout(availableColumn, 1);
    lists->addLayout(moves);
    lists->addLayout(selectedColumn, 1);
    grid->addLayout(lists, 3, 0, 1, 3);
    auto* options = new QHBoxLayout;
    up_ = new QPushButton(tr("&Up"), box);
    down_ = new QPushButton(tr("&Down"), box);
    step_ = new QCheckBox(tr("Step Test"), box);
    loop_ = new QCheckBox(tr("Loop Test"), box);
    loopCount_ = new QSpinBox(box);
    loopCount_->setRange(1, operatortabs::kMaxLoops);
    restore_ = new QPushButton(tr("&Restore Available Tests"), box);
    for (QWidget* widget : std::initializer_list<QWidget*>{step_, loop_, loopCount_, up_, down_, restore_})
        options->addWidget(widget);
    grid->addLayout(options, 4, 0, 1, 3);
    uncertainty_ = new QCheckBox(tr("Apply Measurement Uncertainty"), box);
    grid->addWidget(uncertainty_, 5, 0, 1, 3);
    static_cast<QHBoxLayout*>(layout())->addWidget(box, 3);
}

void ManualPage::BuildRunBox() {
    auto* box = new QGroupBox(tr("Test Run"), this);
    auto* grid = new QGridLayout(box);
    auto value = [box] {
        auto* label = new QLabel(box);
        label->setFrameShape(QFrame::StyledPanel);
        return label;
    };
    currentTest_ = value();
    lastResult_ = value();
    startTime_ = value();
    endTime_ = value();
    passed_ = value();
    failed_ = value();
    const std::pair<const char*, QLabel*> rows[] = {
        {"Current Test:", currentTest_}, {"Last Result:", lastResult_}, {"Start Time:", startTime_},
        {"End Time:", endTime_},         {"Passed:", passed_},          {"Failed:", failed_},
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
    start_ = new QPushButton(tr("&Start Sequence"), box);
    pause_ = new QPushButton(box);
    abort_ = new QPushButton(tr("&Abort Sequence"), box);
    for (QPushButton* button : {start_, pause_, abort_})
        grid->addWidget(button, row++, 0, 1, 2);
    grid->setRowStretch(row, 1);
    static_cast<QHBoxLayout*>(layout())->addWidget(box, 2);
}

void ManualPage::Connect() {
    auto selection = [this](QComboBox* combo, void (CTabTestVariant::*select)(int)) {
        connect(combo, &QComboBox::activated, this, [this, select](int index) { ((*tab_).*select)(index); });
    };
    selection(plan_, &CTabTestVariant::SelectPlan);
    selection(variant_, &CTabTestVariant::SelectVariant);
    connect(available_, &QListWidget::currentRowChanged, this, [this](int row) {
        if (!updating_)
            tab_->SelectAvailable(row);
    });
    connect(selected_, &QListWidget::currentRowChanged, this, [this](int row) {
        if (!updating_)
            tab_->SelectSelected(row);
    });
    connect(available_, &QListWidget::itemDoubleClicked, this, [this] { tab_->MoveToSelected(); });
    connect(selected_, &QListWidget::itemDoubleClicked, this, [this] { tab_->MoveToAvailable(); });
    connect(moveOne_, &QPushButton::clicked, this, [this] { tab_->MoveToSelected(); });
    connect(moveBack_, &QPushButton::clicked, this, [this] { tab_->MoveToAvailable(); });
    connect(moveAll_, &QPushButton::clicked, this, [this] { tab_->MoveAllToSelected(); });
    connect(moveAllBack_, &QPushButton::clicked, this, [this] { tab_->MoveAllToAvailable(); });
    connect(up_, &QPushButton::clicked, this, [this] { tab_->MoveUp(); });
    connect(down_, &QPushButton::clicked, this, [this] { tab_->MoveDown(); });
    connect(restore_, &QPushButton::clicked, this, [this] { tab_->RestoreAvailableTests(); });
    connect(step_, &QCheckBox::toggled, this, [this](bool on) { tab_->SetStep(on); });
    connect(loop_, &QCheckBox::toggled, this, [this](bool on) {
        if (!updating_)
            tab_->SetLoop(on);
    });
    connect(loopCount_, &QSpinBox::valueChanged, this, [this](int count) {
        if (!updating_)
            tab_->SetLoopCount(count);
    });
    connect(uncertainty_, &QCheckBox::clicked, this, [this](bool on) { tab_->SetApplyUncertainty(on); });
    connect(help_, &QPushButton::clicked, this, [this] { tab_->ShowPlanHelp(); });
    connect(start_, &QPushButton::clicked, this, &ManualPage::Start);
    connect(pause_, &QPushButton::clicked, this, [this] { tab_->TogglePause(); });
    connect(abort_, &QPushButton::clicked, this, [this] { tab_->AbortSequence(); });
}

void ManualPage::PageShown() {
    // The page starts when first shown, from the record the Run page filled.
    if (tab_->initialised())
        tab_->TestInfoToForm();
    else
        tab_->Initialize();
}

void ManualPage::Start() {
    if (tab_->running())
        return;
    HalcyonSetIdleProc(&ProcessWindowEvents, nullptr);
    tab_->StartSequence();
    HalcyonSetIdleProc(nullptr, nullptr);
}

void ManualPage::FormChanged() {
    const auto& form = tab_->form();
    updating_ = true;
    unit_->setText(Text(form.unitLabel));
    FillCombo(*plan_, form.plans);
    FillCombo(*variant_, form.variants);
    available_->clear();
    for (const std::string& item : form.available)
        available_->addItem(Text(item));
    available_->setCurrentRow(form.availableSelected);
    selected_->clear();
    for (const std::string& item : form.selected) {
        auto* entry = new QListWidgetItem(Text(item), selected_);
        entry->setForeground(ColourOf(item));
    }
    selected_->setCurrentRow(form.selectedSelected);
    step_->setChecked(form.step);
    loop_->setChecked(form.loop);
    loopCount_->setValue(form.loopCount);
    uncertainty_->setChecked(form.uncertaintyChecked);
    updating_ = false;
    DisplayChanged();
}

void ManualPage::DisplayChanged() {
    const auto& display = tab_->display();
    const auto& form = tab_->form();
    currentTest_->setText(Text(display.currentTest));
    lastResult_->setText(Text(display.lastResult));
    startTime_->setText(Text(display.startTime));
    endTime_->setText(Text(display.endTime));
    passed_->setText(QString::number(display.passed));
    failed_->setText(QString::number(display.failed));
    progress_->setRange(0, std::max(display.progressTotal, 1));
    progress_->setValue(display.progress);
    progressLabel_->setText(Text(display.progressLabel).replace('\r', '\n'));
    bool setup = display.setupEnabled && !tab_->running();
    for (QWidget* widget :
         std::initializer_list<QWidget*>{plan_, variant_, available_, moveOne_, moveBack_, moveAll_,
                                         moveAllBack_, step_, loop_, up_, down_, restore_, help_})
        widget->setEnabled(setup);
    loopCount_->setEnabled(setup && form.loop);
    uncertainty_->setEnabled(setup && form.uncertaintyEnabled);
    start_->setEnabled(display.startEnabled && !tab_->running());
    pause_->setEnabled(display.pauseEnabled);
    pause_->setText(Text(display.pauseText));
    abort_->setEnabled(display.abortEnabled);
}

void ManualPage::BusyChanged(bool busy) {
    if (busy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

bool ManualPage::OpenDocument(const std::string& path) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(Text(path)));
}

} // namespace corvid::operatorwindow
