// The Manual Test Selection page: plan and variant, the available and selected tests
// with their moves, Step and Loop, and the display of a run. It shows
// CTabTestVariant's form and display and passes the operator's input in.
#pragma once

#include "operatortabs/tab_test_variant.h"

#include <QWidget>
#include <memory>

class QCheckBox;
class QComboBox;
class QLabel;
class QListWidget;
class QProgressBar;
class QPushButton;
class QSpinBox;

namespace corvid::operatorwindow {

class ManualPage final : public QWidget, public operatortabs::ManualTabView {
    Q_OBJECT

public:
    ManualPage(operatortabs::ModuleContext context, QWidget* parent = nullptr);
    ~ManualPage() override;

    operatortabs::CTabTestVariant& tab() { return *tab_; }
    void PageShown();

    QListWidget& availableList() { return *available_; }
    QListWidget& selectedList() { return *selected_; }
    QPushButton& moveAllButton() { return *moveAll_; }
    QPushButton& startButton() { return *start_; }
    QCheckBox& loopCheck() { return *loop_; }
    QSpinBox& loopCount() { return *loopCount_; }
    QLabel& progressLabel() { return *progressLabel_; }
    QLabel& lastResultLabel() { return *lastResult_; }

    // ManualTabView
    void FormChanged() override;
    void DisplayChanged() override;
    void BusyChanged(bool busy) override;
    bool OpenDocument(const std::string& path) override;
    void SequenceBegan() override { emit RunStateChanged(); }
    void SequenceEnded(int, const std::string&) override { emit RunStateChanged(); }

signals:
    void RunStateChanged();

private:
    void BuildLists();
    void BuildRunBox();
    void Connect();
    void Start();

    operatortabs::ModuleContext context_;
    std::unique_ptr<operatortabs::CTabTestVariant> tab_;
    QComboBox *plan_, *variant_;
    QLabel* unit_;
    QListWidget *available_, *selected_;
    QPushButton *moveOne_, *moveBack_, *moveAll_, *moveAllBack_, *up_, *down_, *restore_, *help_;
    QCheckBox *step_, *loop_, *uncertainty_;
    QSpinBox* loopCount_;
    QLabel *currentTest_, *lastResult_, *startTime_, *endTime_, *passed_, *failed_, *progressLabel_;
    QProgressBar* progress_;
    QPushButton *start_, *pause_, *abort_;
    bool updating_ = false;
};

} // namespace corvid::operatorwindow
