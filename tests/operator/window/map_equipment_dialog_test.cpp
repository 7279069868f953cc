// The Add/Map Equipment dialog under Qt's offscreen platform on the demo station: its
// lists, the red rows of unassigned DSGs, Add/Map and the map file buttons.
#include "operatorwindow/map_equipment_dialog.h"
#include "station_fixture.h"
#include "testsupport/qt_application.h"

#include <QBrush>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <fstream>

namespace corvid::operatorwindow::testing {
namespace {

using operatormodule::testing::RegisterModule;
using operatormodule::testing::StationTest;
using ::testing::ElementsAre;

constexpr const char* kCaption = "Corvid Technologies Halcyon|";

class MapEquipmentDialogTest : public StationTest {
protected:
    void SetUp() override {
        corvid::testing::Application();
        StationTest::SetUp();
        RegisterModule(GRIDWIZDAO_MODULE);
        db = std::make_unique<operatordb::Database>(database);
        db->Execute("DELETE FROM TestPlan_uses_Instances WHERE DeviceSubstitutionGroup = 'Input Scanner'");
    }
    std::unique_ptr<MapEquipmentDialog> Open() {
        return std::make_unique<MapEquipmentDialog>(*db, prompt, 1, 1,
                                                    "LM-4065 Multimeter Calibration Rev 01.00");
    }
    static QStringList Items(QComboBox& combo) {
        QStringList items;
        for (int i = 0; i < combo.count(); ++i)
            items << combo.itemText(i);
        return items;
    }
    static QString Cell(QTableView& view, int row, int column) {
        return view.model()->index(row, column).data().toString();
    }
    static QColor Background(QTableView& view, int row) {
        return view.model()->index(row, 1).data(Qt::BackgroundRole).value<QBrush>().color();
    }

    std::unique_ptr<operatordb::Database> db;
};

TEST_F(MapEquipmentDialogTest, ShowsTheAssignmentsWithUnassignedDsgsInRed) {
    auto dialog = Open();
    EXPECT_EQ(dialog->stationField().text(), "Demo Bench");
    EXPECT_EQ(dialog->testPlanField().text(), "LM4065-CAL");
    EXPECT_EQ(Items(dialog->dsgCombo()),
              (QStringList{"DC Calibrator", "Frequency Counter", "Input Scanner"}));
    EXPECT_EQ(dialog->modelCombo().count(), 0);
    QTableView* view = dialog->gridView();
    ASSERT_NE(view, nullptr);
    ASSERT_EQ(view->model()->rowCount(), 3);
    EXPECT_TRUE(view->isColumnHidden(0));
    EXPECT_EQ(Cell(*view, 0, 3), "VC91-004417");
    EXPECT_EQ(Background(*view, 2), QColor(Qt::red));
    EXPECT_NE(Background(*view, 0), QColor(Qt::red));

    view->clicked(view->model()->index(1, 1));
    EXPECT_EQ(dialog->dsgCombo().currentText(), "Frequency Counter");
    EXPECT_EQ(dialog->modelCombo().currentText(), "FC-3120");
    EXPECT_EQ(dialog->serialCombo().currentText(), "OM3120-2291");
    EXPECT_EQ(dialog->notesLabel().text(), "Counter on the calibrator's sync output");
}

TEST_F(MapEquipmentDialogTest, AddMapReportsAndTheRowTurnsFromRed) {
    auto dialog = Open();
    dialog->dsgCombo().activated(2);
    EXPECT_EQ(Items(dialog->modelCombo()), QStringList{"MX-16"});
    dialog->serialCombo().setEditText("HS16-0099");
    dialog->mapButton().click();
    EXPECT_THAT(prompt.boxes, ElementsAre(std::string(kCaption) +
                                          "Station: Demo Bench  TestPlan: LM4065-CAL \n\nModel: MX-16 Serial "
                                          "Number: [HS16-0099]\n\nInstance Added\nMapping Added/Updated \n"));
    QTableView* view = dialog->gridView();
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(Cell(*view, 2, 3), "HS16-0099");
    EXPECT_NE(Background(*view, 2), QColor(Qt::red));
    EXPECT_EQ(dialog->serialCombo().currentText(), "HS16-0099");
}

TEST_F(MapEquipmentDialogTest, MapFilesAreChosenWithTheDefaultName) {
    auto dialog = Open();
    std::vector<std::string> offered;
    const std::string file = (base / "map.txt").string();
    dialog->chooseFile = [&](bool save, const std::string& name) {
        offered.push_back((save ? "save " : "load ") + name);
        return file;
    };
    dialog->saveButton().click();
    std::ofstream(file, std::ios::app) << "[Input Scanner]\n MX-16 = HS16-0042\n";
    dialog->loadButton().click();
    EXPECT_THAT(offered, ElementsAre("save LM-4065 Multimeter Calibration.txt",
                                     "load LM-4065 Multimeter Calibration.txt"));
    EXPECT_THAT(prompt.boxes,
                ElementsAre(std::string(kCaption) + "File saved!",
                            std::string(kCaption) + "Successfully mapped equipment with no errors"));
    EXPECT_EQ(Cell(*dialog->gridView(), 2, 3), "HS16-0042");
    EXPECT_NE(Background(*dialog->gridView(), 2), QColor(Qt::red));
}

} // namespace
} // namespace corvid::operatorwindow::testing
