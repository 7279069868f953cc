// Texts as an instrument's bytes: every byte value crosses the driver unchanged and as
// the same character of the code page, the records hold the same bytes, and a text longer
// than a record holds is marked as cut in the record and in the log.
#include "code_page.h"
#include "debugger_peer.h"
#include "driver_fixture.h"
#include "record_blocks.h"

#include <cstdlib>
#include <gtest/gtest.h>

namespace corvid::driver::testing {
namespace {

using link::CCopyDataBlock;
using link::CGPIBCommandInfo;

// The 256 byte values, and the same as the Latin-1 characters of an automation text.
std::string AllBytes() {
    std::string bytes;
    for (int b = 0; b < 256; ++b)
        bytes.push_back(static_cast<char>(b));
    return bytes;
}
std::u16string AllLatin1() {
    std::u16string text;
    for (int b = 0; b < 256; ++b)
        text.push_back(static_cast<char16_t>(b));
    return text;
}

std::string BlockBytesWithoutZero(const CCopyDataBlock& block) {
    std::string bytes = BlockBytes(block);
    EXPECT_FALSE(bytes.empty());
    EXPECT_EQ(bytes.back(), '\0') << "a recorded text ends in its zero byte";
    return bytes.substr(0, bytes.size() - 1);
}

class TextBytes : public DriverTest {
protected:
    void SetUp() override { Open(); }
    void StartPeer(corvid::testing::PeerScript script = {}) {
        peer.emplace(std::move(script));
        log->entries.clear();
    }
    void TearDown() override { ::unsetenv("CORVID_CODEPAGE"); }

