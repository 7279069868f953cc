// The Manual Test Selection and Test Reports pages under Qt's offscreen platform: a
// looped manual run started with the buttons shows its progress and colours the items,
// and the reports it leaves are listed and viewed in the File Viewer.
#include "operatorwindow/manual_page.h"
#include "operatorwindow/operator_window.h"
#include "operatorwindow/reports_page.h"
#include "station_fixture.h"
#include "testsupport/qt_application.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QFontInfo>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <cstdlib>

namespace corvid::operatorwindow::testing {
namespace {

using operatormodule::testing::StationTest;
using ::testing::HasSubstr;

class OperatorPages : public StationTest {
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
    static QStringList Items(QListWidget& list) {
        QStringList items;
        for (int i = 0; i < list.count(); ++i)
            items << list.item(i)->text();
        return items;
    }
};

TEST_F(OperatorPages, AManualRunLoopedTwiceMarksItsItemsAndIsListedInTheReports) {
    WritePlan({{"DC Voltage", "1"}});
    COperatorInterfaceDlg window(StartApp(), prompt);
    window.show();
    window.pages().setCurrentIndex(1);
    ManualPage& manual = window.manualPage();
    EXPECT_EQ(Items(manual.availableList()), QStringList({"Identify", "DC Voltage", "Frequency"}));
    manual.moveAllButton().click();
    manual.loopCheck().click();
    EXPECT_TRUE(manual.loopCount().isEnabled());
    manual.loopCount().setValue(2);
    manual.startButton().click();
    EXPECT_EQ(manual.progressLabel().text(), "Progress:\n(6/6)");
    EXPECT_EQ(Items(manual.selectedList()),
              QStringList({"Identify, PASSED", "DC Voltage, FAILED", "Frequency, PASSED"}));
    EXPECT_EQ(manual.selectedList().item(0)->foreground().color(), QColor(0, 0x80, 0));
    EXPECT_EQ(manual.selectedList().item(1)->foreground().color(), QColor(0xFF, 0, 0));
    EXPECT_TRUE(manual.startButton().isEnabled());
    Photograph(window, "operator-manual-page");

    window.pages().setCurrentIndex(3);
    ReportsPage& reports = window.reportsPage();
    ASSERT_EQ(reports.fileList().count(), 2); // summary and detail of the run
    EXPECT_THAT(reports.fileList().item(1)->text().toStdString(), ::testing::EndsWith("_F.dtr"));
    EXPECT_TRUE(reports.viewButton().isEnabled());
    EXPECT_FALSE(reports.generateButton().isEnabled());
    reports.fileList().setCurrentRow(1);
    reports.setViewerModal(false);
    reports.viewButton().click();
    ASSERT_NE(reports.lastViewer(), nullptr);
    EXPECT_EQ(reports.lastViewer()->windowTitle(), reports.fileList().item(1)->text());
    QString text = reports.lastViewer()->textBox().toPlainText();
    EXPECT_THAT(text.toStdString(), HasSubstr("Limited Calibration Performed!"));
    EXPECT_FALSE(text.contains("rptmacro"));
    EXPECT_TRUE(QFontInfo(reports.lastViewer()->textBox().font()).fixedPitch());
    Photograph(window, "operator-reports-page");
    Photograph(*reports.lastViewer(), "operator-file-viewer");
    reports.resultButtons().button(int(operatortabs::ReportResult::Passed))->click();
    EXPECT_EQ(reports.fileList().count(), 0);
    EXPECT_FALSE(reports.printButton().isEnabled());
}

TEST_F(OperatorPages, TheFileViewerDialogGrowsWithItsText) {
    FileViewerDialog viewer("r.dtr", "line", [] { ADD_FAILURE() << "no fixed-pitch font"; });
    viewer.show();
    QSize before = viewer.textBox().size();
    viewer.resize(viewer.width() + 200, viewer.height() + 100);
    QCoreApplication::processEvents();
    EXPECT_GT(viewer.textBox().width(), before.width());
    EXPECT_GT(viewer.textBox().height(), before.height());
}

} // namespace
} // namespace corvid::operatorwindow::testing
