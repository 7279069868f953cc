// The shared small helpers: descriptor ownership and the text helpers.
#include "platform/text.h"
#include "platform/unique_fd.h"

#include <fcntl.h>
#include <gtest/gtest.h>

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
        EXPECT_FALSE(other);
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
