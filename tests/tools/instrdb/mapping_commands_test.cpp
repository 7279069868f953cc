// instrdb's mapping subcommands on the demo database: what they print and their status.
#include "instrdb_fixture.h"

#include <fstream>
#include <gmock/gmock.h>

namespace corvid::testing {
namespace {

using ::testing::ElementsAre;

class InstrdbMapping : public InstrdbTest {
protected:
    void SetUp() override { ASSERT_EQ(Run({"demo", Db()}).status, 0); }
    std::string MapFile() const { return (dir.path() / "map.txt").string(); }
    std::vector<std::string> Query(const std::string& sql) { return Run({"sql", Db(), sql}).lines; }
};

TEST_F(InstrdbMapping, MapPrintsTheReportAndRefusesBadSerialNumbers) {
    Result mapped = Run({"map", Db(), "Demo Bench", "LM4065-CAL", "DC Calibrator", "VC-9200", "VC92-5"});
    EXPECT_EQ(mapped.status, 0);
    EXPECT_THAT(mapped.lines, ElementsAre("Station: Demo Bench  TestPlan: LM4065-CAL ", "",
                                          "Model: VC-9200 Serial Number: [VC92-5]", "", "Instance Added",
                                          "Mapping Added/Updated "));
    Result refused = Run({"map", Db(), "Demo Bench", "LM4065-CAL", "DC Calibrator", "VC-9200", "VC'1"});
    EXPECT_EQ(refused.status, 1);
    EXPECT_THAT(refused.lines, ElementsAre("Serial number contains invalid characters!"));
    EXPECT_EQ(Run({"map", Db(), "Demo Bench", "LM4065-CAL", "Power Meter", "VC-9200", "X"}).status, 2);
    EXPECT_THAT(Query("SELECT count(*) AS n FROM DeviceInstances"), ElementsAre("n", "7"));
}

TEST_F(InstrdbMapping, MapFilesRoundTripAndLoadingPrintsTheProblems) {
    Result saved = Run({"map-file", "save", Db(), "Demo Bench", "LM4065-CAL", MapFile()});
    EXPECT_EQ(saved.status, 0);
    EXPECT_THAT(saved.lines, ElementsAre("File saved!"));
    Result loaded = Run({"map-file", "load", Db(), "Demo Bench", "LM4065-CAL", MapFile()});
    EXPECT_THAT(loaded.lines, ElementsAre("Successfully mapped equipment with no errors"));

    std::ofstream(MapFile()) << "[Power Meter]\nPM-1=P1\n";
    loaded = Run({"map-file", "load", Db(), "Demo Bench", "LM4065-CAL", MapFile()});
    EXPECT_EQ(loaded.status, 0);
    EXPECT_THAT(loaded.lines, ElementsAre("Missing DSG Named: Power Meter\r"));
    std::ofstream(MapFile()) << "M1=S1\n";
    loaded = Run({"map-file", "load", Db(), "Demo Bench", "LM4065-CAL", MapFile()});
    EXPECT_EQ(loaded.status, 1);
    EXPECT_THAT(loaded.lines, ElementsAre("Found NULL position. Unexpected error parsing file",
                                          "Failed to initialize the auto mapper."));
}

TEST_F(InstrdbMapping, AutomapAndRequiredEquipment) {
    EXPECT_EQ(Run({"sql", Db(), "DELETE FROM TestPlan_uses_Instances WHERE TestStationID = 2"}).status, 0);
    Result missing =
        Run({"required", Db(), "Service Bench", "LM4065-CAL", "Full Calibration", "LK4065-01123"});
    EXPECT_EQ(missing.status, 1);
    // The unit's rear inputs spare it the scanner.
    EXPECT_THAT(missing.lines, ElementsAre("DC Calibrator", "Frequency Counter"));

    EXPECT_EQ(Run({"automap", Db(), "Service Bench", "LM4065-CAL"}).status, 0);
    EXPECT_THAT(
        Query("SELECT DeviceSubstitutionGroup, i.SerialNumber FROM TestPlan_uses_Instances AS u INNER JOIN "
              "DeviceInstances AS i ON i.InstanceID = u.DeviceInstanceID WHERE TestStationID = 2 ORDER BY 1"),
        ElementsAre("DeviceSubstitutionGroup\tSerialNumber", "DC Calibrator\t1:DC Calib",
                    "Frequency Counter\t2:Frequenc", "Input Scanner\t3:Input Sc"));
    Result complete = Run({"required", Db(), "Service Bench", "LM4065-CAL", "Full Calibration", "4"});
    EXPECT_EQ(complete.status, 0);
    EXPECT_TRUE(complete.lines.empty());
}

} // namespace
} // namespace corvid::testing
