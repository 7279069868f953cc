// The operator window under Qt's offscreen platform: its pages and menu, and a run
// started with the Start button during which Pause and Abort are pressed while the
// window keeps answering.
#include "operatorwindow/image_list.h"
#include "operatorwindow/operator_window.h"
#include "operatorwindow/run_page.h"
#include "station_fixture.h"
#include "testsupport/qt_application.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <cstdlib>

namespace corvid::operatorwindow::testing {
namespace {

using operatormodule::testing::StationTest;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

class OperatorWindow : public StationTest {
protected:
    void SetUp() override {
        corvid::testing::Application();
        StationTest::SetUp();
        WriteLastRun();
    }
    // Saves a picture of the window where OPERATOR_SCREENSHOT_DIR names a directory.
    static void Photograph(QWidget& window, const char* name) {
        if (const char* directory = std::getenv("OPERATOR_SCREENSHOT_DIR"))
            window.grab().save(QString(directory) + "/" + name + ".png");
    }
    static QStringList Captions(QTabWidget& pages) {
        QStringList captions;
        for (int i = 0; i < pages.count(); ++i)
            captions << pages.tabText(i);
        return captions;
    }
};

TEST_F(OperatorWindow, ShowsItsPagesMenuAndTheLastSelection) {
    COperatorInterfaceDlg window(StartApp(), prompt);
    window.show();
    EXPECT_EQ(window.windowTitle(), kWindowTitle);
    EXPECT_EQ(Captions(window.pages()), QStringList({"Run", "Manual Test Selection", "Equipment Selection",
                                                     "Test Reports", "Administration"}));
    QStringList items;
    for (QAction* action : window.fileMenu().actions())
        items << action->text();
    EXPECT_EQ(items, QStringList({"&New Test Information", "&Open Test Information File",
                                  "&Save Test Information File", "Save &As...", "E&xit"}));
    RunPage& run = window.runPage();
    EXPECT_EQ(run.stationCombo().currentText(), "Demo Bench");
    EXPECT_EQ(run.modelCombo().currentText(), "LM-4065");
    EXPECT_EQ(run.serialField().text(), "LK4065-01123");
    EXPECT_TRUE(run.startButton().isEnabled());
    EXPECT_FALSE(run.pauseButton().isEnabled());
    Photograph(window, "operator-run-page");
}

TEST_F(OperatorWindow, PauseAndAbortArePressedWhileATestRuns) {
    WritePlan({});
    std::string text = Read(base / "TestPlan" / "lm4065_cal.lua");
    text.replace(text.find("Report('ran DC Voltage')"), 24, "Report('ran DC Voltage') sleep(20000)");
    std::ofstream(base / "TestPlan" / "lm4065_cal.lua") << text;
    COperatorInterfaceDlg window(StartApp(), prompt);
    window.show();
    RunPage& run = window.runPage();
    std::vector<std::string> seen;
    QTimer during;
    during.setInterval(20);
    QObject::connect(&during, &QTimer::timeout, [&] {
        if (run.currentTestLabel().text() != "DC Voltage")
            return;
        during.stop();
        seen.push_back(window.fileMenu().actions().front()->isEnabled() ? "file menu enabled"
                                                                        : "file menu grey");
        seen.push_back(run.startButton().isEnabled() ? "start enabled" : "start grey");
        EXPECT_FALSE(window.ExitWindow()); // a run in progress keeps the window open
        run.pauseButton().click();
        seen.push_back(run.pauseButton().text().toStdString());
        Photograph(window, "operator-running");
        run.abortButton().click();
    });
    during.start();
    run.startButton().click();
    EXPECT_THAT(seen, ElementsAre("file menu grey", "start grey", "&Pausing ..."));
    EXPECT_EQ(run.lastResultLabel().text(), "Test(s) Aborted");
    EXPECT_EQ(run.currentTestLabel().text(), "Testing Completed");
    EXPECT_TRUE(run.startButton().isEnabled());
    EXPECT_TRUE(window.fileMenu().actions().front()->isEnabled());
    EXPECT_EQ(run.pauseButton().text(), "&Pause After Test");
    EXPECT_THAT(prompt.boxes, ElementsAre("Corvid Technologies Halcyon|Paused, Press OK to Continue"));
}

TEST_F(OperatorWindow, ExitKeepsTheFieldsForTheNextStartAndSavesTestInformation) {
    COperatorInterfaceDlg window(StartApp(), prompt);
    window.show();
    window.runPage().tab().SetOperator("Bea");
    QString saved = QString::fromStdString((base / "bench.TestInfo").string());
    window.SaveTestInformationAs(saved);
    EXPECT_EQ(window.testInfoPath(), saved);
    EXPECT_THAT(Read(saved.toStdString()), HasSubstr("Operator:           Bea\n"));
    window.NewTestInformation();
    EXPECT_TRUE(window.runPage().serialField().text().isEmpty());
    window.OpenTestInformation(saved);
    EXPECT_EQ(window.runPage().serialField().text(), "LK4065-01123");
    EXPECT_TRUE(window.ExitWindow());
    EXPECT_THAT(Read(base / "TestPlan" / "$$$.TestInfo"), HasSubstr("Operator:           Bea\n"));
}

TEST_F(OperatorWindow, LeavingTheRunPageStoresItsFieldsAndShowingItReadsThem) {
    operatormodule::COperatorInterfaceApp& app = StartApp();
    COperatorInterfaceDlg window(app, prompt);
    window.show();
    window.runPage().tab().SetOperator("Eve");
    window.pages().setCurrentIndex(2);
    EXPECT_EQ(app.testInfo().Operator, "Eve");
    app.testInfo().CustomerName = "Acme Metrology";
    window.pages().setCurrentIndex(0);
    EXPECT_EQ(window.runPage().tab().form().customer, "Acme Metrology");
}

TEST_F(OperatorWindow, AboutBoxesReadTheVersions) {
    std::ofstream(sandbox.home() / "vela.ini", std::ios::app)
        << "[VELA PROJECT VERSIONS]\nlm4065_cal=01.02\n";
    COperatorInterfaceDlg window(StartApp(), prompt);
    window.AboutHalcyon();
    window.AboutTestPlan();
    EXPECT_THAT(
        prompt.boxes,
        ElementsAre("About Corvid Technologies Halcyon...|Corvid Technologies Halcyon\nVersion: 2.0",
                    "About Selected TestPlan...|LM-4065 Multimeter Calibration Rev 01.00\nVersion: 01.02"));
}

TEST(EquipmentImages, ThreeStatesPerIconWithTheGreenRecoloured) {
    corvid::testing::Application();
    EquipmentImageList images;
    images.Build();
    EXPECT_EQ(images.loadFailures() + images.addFailures(), 0);
    ASSERT_EQ(images.images().size(), 15u);
    EXPECT_EQ(EquipmentImageList::IndexOf(3, 2), 8);
    EXPECT_EQ(EquipmentImageList::IndexOf(99, 1), 1);
    // The status lamp: green, yellow, red.
    const auto& list = images.images();
    EXPECT_EQ(list[6].pixel(30, 24), 0xFF00FF00u);
    EXPECT_EQ(list[7].pixel(30, 24), 0xFFFFFF00u);
    EXPECT_EQ(list[8].pixel(30, 24), 0xFFFF0000u);
    EXPECT_EQ(qAlpha(list[0].pixel(0, 0)), 0); // the mask colour is transparent
}

} // namespace
} // namespace corvid::operatorwindow::testing
