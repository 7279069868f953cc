// The Add/Map Equipment dialog's logic on the demo database: the mapping step and its
// report texts, the auto mapper's problem lines, Save to file and Auto Map All.
#include "db_fixture.h"
#include "operatordb/demo_station.h"
#include "operatortabs/equipment_mapping.h"
#include "recording_prompt.h"

#include <fstream>
#include <gmock/gmock.h>

namespace corvid::operatortabs::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::StartsWith;
namespace demo = operatordb::demo;

class MapEquipment : public operatordb::testing::DemoTest {
protected:
    void SetUp() override {
        DemoTest::SetUp();
        dialog = std::make_unique<CMapEquipment>(*db, prompt, demo::kDemoBench, demo::kTestPlan,
                                                 "LM-4065 Multimeter Calibration Rev 01.00");
        dialog->Initialize();
    }
    // Chooses by the texts shown in the lists.
    void Choose(const std::string& dsg, const std::string& model, const std::string& serial) {
        dialog->SelectDsg(Index(dialog->dsgs(), dsg));
        dialog->SelectModel(Index(dialog->models(), model));
        dialog->SetSerialText(serial);
    }
    static int Index(const std::vector<MapListEntry>& list, const std::string& text) {
        for (std::size_t i = 0; i < list.size(); ++i)
            if (list[i].text == text)
                return static_cast<int>(i);
        ADD_FAILURE() << "no entry " << text;
        return -1;
    }
    std::string Assigned(const std::string& dsg, int32_t station = demo::kDemoBench) {
        return Scalar("SELECT IFNULL(MAX(i.SerialNumber), '') FROM TestPlan_uses_Instances AS u INNER JOIN "
                      "DeviceInstances AS i ON i.InstanceID = u.DeviceInstanceID WHERE u.TestStationID = :s "
                      "AND u.DeviceSubstitutionGroup = :d",
                      {{"s", station}, {"d", dsg}})
            .AsText();
    }
    std::string ReadFile(const std::filesystem::path& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    RecordingPrompt prompt;
    std::unique_ptr<CMapEquipment> dialog;
};

TEST_F(MapEquipment, ANewSerialNumberCreatesTheInstanceFromItsModel) {
    EXPECT_EQ(dialog->stationName(), "Demo Bench");
    EXPECT_EQ(dialog->testPlanName(), "LM4065-CAL");
    Choose("DC Calibrator", "VC-9200", "VC92-1");
    EXPECT_EQ(dialog->notes(), "Multifunction calibrator on the front terminals");
    ASSERT_TRUE(dialog->MapEquipment(MapVariant::Interactive));
    EXPECT_THAT(prompt.boxes,
                ElementsAre("Station: Demo Bench  TestPlan: LM4065-CAL \n\nModel: VC-9200 Serial "
                            "Number: [VC92-1]\n\nInstance Added\nMapping Added/Updated \n"));
    EXPECT_EQ(Assigned("DC Calibrator"), "VC92-1");
    EXPECT_EQ(Scalar("SELECT InstanceID || '/' || InterfaceType FROM DeviceInstances WHERE SerialNumber = "
                     "'VC92-1'")
                  .AsText(),
              "7/4");
    EXPECT_EQ(Count("DeviceInstance_has_Properties", "InstanceID = 7"), 1);
    EXPECT_EQ(Count("DeviceInstance_CalData", "InstanceID = 7"), 1);
    EXPECT_EQ(Count("InterfaceData_RS232", "InstanceID = 7 AND TempInterface"), 1);
    EXPECT_EQ(Count("TestStation_has_Instances", "TestStationID = 1 AND DeviceInstanceID = 7"), 1);
    EXPECT_EQ(dialog->serials()[dialog->selectedSerial()].text, "VC92-1");
    EXPECT_EQ(dialog->serials()[dialog->selectedSerial()].id, 7);
}

TEST_F(MapEquipment, AnExistingSerialNumberOnlyAssignsAndInstalls) {
    CMapEquipment service(*db, prompt, demo::kServiceBench, demo::kTestPlan, "");
    service.Initialize();
    service.SelectDsg(1); // Frequency Counter
    service.SelectSerial(0);
    ASSERT_EQ(service.serialText(), "OM3120-2291");
    ASSERT_TRUE(service.MapEquipment(MapVariant::Interactive));
    EXPECT_THAT(prompt.boxes, ElementsAre("Station: Service Bench  TestPlan: LM4065-CAL \n\nModel: FC-3120 "
                                          "Serial Number: [OM3120-2291]\n\nMapping Added/Updated \n"));
    EXPECT_EQ(Count("DeviceInstances"), 6);
    EXPECT_EQ(Assigned("Frequency Counter", demo::kServiceBench), "OM3120-2291");
    EXPECT_EQ(Count("TestStation_has_Instances", "TestStationID = 2 AND DeviceInstanceID = 2"), 1);
}

TEST_F(MapEquipment, WithoutATestPlanTheInstanceIsInstalledButNotAssigned) {
    // A DSG of plan -1, so that the dialog has one to choose.
    db->Execute("UPDATE __sys_DSGs SET TestPlanID = -1 WHERE DSGID = 1");
    db->Execute("UPDATE __sys_DSG_has_DeviceTypes SET TestPlanID = -1 WHERE DSGID = 1");
    CMapEquipment noPlan(*db, prompt, demo::kDemoBench, -1, "");
    noPlan.Initialize();
    noPlan.SelectDsg(0);
    noPlan.SetSerialText("VC91-NEW");
    const int64_t assignments = Count("TestPlan_uses_Instances");
    ASSERT_TRUE(noPlan.MapEquipment(MapVariant::Interactive));
    EXPECT_THAT(prompt.boxes, ElementsAre("Station: Demo Bench  TestPlan:  \n\nModel: VC-9100 Serial Number: "
                                          "[VC91-NEW]\n\nInstance Added\n"));
    EXPECT_EQ(Count("TestPlan_uses_Instances"), assignments);
    EXPECT_EQ(Count("TestStation_has_Instances", "TestStationID = 1 AND DeviceInstanceID = 7"), 1);
}

TEST_F(MapEquipment, InvalidSerialNumbersAreRefusedBeforeAnythingIsWritten) {
    for (const char* serial : {"A'1", "A\"1", "A|1"}) {
        Choose("DC Calibrator", "VC-9100", serial);
        EXPECT_FALSE(dialog->MapEquipment(MapVariant::Bulk));
    }
    EXPECT_THAT(prompt.boxes, ElementsAre("Serial number contains invalid characters!",
                                          "Serial number contains invalid characters!",
                                          "Serial number contains invalid characters!"));
    EXPECT_EQ(Count("DeviceInstances"), 6);
    EXPECT_EQ(Assigned("DC Calibrator"), "VC91-004417");
}

TEST_F(MapEquipment, AFailedCopyIsReportedAndKeepsTheInstance) {
    db->Execute(
        "UPDATE __sys_DeviceTypes SET CopyDefaultCalDataQuery = 'qry_Missing' WHERE DeviceTypeID = 1");
    Choose("DC Calibrator", "VC-9100", "VC91-2");
    ASSERT_TRUE(dialog->MapEquipment(MapVariant::Bulk));
    ASSERT_EQ(prompt.boxes.size(), 1u);
    EXPECT_THAT(prompt.boxes[0], StartsWith("Error copying default calibration data ...\n"));
    EXPECT_GT(prompt.boxes[0].size(), std::string("Error copying default calibration data ...\n").size());
    EXPECT_EQ(Assigned("DC Calibrator"), "VC91-2");
}

TEST_F(MapEquipment, ADatabaseErrorUndoesTheWholeMapping) {
    db->ExecuteNative("CREATE TRIGGER refuse BEFORE INSERT ON TestStation_has_Instances "
                      "BEGIN SELECT RAISE(ABORT, 'station is locked'); END");
    Choose("DC Calibrator", "VC-9200", "VC92-9");
    EXPECT_FALSE(dialog->MapEquipment(MapVariant::Bulk));
    EXPECT_THAT(prompt.boxes, ElementsAre(HasSubstr("Caught the error...\nstation is locked")));
    EXPECT_EQ(Count("DeviceInstances"), 6);
    EXPECT_EQ(Assigned("DC Calibrator"), "VC91-004417");
}

TEST_F(MapEquipment, TheGridMarksUnassignedDsgs) {
    db->Execute("DELETE FROM TestPlan_uses_Instances WHERE DeviceSubstitutionGroup = 'Input Scanner'");
    std::vector<std::string> rows;
    for (const AssignmentRow& row : dialog->assignments())
        rows.push_back(row.dsg + "|" + row.model + "|" + row.serialNumber + (row.Unassigned() ? "|red" : ""));
    EXPECT_THAT(rows, ElementsAre("DC Calibrator|VC-9100|VC91-004417",
                                  "Frequency Counter|FC-3120|OM3120-2291", "Input Scanner|||red"));
    dialog->SelectAssignment(1);
    EXPECT_EQ(dialog->dsgs()[dialog->selectedDsg()].text, "Frequency Counter");
    EXPECT_EQ(dialog->serialText(), "OM3120-2291");
}

TEST_F(MapEquipment, LoadFromFileMapsFirstEntriesAndListsTheProblems) {
    std::ofstream(file.parent_path() / "map.txt") << "[DC Calibrator]\n VC-9200=VC92-77\n VC-9100=\n\n"
                                                     "[Frequency Counter]\n FC-9999=F1\n\n"
                                                     "[Power Meter]\n PM-1=P1\n[Input Scanner]\n";
    std::string shown = dialog->LoadFromFile(file.parent_path() / "map.txt");
    EXPECT_EQ(shown, "Missing Model for DSG Frequency Counter Called: FC-9999\r\n"
                     "Added Model for DSG Frequency Counter Called: FC-3120\r\n"
                     "Missing DSG Named: Power Meter\r\n"
                     "Added Model for DSG Input Scanner Called: MX-16\r\n");
    EXPECT_THAT(prompt.boxes, ElementsAre(shown));
    EXPECT_EQ(Assigned("DC Calibrator"), "VC92-77");
    EXPECT_EQ(Assigned("Frequency Counter"), "OM3120-2291");

    std::ofstream(file.parent_path() / "clean.txt") << "[Frequency Counter]\nFC-3120 = OM3120-2291\n";
    EXPECT_EQ(dialog->LoadFromFile(file.parent_path() / "clean.txt"),
              "Successfully mapped equipment with no errors");
    EXPECT_EQ(dialog->LoadFromFile(file.parent_path() / "absent.txt"), "");
    EXPECT_THAT(prompt.boxes, ElementsAre(shown, "Successfully mapped equipment with no errors",
                                          "Unable to open the configuration file",
                                          "Failed to initialize the auto mapper."));
}

TEST_F(MapEquipment, SaveToFileWritesTheAssignmentsThatLoadingReads) {
    db->Execute("DELETE FROM TestPlan_uses_Instances WHERE DeviceSubstitutionGroup = 'Input Scanner'");
    auto saved = file.parent_path() / "saved.txt";
    ASSERT_TRUE(dialog->SaveToFile(saved));
    EXPECT_EQ(ReadFile(saved), "[DC Calibrator]\n VC-9100=VC91-004417\n VC-9200=\n\n"
                               "[Frequency Counter]\n FC-3120=OM3120-2291\n\n"
                               "[Input Scanner]\n MX-16=\n\n");
    EXPECT_FALSE(dialog->SaveToFile(file.parent_path() / "no" / "such" / "dir.txt"));
    EXPECT_THAT(prompt.boxes, ElementsAre("File saved!", "Error creating output file"));
    EXPECT_EQ(dialog->LoadFromFile(saved), "Successfully mapped equipment with no errors");
    EXPECT_EQ(Assigned("Input Scanner"), "");
}

TEST_F(MapEquipment, AutoMapAllCreatesPlaceholdersAndAssignsTheFirstModel) {
    dialog->AutoMapAll();
    EXPECT_THAT(prompt.boxes, IsEmpty());
    operatordb::Recordset created =
        db->OpenRecordset("SELECT SerialNumber FROM DeviceInstances WHERE InstanceID > 6 "
                          "ORDER BY InstanceID");
    std::vector<std::string> serials;
    for (; !created.IsEOF(); created.MoveNext())
        serials.push_back(created.GetValue(0).AsText());
    EXPECT_THAT(serials, ElementsAre("0:DC Calib", "1:DC Calib", "2:Frequenc", "3:Input Sc"));
    EXPECT_EQ(Assigned("DC Calibrator"), "1:DC Calib");
    EXPECT_EQ(Assigned("Input Scanner"), "3:Input Sc");
}

TEST_F(MapEquipment, TheDefaultFileNameDropsTheLongNamesLastTenCharacters) {
    EXPECT_EQ(dialog->DefaultMapFileName(), "LM-4065 Multimeter Calibration.txt");
    EXPECT_EQ(CMapEquipment(*db, prompt, 1, 1, "Rev 01.00 ").DefaultMapFileName(), ".txt");
}

} // namespace
} // namespace corvid::operatortabs::testing
