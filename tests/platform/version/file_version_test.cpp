#include "platform/file_version.h"
#include "testsupport/sandbox.h"

#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

namespace corvid::platform {
namespace {

using corvid::testing::TempDir;

std::vector<std::byte> Bytes(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    std::string s = text.str();
    const auto* begin = reinterpret_cast<const std::byte*>(s.data());
    return {begin, begin + s.size()};
}

TEST(FileVersion, ReadsTheRecordOfAStampedExecutable) {
    VersionReadError error{};
    auto info = ReadExecutableVersion(&error);
    ASSERT_TRUE(info) << VersionReadErrorText(error);
    EXPECT_EQ(info->fileVersionMS, 0x00010001u);
    EXPECT_EQ(info->fileVersionLS, 0x00000000u);
    EXPECT_EQ(info->productVersionMS, 0x00010001u);
    EXPECT_EQ(info->productVersionLS, 0x00000000u);
    EXPECT_EQ(info->language, 0x0409);
    EXPECT_EQ(info->codePage, 0x04B0);
    EXPECT_EQ(FormatVersion(*info), "1.1.0.0");
}

TEST(FileVersion, ReadsTheRecordOfAStampedSharedObject) {
    auto info = ReadFileVersion(STAMPED_MODULE);
    ASSERT_TRUE(info);
    EXPECT_EQ(info->FileVersion(), (std::array<std::uint16_t, 4>{2, 3, 4, 65535}));
    EXPECT_EQ(info->ProductVersion(), (std::array<std::uint16_t, 4>{2, 3, 4, 65535}));
    EXPECT_EQ(FormatVersion(*info), "2.3.4.65535");
    EXPECT_EQ(ParseFileVersion(Bytes(STAMPED_MODULE)), info); // memory and file agree
}

TEST(FileVersion, FileWithoutTheSectionHasNoRecord) {
    VersionReadError error{};
    EXPECT_FALSE(ReadFileVersion(PLAIN_MODULE, &error));
    EXPECT_EQ(error, VersionReadError::NoVersionSection);
}

TEST(FileVersion, MissingNonElfAndOddFilesAreRejected) {
    TempDir dir;
    VersionReadError error{};
    EXPECT_FALSE(ReadFileVersion(dir.path() / "missing.so", &error));
    EXPECT_EQ(error, VersionReadError::CannotOpen);
    EXPECT_FALSE(ReadFileVersion(dir.path(), &error));
    EXPECT_EQ(error, VersionReadError::CannotOpen);

    std::ofstream(dir.path() / "text.so") << "#!/bin/sh\necho not a module\n";
    EXPECT_FALSE(ReadFileVersion(dir.path() / "text.so", &error));
    EXPECT_EQ(error, VersionReadError::NotElf);
    std::ofstream(dir.path() / "empty.so");
    EXPECT_FALSE(ReadFileVersion(dir.path() / "empty.so", &error));
    EXPECT_EQ(error, VersionReadError::NotElf);
}

TEST(FileVersion, FormatsFourSixteenBitNumbers) {
    EXPECT_EQ(FormatVersion(0x00010001, 0x00000000), "1.1.0.0");
    EXPECT_EQ(FormatVersion(0xFFFF000A, 0x0001FFFE), "65535.10.1.65534");
}

} // namespace
} // namespace corvid::platform
