// The Equipment Selection page on the demo station: the DSG list of the selection, the
// proposals for an unassigned DSG, the settings shown, and the save when it is left.
#include "operatordb/demo_station.h"
#include "operatordb/interface_types.h"
#include "operatortabs/tab_select_test_equip.h"
#include "station_fixture.h"

namespace corvid::operatormodule::testing {
namespace {

using operatordb::CalibrationStatus;
using operatortabs::CTabSelectTestEquip;
using operatortabs::ItemName;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
namespace demo = operatordb::demo;

class CountingView final : public operatortabs::EquipTabView {
public:
    void FormChanged() override { ++changes; }
    int changes = 0;
};

class EquipTab : public StationTest {
protected:
    void SetUp() override {
        standardsInCalibration = false;
        StationTest::SetUp();
        COperatorInterfaceApp& app = StartApp();
        ASSERT_TRUE(operatordb::LoadInterfaceTypeNames(app.db()));
        context = std::make_unique<operatortabs::ModuleContext>(app.Context(prompt));
        auto& info = context->info;
        info.Station = "Demo Bench";
        info.stationId = demo::kDemoBench;
        info.TPA = "LM4065-CAL";
        info.testPlanId = demo::kTestPlan;
        info.variantId = demo::kFullVariant;
        info.UUTModelID = demo::kMultimeterModel;
        info.UUTInstanceID = demo::kUutInstance;
        tab = std::make_unique<CTabSelectTestEquip>(*context, view);
    }
    operatordb::Database& db() { return context->db; }
    int64_t Int(const std::string& sql) {
        operatordb::Recordset rows = db().OpenRecordset(sql);
        return rows.IsEOF() ? -1 : rows.GetValue(0).AsInteger();
    }
    int64_t Assigned(const std::string& dsg, int station = demo::kDemoBench) {
        return Int("SELECT DeviceInstanceID FROM TestPlan_uses_Instances WHERE TestStationID = " +
                   std::to_string(station) + " AND TestPlanID = 1 AND DeviceSubstitutionGroup = '" + dsg +
                   "'");
    }
    std::vector<std::string> Names(const operatortabs::ComboList& list) {
        std::vector<std::string> names;
        for (const auto& item : list.items)
            names.push_back(ItemName(item));
        return names;
    }
    std::vector<std::string> Rows() {
        std::vector<std::string> rows;
        for (const auto& row : tab->form().dsgs)
            rows.push_back(row.text + " " + std::to_string(static_cast<int>(row.status)));
        return rows;
    }

