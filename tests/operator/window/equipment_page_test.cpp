// The Equipment Selection page in the operator window under Qt's offscreen platform:
// filled when shown, with the calibration grid when the grid component is installed,
// and saved when left.
#include "operatordb/interface_types.h"
#include "operatorwindow/equipment_page.h"
#include "operatorwindow/operator_window.h"
#include "station_fixture.h"
#include "testsupport/qt_application.h"

#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <cstdlib>

namespace corvid::operatorwindow::testing {
namespace {

using operatormodule::testing::RegisterModule;
using operatormodule::testing::StationTest;

constexpr int kEquipmentPage = 2;

class EquipmentPageTest : public StationTest {
protected:
    void SetUp() override {
        corvid::testing::Application();
        StationTest::SetUp();
        WriteLastRun();
    }
    int64_t InUseAddress(int instance) {
        operatordb::Database db(database);
        operatordb::Recordset rows =
            db.OpenRecordset("SELECT Address1 FROM InterfaceData_GPIB WHERE TempInterface AND InstanceID = " +
                             std::to_string(instance));
        return rows.IsEOF() ? -1 : rows.GetValue(0).AsInteger();
    }
    // The application as the module's entry leaves it: started, with the interface type names.
    operatormodule::COperatorInterfaceApp& App() {
        operatormodule::COperatorInterfaceApp& app = StartApp();
        EXPECT_TRUE(operatordb::LoadInterfaceTypeNames(app.db()));
        return app;
    }
    // Saves a picture of the window where OPERATOR_SCREENSHOT_DIR names a directory.
    static void Photograph(QWidget& window, const char* name) {
        if (const char* directory = std::getenv("OPERATOR_SCREENSHOT_DIR"))
            window.grab().save(QString(directory) + "/" + name + ".png");
    }
    static QStringList Texts(QListWidget& list) {
        QStringList texts;
        for (int i = 0; i < list.count(); ++i)
            texts << list.item(i)->text();
        return texts;
    }
};

TEST_F(EquipmentPageTest, ShowingFillsItWithTheGridAndLeavingSavesIt) {
    RegisterModule(GRIDWIZDAO_MODULE);
    COperatorInterfaceDlg window(App(), prompt);
    window.show();
    EquipmentPage& page = window.equipmentPage();
    EXPECT_EQ(page.dsgList().count(), 0); // filled when shown, not before
    window.pages().setCurrentIndex(kEquipmentPage);
    EXPECT_EQ(Texts(page.dsgList()), QStringList({"[DC Calibrator]", "[Frequency Counter]"}));
    EXPECT_FALSE(page.dsgList().item(0)->icon().isNull());
    EXPECT_EQ(page.dsgList().currentRow(), 0);
    EXPECT_EQ(page.modelCombo().currentText(), "VC-9100");
    EXPECT_EQ(page.serialCombo().currentText(), "VC91-004417");
    EXPECT_EQ(page.interfaceCombo().currentText(), "GPIB");
    EXPECT_EQ(page.addressField().value(), 5);
    EXPECT_FALSE(page.portCombo().isEnabled());
    EXPECT_TRUE(page.lastCalibrationField().isReadOnly());
    EXPECT_EQ(page.declaredOptionsList().count(), 1);
    ASSERT_NE(page.calibrationGrid(), nullptr);
    com::LONG rows = 0, columns = 0;
    ASSERT_EQ(page.calibrationGrid()->GetRowCount(&rows), com::S_OK);
    ASSERT_EQ(page.calibrationGrid()->GetColumnCount(&columns), com::S_OK);
    EXPECT_EQ(rows, 3); // the calibrator's three points
    EXPECT_EQ(columns, 5);
    Photograph(window, "operator-equipment-page");

    page.addressField().setValue(7);
    window.pages().setCurrentIndex(0);
    EXPECT_EQ(InUseAddress(1), 7);
    EXPECT_TRUE(prompt.boxes.empty()) << prompt.boxes.front();

    window.pages().setCurrentIndex(kEquipmentPage);
    page.dsgList().setCurrentRow(1);
    EXPECT_EQ(page.serialCombo().currentText(), "OM3120-2291");
    page.addressField().setValue(11);
    EXPECT_TRUE(window.ExitWindow());
    EXPECT_EQ(InUseAddress(2), 11);
}

TEST_F(EquipmentPageTest, WithoutTheGridComponentThePageStillWorks) {
    COperatorInterfaceDlg window(App(), prompt);
    window.show();
    EquipmentPage& page = window.equipmentPage();
    EXPECT_EQ(page.calibrationGrid(), nullptr);
    window.pages().setCurrentIndex(kEquipmentPage);
    EXPECT_EQ(page.dsgList().count(), 2);
    EXPECT_TRUE(page.restoreButton().isEnabled());
}

} // namespace
} // namespace corvid::operatorwindow::testing
