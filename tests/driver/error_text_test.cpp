// The error description layout, its chaining, the numbers read from replies, and the
// value blocks of the records.
#include "com/error_info.h"
#include "driver_fixture.h"
#include "error_report.h"
#include "record_blocks.h"
#include "reply_numbers.h"
#include "result_error.h"

#include <gtest/gtest.h>
#include <limits>
#include <new>
#include <stdexcept>

namespace corvid::driver::testing {
namespace {

using link::CCopyDataBlock;

TEST(ErrorDescription, HasTheFixedLayout) {
    std::tm when{};
    when.tm_year = 2024 - 1900;
    when.tm_mon = 2;
    when.tm_mday = 5;
    when.tm_hour = 14;
    when.tm_min = 7;
    when.tm_sec = 9;
    EXPECT_EQ(ErrorDescription("CVisaGpib::Read", "GPIB Error", when),
              "[Command : CVisaGpib::Read] [Date : March 05, 2024, 14:07:09] [Message : GPIB Error]");
}

TEST(ErrorDescription, ChainsTheNestedCommandAndKeepsItsMessage) {
    ChainedText chained = ChainDescription(
        "[Command : CVisaGpib::Read] [Date : March 05, 2024, 14:07:09] [Message : GPIB Error: Timeout]",
        "CVisaGpib::Query");
    EXPECT_EQ(chained.command, "CVisaGpib::Read, CVisaGpib::Query");
    EXPECT_EQ(chained.message, "GPIB Error: Timeout");

    chained = ChainDescription("something else went wrong", "CVisaGpib::Query");
    EXPECT_EQ(chained.command, "CVisaGpib::Query");
    EXPECT_EQ(chained.message, "Error");

    // Cut descriptions do not read past their end.
    chained = ChainDescription("[Command :", "X");
    EXPECT_EQ(chained.command, ", X");
    chained = ChainDescription("[Message : no closing bracket", "X");
    EXPECT_EQ(chained.message, "no closing bracket");
}

class Boundary : public ::testing::Test {
protected:
    void SetUp() override { SetErrorInfo(0, nullptr); }

