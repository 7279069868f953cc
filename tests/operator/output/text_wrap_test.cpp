#include "operatoroutput/text_report_files.h"

#include <gtest/gtest.h>
#include <string>

namespace corvid::operatoroutput {
namespace {

TEST(WrapText, KeepsLinesThatFitAndBreaksAtLineEnds) {
    EXPECT_EQ(WrapText("", "", 50, 63, "  "), "");
    EXPECT_EQ(WrapText("short", "", 50, 63, "  "), "short");
    EXPECT_EQ(WrapText("ab\ncd", "", 2, 5, ">"), "ab\n>cd");
    EXPECT_EQ(WrapText("one\r\ntwo", "", 60, 80, ""), "one \ntwo"); // carriage returns become blanks
}

TEST(WrapText, BreaksAtTheFirstBlankFromTheMinimum) {
    EXPECT_EQ(WrapText("aaaa bbbb cccc dddd", "", 6, 10, "  "), "aaaa bbbb\n  cccc dddd");
    // Of a run of blanks only the one the line ends at is dropped.
    EXPECT_EQ(WrapText("aaaaa  bbbbbbb", "", 5, 8, ""), "aaaaa\n bbbbbbb");
}

TEST(WrapText, CutsInTheMiddleWithoutAPlaceToBreak) {
    // The blank before the minimum does not count.
    EXPECT_EQ(WrapText("aa bbbbbbbbbbbb", "", 5, 8, ""), "aa bbb\nbbbbbb\nbbb");
    EXPECT_EQ(WrapText("abc", "", 0, 0, ""), "a\nb\nc"); // and always moves on
}

TEST(WrapText, BreakCharactersStayAtTheEndOfTheLine) {
    EXPECT_EQ(WrapText("aaaa;bbbbbbb", ";", 3, 6, ""), "aaaa;\nbbbb\nbbb");
}

TEST(SummaryResultLine, UpperCaseNameInSixtyColumnsOfDots) {
    EXPECT_EQ(SummaryResultLine("Identify", "PASSED"), "IDENTIFY" + std::string(52, '.') + "PASSED\n");
    EXPECT_EQ(SummaryResultLine(std::string(70, 'x'), "FAILED"), std::string(60, 'X') + "FAILED\n");
    // A multi-byte character that does not fit goes whole.
    EXPECT_EQ(SummaryResultLine(std::string(59, 'a') + "\xC3\xA9", "ABORTED"),
              std::string(59, 'A') + ".ABORTED\n");
}

} // namespace
} // namespace corvid::operatoroutput
