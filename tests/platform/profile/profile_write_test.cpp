#include "platform/profile.h"
#include "testsupport/sandbox.h"

#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <sys/stat.h>

namespace corvid::platform {
namespace {

using corvid::testing::ChildProcess;

class ProfileWriteTest : public corvid::testing::SandboxTest {
protected:
    void Write(const std::string& text) { std::ofstream(file, std::ios::binary) << text; }
    std::string Text() const {
        std::ifstream in(file, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }
    std::filesystem::path file = sandbox.home() / "station.ini";
};

TEST_F(ProfileWriteTest, ReplacingAValueKeepsEverythingElse) {
    Write("; station settings\n"
          "[KOB CONFIGURATION]\n"
          "  CalibrationDataSource = /old.mdb   \n"
          "; keep me\n"
          "Other=1\n"
          "\n"
          "[Next]\n"
          "X=y\n");
    ASSERT_TRUE(WriteProfileString(file, "kob configuration", "calibrationdatasource", "/new.mdb"));
    EXPECT_EQ(Text(), "; station settings\n"
                      "[KOB CONFIGURATION]\n"
                      "  CalibrationDataSource = /new.mdb\n"
                      "; keep me\n"
                      "Other=1\n"
                      "\n"
                      "[Next]\n"
                      "X=y\n");
}

TEST_F(ProfileWriteTest, NewKeysGoAtTheEndOfTheirSectionAndNewSectionsAtTheEnd) {
    Write("[A]\nOne=1\n\n\n[B]\nTwo=2");
    ASSERT_TRUE(WriteProfileString(file, "A", "Three", "3"));
    ASSERT_TRUE(WriteProfileString(file, "C", "Four", "4"));
    EXPECT_EQ(Text(), "[A]\nOne=1\nThree=3\n\n\n[B]\nTwo=2\n\n[C]\nFour=4\n");
}

TEST_F(ProfileWriteTest, MissingFileIsCreated) {
    ASSERT_TRUE(WriteProfileString(file, "Corvid Tessera", "IniFilePath", "/station.ini"));
    EXPECT_EQ(Text(), "[Corvid Tessera]\nIniFilePath=/station.ini\n");
    EXPECT_EQ(ReadProfileString(file, "Corvid Tessera", "IniFilePath"), "/station.ini");
}

TEST_F(ProfileWriteTest, WinIniCreatesTheHomeDirectory) {
    std::filesystem::remove_all(sandbox.home());
    ASSERT_TRUE(WriteProfileString(WinIniPath(), "Corvid Tessera", "IniFilePath", "/x.ini"));
    EXPECT_EQ(ReadProfileString(WinIniPath(), "Corvid Tessera", "IniFilePath"), "/x.ini");
}

TEST_F(ProfileWriteTest, MissingDirectoryFails) {
    EXPECT_FALSE(WriteProfileString(sandbox.home() / "no/such/dir.ini", "S", "K", "v"));
}

TEST_F(ProfileWriteTest, CrLfFilesStayCrLf) {
    Write("[A]\r\nOne=1\r\n");
    ASSERT_TRUE(WriteProfileString(file, "A", "One", "uno"));
    ASSERT_TRUE(WriteProfileString(file, "A", "Two", "2"));
    ASSERT_TRUE(WriteProfileString(file, "B", "Three", "3"));
    EXPECT_EQ(Text(), "[A]\r\nOne=uno\r\nTwo=2\r\n\r\n[B]\r\nThree=3\r\n");
}

TEST_F(ProfileWriteTest, ValuesReadBackExactly) {
    for (std::string value : {"  leading", "trailing  ", "\"quoted\"", "'single'", "", "a=b", "\"half"}) {
        ASSERT_TRUE(WriteProfileString(file, "S", "K", value)) << value;
        EXPECT_EQ(ReadProfileString(file, "S", "K"), value);
    }
}

TEST_F(ProfileWriteTest, NamesThatWouldNotReadBackAreRefused) {
    EXPECT_FALSE(WriteProfileString(file, "S", "K", "two\nlines"));
    EXPECT_FALSE(WriteProfileString(file, "S", "a=b", "v"));
    EXPECT_FALSE(WriteProfileString(file, "S", "", "v"));
    EXPECT_FALSE(WriteProfileString(file, "S", ";comment", "v"));
    EXPECT_FALSE(WriteProfileString(file, "S", " padded", "v"));
    EXPECT_FALSE(WriteProfileString(file, "S]x", "K", "v"));
    EXPECT_FALSE(WriteProfileString(file, "", "K", "v"));
    EXPECT_FALSE(std::filesystem::exists(file));
}

TEST_F(ProfileWriteTest, DeletingAKeyRemovesEveryCopyInTheSection) {
    Write("[S]\nK=1\nk=2\nKeep=3\n[T]\nK=4\n");
    ASSERT_TRUE(WriteProfileString(file, "S", "K", std::nullopt));
    EXPECT_EQ(Text(), "[S]\nKeep=3\n[T]\nK=4\n");
    EXPECT_FALSE(ReadProfileString(file, "S", "K"));
}

TEST_F(ProfileWriteTest, DeletingNothingLeavesTheFileAndCreatesNone) {
    EXPECT_TRUE(WriteProfileString(file, "S", "K", std::nullopt));
    EXPECT_TRUE(DeleteProfileSection(file, "S"));
    EXPECT_FALSE(std::filesystem::exists(file));
    Write("[S]\nK=1");
    struct stat before {};
    ::stat(file.c_str(), &before);
    EXPECT_TRUE(WriteProfileString(file, "S", "Other", std::nullopt));
    EXPECT_TRUE(WriteProfileString(file, "S", "K", "1")); // already so
    struct stat after {};
    ::stat(file.c_str(), &after);
    EXPECT_EQ(before.st_ino, after.st_ino);
    EXPECT_EQ(Text(), "[S]\nK=1");
}

TEST_F(ProfileWriteTest, DeleteSectionTakesItsLines) {
    Write("[A]\nX=1\n\n[B]\nY=2\n; about C\n[C]\nZ=3\n");
    ASSERT_TRUE(DeleteProfileSection(file, "b"));
    EXPECT_EQ(Text(), "[A]\nX=1\n\n[C]\nZ=3\n");
}

TEST_F(ProfileWriteTest, WritesReplaceTheFileAndKeepItsMode) {
    Write("[S]\nK=1\n");
    ::chmod(file.c_str(), 0640);
    struct stat before {};
    ::stat(file.c_str(), &before);
    ASSERT_TRUE(WriteProfileString(file, "S", "K", "2"));
    struct stat after {};
    ::stat(file.c_str(), &after);
    EXPECT_NE(before.st_ino, after.st_ino); // a new file renamed into place, never a partial rewrite
    EXPECT_EQ(after.st_mode & 07777, 0640u);
    int files = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(sandbox.home()))
        ++files;
    EXPECT_EQ(files, 1); // no temporary file left
}

TEST_F(ProfileWriteTest, SymbolicLinksAreFollowed) {
    Write("[S]\nK=1\n");
    auto link = sandbox.home() / "link.ini";
    std::filesystem::create_symlink(file, link);
    ASSERT_TRUE(WriteProfileString(link, "S", "K", "2"));
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(ReadProfileString(file, "S", "K"), "2");
}

TEST_F(ProfileWriteTest, ConcurrentWritersLoseNothing) {
    constexpr int kWriters = 3;
    constexpr int kRounds = 30;
    std::vector<ChildProcess> children;
    for (int w = 0; w < kWriters; ++w) {
        children.push_back(ChildProcess::Fork([this, w] {
            for (int i = 0; i < kRounds; ++i) {
                if (!WriteProfileString(file, "W" + std::to_string(w), "K" + std::to_string(i),
                                        std::to_string(i)))
                    return 1;
            }
            return 0;
        }));
    }
    for (ChildProcess& child : children)
        EXPECT_EQ(child.Wait(std::chrono::seconds(60)), 0);
    for (int w = 0; w < kWriters; ++w)
        EXPECT_EQ(ReadProfileKeys(file, "W" + std::to_string(w)).size(), static_cast<std::size_t>(kRounds));
}

} // namespace
} // namespace corvid::platform
