#include "block_helpers.h"
#include "link/copy_data_block.h"
#include "message_capture.h"

#include <gtest/gtest.h>

using namespace corvid::link;
using namespace corvid::link::testing;

namespace {

constexpr std::size_t noLimit = 100000;

std::string Full(const CCopyDataBlock& block, std::size_t maxLength = noLimit) {
    std::string out;
    block.GetString(out, maxLength);
    EXPECT_EQ(block.GetString(true, maxLength), out);
    return out;
}

std::string Summary(const CCopyDataBlock& block, std::size_t maxLength = noLimit) {
    return block.GetString(false, maxLength);
}

TEST(BlockText, ElementsOfEveryNumericType) {
    EXPECT_EQ(Full(BlockOf<std::int32_t>({1, -2, 2147483647}, CCopyDataBlock::Integer)), "1, -2, 2147483647");
    EXPECT_EQ(Full(BlockOf<std::int32_t>({-2147483647 - 1}, CCopyDataBlock::Long)), "-2147483648");
    EXPECT_EQ(Full(BlockOf<std::uint8_t>({0, 200, 255}, CCopyDataBlock::Byte)), "0, 200, 255");
    EXPECT_EQ(Full(BlockOf<float>({1.5f, -0.25f}, CCopyDataBlock::Float)), "1.5000e+00, -2.5000e-01");
    EXPECT_EQ(Full(BlockOf<double>({-0.001, 12345.678}, CCopyDataBlock::Double)), "-1.0000e-03, 1.2346e+04");
    EXPECT_EQ(Full(BlockOf<std::uint32_t>({0xDEADBEEF, 1}, CCopyDataBlock::Dword)), "0xDEADBEEF, 0x00000001");
}

TEST(BlockText, ThousandDoublesAreCutToForty) {
    const CCopyDataBlock block = BlockOf(std::vector<double>(1000, 1.0), CCopyDataBlock::Double);
    const std::string text = Full(block, 40);
    EXPECT_EQ(text.size(), 40u);
    EXPECT_EQ(text, "1.0000e+00, 1.0000e+00, 1.0000e+00, 1...");
}

TEST(BlockText, CutHappensWhenTheLimitIsReachedExactly) {
    const CCopyDataBlock block = BlockOf<std::int32_t>({1, 2, 3}, CCopyDataBlock::Integer);
    EXPECT_EQ(Full(block, 5), "1,..."); // "1, 2" (4) is below the limit, "1, 2, 3" (7) is not
    EXPECT_EQ(Full(block, 8), "1, 2, 3");
    EXPECT_EQ(Full(block, 7), "1, 2...");
    EXPECT_EQ(Full(block, 4), "1...");
    EXPECT_EQ(Full(block, 2), "...");
}

TEST(BlockText, FirstElementIsNeverCut) {
    EXPECT_EQ(Full(BlockOf<double>({1.0}, CCopyDataBlock::Double), 3), "1.0000e+00");
    EXPECT_EQ(Full(BlockOf<std::uint32_t>({5, 6}, CCopyDataBlock::Dword), 3), "...");
}

TEST(BlockText, CharBlocks) {
    EXPECT_EQ(Full(TextBlock("*IDN?")), "*IDN?");
    EXPECT_EQ(Full(CCopyDataBlock("Q", 1, CCopyDataBlock::Char)), "Q");
    EXPECT_EQ(Full(TextBlock("")), ""); // a lone terminating zero
    // A text of maxLength characters or more is cut.
    EXPECT_EQ(Full(TextBlock("hello"), 5), "he...");
    EXPECT_EQ(Full(TextBlock("hello"), 6), "hello");
    // The text ends at its first zero byte.
    EXPECT_EQ(Full(CCopyDataBlock("ab\0cd", 6, CCopyDataBlock::Char)), "ab");
}

TEST(BlockText, CharBlockWithoutTerminatorStopsAtItsEnd) {
    const std::string bytes = "abcdef";
    const CCopyDataBlock block(bytes.data(), 3, CCopyDataBlock::Char);
    EXPECT_EQ(Full(block), "abc");
    EXPECT_EQ(Summary(block), "abc");
}

TEST(BlockText, BlocksWithoutDataOrElements) {
    std::string out = "kept";
    CCopyDataBlock().GetString(out, noLimit);
    EXPECT_EQ(out, "kept");
    CCopyDataBlock(nullptr, 0, CCopyDataBlock::Unknown).GetString(out, noLimit);
    EXPECT_EQ(out, "kept");

    const std::uint32_t unused = 0;
    CCopyDataBlock(&unused, 0, CCopyDataBlock::Dword).GetString(out, noLimit);
    EXPECT_EQ(out, "");

    EXPECT_EQ(Summary(CCopyDataBlock(&unused, 1, CCopyDataBlock::Unknown)), "");
    EXPECT_EQ(Summary(CCopyDataBlock(&unused, 0, CCopyDataBlock::Long)), "");
}

TEST(BlockText, UnknownAndEmptyBlocksWithACount) {
    // Only loading can give such blocks their count.
    EXPECT_EQ(Full(LoadedBlock({2, 3, 0, 7, 0})), "UNKNOWN");
    EXPECT_EQ(Summary(LoadedBlock({2, 3, 0, 7, 0})), "UNKNOWN");
    EXPECT_EQ(Full(LoadedBlock({2, 3, 0, 8, 0})), "");
    EXPECT_EQ(Summary(LoadedBlock({2, 1, 0, 8, 0})), "");
}

TEST(BlockText, SummaryOfOneElement) {
    EXPECT_EQ(Summary(BlockOf<std::int32_t>({-7}, CCopyDataBlock::Integer)), "-7");
    EXPECT_EQ(Summary(BlockOf<std::int32_t>({2000}, CCopyDataBlock::Long)), "2000");
    EXPECT_EQ(Summary(BlockOf<std::uint8_t>({250}, CCopyDataBlock::Byte)), "250");
    EXPECT_EQ(Summary(BlockOf<float>({3.0f}, CCopyDataBlock::Float)), "3.0000e+00");
    EXPECT_EQ(Summary(BlockOf<double>({0.5}, CCopyDataBlock::Double)), "5.0000e-01");
    EXPECT_EQ(Summary(BlockOf<std::uint32_t>({0x3FFF001A}, CCopyDataBlock::Dword)), "0x3FFF001A");
    EXPECT_EQ(Summary(CCopyDataBlock("x", 1, CCopyDataBlock::Char)), "x");
}

TEST(BlockText, SummaryOfArrays) {
    EXPECT_EQ(Summary(BlockOf(std::vector<std::int32_t>(2), CCopyDataBlock::Integer)),
              "2 element, integer array");
    EXPECT_EQ(Summary(BlockOf(std::vector<std::int32_t>(3), CCopyDataBlock::Long)), "3 element, long array");
    EXPECT_EQ(Summary(BlockOf(std::vector<float>(4), CCopyDataBlock::Float)), "4 element, float array");
    EXPECT_EQ(Summary(BlockOf(std::vector<double>(12), CCopyDataBlock::Double)), "12 element, double array");
    EXPECT_EQ(Summary(BlockOf(std::vector<std::uint8_t>(65535), CCopyDataBlock::Byte), 10),
              "65535 element, byte array");
    EXPECT_EQ(Summary(BlockOf(std::vector<std::uint32_t>(5), CCopyDataBlock::Dword)),
              "5 element, dword array");
    EXPECT_EQ(Summary(TextBlock("a longer reply"), 10), "a longe...");
    EXPECT_EQ(Summary(TextBlock("a longer reply")), "a longer reply");
}

TEST(BlockText, InvalidTypeShowsItsMessageAndInvalid) {
    MessageCapture messages;
    const CCopyDataBlock block = LoadedBlock({2, 2, 0, 14, 0});
    messages.texts.clear();
    std::string out;
    block.GetString(out, noLimit);
    EXPECT_EQ(out, "INVALID");
    EXPECT_EQ(Summary(block), "INVALID");
    EXPECT_EQ(messages.texts,
              (std::vector<std::string>(2, "Invalid CCopyDataBlock data type [14] detected in GetString")));
}

} // namespace
