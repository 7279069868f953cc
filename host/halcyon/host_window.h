// The host's window while no operator plug-in is installed: the loaded plan's tests,
// its variants, Run and Abort, and the report stream. It stays responsive while a test
// runs: the host gives it time through its idle procedure.
#pragma once

#include "halcyon/pubapi.h"

#include <QWidget>

class QComboBox;
class QLabel;
class QListWidget;
class QPlainTextEdit;
class QPushButton;

namespace corvid::host {

class HostWindow : public QWidget {
    Q_OBJECT

public:
    explicit HostWindow(QWidget* parent = nullptr);
    ~HostWindow() override;

    // Loads a plan and lists its tests; false (with the reason shown) when it cannot be loaded.
    bool LoadPlan(const QString& path);
    bool running() const { return running_; }

    QListWidget* testList() const { return tests_; }
    QComboBox* variantBox() const { return variants_; }
    QPushButton* runButton() const { return run_; }
    QPushButton* abortButton() const { return abort_; }
    QPlainTextEdit* reportView() const { return report_; }

public slots:
    // Runs the selected tests, or every test of the variant when none is selected.
    void RunTests();
    void Abort();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void SelectVariant(int index);
    void ShowResult(int row, VTestHandle test);
    void UpdateButtons();
    static unsigned char OnReport(const char* text);
    static void GiveTime(void* window);

    QLabel* plan_;
    QComboBox* variants_;
    QListWidget* tests_;
    QPushButton* run_;
    QPushButton* abort_;
    QPlainTextEdit* report_;
    bool running_ = false;
    bool aborted_ = false;
};

} // namespace corvid::host
