// COperatorInterfaceDlg: the operator window. A menu (File: the test information file
// and Exit; Help: contents and the About boxes) over five pages in their fixed order;
// the Run, Manual Test Selection, Equipment Selection, Test Reports and Administration pages.
#pragma once

#include "operatormodule/operator_app.h"
#include "operatortabs/prompt.h"
#include "operatortabs/tab_run.h"
#include "operatorwindow/image_list.h"

#include <QDialog>
#include <memory>

class QAction;
class QMenu;
class QTabWidget;

namespace corvid::operatorwindow {

class AdminPage;
class EquipmentPage;
class ManualPage;
class ReportsPage;
class RunPage;

inline constexpr const char* kWindowTitle = "TESTING VERSION: DO NOT SHIP OR USE FOR INVALID PURPOSES";

class COperatorInterfaceDlg final : public QDialog {
    Q_OBJECT

public:
    COperatorInterfaceDlg(operatormodule::COperatorInterfaceApp& app, operatortabs::Prompt& prompt,
                          QWidget* parent = nullptr);
    ~COperatorInterfaceDlg() override;

    RunPage& runPage() { return *runPage_; }
    EquipmentPage& equipmentPage() { return *equipmentPage_; }
    ManualPage& manualPage() { return *manualPage_; }
    ReportsPage& reportsPage() { return *reportsPage_; }
    // The Administration page; its Add/Map Equipment... opens what AdminPage::SetMappingDialog is given.
    AdminPage& adminPage() { return *adminPage_; }
    QTabWidget& pages() { return *pages_; }
    QMenu& fileMenu() { return *fileMenu_; }
    // The path of the current test information file ("" before one was opened or saved).
    const QString& testInfoPath() const { return testInfoPath_; }

    // File menu; each does nothing while a run is in progress.
    void NewTestInformation();
    void OpenTestInformation(const QString& chosenPath = {});
    void SaveTestInformation();
    void SaveTestInformationAs(const QString& chosenPath = {});
    // Exit: false when a page refuses to close.
    bool ExitWindow();
    void AboutHalcyon();
    void AboutTestPlan();

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    void BuildMenu();
    void UpdateMenu();
    QString DefaultTestInfoPath() const;
    void ReadTestInfoFile(const QString& path);

    operatormodule::COperatorInterfaceApp& app_;
    operatortabs::Prompt& prompt_;
    QTabWidget* pages_ = nullptr;
    RunPage* runPage_ = nullptr;
    EquipmentImageList images_;
    EquipmentPage* equipmentPage_ = nullptr;
    ManualPage* manualPage_ = nullptr;
    ReportsPage* reportsPage_ = nullptr;
    AdminPage* adminPage_ = nullptr;
    QWidget* shownPage_ = nullptr; // the page current before a change
    QMenu* fileMenu_ = nullptr;
    QString testInfoPath_;
    bool exiting_ = false;
};

// Builds the window, runs it modally and destroys its pages (last first).
void RunOperatorWindow(operatormodule::COperatorInterfaceApp& app, operatortabs::Prompt& prompt);

} // namespace corvid::operatorwindow
