// Block equality and the difference report of a played-back command.
#include "debugger/comparison.h"
#include "debugger/options.h"
#include "test_support.h"

#include <cmath>
#include <gtest/gtest.h>

namespace corvid::debugger {
namespace {

using link::CCopyDataBlock;
using link::CGPIBCommandInfo;
using testing::ScriptedPrompt;
using testing::TextBlock;
using testing::ValueBlock;

CGPIBCommandInfo WithReceived(const CCopyDataBlock& block) {
    return CGPIBCommandInfo(0, 1, link::actionRead, nullptr, nullptr, &block);
}

class BlockEqualityTest : public ::testing::Test {
protected:
    bool Equal(const CCopyDataBlock& a, const CCopyDataBlock& b) {
        return BlocksEqual(WithReceived(a), WithReceived(b), BlockRole::received, prompt);
    }
    ScriptedPrompt prompt;
};

TEST_F(BlockEqualityTest, AbsentBlocksEqualOnlyEachOther) {
    const CGPIBCommandInfo none = WithReceived(CCopyDataBlock());
    EXPECT_TRUE(BlocksEqual(none, none, BlockRole::received, prompt));
    EXPECT_FALSE(BlocksEqual(none, WithReceived(TextBlock("")), BlockRole::received, prompt));
}

TEST_F(BlockEqualityTest, NumbersCompareElementByElement) {
    const std::int32_t a[] = {1, 2, 3}, b[] = {1, 2, 4};
    EXPECT_TRUE(
        Equal(CCopyDataBlock(a, 3, CCopyDataBlock::Long), CCopyDataBlock(a, 3, CCopyDataBlock::Long)));
    EXPECT_FALSE(
        Equal(CCopyDataBlock(a, 3, CCopyDataBlock::Long), CCopyDataBlock(b, 3, CCopyDataBlock::Long)));
    EXPECT_FALSE(
        Equal(CCopyDataBlock(a, 3, CCopyDataBlock::Long), CCopyDataBlock(a, 2, CCopyDataBlock::Long)));
    EXPECT_FALSE(
        Equal(CCopyDataBlock(a, 3, CCopyDataBlock::Long), CCopyDataBlock(a, 3, CCopyDataBlock::Integer)));
    EXPECT_TRUE(Equal(ValueBlock(0.0, CCopyDataBlock::Double), ValueBlock(-0.0, CCopyDataBlock::Double)));
    EXPECT_FALSE(Equal(ValueBlock(1.5f, CCopyDataBlock::Float), ValueBlock(1.25f, CCopyDataBlock::Float)));
    // Neither less nor greater counts as equal, as the comparison is defined.
    EXPECT_TRUE(
        Equal(ValueBlock(std::nan(""), CCopyDataBlock::Double), ValueBlock(2.0, CCopyDataBlock::Double)));
}

TEST_F(BlockEqualityTest, TextsCompareUpToTheirZeroByte) {
    const char withTail[] = "ABC\0xyz";
    const char otherTail[] = "ABC\0qrs";
    EXPECT_TRUE(Equal(CCopyDataBlock(withTail, 8, CCopyDataBlock::Char),
                      CCopyDataBlock(otherTail, 8, CCopyDataBlock::Char)));
    EXPECT_FALSE(Equal(TextBlock("abc"), TextBlock("ABC")));
    const char unterminated[] = {'A', 'B'};
    EXPECT_FALSE(Equal(CCopyDataBlock(unterminated, 2, CCopyDataBlock::Char), TextBlock("A")));
    EXPECT_TRUE(
        Equal(CCopyDataBlock("Q", 1, CCopyDataBlock::Char), CCopyDataBlock("Q", 1, CCopyDataBlock::Char)));
    EXPECT_TRUE(prompt.asked.empty());
}

TEST_F(BlockEqualityTest, UnknownBlocksAreNeverEqual) {
    CGPIBCommandInfo unknown = WithReceived(CCopyDataBlock("x", 1, CCopyDataBlock::Unknown));
    EXPECT_FALSE(BlocksEqual(unknown, unknown, BlockRole::received, prompt));
    EXPECT_EQ(prompt.Texts(),
              std::vector<std::string>{"Invalid data type or programmer forgot to add a type"});
}

TEST_F(BlockEqualityTest, SetBlockKeepsThePresenceBitInStep) {
    CGPIBCommandInfo command = testing::WriteCommand(1, "A");
    SetBlock(command, BlockRole::sent, CCopyDataBlock());
    EXPECT_FALSE(BlockPresent(command, BlockRole::sent));
    SetBlock(command, BlockRole::parameters, ValueBlock<std::uint32_t>(5, CCopyDataBlock::Dword));
    EXPECT_TRUE(BlockPresent(command, BlockRole::parameters));
    EXPECT_EQ(command.ActionCode(), link::actionWrite);
}

class DifferenceReportTest : public ::testing::Test {
protected:
    std::optional<std::string> ReportOf(const CGPIBCommandInfo& expected, const CGPIBCommandInfo& received) {
        return DifferenceReport(expected, received, options, prompt);
    }
    Options options;
    ScriptedPrompt prompt;
};

constexpr const char* kIntro =
    "The command sent by the driver is not the same as the command being played back.\r\n"
    "The differences are as follows:\r\n\r\n";

TEST_F(DifferenceReportTest, ListsEveryDifferenceInOrder) {
    const CCopyDataBlock param = ValueBlock<std::uint32_t>(1, CCopyDataBlock::Dword);
    const CGPIBCommandInfo expected = testing::ReadCommand(22, "ONE");
    CGPIBCommandInfo received = testing::WriteCommand(23, "TWO");
    received.SetBoardNumber(1);
    SetBlock(received, BlockRole::parameters, param);
    EXPECT_EQ(ReportOf(expected, received),
              std::string(kIntro) + "ACTION:\r\n\tExpected: READ\r\n\tReceived: WRITE\r\n\r\n"
                                    "BOARD NUMBER:\r\n\tExpected: 0\r\n\tReceived: 1\r\n\r\n"
                                    "BUS ADDRESS:\r\n\tExpected: 22\r\n\tReceived: 23\r\n\r\n"
                                    "RECEIVED:\r\n\tExpected: ONE\r\n\tReceived: \r\n\r\n"
                                    "SENT:\r\n\tExpected: \r\n\tReceived: TWO\r\n\r\n"
                                    "PARAMETERS:\r\n\tExpected: \r\n\tReceived: 0x00000001\r\n\r\n");
}

TEST_F(DifferenceReportTest, OnlyReceivedDataDifferingGivesOneSection) {
    EXPECT_EQ(ReportOf(testing::ReadCommand(5, "1.0"), testing::ReadCommand(5, "2.0")),
              std::string(kIntro) + "RECEIVED:\r\n\tExpected: 1.0\r\n\tReceived: 2.0\r\n\r\n");
}

TEST_F(DifferenceReportTest, ATerminatorShowsOnTheValuesLine) {
    EXPECT_EQ(ReportOf(testing::WriteCommand(5, "*CLS\n"), testing::WriteCommand(5, "*CLS")),
              std::string(kIntro) + "SENT:\r\n\tExpected: *CLS\\n\r\n\tReceived: *CLS\r\n\r\n");
}

TEST_F(DifferenceReportTest, LongTextsAreCutTo47CharactersAndDots) {
    const std::string fifty(50, 'x');
    const std::optional<std::string> report =
        ReportOf(testing::WriteCommand(1, fifty), testing::WriteCommand(1, "y"));
    ASSERT_TRUE(report);
    EXPECT_NE(report->find("\tExpected: " + std::string(47, 'x') + "...\r\n"), std::string::npos);
}

TEST_F(DifferenceReportTest, BusAddressesCanBeIgnored) {
    CGPIBCommandInfo elsewhere = testing::WriteCommand(9, "A");
    elsewhere.SetBoardNumber(2);
    EXPECT_TRUE(ReportOf(testing::WriteCommand(1, "A"), elsewhere));
    options.validateBusAddresses = 0;
    EXPECT_FALSE(ReportOf(testing::WriteCommand(1, "A"), elsewhere));
}

TEST_F(DifferenceReportTest, TypesOnlyAcceptsAnything) {
    options.validateCommandTypeOnly = true;
    EXPECT_FALSE(ReportOf(testing::ReadCommand(1, "A"), testing::WriteCommand(2, "B")));
}

TEST_F(DifferenceReportTest, TimeoutChangesAreIgnoredOnlyAlone) {
    EXPECT_FALSE(ReportOf(testing::TimeoutCommand(3, 2000), testing::TimeoutCommand(3, 5000)));
    const std::optional<std::string> moved =
        ReportOf(testing::TimeoutCommand(3, 2000), testing::TimeoutCommand(4, 5000));
    ASSERT_TRUE(moved);
    EXPECT_NE(moved->find("BUS ADDRESS:"), std::string::npos);
    EXPECT_NE(moved->find("SENT:\r\n\tExpected: 2000\r\n\tReceived: 5000"), std::string::npos);
    options.ignoreTimeoutChanges = false;
    EXPECT_EQ(ReportOf(testing::TimeoutCommand(3, 2000), testing::TimeoutCommand(3, 5000)),
              std::string(kIntro) + "SENT:\r\n\tExpected: 2000\r\n\tReceived: 5000\r\n\r\n");
    // Only SETATTRIBUTE commands get the exception.
    options.ignoreTimeoutChanges = true;
    EXPECT_TRUE(ReportOf(testing::WriteCommand(1, "A"), testing::WriteCommand(1, "B")));
}

} // namespace
} // namespace corvid::debugger
