#include "block_helpers.h"
#include "link/gpib_command_info.h"
#include "message_capture.h"

#include <cstring>
#include <gtest/gtest.h>

using namespace corvid::link;
using namespace corvid::link::testing;

namespace {

class RecordTest : public ::testing::Test {
protected:
    void TearDown() override { EXPECT_TRUE(messages.texts.empty()) << messages.texts.front(); }
    MessageCapture messages;
};

// A record with all three blocks present and a fixed time.
CGPIBCommandInfo FullRecord() {
    const CCopyDataBlock parameters = BlockOf<std::uint32_t>({0x3FFF001A}, CCopyDataBlock::Dword);
    const CCopyDataBlock sent = TextBlock("MEAS?");
    const CCopyDataBlock received = BlockOf<double>({1.25, -3.5}, CCopyDataBlock::Double);
    CGPIBCommandInfo record(1, 22, actionRead, &parameters, &sent, &received);
    record.SetTime({46363.5, OleDateTime::valid});
    record.SetComments("checked");
    return record;
}

Bytes Header(std::uint8_t version, std::uint8_t flags) {
    return {version, 22, 1, flags, 0, 0, 0, 0, 0, 0, 0, 0, 0x70, 0xA3, 0xE6, 0x40};
}

Bytes Concat(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

TEST_F(RecordTest, DefaultRecordIsSeventeenBytes) {
    CGPIBCommandInfo record;
    record.SetTime({46363.5, OleDateTime::valid});
    EXPECT_EQ(record.Version(), 2);
    EXPECT_EQ(record.Sent().Type(), CCopyDataBlock::Empty);
    EXPECT_EQ(record.Parameters().Type(), CCopyDataBlock::Empty);
    EXPECT_EQ(record.Received().Type(), CCopyDataBlock::Empty);
    const Bytes expected = {2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x70, 0xA3, 0xE6, 0x40, 0};
    EXPECT_EQ(record.Serialize(), expected);
}

TEST_F(RecordTest, BlocksSerialiseAsReceivedParametersSent) {
    const Bytes expected = Concat({Header(2, actionRead | 0xE0),
                                   {7, 'c', 'h', 'e', 'c', 'k', 'e', 'd'},
                                   StoredBytes(BlockOf<double>({1.25, -3.5}, CCopyDataBlock::Double)),
                                   StoredBytes(BlockOf<std::uint32_t>({0x3FFF001A}, CCopyDataBlock::Dword)),
                                   StoredBytes(TextBlock("MEAS?"))});
    EXPECT_EQ(FullRecord().Serialize(), expected);
}

TEST_F(RecordTest, PresenceBitsFollowTheBlocksGiven) {
    const std::uint32_t unused = 0;
    const CCopyDataBlock dwordNoElements(&unused, 0, CCopyDataBlock::Dword);
    const CCopyDataBlock unknown(&unused, 4, CCopyDataBlock::Unknown);
    const CCopyDataBlock nullDouble(nullptr, 4, CCopyDataBlock::Double);
    CGPIBCommandInfo record(0, 5, actionWaitOnEvent, &dwordNoElements, &nullDouble, &unknown);
    EXPECT_EQ(record.ActionCode(), actionWaitOnEvent);
    EXPECT_EQ(record.ActionFlags(),
              actionWaitOnEvent | CGPIBCommandInfo::parametersPresent | CGPIBCommandInfo::receivedPresent);
    EXPECT_EQ(record.Parameters().Type(), CCopyDataBlock::Dword);
    EXPECT_EQ(record.Received().Type(), CCopyDataBlock::Unknown);
    EXPECT_EQ(record.Sent().Type(), CCopyDataBlock::Empty);

    CGPIBCommandInfo none(0, 5, actionClear, nullptr, nullptr, nullptr);
    EXPECT_EQ(none.ActionFlags(), actionClear);
}

TEST_F(RecordTest, SettingTheActionKeepsThePresenceBits) {
    CGPIBCommandInfo record = FullRecord();
    record.SetActionCode(actionButtonClick);
    EXPECT_EQ(record.ActionFlags(), actionButtonClick | 0xE0);
    record.SetActionCode(0xFF); // only five bits are the action
    EXPECT_EQ(record.ActionFlags(), 0xFF);
    record.SetActionCode(0);
    EXPECT_EQ(record.ActionFlags(), 0xE0);
}

TEST_F(RecordTest, ConstructorTakesOnlyFiveActionBits) {
    CGPIBCommandInfo record(0, 0, 0xE2, nullptr, nullptr, nullptr);
    EXPECT_EQ(record.ActionFlags(), actionWrite);
}

TEST_F(RecordTest, RecordRoundTripsByteExact) {
    const CGPIBCommandInfo record = FullRecord();
    const Bytes bytes = record.Serialize();
    const CGPIBCommandInfo loaded = CGPIBCommandInfo::FromBytes(bytes);
    EXPECT_EQ(loaded.Serialize(), bytes);
    EXPECT_EQ(loaded.BusAddress(), 22);
    EXPECT_EQ(loaded.BoardNumber(), 1);
    EXPECT_EQ(loaded.Comments(), "checked");
    EXPECT_EQ(loaded.Time(), (OleDateTime{46363.5, OleDateTime::valid}));
    EXPECT_EQ(loaded.Sent().GetString(true, 100), "MEAS?");
}

TEST_F(RecordTest, CopiesAreIndependent) {
    CGPIBCommandInfo record = FullRecord();
    const CGPIBCommandInfo copy = record;
    record.Sent() = TextBlock("other");
    record.SetComments("changed");
    EXPECT_EQ(copy.Serialize(), FullRecord().Serialize());
}

TEST_F(RecordTest, LongCommentUsesTheLongerLengthForm) {
    CGPIBCommandInfo record;
    record.SetComments(std::string(300, 'c'));
    const Bytes bytes = record.Serialize();
    EXPECT_EQ(bytes[16], 0xFF);
    EXPECT_EQ(bytes[17], 300 & 0xFF);
    EXPECT_EQ(bytes[18], 300 >> 8);
    EXPECT_EQ(CGPIBCommandInfo::FromBytes(bytes).Comments(), std::string(300, 'c'));
}

TEST_F(RecordTest, VersionOneLoadsWithoutCommentAndIsWrittenAsVersionTwo) {
    const Bytes block = StoredBytes(TextBlock("*IDN?"));
    const Bytes versionOne = Concat({Header(1, actionWrite | 0x80), block});
    CGPIBCommandInfo record;
    record.SetComments("stale");
    ArchiveReader reader(versionOne);
    record.Load(reader);
    EXPECT_TRUE(reader.AtEnd());
    EXPECT_EQ(record.Version(), 2);
    EXPECT_EQ(record.Comments(), "");
    EXPECT_EQ(record.Serialize(), Concat({Header(2, actionWrite | 0x80), {0}, block}));
}

TEST_F(RecordTest, OtherVersionsAreBadSchema) {
    for (std::uint8_t version : {0, 3, 255}) {
        const Bytes bytes = Concat({Header(version, 0), {0}});
        try {
            CGPIBCommandInfo::FromBytes(bytes);
            ADD_FAILURE() << "version " << int(version) << " loaded";
        } catch (const ArchiveException& e) {
            EXPECT_EQ(e.cause(), ArchiveException::badSchema);
        }
    }
}

TEST_F(RecordTest, ShortTimeIsEndOfFileEvenWithABadVersion) {
    const Bytes bytes = {9, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    try {
        CGPIBCommandInfo::FromBytes(bytes);
        FAIL() << "loaded";
    } catch (const ArchiveException& e) {
        EXPECT_EQ(e.cause(), ArchiveException::endOfFile);
    }
}

TEST_F(RecordTest, EveryTruncationThrowsEndOfFileAndLeavesTheRecord) {
    const Bytes full = FullRecord().Serialize();
    CGPIBCommandInfo target(3, 4, actionLock, nullptr, nullptr, nullptr);
    target.Parameters() = TextBlock("before");
    target.SetActionFlags(actionLock | CGPIBCommandInfo::parametersPresent);
    const Bytes before = target.Serialize();
    for (std::size_t length = 0; length < full.size(); ++length) {
        ArchiveReader reader{std::span<const std::uint8_t>(full).first(length)};
        try {
            target.Load(reader);
            ADD_FAILURE() << "loaded from " << length << " bytes";
        } catch (const ArchiveException& e) {
            EXPECT_EQ(e.cause(), ArchiveException::endOfFile) << length;
        }
        ASSERT_EQ(target.Serialize(), before) << length;
    }
}

TEST_F(RecordTest, BlocksWithTheirBitClearKeepTheirContents) {
    CGPIBCommandInfo record = FullRecord();
    const Bytes bytes = Concat({Header(2, actionClear), {0}});
    ArchiveReader reader(bytes);
    record.Load(reader);
    EXPECT_EQ(record.ActionFlags(), actionClear);
    EXPECT_EQ(record.Sent().GetString(true, 100), "MEAS?");
    EXPECT_EQ(record.Received().Count(), 2);
}

TEST_F(RecordTest, BytesAfterTheRecordAreNotRead) {
    const Bytes bytes = Concat({FullRecord().Serialize(), {0xEE, 0xEE}});
    ArchiveReader reader(bytes);
    CGPIBCommandInfo record;
    record.Load(reader);
    EXPECT_EQ(reader.Remaining(), 2u);
    EXPECT_EQ(CGPIBCommandInfo::FromBytes(bytes).Serialize(), FullRecord().Serialize());
}

TEST_F(RecordTest, NewRecordsAreStampedNow) {
    const double before = NowAsOleDate();
    const CGPIBCommandInfo record;
    const double after = NowAsOleDate();
    EXPECT_EQ(record.Time().status, OleDateTime::valid);
    EXPECT_GE(record.Time().date, before);
    EXPECT_LE(record.Time().date, after);
}

TEST(ActionNames, EveryCodeHasItsName) {
    const char* names[] = {"UNKNOWN",     "READ",       "WRITE",         "TRIGGER",     "SETATTRIBUTE",
                           "READSTB",     "CLEAR",      "ASSERTTRIGGER", "ENABLEEVENT", "DISABLEEVENT",
                           "WAITONEVENT", "STATUSDESC", "OPENDEFAULTRM", "OPEN",        "LOCK",
                           "UNLOCK",      "CLOSE",      "UNKNOWN",       "BUTTON CLICK"};
    for (unsigned code = 0; code < std::size(names); ++code)
        EXPECT_EQ(ActionName(code), names[code]) << code;
    EXPECT_EQ(ActionName(19), "UNKNOWN");
    EXPECT_EQ(ActionName(31), "UNKNOWN");
    EXPECT_EQ(ActionName(1000), "UNKNOWN");
}

TEST(DataTypeLabels, EditorLabels) {
    EXPECT_EQ(DataTypeLabel(CCopyDataBlock::Integer), "VT_I2 (short)");
    EXPECT_EQ(DataTypeLabel(CCopyDataBlock::Double), "VT_R8 (double)");
    EXPECT_EQ(DataTypeLabel(CCopyDataBlock::Char), "string/char");
    EXPECT_EQ(DataTypeLabel(CCopyDataBlock::Dword), "dword (32 bit value)");
    EXPECT_EQ(DataTypeLabel(CCopyDataBlock::Unknown), "");
    EXPECT_EQ(DataTypeLabel(CCopyDataBlock::Empty), "empty/null");
    EXPECT_EQ(DataTypeLabel(9), "");
}

} // namespace