    CountingView view;
    std::unique_ptr<operatortabs::ModuleContext> context;
    std::unique_ptr<CTabSelectTestEquip> tab;
};

TEST_F(EquipTab, WithoutATestPlanNothingIsListed) {
    context->info.testPlanId = -1;
    tab->OnShow();
    EXPECT_EQ(tab->form().notice, "No test plan selected.");
    EXPECT_THAT(tab->form().dsgs, IsEmpty());
    EXPECT_EQ(tab->shownItem(), nullptr);
    tab->OnLeave();
    EXPECT_THAT(prompt.boxes, IsEmpty());
}

TEST_F(EquipTab, TheSelectionsDsgsAreListedWithTheStateOfTheirInstances) {
    tab->OnShow();
    const auto& form = tab->form();
    EXPECT_EQ(form.station, "Demo Bench");
    EXPECT_EQ(form.testPlan, "LM4065-CAL");
    EXPECT_THAT(Rows(), ElementsAre("[DC Calibrator] 1", "[Frequency Counter] 2"));
    ASSERT_EQ(form.selectedDsg, 0);
    EXPECT_THAT(Names(form.models), ElementsAre("VC-9100")); // the VC-9200 is at the other bench
    EXPECT_EQ(form.models.selected, 0);
    EXPECT_THAT(Names(form.serials), ElementsAre("VC91-004417"));
    EXPECT_EQ(form.serials.SelectedId(), 1);
    EXPECT_THAT(Names(form.interfaceTypes), ElementsAre("GPIB"));
    EXPECT_EQ(form.interfaceTypes.selected, 0);
    EXPECT_TRUE(form.boardEnabled && form.addressEnabled);
    EXPECT_FALSE(form.portEnabled);
    EXPECT_EQ(form.address, 5);
    EXPECT_EQ(form.interval, "12");
    EXPECT_EQ(form.traceNumber, "TR-5521-A");
    EXPECT_FALSE(form.nextCalibration.empty());
    EXPECT_THAT(form.declaredOptions, ElementsAre("OPT-HV"));
    EXPECT_EQ(form.calGrid.query, "qry_CalData");
    EXPECT_EQ(form.calGrid.instanceId, 1);
    EXPECT_EQ(form.calGrid.columns, 5);
    EXPECT_FALSE(tab->shownItem()->changed);
    EXPECT_GT(view.changes, 0);
}

TEST_F(EquipTab, AnUnassignedDsgGetsTheFirstInstalledInstanceSavedWhenThePageIsLeft) {
    db().Execute("DELETE FROM TestPlan_uses_Instances WHERE DeviceSubstitutionGroup = 'DC Calibrator'");
    tab->OnShow();
    EXPECT_THAT(Rows(), ElementsAre("[DC Calibrator] 2", "[Frequency Counter] 2"));
    EXPECT_EQ(tab->form().serials.SelectedId(), 1);
    EXPECT_TRUE(tab->shownItem()->changed);
    tab->OnLeave();
    EXPECT_EQ(Assigned("DC Calibrator"), 1);
    EXPECT_EQ(Assigned("DC Calibrator", demo::kServiceBench), -1);
    EXPECT_THAT(Rows(), ElementsAre("[DC Calibrator] 1", "[Frequency Counter] 2"));
    EXPECT_FALSE(tab->shownItem()->changed);
}

TEST_F(EquipTab, AnotherModelAndInterfaceAreSavedWithTheAssignment) {
    db().Execute("INSERT INTO TestStation_has_Instances VALUES (1, 6)");
    tab->OnShow();
    const auto& form = tab->form();
    ASSERT_THAT(Names(form.models), ElementsAre("VC-9100", "VC-9200"));
    tab->SelectModel(1);
    EXPECT_THAT(Names(form.serials), ElementsAre("VC92-000318"));
    EXPECT_THAT(Names(form.interfaceTypes), ElementsAre("GPIB", "RS232"));
    EXPECT_EQ(form.interfaceTypes.SelectedName(), "RS232");
    EXPECT_TRUE(form.portEnabled);
    EXPECT_FALSE(form.boardEnabled);
    EXPECT_EQ(form.ports.SelectedName(), "COM2");
    EXPECT_THAT(form.declaredOptions, IsEmpty());

    tab->SelectInterfaceType(0);
    EXPECT_EQ(form.address, 6); // the model's default: the unit has no GPIB settings yet
    EXPECT_FALSE(form.portEnabled);
    tab->SetAddress(8);
    tab->OnLeave();
    EXPECT_EQ(Assigned("DC Calibrator"), 6);
    EXPECT_EQ(Int("SELECT InterfaceType FROM DeviceInstances WHERE InstanceID = 6"), 2);
    EXPECT_EQ(Int("SELECT Address1 FROM InterfaceData_GPIB WHERE InstanceID = 6 AND TempInterface"), 8);
    EXPECT_EQ(Assigned("DC Calibrator", demo::kServiceBench), 6); // the other bench keeps its own
}

TEST_F(EquipTab, RestoreDefaultsShowsTheStandingSettingsAndChoosingAnotherDsgSavesTheShownOne) {
    db().Execute("UPDATE InterfaceData_GPIB SET Address1 = 9 WHERE InstanceID = 1 AND TempInterface");
    tab->OnShow();
    EXPECT_EQ(tab->form().address, 9);
    EXPECT_TRUE(tab->form().restoreDefaultsEnabled);
    tab->RestoreDefaults();
    EXPECT_EQ(tab->form().address, 5);
    EXPECT_TRUE(tab->shownItem()->changed);
    tab->SelectDsg(1);
    EXPECT_EQ(Int("SELECT Address1 FROM InterfaceData_GPIB WHERE InstanceID = 1 AND TempInterface"), 5);
    EXPECT_EQ(tab->form().serials.SelectedName(), "OM3120-2291");
    tab->SetBoard(1);
    tab->OnLeave();
    EXPECT_EQ(Int("SELECT Board FROM InterfaceData_GPIB WHERE InstanceID = 2 AND TempInterface"), 1);
    tab->OnShow(); // the shown row stays
    EXPECT_EQ(tab->form().selectedDsg, 1);
    EXPECT_EQ(tab->form().board, 1);
}

TEST_F(EquipTab, AtMostAHundredDsgsAreListed) {
    operatordb::Transaction transaction(db());
    for (int dsg = 10; dsg < 130; ++dsg) {
        db().Execute("INSERT INTO __sys_DSGs (TestPlanID, DSGID, Name, IconID) VALUES (1, :d, :n, 1)",
                     {{"d", dsg}, {"n", "Extra " + std::to_string(dsg)}});
        db().Execute("INSERT INTO __sys_Test_requires_DSG VALUES (1, 2, :d, 0, 0)", {{"d", dsg}});
    }
    transaction.Commit();
    tab->OnShow();
    EXPECT_EQ(tab->itemCount(), 100);
    ASSERT_EQ(tab->form().dsgs.size(), 100u);
    EXPECT_EQ(tab->form().dsgs[0].text, "[DC Calibrator]");
    for (const auto& row : tab->form().dsgs) // listed by name: the counter comes after every extra one
        EXPECT_NE(row.text, "[Frequency Counter]");
}

} // namespace
} // namespace corvid::operatormodule::testing
