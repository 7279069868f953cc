// The shared small helpers: descriptor ownership and the text helpers.
#include "platform/file_replace.h"
#include "platform/text.h"
#include "platform/unique_fd.h"

#include <algorithm>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <sys/stat.h>
#include <vector>

namespace corvid::platform {
namespace {

bool IsOpen(int fd) {
    return ::fcntl(fd, F_GETFD) != -1;
}

int OpenNull() {
    return ::open("/dev/null", O_RDONLY | O_CLOEXEC);
}

TEST(UniqueFd, ClosesWhatItOwnsExactlyOnce) {
    int first = OpenNull();
    int second = OpenNull();
    {
        UniqueFd owner(first);
        UniqueFd other(second);
        owner = std::move(other); // closes first, takes second
        EXPECT_FALSE(IsOpen(first));
        EXPECT_TRUE(IsOpen(second));
        EXPECT_FALSE(other); // NOLINT(bugprone-use-after-move): a moved-from owner holds nothing
        UniqueFd moved(std::move(owner));
        EXPECT_EQ(moved.get(), second);
    }
    EXPECT_FALSE(IsOpen(second));

    UniqueFd released(OpenNull());
    int kept = released.Release();
    released.Reset();
    EXPECT_TRUE(IsOpen(kept));
    UniqueFd closing(kept);
    EXPECT_TRUE(closing.Close());
    EXPECT_FALSE(IsOpen(kept));
    EXPECT_TRUE(closing.Close()) << "nothing left to close";
}

std::string Contents(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(ReplaceFileContents, ReplacesWholeOrLeavesEverythingAsItWas) {
    namespace fs = std::filesystem;
    std::string pattern = (fs::temp_directory_path() / "corvid-replace-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    const fs::path dir = pattern;
    const fs::path file = dir / "settings.ini";

    ASSERT_TRUE(ReplaceFileContents(file, "first\n", 0640));
    ASSERT_TRUE(ReplaceFileContents(file, std::string("second\0line\n", 12), 0640));
    EXPECT_EQ(Contents(file), std::string("second\0line\n", 12));
    struct stat info {};
    ASSERT_EQ(::stat(file.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);

    fs::create_directory(dir / "taken");
    EXPECT_FALSE(ReplaceFileContents(dir / "taken", "text", 0644)) << "a directory is not replaced";
    EXPECT_FALSE(ReplaceFileContents(dir / "missing" / "file", "text", 0644));
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"settings.ini", "taken"})) << "no temporary file is left";
    fs::remove_all(dir);
}

TEST(Text, TrimTakesBlanksFromBothEndsOnly) {
    EXPECT_EQ(Trim(" \t a b \r\n"), "a b");
    EXPECT_EQ(Trim(" \t\r\n\v\f"), "");
    EXPECT_EQ(Trim(""), "");
    EXPECT_EQ(Trim("\na\n", " "), "\na\n");
    EXPECT_EQ(TrimRight("  a  \r\n"), "  a");
    EXPECT_EQ(TrimRight("   "), "");
}

TEST(Text, CaseIsIgnoredForAsciiLettersOnly) {
    EXPECT_TRUE(EqualsNoCase("GPIB0::22::INSTR", "gpib0::22::instr"));
    EXPECT_FALSE(EqualsNoCase("abc", "abcd"));
    EXPECT_FALSE(EqualsNoCase("\xC4", "\xE4")) << "Latin-1 letters compare as bytes";
    EXPECT_FALSE(EqualsNoCase("[", "{")) << "only letters fold";
    EXPECT_TRUE(StartsWithNoCase("Performance Check", "PERF"));
    EXPECT_FALSE(StartsWithNoCase("Per", "PERF"));
}

} // namespace
} // namespace corvid::platform
