#include "block_helpers.h"
#include "link/copy_data_block.h"
#include "message_capture.h"

#include <cmath>
#include <cstring>
#include <gtest/gtest.h>

using namespace corvid::link;
using namespace corvid::link::testing;

namespace {

// Every test here also checks that no message box appeared unless it expects one.
class BlockTest : public ::testing::Test {
protected:
    void TearDown() override {
        if (!expectMessages) {
            EXPECT_TRUE(messages.texts.empty()) << messages.texts.front();
        }
    }
    MessageCapture messages;
    bool expectMessages = false;
};

TEST_F(BlockTest, DefaultBlockIsEmptyWithoutData) {
    CCopyDataBlock block;
    EXPECT_EQ(block.Type(), CCopyDataBlock::Empty);
    EXPECT_EQ(block.Count(), 0);
    EXPECT_EQ(block.Version(), 2);
    EXPECT_EQ(block.Data(), nullptr);
    EXPECT_EQ(StoredBytes(block), (Bytes{2, 0, 0, 8, 0}));
}

TEST_F(BlockTest, IdnQueryAsCharBlock) {
    const CCopyDataBlock block = TextBlock("*IDN?");
    EXPECT_EQ(block.Count(), 6);
    EXPECT_EQ(block.TotalSize(), 6u);
    EXPECT_EQ(StoredBytes(block), (Bytes{2, 6, 0, 5, 0, '*', 'I', 'D', 'N', '?', 0}));
}

TEST_F(BlockTest, NullSourceGivesEmptyBlock) {
    const CCopyDataBlock block(nullptr, 5, CCopyDataBlock::Double);
    EXPECT_EQ(block.Type(), CCopyDataBlock::Empty);
    EXPECT_EQ(block.Count(), 0);
    EXPECT_FALSE(block.HasData());
}

TEST_F(BlockTest, UnknownAndEmptyTypesNeverCarryData) {
    const std::uint32_t values[] = {1, 2};
    const CCopyDataBlock unknown(values, 2, CCopyDataBlock::Unknown);
    EXPECT_EQ(unknown.Type(), CCopyDataBlock::Unknown);
    EXPECT_EQ(unknown.Count(), 0);
    EXPECT_FALSE(unknown.HasData());
    EXPECT_EQ(StoredBytes(unknown), (Bytes{2, 0, 0, 7, 0}));

    const CCopyDataBlock empty(values, 2, CCopyDataBlock::Empty);
    EXPECT_EQ(empty.Type(), CCopyDataBlock::Empty);
    EXPECT_EQ(empty.Count(), 0);
    EXPECT_FALSE(empty.HasData());

    const CCopyDataBlock unknownFromNull(nullptr, 2, CCopyDataBlock::Unknown);
    EXPECT_EQ(unknownFromNull.Type(), CCopyDataBlock::Empty);
}

TEST_F(BlockTest, CountZeroWithSourceKeepsAnEmptyBuffer) {
    const std::uint32_t unused = 0;
    const CCopyDataBlock block(&unused, 0, CCopyDataBlock::Dword);
    EXPECT_EQ(block.Type(), CCopyDataBlock::Dword);
    EXPECT_EQ(block.Count(), 0);
    EXPECT_TRUE(block.HasData());
    EXPECT_EQ(StoredBytes(block), (Bytes{2, 0, 0, 6, 0}));

    // Copies and loads keep the type, so the block compares like the one that was sent.
    const CCopyDataBlock copy = block;
    EXPECT_EQ(copy.Type(), CCopyDataBlock::Dword);
    const CCopyDataBlock loaded = LoadedBlock(StoredBytes(block));
    EXPECT_EQ(loaded.Type(), CCopyDataBlock::Dword);
    EXPECT_EQ(CCopyDataBlock(loaded).Type(), CCopyDataBlock::Dword);
}

TEST_F(BlockTest, EveryTypeRoundTripsByteExact) {
    struct Case {
        CCopyDataBlock block;
        Bytes expected;
    };
    const int unused = 0;
    const Case cases[] = {
        {BlockOf<std::int32_t>({-1, 0x01020304}, CCopyDataBlock::Integer),
         {2, 2, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 4, 3, 2, 1}},
        {BlockOf<std::int32_t>({2000}, CCopyDataBlock::Long), {2, 1, 0, 1, 0, 0xD0, 0x07, 0, 0}},
        {BlockOf<float>({1.5f}, CCopyDataBlock::Float), {2, 1, 0, 2, 0, 0, 0, 0xC0, 0x3F}},
        {BlockOf<double>({46363.5}, CCopyDataBlock::Double),
         {2, 1, 0, 3, 0, 0, 0, 0, 0, 0x70, 0xA3, 0xE6, 0x40}},
        {BlockOf<std::uint8_t>({0, 0x80, 0xFF}, CCopyDataBlock::Byte), {2, 3, 0, 4, 0, 0, 0x80, 0xFF}},
        {TextBlock("ab"), {2, 3, 0, 5, 0, 'a', 'b', 0}},
        {BlockOf<std::uint32_t>({0x3FFF001A}, CCopyDataBlock::Dword), {2, 1, 0, 6, 0, 0x1A, 0, 0xFF, 0x3F}},
        {CCopyDataBlock(&unused, 0, CCopyDataBlock::Unknown), {2, 0, 0, 7, 0}},
        {CCopyDataBlock(), {2, 0, 0, 8, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.block.Type());
        EXPECT_EQ(StoredBytes(c.block), c.expected);
        const CCopyDataBlock loaded = LoadedBlock(c.expected);
        EXPECT_EQ(loaded.Type(), c.block.Type());
        EXPECT_EQ(loaded.Count(), c.block.Count());
        EXPECT_EQ(ElementBytes(loaded), ElementBytes(c.block));
        EXPECT_EQ(StoredBytes(loaded), c.expected);
    }
}

TEST_F(BlockTest, LargestBlockRoundTrips) {
    std::vector<double> values(0xFFFF);
    for (std::size_t i = 0; i < values.size(); ++i)
        values[i] = std::sqrt(static_cast<double>(i));
    const CCopyDataBlock block = BlockOf(values, CCopyDataBlock::Double);
    const Bytes stored = StoredBytes(block);
    ASSERT_EQ(stored.size(), 5u + 0xFFFF * 8);
    EXPECT_EQ(0, std::memcmp(stored.data() + 5, values.data(), values.size() * 8));
    EXPECT_EQ(StoredBytes(LoadedBlock(stored)), stored);
}

TEST_F(BlockTest, LoadTakesTheVersionAndTheLowTypeBitsOnly) {
    const CCopyDataBlock block = LoadedBlock({9, 2, 0, 0x35, 0x77, 'h', 0});
    EXPECT_EQ(block.Version(), 9);
    EXPECT_EQ(block.Type(), CCopyDataBlock::Char);
    EXPECT_EQ(StoredBytes(block), (Bytes{2, 2, 0, 5, 0, 'h', 0}));
}

TEST_F(BlockTest, UnknownBlockWithCountLoadsWithoutElements) {
    const CCopyDataBlock block = LoadedBlock({2, 5, 0, 7, 0});
    EXPECT_EQ(block.Count(), 5);
    EXPECT_TRUE(block.HasData());
    EXPECT_EQ(block.TotalSize(), 0u);
    EXPECT_EQ(StoredBytes(block), (Bytes{2, 5, 0, 7, 0}));
    // Assignment drops the count of a block that cannot carry data.
    const CCopyDataBlock copy = block;
    EXPECT_EQ(copy.Type(), CCopyDataBlock::Unknown);
    EXPECT_EQ(copy.Count(), 0);
    EXPECT_FALSE(copy.HasData());
}

TEST_F(BlockTest, TruncatedBlockThrowsEndOfFileAndKeepsTheOldBlock) {
    const Bytes full = StoredBytes(BlockOf<double>({1.0, 2.0}, CCopyDataBlock::Double));
    for (std::size_t length = 0; length < full.size(); ++length) {
        CCopyDataBlock block = TextBlock("old");
        ArchiveReader reader{std::span<const std::uint8_t>(full).first(length)};
        try {
            block.Load(reader);
            ADD_FAILURE() << "loaded from " << length << " bytes";
        } catch (const ArchiveException& e) {
            EXPECT_EQ(e.cause(), ArchiveException::endOfFile);
        }
        EXPECT_EQ(StoredBytes(block), StoredBytes(TextBlock("old")));
    }
}

TEST_F(BlockTest, HugeCountWithFewBytesThrowsEndOfFile) {
    const Bytes bytes = {2, 0xFF, 0xFF, 3, 0, 1, 2, 3};
    ArchiveReader reader(bytes);
    CCopyDataBlock block;
    EXPECT_THROW(block.Load(reader), ArchiveException);
    EXPECT_EQ(block.Type(), CCopyDataBlock::Empty);
}

TEST_F(BlockTest, FirstFileFormHasNoVersionByte) {
    const Bytes bytes = {1, 0, 4, 0, 0x2A};
    ArchiveReader reader(bytes);
    CCopyDataBlock block;
    block.LoadWithoutVersion(reader);
    EXPECT_TRUE(reader.AtEnd());
    EXPECT_EQ(block.Type(), CCopyDataBlock::Byte);
    EXPECT_EQ(ElementBytes(block), (Bytes{0x2A}));
}

TEST_F(BlockTest, CopiesAreDeepAndMovesLeaveAnEmptyBlock) {
    CCopyDataBlock original = BlockOf<std::int32_t>({7, 8, 9}, CCopyDataBlock::Long);
    CCopyDataBlock copy(original);
    EXPECT_NE(copy.Data(), original.Data());
    EXPECT_EQ(ElementBytes(copy), ElementBytes(original));

    CCopyDataBlock assigned = TextBlock("replaced");
    assigned = original;
    EXPECT_EQ(assigned.Type(), CCopyDataBlock::Long);
    EXPECT_EQ(ElementBytes(assigned), ElementBytes(original));
    assigned = static_cast<const CCopyDataBlock&>(assigned); // self-assignment keeps the data
    EXPECT_EQ(ElementBytes(assigned), ElementBytes(original));

    const std::uint8_t* buffer = original.Data();
    CCopyDataBlock moved(std::move(original));
    EXPECT_EQ(moved.Data(), buffer);
    EXPECT_EQ(original.Type(), CCopyDataBlock::Empty); // NOLINT(bugprone-use-after-move)
    EXPECT_EQ(original.Count(), 0);
    EXPECT_FALSE(original.HasData());

    copy = std::move(moved);
    EXPECT_EQ(copy.Data(), buffer);
    EXPECT_EQ(copy.Count(), 3);
    EXPECT_FALSE(moved.HasData()); // NOLINT(bugprone-use-after-move)
}

TEST_F(BlockTest, InvalidTypeInConstructorShowsItsMessages) {
    expectMessages = true;
    const std::uint32_t values[] = {1, 2, 3};
    const CCopyDataBlock block(values, 3, 12);
    EXPECT_EQ(messages.texts, (std::vector<std::string>{
                                  "Invalid data type passed to 3 param constructor [12]",
                                  "Invalid CCopyDataBlock data type [12] detected in GetByteSize",
                                  "3 param constructor calculated invalid data type [12]",
                              }));
    EXPECT_TRUE(messages.plain);
    EXPECT_EQ(block.Type(), 12u);
    EXPECT_EQ(block.Count(), 3);

    messages.texts.clear();
    const CCopyDataBlock fromNull(nullptr, 3, 25);
    EXPECT_EQ(messages.texts, (std::vector<std::string>{
                                  "Invalid data type passed to 3 param constructor [25]",
                                  "3 param constructor calculated invalid data type [25]",
                              }));
    EXPECT_EQ(fromNull.Type(), CCopyDataBlock::Empty);
}

TEST_F(BlockTest, InvalidTypeInAssignmentShowsItsMessages) {
    expectMessages = true;
    const CCopyDataBlock invalid = LoadedBlock({2, 2, 0, 13, 0});
    messages.texts.clear();
    CCopyDataBlock copy;
    copy = invalid;
    EXPECT_EQ(messages.texts, (std::vector<std::string>{
                                  "Invalid data type passed to assignment operator [13]",
                                  "Invalid CCopyDataBlock data type [13] detected in GetByteSize",
                                  "assignment operator calculated invalid data type [13]",
                              }));
    EXPECT_EQ(copy.Type(), 13u);
    EXPECT_EQ(copy.Count(), 2);
}

TEST_F(BlockTest, InvalidTypeSizeIsZero) {
    expectMessages = true;
    EXPECT_EQ(CCopyDataBlock::GetByteSize(9), 0u);
    EXPECT_EQ(messages.texts,
              (std::vector<std::string>{"Invalid CCopyDataBlock data type [9] detected in GetByteSize"}));
}

} // namespace
