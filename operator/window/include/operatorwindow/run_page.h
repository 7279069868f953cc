// The Run page: the form of CTabRun and the display of its run. It only shows the
// page's state and passes the operator's input in; while a test runs the host's idle
// procedure keeps the window answering, so Pause and Abort can be pressed.
#pragma once

#include "operatortabs/tab_run.h"

#include <QWidget>
#include <memory>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;

namespace corvid::operatorwindow {

class RunPage final : public QWidget, public operatortabs::RunTabView {
    Q_OBJECT

public:
    RunPage(operatortabs::ModuleContext context, QWidget* parent = nullptr);
    ~RunPage() override;

    operatortabs::CTabRun& tab() { return *tab_; }
    // Writes the fields being edited into the page's form.
    void CollectFields();

    QPushButton& startButton() { return *start_; }
    QPushButton& pauseButton() { return *pause_; }
    QPushButton& abortButton() { return *abort_; }
    QPushButton& configureButton() { return *configure_; }
    QLabel& lastResultLabel() { return *lastResult_; }
    QLabel& currentTestLabel() { return *currentTest_; }
    QComboBox& stationCombo() { return *station_; }
    QComboBox& modelCombo() { return *model_; }
    QLineEdit& serialField() { return *serial_; }

    // RunTabView
    void FormChanged() override;
    void DisplayChanged() override;
    void BusyChanged(bool busy) override;
    bool OpenDocument(const std::string& path) override;
    void SequenceBegan() override { emit RunStateChanged(); }
    void SequenceEnded(int, const std::string&) override { emit RunStateChanged(); }

signals:
    // The run started or ended (the window greys its File menu meanwhile).
    void RunStateChanged();

private:
    void BuildForm();
    void BuildRunBox();
    void Connect();
    void Start();
    void FillCombo(QComboBox& combo, const operatortabs::ComboList& list);
    void RangedField(QLineEdit& field, bool (operatortabs::CTabRun::*set)(double));

    operatortabs::ModuleContext context_;
    std::unique_ptr<operatortabs::CTabRun> tab_;
    QLineEdit *operator_, *customer_, *reportNumber_, *temperature_, *humidity_, *lineFrequency_, *serial_;
    QPlainTextEdit* notes_;
    QComboBox *model_, *station_, *plan_, *variant_;
    QListWidget* options_;
    QCheckBox* uncertainty_;
    QLabel *currentTest_, *startTime_, *endTime_, *lastResult_, *passed_, *failed_, *progressLabel_;
    QProgressBar* progress_;
    QPushButton *start_, *pause_, *abort_, *configure_, *help_;
    bool updating_ = false;
};

} // namespace corvid::operatorwindow
