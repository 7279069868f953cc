// Playback: reading operations answer from the debugger's recorded commands, sending
// operations skip the instrument but still report, and mismatches ask the user.
#include "debugger_peer.h"
#include "driver_fixture.h"
#include "record_check.h"
#include "visa_gpib.h"

#include <gtest/gtest.h>

namespace corvid::driver::testing {
namespace {

using link::CCopyDataBlock;
using link::CGPIBCommandInfo;
using ::testing::ElementsAre;
using namespace link; // action codes

constexpr const char* kOutOfSynch =
    "Actions have become out of synch during OMBRA replay.\r\n\r\nWould you like to continue replay?\r\n\r\n"
    "Pressing \"No\" will abort the test.\r\n(Warning: replay integrity is no longer guaranteed for this "
    "test)";
constexpr const char* kDebuggerError =
    "An unknown error was caused by the OMBRA Debugger application.\r\n"
    "The error may render this test and it's debug data in an unknown\r\nstate.";

CGPIBCommandInfo Recorded(std::uint8_t action, const CCopyDataBlock& received) {
    CCopyDataBlock parameters = blocks::Dword(77); // not looked at
    CGPIBCommandInfo record(3, 4, action, &parameters, nullptr, &received);
    record.SetComments("recorded");
    return record;
}

CGPIBCommandInfo RecordedText(const std::string& text) {
    return Recorded(actionRead, blocks::Text(text));
}

template <class T>
CGPIBCommandInfo RecordedValues(unsigned type, const std::vector<T>& values) {
    return Recorded(actionRead,
                    CCopyDataBlock(values.data(), static_cast<std::uint16_t>(values.size()), type));
}

// A driver object, not initialised, in front of a debugger that plays the records back.
class Replay : public DriverTest {
protected:
    void SetUp() override { setup->put_PrimaryAddress(22); }

    void Play(std::vector<CGPIBCommandInfo> replays, platform::MessageResult playback = 1) {
        peer.emplace(corvid::testing::PeerScript{.playbackAnswer = playback, .replays = std::move(replays)});
    }

    // The serialised form, for comparing an echo with what was played.
    static std::vector<std::uint8_t> Bytes(const CGPIBCommandInfo& record) { return record.Serialize(); }

