#include "platform/profile.h"
#include "testsupport/sandbox.h"

#include <climits>
#include <fstream>
#include <gtest/gtest.h>

namespace corvid::platform {
namespace {

using Strings = std::vector<std::string>;

class ProfileReadTest : public corvid::testing::SandboxTest {
protected:
    std::filesystem::path Write(const std::string& text) {
        std::ofstream(file, std::ios::binary) << text;
        return file;
    }
    std::filesystem::path file = sandbox.home() / "tessera.ini";
};

TEST_F(ProfileReadTest, WinIniIsInTheHomeDirectory) {
    EXPECT_EQ(WinIniPath(), sandbox.home() / "win.ini");
}

TEST_F(ProfileReadTest, SectionsAndKeysIgnoreCase) {
    Write("[KOB CONFIGURATION]\nCalibrationDataSource=/data/Calibration.mdb\n");
    EXPECT_EQ(ReadProfileString(file, "kob configuration", "CALIBRATIONDATASOURCE"), "/data/Calibration.mdb");
    EXPECT_FALSE(ReadProfileString(file, "KOB", "CalibrationDataSource"));
    EXPECT_FALSE(ReadProfileString(file, "KOB CONFIGURATION", "Calibration"));
}

TEST_F(ProfileReadTest, ValuesAreTrimmedAndLoseOnePairOfQuotes) {
    Write("[S]\n"
          "  Plain  =   some value  \t\n"
          "Double=\"  padded  \"\n"
          "Single='x'\n"
          "Nested=\"\"twice\"\"\n"
          "Unbalanced=\"open\n"
          "Mixed=\"x'\n"
          "Empty=\n"
          "Equals=a=b\n");
    EXPECT_EQ(ReadProfileString(file, "S", "plain"), "some value");
    EXPECT_EQ(ReadProfileString(file, "S", "Double"), "  padded  ");
    EXPECT_EQ(ReadProfileString(file, "S", "Single"), "x");
    EXPECT_EQ(ReadProfileString(file, "S", "Nested"), "\"twice\"");
    EXPECT_EQ(ReadProfileString(file, "S", "Unbalanced"), "\"open");
    EXPECT_EQ(ReadProfileString(file, "S", "Mixed"), "\"x'");
    EXPECT_EQ(ReadProfileString(file, "S", "Empty"), "");
    EXPECT_EQ(ReadProfileString(file, "S", "Equals"), "a=b");
}

TEST_F(ProfileReadTest, FirstMatchWins) {
    Write("[Corvid Tessera]\nIniFilePath=/first.ini\nIniFilePath=/second.ini\n"
          "[corvid tessera]\nIniFilePath=/third.ini\nOther=1\n");
    EXPECT_EQ(ReadProfileString(file, "Corvid Tessera", "IniFilePath"), "/first.ini");
    EXPECT_FALSE(ReadProfileString(file, "Corvid Tessera", "Other")); // only the first section counts
    EXPECT_EQ(ReadProfileKeys(file, "CORVID TESSERA"), Strings{"IniFilePath"});
    EXPECT_EQ(ReadProfileSections(file), Strings{"Corvid Tessera"});
}

TEST_F(ProfileReadTest, CommentsBlankAndStrayLinesAreNotKeys) {
    Write("\xEF\xBB\xBF"
          "[First]\r\n"
          "; Key=commented\r\n"
          "\r\n"
          "no equals sign\r\n"
          "=no key\r\n"
          "Key=value\r\n"
          "[ Second ]\r\n"
          "A=1\r\n");
    EXPECT_EQ(ReadProfileSections(file), (Strings{"First", "Second"}));
    EXPECT_EQ(ReadProfileKeys(file, "First"), Strings{"Key"});
    EXPECT_EQ(ReadProfileKeys(file, ""), (Strings{"First", "Second"}));
    EXPECT_EQ(ReadProfileString(file, "First", "Key"), "value");
    EXPECT_EQ(ReadProfileString(file, "second", "a"), "1");
    EXPECT_FALSE(ReadProfileString(file, "First", "; Key"));
}

TEST_F(ProfileReadTest, KeysBeforeAnySectionBelongToNone) {
    Write("Loose=1\n[S]\nKey=2\n");
    EXPECT_FALSE(ReadProfileString(file, "", "Loose"));
    EXPECT_EQ(ReadProfileKeys(file, "S"), Strings{"Key"});
}

TEST_F(ProfileReadTest, MissingFileReadsAsMissing) {
    EXPECT_FALSE(ReadProfileString(sandbox.home() / "absent.ini", "S", "K"));
    EXPECT_EQ(ReadProfileString(sandbox.home() / "absent.ini", "Corvid Tessera", "IniFilePath", "none"),
              "none");
    EXPECT_TRUE(ReadProfileSections(sandbox.home() / "absent.ini").empty());
    EXPECT_EQ(ReadProfileInt(sandbox.home() / "absent.ini", "S", "K", 7), 7);
    // A directory is not a readable profile either.
    EXPECT_FALSE(ReadProfileString(sandbox.home(), "S", "K"));
}

TEST_F(ProfileReadTest, IntegersTakeTheLeadingDigits) {
    Write("[N]\nPlain=42\nSuffix=12abc\nNegative=-17\nPlus=+5\nText=abc\nEmpty=\nSign=-\n"
          "Huge=99999999999999999999\nTiny=-99999999999999999999\nQuoted=\"8\"\n");
    EXPECT_EQ(ReadProfileInt(file, "N", "Plain", 0), 42);
    EXPECT_EQ(ReadProfileInt(file, "N", "Suffix", 0), 12);
    EXPECT_EQ(ReadProfileInt(file, "N", "Negative", 0), -17);
    EXPECT_EQ(ReadProfileInt(file, "N", "Plus", 0), 5);
    EXPECT_EQ(ReadProfileInt(file, "N", "Text", -1), -1);
    EXPECT_EQ(ReadProfileInt(file, "N", "Empty", -1), -1);
    EXPECT_EQ(ReadProfileInt(file, "N", "Sign", -1), -1);
    EXPECT_EQ(ReadProfileInt(file, "N", "Huge", 0), INT_MAX);
    EXPECT_EQ(ReadProfileInt(file, "N", "Tiny", 0), INT_MIN);
    EXPECT_EQ(ReadProfileInt(file, "N", "Quoted", 0), 8);
}

} // namespace
} // namespace corvid::platform