    template <class Throw>
    HRESULT Catch(Throw&& toss) {
        try {
            toss();
        } catch (...) {
            return ReportCurrentException("CVisaGpib::Member", IGpib::iid);
        }
        return S_OK;
    }
};

TEST_F(Boundary, OwnMessagesAreReportedWithTheMembersCommand) {
    EXPECT_EQ(Catch([] { throw CResultError(E_INVALIDARG, "bad"); }), E_INVALIDARG);
    ErrorDetails details = TakeErrorDetails().value();
    EXPECT_EQ(CommandOf(details.description), "CVisaGpib::Member");
    EXPECT_EQ(MessageOf(details.description), "bad");
    EXPECT_EQ(details.source, "VisaGpib.VisaGpib.1");
    EXPECT_EQ(details.interfaceId, IGpib::iid);
    // A result that is no failure becomes E_FAIL.
    EXPECT_EQ(Catch([] { throw CResultError(S_FALSE, "odd"); }), E_FAIL);
}

TEST_F(Boundary, NestedFailuresChainTheThreadsErrorInformation) {
    ReportError("CVisaGpib::Write", "GPIB Error", IGpib::iid, VISAGPIB_E_IO);
    EXPECT_EQ(Catch([] { throw CResultError::Nested(VISAGPIB_E_IO); }), VISAGPIB_E_IO);
    std::string description = TakeErrorDescription();
    EXPECT_EQ(CommandOf(description), "CVisaGpib::Write, CVisaGpib::Member");
    EXPECT_EQ(MessageOf(description), "GPIB Error");

    // Without error information on the thread: the member's command and "Error".
    EXPECT_EQ(Catch([] { throw CResultError::Nested(E_FAIL); }), E_FAIL);
    description = TakeErrorDescription();
    EXPECT_EQ(CommandOf(description), "CVisaGpib::Member");
    EXPECT_EQ(MessageOf(description), "Error");
}

TEST_F(Boundary, OtherExceptions) {
    EXPECT_EQ(Catch([] { throw std::bad_alloc(); }), E_OUTOFMEMORY);
    TakeErrorDescription();
    EXPECT_EQ(Catch([] { throw std::runtime_error(std::string(3000, 'x')); }), E_FAIL);
    EXPECT_EQ(MessageOf(TakeErrorDescription()).size(), 1024u);
    EXPECT_EQ(Catch([] { throw 42; }), E_UNEXPECTED);
    EXPECT_EQ(MessageOf(TakeErrorDescription()), "Caught unknown Exception");
}

TEST(ReplyNumbers, ReadLikeTheCLibraryDoes) {
    EXPECT_EQ(LeadingInteger("+12.7E0\n"), 12);
    EXPECT_EQ(LeadingInteger("  -42 V"), -42);
    EXPECT_EQ(LeadingInteger("V 42"), 0);
    EXPECT_EQ(LeadingInteger(""), 0);
    EXPECT_EQ(LeadingInteger("99999999999"), std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(LeadingInteger("-99999999999"), std::numeric_limits<std::int32_t>::min());
    EXPECT_DOUBLE_EQ(LeadingDouble("+12.7E0\n"), 12.7);
    EXPECT_DOUBLE_EQ(LeadingDouble("\t-1.5e-3,2"), -1.5e-3);
    EXPECT_DOUBLE_EQ(LeadingDouble(".5"), 0.5);
    EXPECT_EQ(LeadingDouble("OVLD"), 0.0);
    EXPECT_EQ(LeadingDouble("+-1"), 0.0);
    EXPECT_EQ(LeadingDouble("1e999"), std::numeric_limits<double>::infinity());
    EXPECT_EQ(LeadingDouble("1e-999"), 0.0);
}

TEST(RecordBlocks, TextsCarryTheirZeroByte) {
    CCopyDataBlock text = blocks::Text("*IDN?");
    EXPECT_EQ(text.Type(), CCopyDataBlock::Char);
    EXPECT_EQ(text.Count(), 6);
    EXPECT_EQ(BlockBytes(text), std::string("*IDN?\0", 6));
    EXPECT_EQ(blocks::Text("").Count(), 1);
    CCopyDataBlock cut = blocks::Text(std::string(70000, 'a'));
    EXPECT_EQ(cut.Count(), 0xFFFF);
    EXPECT_EQ(cut.Data()[0xFFFE], 0);
}

TEST(RecordBlocks, BlocksWithoutElementsKeepTheirType) {
    CCopyDataBlock none = blocks::NoElements(CCopyDataBlock::Byte);
    EXPECT_EQ(none.Type(), CCopyDataBlock::Byte);
    EXPECT_EQ(none.Count(), 0);
    EXPECT_EQ(blocks::Array(nullptr, 0, CCopyDataBlock::Double).Type(), CCopyDataBlock::Double);
    link::CGPIBCommandInfo record(0, 22, link::actionSetAttribute, nullptr, &none, nullptr);
    EXPECT_EQ(record.ActionFlags(), link::actionSetAttribute | link::CGPIBCommandInfo::sentPresent);
}

TEST(RecordBlocks, ShortsAreWidenedAndLongArraysCut) {
    std::int16_t shorts[] = {-1, 32767, -32768};
    CCopyDataBlock widened = blocks::WidenedShorts(shorts, 3);
    EXPECT_EQ(widened.Type(), CCopyDataBlock::Integer);
    EXPECT_EQ(widened.Count(), 3);
    std::int32_t values[3];
    std::memcpy(values, widened.Data(), sizeof values);
    EXPECT_EQ(values[0], -1);
    EXPECT_EQ(values[1], 32767);
    EXPECT_EQ(values[2], -32768);
    std::vector<double> many(70000, 1.0);
    EXPECT_EQ(blocks::Array(many.data(), many.size(), CCopyDataBlock::Double).Count(), 0xFFFF);
}

} // namespace
} // namespace corvid::driver::testing
