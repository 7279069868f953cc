#include "command_line.h"

#include <gtest/gtest.h>

namespace corvid::vish {
namespace {

TEST(CommandLines, SemicolonsSeparateCommandsOutsideQuotes) {
    EXPECT_EQ(SplitCommands("open GPIB0::22::INSTR; query *IDN?; stb; close"),
              (std::vector<std::string>{"open GPIB0::22::INSTR", "query *IDN?", "stb", "close"}));
    EXPECT_EQ(SplitCommands("write \"*SRE 32;*ESE 1;*OPC\"; wait srq"),
              (std::vector<std::string>{"write \"*SRE 32;*ESE 1;*OPC\"", "wait srq"}));
    EXPECT_EQ(SplitCommands(" ; ;stb;; "), (std::vector<std::string>{"stb"}));
    EXPECT_EQ(SplitCommands("write a\\;b"), (std::vector<std::string>{"write a\\;b"}));
}

TEST(CommandLines, TheCommandWordIsCaseInsensitive) {
    Command c = ParseCommand("  QUERY   \"MEAS:VOLT?\"  ");
    EXPECT_EQ(c.word, "query");
    EXPECT_EQ(c.rest, "MEAS:VOLT?");
    EXPECT_EQ(ParseCommand("stb").rest, "");
}

TEST(CommandLines, EscapesRoundTrip) {
    std::string bytes;
    ASSERT_TRUE(Unescape("a\\r\\n\\t\\\\\\\"\\x7F", bytes));
    EXPECT_EQ(bytes, std::string("a\r\n\t\\\"\x7F"));
    EXPECT_EQ(Escape(bytes), "a\\r\\n\\t\\\\\"\\x7F");
    EXPECT_FALSE(Unescape("\\q", bytes));
    EXPECT_FALSE(Unescape("\\x4", bytes));
    EXPECT_FALSE(Unescape("tail\\", bytes));
}

} // namespace
} // namespace corvid::vish