    std::optional<corvid::testing::DebuggerPeer> peer;
};

TEST_F(TextBytes, EveryByteValueRoundTripsAndMatchesItsRecord) {
    StartPeer();
    const std::string bytes = AllBytes();
    const Bstr text(AllLatin1());
    ASSERT_EQ(gpib->Write(text.get()), S_OK) << TakeErrorDescription();
    ASSERT_EQ(visa.written.size(), 1u);
    EXPECT_EQ(visa.written[0], bytes);

    visa.replies = {bytes};
    Bstr reply;
    ASSERT_EQ(gpib->Read(reply.Out(), 1000), S_OK) << TakeErrorDescription();
    EXPECT_EQ(reply.View(), AllLatin1());

    visa.replies = {bytes};
    Bstr queried;
    ASSERT_EQ(gpib->Query(text.get(), queried.Out(), 1000), S_OK) << TakeErrorDescription();
    EXPECT_EQ(queried.View(), AllLatin1());
    EXPECT_EQ(visa.written.at(1), bytes);

    const std::vector<CGPIBCommandInfo> records = peer->Records();
    ASSERT_EQ(records.size(), 4u);
    EXPECT_EQ(BlockBytesWithoutZero(records[0].Sent()), bytes);
    EXPECT_EQ(BlockBytesWithoutZero(records[1].Received()), bytes);
    EXPECT_EQ(BlockBytesWithoutZero(records[2].Sent()), bytes);
    EXPECT_EQ(BlockBytesWithoutZero(records[3].Received()), bytes);

    // The log shows the characters, not replacement marks.
    ASSERT_GE(log->entries.size(), 2u);
    EXPECT_EQ(log->entries[0].text, "Write : " + com::Utf8FromUtf16(AllLatin1()));
    EXPECT_EQ(log->entries[1].text, "Read : " + com::Utf8FromUtf16(AllLatin1()));
}

TEST_F(TextBytes, ARecordedAnswerReplaysAsTheSameText) {
    StartPeer();
    using namespace std::string_literals;
    visa.replies = {"12.5 \xB0"
                    "C\0end\n\0"s}; // an instrument may send zero bytes, also last
    Bstr live;
    ASSERT_EQ(gpib->Read(live.Out(), 100), S_OK);
    const std::vector<CGPIBCommandInfo> recorded = peer->Records();
    ASSERT_EQ(recorded.size(), 1u);

    StartPeer({.playbackAnswer = 1, .replays = recorded});
    Bstr replayed;
    ASSERT_EQ(gpib->Read(replayed.Out(), 100), S_OK) << TakeErrorDescription();
    EXPECT_EQ(replayed.View(), live.View());
    EXPECT_EQ(live.View().substr(0, 7), u"12.5 \u00B0C");
}

TEST_F(TextBytes, TheCodePageIsChosenByTheEnvironment) {
    ::setenv("CORVID_CODEPAGE", "437", 1);
    ASSERT_EQ(gpib->Write(Bstr(std::u16string_view(u"R=10 \u03A9, 25 \u00B0C, 3 \u00B5A, \u20AC")).get()),
              S_OK);
    EXPECT_EQ(visa.written.at(0), "R=10 \xEA, 25 \xF8"
                                  "C, 3 \xE6"
                                  "A, ?")
        << "the euro is not in code page 437";
    visa.replies = {"\xEA\xF8\xE6"};
    Bstr reply;
    ASSERT_EQ(gpib->Read(reply.Out(), 10), S_OK);
    EXPECT_EQ(reply.View(), u"\u03A9\u00B0\u00B5");

    ::setenv("CORVID_CODEPAGE", "1252", 1);
    visa.replies = {"\x80\xB5"};
    ASSERT_EQ(gpib->Read(reply.Out(), 10), S_OK);
    EXPECT_EQ(reply.View(), u"\u20AC\u00B5");
}

TEST_F(TextBytes, TextsLongerThanARecordHoldsAreMarkedAsCut) {
    const std::string longText(70000, 'x');
    const auto logText = [this](std::size_t entry) {
        return log->entries.at(entry).text;
    };
    // Without a debugger nothing is recorded, so nothing is said.
    log->entries.clear();
    ASSERT_EQ(gpib->Write(Bstr(longText).get()), S_OK);
    EXPECT_TRUE(logText(0) == "Write : " + longText);

    StartPeer();
    ASSERT_EQ(gpib->Write(Bstr(longText).get()), S_OK);
    EXPECT_EQ(visa.written.at(1).size(), 70000u) << "the instrument gets the whole text";
    visa.replies = {std::string(70001, 'y')};
    Bstr reply;
    ASSERT_EQ(gpib->Read(reply.Out(), 80000), S_OK);
    EXPECT_EQ(reply.Length(), 70001u);

    const std::vector<CGPIBCommandInfo> records = peer->Records();
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].Sent().Count(), 65535);
    EXPECT_EQ(records[0].Comments(), "Sent text cut to 65534 of 70000 characters");
    EXPECT_EQ(records[1].Received().Count(), 65535);
    EXPECT_EQ(records[1].Comments(), "Received text cut to 65534 of 70001 characters");
    ASSERT_EQ(log->entries.size(), 2u);
    EXPECT_TRUE(logText(0) ==
                "Write : " + longText + " [debugger record: Sent text cut to 65534 of 70000 characters]");
    EXPECT_TRUE(logText(1).ends_with(" [debugger record: Received text cut to 65534 of 70001 characters]"));

    // Replayed, the cut answer is logged as incomplete.
    StartPeer({.playbackAnswer = 1, .replays = {records[1]}});
    ASSERT_EQ(gpib->Read(reply.Out(), 80000), S_OK);
    EXPECT_EQ(reply.Length(), 65534u);
    ASSERT_EQ(log->entries.size(), 1u);
    EXPECT_EQ(log->entries[0].status, "Replayed answer is incomplete");
    EXPECT_EQ(log->entries[0].result, "FAILED");
}

TEST(CodePage, UnknownNamesFallBackToLatin1) {
    bool known = true;
    const CodePage page = CodePage::Named("klingon", &known);
    EXPECT_FALSE(known);
    EXPECT_EQ(page.ToUtf16("\xB5"), u"\u00B5");
    EXPECT_EQ(page.FromUtf16(u"\u00B5\u03A9"), "\xB5?");
}

} // namespace
} // namespace corvid::driver::testing