    std::optional<corvid::testing::DebuggerPeer> peer;
};

TEST_F(Replay, QueryReportsTheWriteAndAnswersFromTheRecordedRead) {
    CGPIBCommandInfo recorded = RecordedText("FLUKE,5520A\n");
    Play({recorded});
    Bstr reply;
    ASSERT_EQ(gpib->Query(Bstr("*IDN?").get(), reply.Out(), 4), S_OK) << TakeErrorDescription();
    EXPECT_EQ(reply.Utf8(), "FLUKE,5520A\n"); // the maximum size does not apply
    EXPECT_TRUE(visa.calls.empty());
    auto records = peer->Records();
    ASSERT_EQ(records.size(), 2u);
    ExpectRecord(records[0], {actionWrite, {}, {}, TextBlock("*IDN?")});
    EXPECT_EQ(Bytes(records[1]), Bytes(recorded)); // echoed unchanged
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(Replay, TheRecordedTextEndsAtItsZeroByte) {
    Play({Recorded(actionRead, CCopyDataBlock("AB\0CD", 5, CCopyDataBlock::Char)),
          Recorded(actionRead, blocks::NoElements(CCopyDataBlock::Char))});
    Bstr reply;
    ASSERT_EQ(gpib->Read(reply.Out(), 100), S_OK);
    EXPECT_EQ(reply.Utf8(), "AB");
    ASSERT_EQ(gpib->Read(reply.Out(), 100), S_OK);
    EXPECT_EQ(reply.Utf8(), "");
}

TEST_F(Replay, SendingOperationsSkipTheInstrumentButReport) {
    Play({});
    SafeArrayPtr doubles(MakeArray<double>(VT_R8, {4.0}));
    EXPECT_EQ(gpib->Write(Bstr("OUT 2V").get()), S_OK);
    EXPECT_EQ(gpib->WriteRawDoubles(doubles.get()), S_OK);
    EXPECT_EQ(gpib->SetTimeOut(900), S_OK);
    EXPECT_EQ(gpib->Clear(), S_OK);
    EXPECT_EQ(gpib->Trigger(), S_OK);
    EXPECT_EQ(gpib->EnableServiceRequestEvent(VARIANT_TRUE), S_OK);
    EXPECT_EQ(gpib->WaitForServiceRequestEvent(10), S_OK);
    EXPECT_TRUE(visa.calls.empty());
    LONG timeOut = 0;
    setup->get_TimeOut(&timeOut);
    EXPECT_EQ(timeOut, 900);
    auto records = peer->Records();
    ASSERT_EQ(records.size(), 7u);
    ExpectRecord(records[0], {actionWrite, {}, {}, TextBlock("OUT 2V")});
    ExpectRecord(records[1], {actionWrite, {}, {}, ValuesBlock<double>(CCopyDataBlock::Double, {4.0})});
    EXPECT_THAT(TakeLogTexts(), ElementsAre("SetTimeOut 900", "Clear", "Trigger", "EnableServiceRequestEvent",
                                            "WaitForServiceRequestEvent"));
}

TEST_F(Replay, InitializeOpensNothingButReportsEveryStep) {
    Play({});
    ASSERT_EQ(setup->Initialize(), S_OK);
    EXPECT_TRUE(visa.calls.empty());
    ExpectRecords(peer->Records(), {{actionClose},
                                    {actionOpenDefaultRm, TextBlock(" (GPIB0::22)")},
                                    {actionOpen, TextBlock("GPIB0::22::INSTR")},
                                    {actionLock, DwordBlock(1)}});
    ASSERT_EQ(log->entries.size(), 3u);
    EXPECT_EQ(log->entries[0].status, "Ok, no IO error");
    EXPECT_EQ(log->entries[1].status, "Open Ok");
    EXPECT_EQ(setup->Close(), S_OK);
    EXPECT_TRUE(visa.calls.empty());
}

TEST_F(Replay, RawReadsTakeTheRecordedElements) {
    Play({RecordedValues<double>(CCopyDataBlock::Double, {1.0, 2.0, 3.0}),
          RecordedValues<std::int32_t>(CCopyDataBlock::Integer, {-5, 40000}),
          RecordedValues<float>(CCopyDataBlock::Float, {0.5f}),
          RecordedValues<std::uint8_t>(CCopyDataBlock::Byte, {9, 8}),
          RecordedValues<std::int32_t>(CCopyDataBlock::Long, {123456})});
    SafeArrayPtr doubles, shorts, floats, bytes, longs;
    ASSERT_EQ(gpib->ReadRawDoubles(doubles.Out(), 10), S_OK);
    ASSERT_EQ(gpib->ReadRaw16Bits(shorts.Out(), 1), S_OK);
    ASSERT_EQ(gpib->ReadRawFloats(floats.Out(), 0), S_OK);
    ASSERT_EQ(gpib->ReadRaw8Bits(bytes.Out(), -3), S_OK); // the count is not looked at
    ASSERT_EQ(gpib->ReadRaw32Bits(longs.Out(), 1), S_OK);
    EXPECT_THAT(ArrayValues<double>(doubles.get()), ElementsAre(1.0, 2.0, 3.0));
    EXPECT_THAT(ArrayValues<SHORT>(shorts.get()), ElementsAre(-5, static_cast<SHORT>(40000)));
    EXPECT_THAT(ArrayValues<float>(floats.get()), ElementsAre(0.5f));
    EXPECT_THAT(ArrayValues<BYTE>(bytes.get()), ElementsAre(9, 8));
    EXPECT_THAT(ArrayValues<LONG>(longs.get()), ElementsAre(123456));
    VARTYPE vt = 0;
    SafeArrayGetVartype(shorts.get(), &vt);
    EXPECT_EQ(vt, VT_I2);
    EXPECT_TRUE(visa.calls.empty());
    EXPECT_EQ(peer->Records().size(), 5u); // each echoed
}

TEST_F(Replay, StatusByteFromTheRecording) {
    Play({Recorded(actionReadStb, blocks::Byte(0x40))});
    BYTE stb = 0;
    ASSERT_EQ(gpib->ReadSTB(&stb), S_OK);
    EXPECT_EQ(stb, 0x40);
    EXPECT_TRUE(visa.calls.empty());
}

TEST_F(Replay, AMismatchAsksAndYesLeavesTheOutputAlone) {
    CGPIBCommandInfo wrongType = RecordedText("1.0");
    Play({wrongType});
    boxes.answers = {platform::MsgAnswer::Yes};
    SafeArrayPtr mine(MakeArray<double>(VT_R8, {7.0}));
    SAFEARRAY* output = mine.get();
    ASSERT_EQ(gpib->ReadRawDoubles(&output, 10), S_OK);
    EXPECT_EQ(output, mine.get());
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, kOutOfSynch);
    EXPECT_EQ(boxes.shown[0].buttons, platform::MsgButtons::YesNo);
    EXPECT_EQ(boxes.shown[0].icon, platform::MsgIcon::Warning);
    auto records = peer->Records();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(Bytes(records[0]), Bytes(wrongType));
}

TEST_F(Replay, NoToTheQuestionFailsTheOperation) {
    Play({Recorded(actionWrite, blocks::Text("wrong action")),
          RecordedValues<double>(CCopyDataBlock::Double, {1.0}),
          Recorded(actionReadStb, blocks::NoElements(CCopyDataBlock::Byte)),
          Recorded(actionRead, blocks::Byte(1))});
    boxes.answers = {platform::MsgAnswer::No, platform::MsgAnswer::No, platform::MsgAnswer::No,
                     platform::MsgAnswer::Yes};
    Bstr kept("kept");
    BSTR reply = kept.get();
    EXPECT_EQ(gpib->Read(&reply, 10), E_UNEXPECTED);
    std::string description = TakeErrorDescription();
    EXPECT_EQ(MessageOf(description), "Out of synch during replay");
    EXPECT_EQ(CommandOf(description), "CVisaGpib::Read");
    EXPECT_EQ(reply, kept.get());

    SafeArrayPtr shorts;
    EXPECT_EQ(gpib->ReadRaw16Bits(shorts.Out(), 1), E_UNEXPECTED);
    EXPECT_EQ(CommandOf(TakeErrorDescription()), "CVisaGpib::ReadRaw16bits");

    BYTE stb = 3;
    EXPECT_EQ(gpib->ReadSTB(&stb), E_UNEXPECTED); // a status byte block without data
    EXPECT_EQ(gpib->ReadSTB(&stb), S_OK);         // a READ record, continued
    EXPECT_EQ(stb, 3);
    EXPECT_EQ(boxes.shown.size(), 4u);
    EXPECT_EQ(peer->Records().size(), 4u); // every replayed record is echoed
}

TEST_F(Replay, ABrokenTransferIsShownAndTheOperationGoesOn) {
    peer.emplace(corvid::testing::PeerScript{.playbackAnswer = 1, .announcedSize = 40});
    Bstr kept("kept");
    BSTR reply = kept.get();
    EXPECT_EQ(gpib->Read(&reply, 10), S_OK);
    EXPECT_EQ(reply, kept.get());
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, kDebuggerError);
    EXPECT_EQ(boxes.shown[0].icon, platform::MsgIcon::Error);
    EXPECT_TRUE(peer->Records().empty()); // nothing echoed
    EXPECT_TRUE(visa.calls.empty());
}

TEST_F(Replay, WithoutARecordReadsRunLiveEvenInPlayback) {
    Play({});
    visa.replies = {"live"};
    Bstr reply;
    // In playback the initialised check is skipped; the instrument session is simply 0.
    EXPECT_EQ(gpib->Read(reply.Out(), 10), S_OK);
    EXPECT_EQ(reply.Utf8(), "live");
    EXPECT_THAT(visa.calls, ElementsAre("viRead 0 10"));
}

} // namespace
} // namespace corvid::driver::testing
