#include "link/archive.h"

#include <functional>
#include <gtest/gtest.h>

using namespace corvid::link;
using Bytes = std::vector<std::uint8_t>;

TEST(ArchiveWriter, WritesLittleEndianValues) {
    ArchiveWriter writer;
    writer.PutU8(0xAB);
    writer.PutU16(0x1234);
    writer.PutU32(0xDEADBEEF);
    writer.PutI32(-2);
    writer.PutF64(46363.5);
    writer.PutBytes(Bytes{9, 8});
    const Bytes expected = {0xAB, 0x34, 0x12, 0xEF, 0xBE, 0xAD, 0xDE, 0xFE, 0xFF, 0xFF, 0xFF,
                            0x00, 0x00, 0x00, 0x00, 0x70, 0xA3, 0xE6, 0x40, 9,    8};
    EXPECT_EQ(writer.Bytes(), expected);
    EXPECT_EQ(writer.Position(), expected.size());

    ArchiveReader reader(writer.Bytes());
    EXPECT_EQ(reader.GetU8(), 0xAB);
    EXPECT_EQ(reader.GetU16(), 0x1234);
    EXPECT_EQ(reader.GetU32(), 0xDEADBEEFu);
    EXPECT_EQ(reader.GetI32(), -2);
    EXPECT_EQ(reader.GetF64(), 46363.5);
    EXPECT_EQ(reader.Remaining(), 2u);
    const auto tail = reader.GetBytes(2);
    EXPECT_EQ(Bytes(tail.begin(), tail.end()), (Bytes{9, 8}));
    EXPECT_TRUE(reader.AtEnd());
}

TEST(ArchiveWriter, PatchesAnEarlierValue) {
    ArchiveWriter writer;
    writer.PutU8(1);
    writer.PutU32(0);
    writer.PutU8(2);
    writer.PatchU32(1, 0x01020304);
    EXPECT_EQ(writer.Bytes(), (Bytes{1, 4, 3, 2, 1, 2}));
    EXPECT_THROW(writer.PatchU32(3, 0), std::out_of_range);
}

// The prefix of a text of the given length, as the writer chooses it.
static Bytes TextPrefix(std::size_t length) {
    ArchiveWriter writer;
    writer.PutText(std::string(length, 'x'));
    return Bytes(writer.Bytes().begin(), writer.Bytes().end() - static_cast<std::ptrdiff_t>(length));
}

TEST(ArchiveText, WriterUsesTheShortestLengthForm) {
    EXPECT_EQ(TextPrefix(0), (Bytes{0}));
    EXPECT_EQ(TextPrefix(254), (Bytes{254}));
    EXPECT_EQ(TextPrefix(255), (Bytes{0xFF, 0xFF, 0x00}));
    EXPECT_EQ(TextPrefix(0xFFFD), (Bytes{0xFF, 0xFD, 0xFF}));
    EXPECT_EQ(TextPrefix(0xFFFE), (Bytes{0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0x00, 0x00}));
    EXPECT_EQ(TextPrefix(0x10000), (Bytes{0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x01, 0x00}));
}

TEST(ArchiveText, EveryFormReadsBack) {
    for (std::size_t length : {0u, 1u, 254u, 255u, 0xFFFDu, 0xFFFEu, 0x10001u}) {
        std::string text(length, 'a');
        if (length > 0)
            text.back() = '\xE9'; // bytes are kept as they are
        ArchiveWriter writer;
        writer.PutText(text);
        ArchiveReader reader(writer.Bytes());
        EXPECT_EQ(reader.GetText(), text) << length;
        EXPECT_TRUE(reader.AtEnd());
    }
}

TEST(ArchiveText, LongerFormsThanNeededAreAccepted) {
    const Bytes sixteen = {0xFF, 3, 0, 'a', 'b', 'c'};
    EXPECT_EQ(ArchiveReader(sixteen).GetText(), "abc");
    const Bytes thirtyTwo = {0xFF, 0xFF, 0xFF, 2, 0, 0, 0, 'h', 'i'};
    EXPECT_EQ(ArchiveReader(thirtyTwo).GetText(), "hi");
}

TEST(ArchiveText, WideTextMarkerIsRefused) {
    const Bytes wide = {0xFF, 0xFE, 0xFF, 1, 'a', 0};
    ArchiveReader reader(wide);
    try {
        reader.GetText();
        FAIL() << "no exception";
    } catch (const ArchiveException& e) {
        EXPECT_EQ(e.cause(), ArchiveException::generic);
    }
}

static ArchiveException::Cause CauseOf(const std::function<void()>& read) {
    try {
        read();
    } catch (const ArchiveException& e) {
        return e.cause();
    }
    ADD_FAILURE() << "no archive exception";
    return ArchiveException::generic;
}

TEST(ArchiveReader, ShortReadsThrowEndOfFileWithoutMoving) {
    const Bytes three = {1, 2, 3};
    ArchiveReader reader(three);
    EXPECT_EQ(CauseOf([&] { reader.GetU32(); }), ArchiveException::endOfFile);
    EXPECT_EQ(CauseOf([&] { reader.GetF64(); }), ArchiveException::endOfFile);
    EXPECT_EQ(CauseOf([&] { reader.GetBytes(4); }), ArchiveException::endOfFile);
    EXPECT_EQ(reader.Position(), 0u);
    EXPECT_EQ(reader.GetU16(), 0x0201);
    EXPECT_EQ(CauseOf([&] { reader.GetU16(); }), ArchiveException::endOfFile);
    EXPECT_EQ(reader.GetU8(), 3);
    EXPECT_EQ(CauseOf([&] { reader.GetU8(); }), ArchiveException::endOfFile);
    EXPECT_TRUE(reader.GetBytes(0).empty());
}

TEST(ArchiveReader, TextLongerThanTheDataThrowsEndOfFile) {
    const Bytes huge = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 'a'};
    EXPECT_EQ(CauseOf([&] { ArchiveReader(huge).GetText(); }), ArchiveException::endOfFile);
    const Bytes cutPrefix = {0xFF, 0xFF};
    EXPECT_EQ(CauseOf([&] { ArchiveReader(cutPrefix).GetText(); }), ArchiveException::endOfFile);
    const Bytes shortText = {5, 'a', 'b'};
    EXPECT_EQ(CauseOf([&] { ArchiveReader(shortText).GetText(); }), ArchiveException::endOfFile);
}
