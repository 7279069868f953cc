// The Administration page on the demo station: its lists, every command with its
// enabling rule and messages, the edits of the item shown and their saves.
#include "operatordb/demo_station.h"
#include "operatordb/interface_types.h"
#include "operatortabs/tab_admin.h"
#include "station_fixture.h"

#include <algorithm>
#include <deque>

namespace corvid::operatormodule::testing {
namespace {

using operatordb::CalibrationStatus;
using operatortabs::CTabAdminX;
using operatortabs::ItemName;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
namespace demo = operatordb::demo;

const std::string kCaption = "Corvid Technologies Halcyon|";
const std::string kPlanName = "LM-4065 Multimeter Calibration Rev 01.00";

class AnsweringView final : public operatortabs::AdminTabView {
public:
    std::optional<std::string> AskText(const std::string& question) override {
        questions.push_back(question);
        if (answers.empty())
            return std::nullopt;
        std::optional<std::string> answer = answers.front();
        answers.pop_front();
        return answer;
    }
    void EditCalibrationData(const operatortabs::CalGridSource& source) override {
        calEdits.push_back(source);
    }
    void EditProperties(int32_t instance) override { propertyEdits.push_back(instance); }

    std::deque<std::optional<std::string>> answers;
    std::vector<std::string> questions;
    std::vector<operatortabs::CalGridSource> calEdits;
    std::vector<int32_t> propertyEdits;
};

class AdminTab : public StationTest {
protected:
    void SetUp() override {
        standardsInCalibration = false; // the list shows the demo's overdue counter
        StationTest::SetUp();
        COperatorInterfaceApp& app = StartApp();
        ASSERT_TRUE(operatordb::LoadInterfaceTypeNames(app.db()));
        context = std::make_unique<operatortabs::ModuleContext>(app.Context(prompt));
        context->info.stationId = demo::kDemoBench;
        context->info.testPlanId = -1;
        tab = std::make_unique<CTabAdminX>(*context, view);
    }
    void LogIn() {
        tab->OnShow();
        tab->LoginSucceeded();
    }
    operatordb::Database& db() { return context->db; }
    std::string Text(const std::string& sql) {
        operatordb::Recordset rows = db().OpenRecordset(sql);
        return rows.IsEOF() ? "(none)" : rows.GetValue(0).AsText();
    }
    static std::vector<std::string> Names(const operatortabs::ComboList& list) {
        std::vector<std::string> names;
        for (const auto& item : list.items)
            names.push_back(ItemName(item));
        return names;
    }
    std::vector<std::string> Rows() {
        std::vector<std::string> rows;
        for (const auto& row : tab->form().equipment)
            rows.push_back(row.text);
        return rows;
    }
    int IndexOf(const operatortabs::ComboList& list, const std::string& name) {
        std::vector<std::string> names = Names(list);
        auto found = std::find(names.begin(), names.end(), name);
        EXPECT_NE(found, names.end()) << name;
        return static_cast<int>(found - names.begin());
    }
    void ShowSerial(const std::string& serial) {
        for (size_t i = 0; i < Rows().size(); ++i)
            if (Rows()[i].ends_with("[" + serial + "]"))
                return tab->SelectRow(static_cast<int>(i));
        ADD_FAILURE() << serial << " is not listed";
    }

