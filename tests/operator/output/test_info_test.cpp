#include "operatoroutput/test_info.h"
#include "testsupport/sandbox.h"

#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <string>

namespace corvid::operatoroutput {
namespace {

class TestInfoFileTest : public ::testing::Test {
protected:
    std::string Put(const std::string& text) {
        std::ofstream(path, std::ios::binary) << text;
        return path;
    }
    std::string Contents() {
        std::ifstream in(path, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    testing::TempDir dir;
    std::string path = (dir.path() / "unit.TestInfo").string();
    UutValidator known = [](int32_t, int32_t, const std::string&) {
        return true;
    };
};

CTestInfo Sample() {
    CTestInfo info;
    info.Operator = "J. Smith";
    info.GeneralNotes = "first line\r\nsecond: with colon\r\nthird";
    info.ServiceOrderNumber = "SO-1001";
    info.CustomerName = "Acme Labs";
    info.Station = "Demo Bench";
    info.TPA = "LM4065-CAL";
    info.TPV = "Full Calibration";
    info.Temperature = 23.5;
    info.Humidity = 45;
    info.LineFrequency = 60;
    info.SerialNumber = "LK4065-01123";
    info.UUT = "LM-4065";
    info.Options = "OPT-FRQ; OPT-REAR";
    info.UUTModelID = 2;
    info.UUTInstanceID = 4;
    return info;
}

TEST_F(TestInfoFileTest, WritesTheFixedLinesAndReadsThemBack) {
    ASSERT_TRUE(WriteTestInfo(path, Sample()));
    EXPECT_EQ(Contents(), "Operator:           J. Smith\n"
                          "TPA:                LM4065-CAL\n"
                          "TPV:                Full Calibration\n"
                          "UUT:                LM-4065\n"
                          "UUTModelID:         2\n"
                          "Options:            OPT-FRQ; OPT-REAR\n"
                          "Station:            Demo Bench\n"
                          "SerialNumber:       LK4065-01123\n"
                          "UUTInstanceID:      4\n"
                          "CustomerName:       Acme Labs\n"
                          "ServiceOrderNumber: SO-1001\n"
                          "Temperature:        23.5\n"
                          "Humidity:           45\n"
                          "LineFrequency:      60\n"
                          "GeneralNotes: first line\n"
                          "GeneralNotes: second: with colon\n"
                          "GeneralNotes: third\n");

    CTestInfo read;
    read.UUTModelID = 99;
    ASSERT_TRUE(ReadTestInfo(path, read, known));
    CTestInfo expected = Sample();
    EXPECT_EQ(read.GeneralNotes, expected.GeneralNotes);
    EXPECT_EQ(read.Operator, expected.Operator);
    EXPECT_EQ(read.TPA, expected.TPA);
    EXPECT_EQ(read.TPV, expected.TPV);
    EXPECT_EQ(read.UUT, expected.UUT);
    EXPECT_EQ(read.Options, expected.Options);
    EXPECT_EQ(read.Station, expected.Station);
    EXPECT_EQ(read.SerialNumber, expected.SerialNumber);
    EXPECT_EQ(read.CustomerName, expected.CustomerName);
    EXPECT_EQ(read.ServiceOrderNumber, expected.ServiceOrderNumber);
    EXPECT_EQ(read.Temperature, 23.5);
    EXPECT_EQ(read.Humidity, 45);
    EXPECT_EQ(read.LineFrequency, 60);
    EXPECT_EQ(read.UUTModelID, 2);
    EXPECT_EQ(read.UUTInstanceID, 4);
}

TEST_F(TestInfoFileTest, EmptyNotesWriteNoNotesLine) {
    CTestInfo info = Sample();
    info.GeneralNotes.clear();
    ASSERT_TRUE(WriteTestInfo(path, info));
    EXPECT_EQ(Contents().find("GeneralNotes"), std::string::npos);
}

TEST_F(TestInfoFileTest, LineBreaksInsideValuesCannotForgeKeys) {
    CTestInfo info = Sample();
    info.Operator = "Eve\nSerialNumber: forged";
    info.GeneralNotes = "one\ntwo\rthree";
    ASSERT_TRUE(WriteTestInfo(path, info));
    CTestInfo read;
    ASSERT_TRUE(ReadTestInfo(path, read, known));
    EXPECT_EQ(read.Operator, "Eve SerialNumber: forged");
    EXPECT_EQ(read.SerialNumber, "LK4065-01123");
    EXPECT_EQ(read.GeneralNotes, "one\r\ntwo\r\nthree");
}

TEST_F(TestInfoFileTest, ValuesKeepEverythingAfterTheFirstColonAndTrailingBlanks) {
    Put("Operator:   a:b: c  \r\n"
        "CustomerName:x\n"
        " Station: keyed with a blank\n"
        ": no key\n"
        "UUTModelID: 7 units\n"
        "Temperature:\t-3.25e1C\n"
        "GeneralNotes:   indented\n"
        "GeneralNotes:\n");
    CTestInfo info;
    ASSERT_TRUE(ReadTestInfo(path, info, known));
    EXPECT_EQ(info.Operator, "a:b: c  ");
    EXPECT_EQ(info.CustomerName, "x");
    EXPECT_EQ(info.Station, "");
    EXPECT_EQ(info.UUTModelID, 7);
    EXPECT_EQ(info.Temperature, -32.5);
    EXPECT_EQ(info.GeneralNotes, "indented\r\n"); // only the last "\r\n" goes
}

TEST_F(TestInfoFileTest, AnUnknownUnitLosesInstanceSerialAndOptions) {
    ASSERT_TRUE(WriteTestInfo(path, Sample()));
    int32_t model = 0, instance = 0;
    std::string serial;
    CTestInfo info;
    ASSERT_TRUE(ReadTestInfo(path, info, [&](int32_t m, int32_t i, const std::string& s) {
        model = m, instance = i, serial = s;
        return false;
    }));
    EXPECT_EQ(model, 2);
    EXPECT_EQ(instance, 4);
    EXPECT_EQ(serial, "LK4065-01123");
    EXPECT_EQ(info.UUTInstanceID, -1);
    EXPECT_EQ(info.SerialNumber, "");
    EXPECT_EQ(info.Options, "");
    EXPECT_EQ(info.UUTModelID, 2);
    EXPECT_EQ(info.Operator, "J. Smith");
}

TEST_F(TestInfoFileTest, JunkIsReadWithoutHarm) {
    std::string junk = "Operator: kept\n";
    junk += "Unknown: ignored\nno colon at all\n";
    junk += "SerialNumber: " + std::string(1 << 20, 'S') + "\n";
    junk += std::string("\0\xff\xfe:\x01\x02\n", 7);
    junk += "LineFrequency: 99999999999999999999\n";
    junk += "UUTInstanceID: -99999999999\n";
    junk += "Humidity: wet\n";
    for (int c = 0; c < 256; ++c)
        junk += static_cast<char>(c);
    junk += "\nTPA: last line without line end";
    Put(junk);

    CTestInfo info = Sample();
    info.stationId = 3;
    ASSERT_TRUE(ReadTestInfo(path, info, known));
    EXPECT_EQ(info.Operator, "kept");
    EXPECT_EQ(info.SerialNumber.size(), 1u << 20);
    EXPECT_EQ(info.LineFrequency, INT32_MAX);
    EXPECT_EQ(info.UUTInstanceID, INT32_MIN);
    EXPECT_EQ(info.Humidity, 0);
    EXPECT_EQ(info.TPA, "last line without line end");
    // Cleared before reading and not in the file; identifiers stay.
    EXPECT_EQ(info.CustomerName, "");
    EXPECT_EQ(info.GeneralNotes, "");
    EXPECT_EQ(info.Temperature, 0);
    EXPECT_EQ(info.UUTModelID, 2);
    EXPECT_EQ(info.stationId, 3);
}

TEST_F(TestInfoFileTest, MissingOrUnwritableFilesFail) {
    CTestInfo info = Sample();
    EXPECT_FALSE(ReadTestInfo(path, info, known));
    EXPECT_EQ(info.Operator, "");
    EXPECT_EQ(info.UUTInstanceID, 4);
    EXPECT_FALSE(ReadTestInfo(dir.path().string(), info, known));
    EXPECT_FALSE(WriteTestInfo((dir.path() / "missing" / "x.TestInfo").string(), Sample()));
}

} // namespace
} // namespace corvid::operatoroutput
