#include "operatorwindow/operator_window.h"

#include "halcyon/pubapi.h"
#include "operatorconfig/configuration_manager.h"
#include "operatordb/lookups.h"
#include "operatorwindow/admin_page.h"
#include "operatorwindow/equipment_page.h"
#include "operatorwindow/image_list.h"
#include "operatorwindow/manual_page.h"
#include "operatorwindow/map_equipment_dialog.h"
#include "operatorwindow/reports_page.h"
#include "operatorwindow/run_page.h"

#include <QCloseEvent>
#include <QDesktopServices>
#include <QFileDialog>
#include <QMenuBar>
#include <QTabWidget>
#include <QUrl>
#include <QVBoxLayout>

namespace corvid::operatorwindow {
namespace {

using operatorconfig::kApplicationTitle;

} // namespace

COperatorInterfaceDlg::COperatorInterfaceDlg(operatormodule::COperatorInterfaceApp& app,
                                             operatortabs::Prompt& prompt, QWidget* parent)
    : QDialog(parent), app_(app), prompt_(prompt) {
    setWindowTitle(kWindowTitle);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 2, 0, 0);
    pages_ = new QTabWidget(this);
    runPage_ = new RunPage(app.Context(prompt), pages_);
    pages_->addTab(runPage_, tr("Run"));
    manualPage_ = new ManualPage(app.Context(prompt), pages_);
    pages_->addTab(manualPage_, tr("Manual Test Selection"));
    images_.Build();
    equipmentPage_ = new EquipmentPage(app.Context(prompt), images_, pages_);
    pages_->addTab(equipmentPage_, tr("Equipment Selection"));
    reportsPage_ = new ReportsPage(app.Context(prompt), pages_);
    pages_->addTab(reportsPage_, tr("Test Reports"));
    adminPage_ = new AdminPage(app.Context(prompt), images_, pages_);
    pages_->addTab(adminPage_, tr("Administration"));
    adminPage_->SetMappingDialog([this](int32_t station, int32_t testPlan, const std::string& longName) {
        ShowMapEquipmentDialog(this, app_.Context(prompt_).db, prompt_, station, testPlan, longName);
    });
    layout->addWidget(pages_);
    BuildMenu();
    app_.SetRunPages(&runPage_->tab(), &manualPage_->tab());
    connect(runPage_, &RunPage::RunStateChanged, this, &COperatorInterfaceDlg::UpdateMenu);
    connect(manualPage_, &ManualPage::RunStateChanged, this, &COperatorInterfaceDlg::UpdateMenu);
    // The record follows the fields of the page left (the Run page's, or the Manual page's plan
    // and variant), and the page shown follows the record. The Equipment Selection and
    // Administration pages save what they show when left and read it again when shown.
    connect(pages_, &QTabWidget::currentChanged, this, [this](int index) {
        if (shownPage_ == equipmentPage_) {
            equipmentPage_->PageLeft();
        } else if (shownPage_ == adminPage_) {
            adminPage_->PageLeft();
        } else if (shownPage_ == runPage_) {
            runPage_->CollectFields();
            runPage_->tab().FormToTestInfo();
        } else if (shownPage_ == manualPage_) {
            manualPage_->tab().FormToTestInfo();
        }
        shownPage_ = pages_->widget(index);
        if (shownPage_ == runPage_)
            runPage_->tab().TestInfoToForm();
        else if (shownPage_ == equipmentPage_)
            equipmentPage_->PageShown();
        else if (shownPage_ == manualPage_)
            manualPage_->PageShown();
        else if (shownPage_ == reportsPage_)
            reportsPage_->PageShown();
        else if (shownPage_ == adminPage_)
            adminPage_->PageShown();
    });
    shownPage_ = runPage_;
    runPage_->tab().Initialize();
    UpdateMenu();
    resize(900, 560);
}

COperatorInterfaceDlg::~COperatorInterfaceDlg() {
    app_.SetRunPages(nullptr, nullptr);
}

void COperatorInterfaceDlg::BuildMenu() {
    auto* bar = new QMenuBar(this);
    layout()->setMenuBar(bar);
    fileMenu_ = bar->addMenu(tr("&File"));
    fileMenu_->addAction(tr("&New Test Information"), this, [this] { NewTestInformation(); });
    fileMenu_->addAction(tr("&Open Test Information File"), this, [this] { OpenTestInformation(); });
    fileMenu_->addAction(tr("&Save Test Information File"), this, [this] { SaveTestInformation(); });
    fileMenu_->addAction(tr("Save &As..."), this, [this] { SaveTestInformationAs(); });
    fileMenu_->addAction(tr("E&xit"), this, [this] { ExitWindow(); });
    QMenu* help = bar->addMenu(tr("&Help"));
    help->addAction(tr("&Contents"), this, [this] {
        QString index = QString::fromStdString(app_.paths().testPlanMain) + "../Help/index.html";
        if (!QFile::exists(index) || !QDesktopServices::openUrl(QUrl::fromLocalFile(index)))
            prompt_.Show("The help index " + index.toStdString() + " is not installed.", "Help");
    });
    help->addAction(tr("&About Corvid Halcyon"), this, [this] { AboutHalcyon(); });
    help->addAction(tr("About Current &TestPlan"), this, [this] { AboutTestPlan(); });
}

void COperatorInterfaceDlg::UpdateMenu() {
    for (QAction* action : fileMenu_->actions())
        action->setEnabled(app_.window().idle);
}

