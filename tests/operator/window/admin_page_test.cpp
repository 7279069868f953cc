// The Administration page in the operator window under Qt's offscreen platform: covered
// until the login, asked for 50 ms after the page is shown; the login dialog against the
// configured password; the lists and the preview once logged in.
#include "com/bstr.h"
#include "operatordb/admin_flag.h"
#include "operatordb/interface_types.h"
#include "operatorwindow/admin_dialogs.h"
#include "operatorwindow/admin_page.h"
#include "operatorwindow/operator_window.h"
#include "station_fixture.h"
#include "testsupport/qt_application.h"

#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>

namespace corvid::operatorwindow::testing {
namespace {

using operatormodule::testing::RegisterModule;
using operatormodule::testing::StationTest;

constexpr int kAdministrationPage = 4;

class AdminPageTest : public StationTest {
protected:
    void SetUp() override {
        corvid::testing::Application();
        StationTest::SetUp();
        std::ofstream(sandbox.home() / "vela.ini", std::ios::app) << "Password=Secret\n";
        WriteLastRun();
        operatormodule::COperatorInterfaceApp& app = StartApp();
        ASSERT_TRUE(operatordb::LoadInterfaceTypeNames(app.db()));
    }
};

TEST_F(AdminPageTest, ThePageIsCoveredUntilTheLoginAskedAfterItIsShown) {
    RegisterModule(GRIDWIZDAO_MODULE);
    COperatorInterfaceDlg window(*operatormodule::TheApp(), prompt);
    window.show();
    AdminPage& page = window.adminPage();
    int asked = 0;
    bool succeed = false;
    page.SetLoginDialog([&] {
        ++asked;
        return succeed;
    });
    window.pages().setCurrentIndex(kAdministrationPage);
    EXPECT_EQ(asked, 0) << "not before the page is painted";
    EXPECT_TRUE(QTest::qWaitFor([&] { return asked == 1; }, 5000));
    EXPECT_FALSE(page.contentsShown());

    succeed = true;
    QTest::mouseClick(&page.loginButton(), Qt::LeftButton);
    EXPECT_EQ(asked, 2);
    ASSERT_TRUE(page.contentsShown());
    EXPECT_EQ(page.stationCombo().currentText(), "Demo Bench");
    EXPECT_EQ(page.planCombo().currentText(), "LM-4065 Multimeter Calibration Rev 01.00");
    EXPECT_EQ(page.equipmentList().count(), 3) << "the Run page's plan: its assignments";
    EXPECT_FALSE(page.equipmentList().item(0)->icon().isNull());
    EXPECT_FALSE(page.removeStationButton().isEnabled());
    QTest::keyClick(&page.equipmentList(), Qt::Key_F);
    EXPECT_EQ(page.equipmentList().currentRow(), 0) << "letters do not move the selection";
    QTest::keyClick(&page.equipmentList(), Qt::Key_End);
    EXPECT_EQ(page.equipmentList().currentRow(), 2);
    EXPECT_EQ(page.tab().form().selectedRow, 2) << "other keys show another item";

    window.pages().setCurrentIndex(0);
    window.pages().setCurrentIndex(kAdministrationPage);
    QCoreApplication::processEvents();
    EXPECT_EQ(asked, 2) << "one login per page";
}

TEST_F(AdminPageTest, TheLoginDialogTakesTheConfiguredPasswordAndTheSharedFlag) {
    operatortabs::CAdminLogin login(operatormodule::TheApp()->db(), operatormodule::TheApp()->window(),
                                    prompt);
    AdminLoginDialog dialog(login);
    dialog.show();
    dialog.passwordField().setText("Secret ");
    QTest::mouseClick(&dialog.loginButton(), Qt::LeftButton);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(prompt.boxes.back(), "Corvid Technologies Halcyon|Invalid password entered please try again");
    dialog.passwordField().setText("SECRET");
    QTest::mouseClick(&dialog.loginButton(), Qt::LeftButton);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_TRUE(operatordb::IsAdministratorLoggedIn(operatormodule::TheApp()->db()));
}

TEST_F(AdminPageTest, ThePropertiesEditorWritesOnlyValues) {
    RegisterModule(GRIDWIZDAO_MODULE);
    GridEditorDialog dialog(PropertiesEditorSetup(database.string(), 1), prompt);
    gridwizdao::IGridControl* grid = dialog.grid();
    ASSERT_NE(grid, nullptr);
    for (com::LONG column : {0, 1, 2})
        EXPECT_EQ(grid->SetCellText(0, column, com::Bstr("x").get()), com::E_ACCESSDENIED) << column;
    ASSERT_EQ(grid->SetCellText(0, 3, com::Bstr("25").get()), com::S_OK);
    dialog.accept();
    operatordb::Recordset value =
        operatormodule::TheApp()->db().OpenRecordset("SELECT Value FROM DeviceInstance_has_Properties WHERE "
                                                     "InstanceID = 1 AND DeviceProperty = 'MaxCurrent'");
    EXPECT_EQ(value.GetValue(0).AsText(), "25");
}

} // namespace
} // namespace corvid::operatorwindow::testing
