#include "record_check.h"

#include <gtest/gtest.h>

namespace corvid::driver::testing {
namespace {

void ExpectBlock(const char* name, const link::CCopyDataBlock& block, const ExpectedBlock& expected) {
    SCOPED_TRACE(name);
    EXPECT_EQ(block.Type(), expected.type);
    EXPECT_EQ(block.Count(), expected.count);
    auto bytes = block.Bytes();
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(bytes.data()), bytes.size()), expected.bytes);
}

std::uint8_t Flags(const ExpectedRecord& expected) {
    auto present = [](const ExpectedBlock& block) {
        return block.type != link::CCopyDataBlock::Empty;
    };
    return static_cast<std::uint8_t>(expected.action | (present(expected.received) ? 0x20 : 0) |
                                     (present(expected.parameters) ? 0x40 : 0) |
                                     (present(expected.sent) ? 0x80 : 0));
}

} // namespace

void ExpectRecord(const link::CGPIBCommandInfo& record, const ExpectedRecord& expected) {
    SCOPED_TRACE(std::string(link::ActionName(expected.action)));
    EXPECT_EQ(record.ActionCode(), expected.action);
    EXPECT_EQ(record.ActionFlags(), Flags(expected));
    EXPECT_EQ(record.BoardNumber(), expected.board);
    EXPECT_EQ(record.BusAddress(), expected.address);
    EXPECT_EQ(record.Comments(), "");
    ExpectBlock("Parameters", record.Parameters(), expected.parameters);
    ExpectBlock("Received", record.Received(), expected.received);
    ExpectBlock("Sent", record.Sent(), expected.sent);
}

void ExpectRecords(const std::vector<link::CGPIBCommandInfo>& records,
                   const std::vector<ExpectedRecord>& expected) {
    ASSERT_EQ(records.size(), expected.size());
    for (std::size_t i = 0; i < records.size(); ++i) {
        SCOPED_TRACE("record " + std::to_string(i));
        ExpectRecord(records[i], expected[i]);
    }
}

} // namespace corvid::driver::testing