QString COperatorInterfaceDlg::DefaultTestInfoPath() const {
    if (!testInfoPath_.isEmpty())
        return testInfoPath_;
    return QString::fromStdString(app_.paths().testPlanMain) + "xxx.TestInfo";
}

void COperatorInterfaceDlg::NewTestInformation() {
    if (!app_.window().idle)
        return;
    auto& info = app_.testInfo();
    runPage_->tab().FormToTestInfo();
    info.SerialNumber.clear();
    info.CustomerName.clear();
    info.ServiceOrderNumber.clear();
    info.GeneralNotes.clear();
    runPage_->tab().TestInfoToForm();
}

void COperatorInterfaceDlg::ReadTestInfoFile(const QString& path) {
    auto known = [this](int32_t model, int32_t instance, const std::string& serial) {
        return operatordb::IsKnownUut(app_.db(), model, instance, serial);
    };
    operatoroutput::ReadTestInfo(path.toStdString(), app_.testInfo(), known);
    runPage_->tab().TestInfoToForm();
}

void COperatorInterfaceDlg::OpenTestInformation(const QString& chosenPath) {
    if (!app_.window().idle)
        return;
    QString path = chosenPath;
    if (path.isEmpty()) {
        QFileDialog dialog(this, tr("Open"), DefaultTestInfoPath(),
                           tr("Test Info (*.TestInfo);;All Files (*)"));
        dialog.setDefaultSuffix("TestInfo");
        dialog.setFileMode(QFileDialog::ExistingFile);
        dialog.setOption(QFileDialog::ReadOnly, false);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return;
        path = dialog.selectedFiles().front();
    }
    testInfoPath_ = path;
    ReadTestInfoFile(path);
}

void COperatorInterfaceDlg::SaveTestInformation() {
    if (!app_.window().idle)
        return;
    runPage_->CollectFields();
    runPage_->tab().FormToTestInfo();
    if (testInfoPath_.isEmpty())
        return SaveTestInformationAs();
    if (!operatoroutput::WriteTestInfo(testInfoPath_.toStdString(), app_.testInfo()))
        prompt_.Notify("Cannot write the test information file " + testInfoPath_.toStdString());
}

void COperatorInterfaceDlg::SaveTestInformationAs(const QString& chosenPath) {
    if (!app_.window().idle)
        return;
    QString path = chosenPath;
    if (path.isEmpty()) {
        QFileDialog dialog(this, tr("Save As"), DefaultTestInfoPath(),
                           tr("Test Info (*.TestInfo);;All Files (*)"));
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setDefaultSuffix("TestInfo");
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return;
        path = dialog.selectedFiles().front();
    }
    testInfoPath_ = path;
    if (!path.isEmpty())
        SaveTestInformation();
}

bool COperatorInterfaceDlg::ExitWindow() {
    if (exiting_)
        return true;
    if (!runPage_->tab().CanClose() || !manualPage_->tab().CanClose())
        return false;
    exiting_ = true;
    hide();
    VAppExit();
    if (shownPage_ == equipmentPage_) {
        equipmentPage_->PageLeft();
    } else if (shownPage_ == adminPage_) {
        adminPage_->PageLeft();
    } else if (shownPage_ == manualPage_) {
        manualPage_->tab().FormToTestInfo();
    } else {
        runPage_->CollectFields();
        runPage_->tab().FormToTestInfo();
    }
    // The next start of the Run page continues from this record.
    operatoroutput::WriteTestInfo(app_.paths().testPlanMain + "$$$.TestInfo", app_.testInfo());
    accept();
    return true;
}

void COperatorInterfaceDlg::closeEvent(QCloseEvent* event) {
    if (exiting_ || ExitWindow())
        event->accept();
    else
        event->ignore();
}

void COperatorInterfaceDlg::reject() {
    ExitWindow();
}

void COperatorInterfaceDlg::AboutHalcyon() {
    operatorconfig::CConfigurationManager config(prompt_);
    std::string version;
    if (!config.GetValue("VELA PROJECT VERSIONS", "VelaVersion", version))
        return;
    if (version.empty())
        version = "2.0";
    prompt_.Show(std::string(kApplicationTitle) + "\nVersion: " + version,
                 std::string("About ") + kApplicationTitle + "...", operatortabs::MsgButtons::Ok,
                 operatortabs::MsgIcon::Information);
}

void COperatorInterfaceDlg::AboutTestPlan() {
    int32_t plan = app_.testInfo().testPlanId;
    std::string base = operatordb::TestPlanFileName(app_.db(), plan);
    base = base.substr(0, base.rfind('.'));
    operatorconfig::CConfigurationManager config(prompt_);
    std::string version;
    if (!config.GetValue("VELA PROJECT VERSIONS", base, version))
        return;
    if (version.empty())
        version = "Unknown";
    prompt_.Show(operatordb::TestPlanLongName(app_.db(), plan) + "\nVersion: " + version,
                 "About Selected TestPlan...", operatortabs::MsgButtons::Ok,
                 operatortabs::MsgIcon::Information);
}

void RunOperatorWindow(operatormodule::COperatorInterfaceApp& app, operatortabs::Prompt& prompt) {
    EquipmentImageList images;
    images.Build();
    if (images.loadFailures() || images.addFailures())
        prompt.Notify(images.FailureText().toStdString());
    COperatorInterfaceDlg window(app, prompt);
    window.exec();
}

} // namespace corvid::operatorwindow
