// The equipment map file parser: sections, entries, trimming, the line limit and every
// message.
#include "operatortabs/equipment_map_file.h"
#include "recording_prompt.h"
#include "testsupport/sandbox.h"

#include <fstream>
#include <gmock/gmock.h>
#include <sstream>

namespace corvid::operatortabs::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class MapFileParser : public ::testing::Test {
protected:
    bool Parse(const std::string& text) {
        std::istringstream in(text);
        return map.Parse(in);
    }
    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (const MapSection& section : map.sections())
            names.push_back(section.name);
        return names;
    }
    RecordingPrompt prompt;
    CEquipmentMapFile map{prompt};
};

TEST_F(MapFileParser, SectionsAndEntriesAreTrimmedAndKeptInFileOrder) {
    ASSERT_TRUE(Parse("\n  [ Meter ]  \r\n M1 = S100 \r\n M2=S200|7|x|y\nM3=\nnot an entry\n[[Meter]]\n"
                      "[Empty]\n\t[Source]\nC1 = | 12abc\n"));
    EXPECT_THAT(Names(), ElementsAre("Meter", "Meter", "Empty", "Source"));
    const MapSection& meter = *map.Section(0);
    ASSERT_EQ(meter.entries.size(), 3u);
    EXPECT_EQ(meter.First(), &meter.entries[0]);
    EXPECT_EQ(meter.entries[0].modelName, "M1");
    EXPECT_EQ(meter.entries[0].serialNumber, "S100");
    EXPECT_EQ(meter.entries[0].number, 0);
    EXPECT_EQ(meter.entries[1].serialNumber, "S200");
    EXPECT_EQ(meter.entries[1].number, 7);
    EXPECT_EQ(meter.entries[2].modelName, "M3");
    EXPECT_EQ(meter.entries[2].serialNumber, "");
    EXPECT_EQ(map.Section(2)->First(), nullptr);
    EXPECT_EQ(map.Section(3)->entries[0].serialNumber, "");
    EXPECT_EQ(map.Section(3)->entries[0].number, 12);
    EXPECT_EQ(map.Section(4), nullptr);
    EXPECT_THAT(prompt.boxes, IsEmpty());
}

TEST_F(MapFileParser, RefusesEntriesWithoutModelOrSectionAndKeepsNothing) {
    EXPECT_FALSE(Parse("[A]\nM1=S1\n=S100\n"));
    EXPECT_EQ(map.SectionCount(), 0u);
    EXPECT_FALSE(Parse("\n  M1=S100\n[A]\n"));
    EXPECT_THAT(prompt.boxes, ElementsAre("Found empty model number while parsing file",
                                          "Found NULL position. Unexpected error parsing file"));
}

TEST_F(MapFileParser, AnOverlongLineEndsTheParseAsTheEndOfTheFileWould) {
    std::string fits(kMapFileLineLimit - 3, 'x');
    ASSERT_TRUE(Parse("[A]\nM1=" + fits + "\n[B]\nM2=" + fits + "y\n[C]\n"));
    EXPECT_THAT(Names(), ElementsAre("A", "B"));
    EXPECT_EQ(map.Section(0)->entries[0].serialNumber, fits);
    EXPECT_THAT(map.Section(1)->entries, IsEmpty());
}

TEST_F(MapFileParser, BinaryBytesEndTheParseInsteadOfBecomingNames) {
    ASSERT_TRUE(Parse(std::string("[A]\nM1=S1\n[B\0C]\nM2=S2\n", 22)));
    EXPECT_THAT(Names(), ElementsAre("A"));
    ASSERT_TRUE(Parse("[A]\nM1=S\x01\n"));
    EXPECT_THAT(map.Section(0)->entries, IsEmpty());
}

TEST_F(MapFileParser, OpeningReportsAMissingFileButNotAnEmptyPath) {
    corvid::testing::TempDir dir;
    EXPECT_FALSE(map.Open(""));
    EXPECT_FALSE(map.Open(dir.path() / "absent.txt"));
    EXPECT_THAT(prompt.boxes, ElementsAre("Unable to open the configuration file"));
    std::ofstream(dir.path() / "map.txt") << "[A]\r\n M1=S1\r\n";
    ASSERT_TRUE(map.Open(dir.path() / "map.txt"));
    EXPECT_EQ(map.Section(0)->First()->serialNumber, "S1");
}

TEST_F(MapFileParser, ProblemLinesEndWithCarriageReturnLineFeed) {
    map.AddProblem("Missing DSG Named: X");
    map.AddProblem("Missing DSG Named: Y");
    EXPECT_EQ(map.ProblemText(), "Missing DSG Named: X\r\nMissing DSG Named: Y\r\n");
}

} // namespace
} // namespace corvid::operatortabs::testing