    AnsweringView view;
    std::unique_ptr<operatortabs::ModuleContext> context;
    std::unique_ptr<CTabAdminX> tab;
};

TEST_F(AdminTab, TheLoginComesFirstThenTheListsFollowTheRunPagesStation) {
    tab->OnShow();
    EXPECT_FALSE(tab->loggedIn());
    EXPECT_THAT(tab->form().stations.items, IsEmpty());
    tab->LoginSucceeded();
    const auto& form = tab->form();
    EXPECT_THAT(Names(form.stations), ElementsAre("Demo Bench", "Service Bench"));
    EXPECT_EQ(form.stations.SelectedName(), "Demo Bench");
    EXPECT_THAT(Names(form.plans), ElementsAre(" --ALL--", kPlanName));
    EXPECT_EQ(form.plans.selected, 0);
    EXPECT_THAT(Names(form.dsgs), ElementsAre(" --ALL--"));
    EXPECT_FALSE(form.addMapEnabled);
    EXPECT_THAT(Rows(), ElementsAre("[MX-16]\n[HS16-0042]", "[LM-4065]\n[LK4065-01123]",
                                    "[FC-3120]\n[OM3120-2291]", "[VC-9100]\n[VC91-004417]"));
    EXPECT_EQ(form.equipment[2].status, CalibrationStatus::Overdue);
    EXPECT_FALSE(form.removeStationEnabled) << "the station has equipment";
    EXPECT_EQ(form.selectedRow, 0);
    EXPECT_EQ(form.model, "MX-16");
    EXPECT_EQ(form.equipmentType, "");
    EXPECT_TRUE(form.removeEquipmentEnabled);
    EXPECT_FALSE(form.propertiesEnabled) << "the multiplexer has no properties";
    EXPECT_FALSE(form.editCalDataEnabled) << "nor calibration data";
    EXPECT_FALSE(form.calibrationDatesEnabled) << "interval 0";
    EXPECT_THAT(Names(form.interfaceTypes), ElementsAre("GPIB", "VXI"));

    ShowSerial("VC91-004417");
    EXPECT_TRUE(tab->form().propertiesEnabled);
    EXPECT_TRUE(tab->form().editCalDataEnabled);
    EXPECT_TRUE(tab->form().calibrationDatesEnabled);
    EXPECT_THAT(tab->form().options,
                ElementsAre(::testing::Field(&operatortabs::AdminOption::checked, true)));
    tab->EditCalData();
    tab->AdditionalProperties();
    ASSERT_EQ(view.calEdits.size(), 1u);
    EXPECT_EQ(view.calEdits[0].query, "qry_CalData");
    EXPECT_EQ(view.calEdits[0].instanceId, 1);
    EXPECT_EQ(view.calEdits[0].columns, 5);
    EXPECT_THAT(view.propertyEdits, ElementsAre(1));
}

TEST_F(AdminTab, StationsAreAddedWithTheirChecksAndOnlyEmptyOnesRemoved) {
    LogIn();
    view.answers = {std::nullopt, std::string(), std::string("Lab 'A'"), std::string("demo bench"),
                    std::string("Lab A")};
    tab->AddStation();
    tab->AddStation();
    EXPECT_THAT(prompt.boxes, IsEmpty());
    tab->AddStation();
    tab->AddStation();
    EXPECT_THAT(prompt.boxes, ElementsAre(kCaption + "Test station name contains invalid characters!",
                                          kCaption + "Station [demo bench] already exists!"));
    EXPECT_THAT(view.questions, ::testing::Each(std::string("Enter station name:")));
    EXPECT_EQ(Text("SELECT count(*) FROM TestStations"), "2");

    prompt.boxes.clear();
    tab->AddStation();
    EXPECT_THAT(prompt.boxes, ElementsAre(kCaption + "Station added!"));
    EXPECT_EQ(tab->form().stations.SelectedName(), "Lab A");
    EXPECT_EQ(Text("SELECT TestStationID FROM TestStations WHERE Name = 'Lab A'"), "3");
    EXPECT_THAT(Rows(), IsEmpty());
    EXPECT_TRUE(tab->form().removeStationEnabled);
    EXPECT_FALSE(tab->form().removeEquipmentEnabled);

    prompt.boxes.clear();
    tab->RemoveStation(); // answered No
    EXPECT_THAT(prompt.boxes, ElementsAre(kCaption + "Remove station: [Lab A] ?"));
    prompt.answer = platform::MsgAnswer::Yes;
    tab->RemoveStation();
    EXPECT_EQ(prompt.boxes.back(), kCaption + "Station removed!");
    EXPECT_EQ(tab->form().stations.SelectedName(), "Demo Bench");
    EXPECT_EQ(Text("SELECT count(*) FROM TestStations"), "2");
    prompt.boxes.clear();
    tab->RemoveStation(); // disabled: the Demo Bench has equipment
    EXPECT_THAT(prompt.boxes, IsEmpty());
}

TEST_F(AdminTab, APlanNarrowsTheListToItsAssignmentsAndADsg) {
    LogIn();
    tab->SelectPlan(IndexOf(tab->form().plans, kPlanName));
    const auto& form = tab->form();
    EXPECT_THAT(Names(form.dsgs),
                ElementsAre(" --ALL--", "DC Calibrator", "Frequency Counter", "Input Scanner"));
    EXPECT_TRUE(form.addMapEnabled);
    EXPECT_FALSE(form.removeStationEnabled);
    EXPECT_EQ(Rows().size(), 3u);
    tab->SelectDsg(IndexOf(form.dsgs, "Frequency Counter"));
    EXPECT_THAT(Rows(), ElementsAre("[FC-3120]\n[OM3120-2291]"));
    EXPECT_EQ(form.equipmentType, "Frequency Counter");

    std::vector<std::string> opened;
    tab->SetMappingDialog([&](int32_t station, int32_t plan, const std::string& name) {
        opened.push_back(std::to_string(station) + " " + std::to_string(plan) + " " + name);
        db().Execute("UPDATE TestPlan_uses_Instances SET DeviceInstanceID = 5 WHERE TestStationID = 1"
                     " AND DeviceSubstitutionGroup = 'Frequency Counter'");
    });
    tab->AddMapEquipment();
    EXPECT_THAT(opened, ElementsAre("1 1 " + kPlanName));
    EXPECT_THAT(Rows(), ElementsAre("[LM-4065]\n[LK4065-00871]")) << "listed again after the dialog";
}

TEST_F(AdminTab, EditsAreSavedBeforeTheNextChangeAndRefusedWhenMalformed) {
    LogIn();
    ShowSerial("VC91-004417");
    EXPECT_FALSE(tab->SetLastCalibration("31/31/2020"));
    EXPECT_FALSE(tab->SetInterval("12a"));
    EXPECT_TRUE(tab->SetLastCalibration("01/31/2020"));
    tab->CalibrationFieldLeft();
    EXPECT_EQ(tab->form().nextCalibration, "01/31/2021");
    EXPECT_EQ(Text("SELECT LastCalibration FROM DeviceInstances WHERE InstanceID = 1"), "01/31/2020");
    EXPECT_EQ(tab->form().equipment[3].status, CalibrationStatus::Overdue) << "the row's icon follows";

    tab->SetTraceNumber("TR-7");
    tab->SetBoard(1);
    tab->SetOption(0, false);
    tab->SelectRow(0); // saves the calibrator first
    EXPECT_EQ(Text("SELECT TraceNumber FROM DeviceInstances WHERE InstanceID = 1"), "TR-7");
    EXPECT_EQ(Text("SELECT Board FROM InterfaceData_GPIB WHERE InstanceID = 1 AND TempInterface"), "1");
    EXPECT_EQ(Text("SELECT count(*) FROM DeviceInstance_has_Options WHERE InstanceID = 1"), "0");

    // Leaving the page saves too.
    tab->SetAddress(9);
    tab->OnLeave();
    EXPECT_EQ(Text("SELECT Address1 FROM InterfaceData_GPIB WHERE InstanceID = 3 AND TempInterface"), "9");
}

TEST_F(AdminTab, AnotherCommunicationTypeTakesItsOwnSettingsAndDefaultsRestoreTheStandingOnes) {
    LogIn();
    tab->SelectRow(0); // the multiplexer: GPIB 0/15 in use, VXI defaults 0/16
    tab->SelectInterfaceType(IndexOf(tab->form().interfaceTypes, "VXI"));
    EXPECT_EQ(tab->form().address, 16);
    EXPECT_EQ(Text("SELECT InterfaceType FROM DeviceInstances WHERE InstanceID = 3"), "8");
    EXPECT_EQ(Text("SELECT LogicalAddress FROM InterfaceData_VXI WHERE InstanceID = 3 AND TempInterface"),
              "16");
    EXPECT_EQ(Text("SELECT Address1 FROM InterfaceData_GPIB WHERE InstanceID = 3 AND TempInterface"), "15");

    tab->SelectInterfaceType(IndexOf(tab->form().interfaceTypes, "GPIB"));
    tab->SetAddress(4);
    tab->RestoreDefaults();
    EXPECT_EQ(tab->form().address, 15) << "the standing GPIB row";
}

TEST_F(AdminTab, RemovingEquipmentAsksAndAFailedSaveChangesNothing) {
    LogIn();
    ShowSerial("OM3120-2291");
    tab->RemoveEquipment(); // answered No
    EXPECT_THAT(
        prompt.boxes,
        ElementsAre(kCaption +
                    "Remove Equipment Model: FC-3120 Serial Number: [OM3120-2291] from Demo Bench ?"));
    EXPECT_EQ(Rows().size(), 4u);
    prompt.answer = platform::MsgAnswer::Yes;
    tab->RemoveEquipment();
    EXPECT_EQ(Text("SELECT count(*) FROM DeviceInstances WHERE InstanceID = 2"), "0");
    EXPECT_EQ(Rows().size(), 3u);

    db().ExecuteNative("CREATE TRIGGER refuse BEFORE UPDATE ON InterfaceData_GPIB"
                       " BEGIN SELECT RAISE(ABORT, 'settings are locked'); END");
    prompt.boxes.clear();
    ShowSerial("VC91-004417");
    const int shown = tab->form().selectedRow;
    tab->SetTraceNumber("TR-LOST");
    tab->SetBoard(2);
    tab->SelectRow(0);
    EXPECT_THAT(prompt.boxes, ElementsAre(kCaption + "settings are locked"));
    EXPECT_EQ(tab->form().selectedRow, shown) << "the page keeps what it showed";
    EXPECT_EQ(Text("SELECT TraceNumber FROM DeviceInstances WHERE InstanceID = 1"), "TR-5521-A");
}

} // namespace
} // namespace corvid::operatormodule::testing
