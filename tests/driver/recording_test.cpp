// The records each operation reports to a debugger (a scripted one in another process),
// compared block for block.
#include "debugger_peer.h"
#include "driver_fixture.h"
#include "record_check.h"
#include "visa_gpib.h"

#include <gtest/gtest.h>

namespace corvid::driver::testing {
namespace {

using link::CCopyDataBlock;
using ::testing::ElementsAre;
using namespace link; // action codes

class Recording : public DriverTest {
protected:
    void SetUp() override {
        Open();
        peer.Records();
    }

    corvid::testing::DebuggerPeer peer{{}};
};

TEST_F(Recording, EveryInitializeBeginsWithClose) {
    Bstr name("DMM");
    setup->put_InstanceName(name.get());
    setup->put_BoardAddress(1);
    setup->put_PrimaryAddress(9);
    ASSERT_EQ(setup->Initialize(), S_OK);
    ASSERT_EQ(setup->Initialize(), S_OK);
    std::vector<ExpectedRecord> once = {
        {actionClose, {}, {}, {}, 1, 9},
        {actionOpenDefaultRm, TextBlock("DMM (GPIB1::9)"), {}, {}, 1, 9},
        {actionOpen, TextBlock("GPIB1::9::INSTR"), {}, {}, 1, 9},
        {actionLock, DwordBlock(VI_EXCLUSIVE_LOCK), {}, {}, 1, 9},
    };
    std::vector<ExpectedRecord> twice = once;
    twice.insert(twice.end(), once.begin(), once.end());
    ExpectRecords(peer.Records(), twice);
}

TEST_F(Recording, FailingInitializeStepsReportWhatTheTableSays) {
    visa.statuses["viOpenDefaultRM"] = {VI_ERROR_SYSTEM_ERROR};
    EXPECT_EQ(setup->Initialize(), E_FAIL);
    ExpectRecords(peer.Records(), {{actionClose}});

    visa.statuses["viOpen"] = {VI_ERROR_RSRC_NFOUND};
    EXPECT_EQ(setup->Initialize(), VISAGPIB_E_IO);
    ExpectRecords(peer.Records(), {{actionClose},
                                   {actionOpenDefaultRm, TextBlock(" (GPIB0::22)")},
                                   {actionOpen, TextBlock("GPIB0::22::INSTR")}});

    visa.statuses["viLock"] = {VI_ERROR_RSRC_LOCKED};
    EXPECT_EQ(setup->Initialize(), E_FAIL);
    auto records = peer.Records();
    ASSERT_EQ(records.size(), 4u);
    ExpectRecord(records[3], {actionLock, DwordBlock(1)});
}

TEST_F(Recording, WritesAndReads) {
    visa.replies = {"5520A\n", "22\n"};
    Bstr reply;
    ASSERT_EQ(gpib->Write(Bstr("OUT 1V").get()), S_OK);
    ASSERT_EQ(gpib->Read(reply.Out(), 3), S_OK);
    ASSERT_EQ(gpib->Query(Bstr("ADDR?").get(), reply.Out(), 10), S_OK);
    ExpectRecords(peer.Records(), {{actionWrite, {}, {}, TextBlock("OUT 1V")},
                                   {actionRead, {}, TextBlock("552"), {}},
                                   {actionWrite, {}, {}, TextBlock("ADDR?")},
                                   {actionRead, {}, TextBlock("22\n"), {}}});
}

TEST_F(Recording, FailingWritesAndReadsReportNothing) {
    visa.statuses["viWrite"] = {VI_ERROR_TMO};
    Bstr reply;
    EXPECT_EQ(gpib->Write(Bstr("X").get()), VISAGPIB_E_IO);
    EXPECT_EQ(gpib->Read(reply.Out(), 3), VISAGPIB_E_IO);
    BYTE stb = 0;
    visa.statuses["viReadSTB"] = {VI_ERROR_TMO};
    EXPECT_EQ(gpib->ReadSTB(&stb), VISAGPIB_E_IO);
    visa.statuses["viClear"] = {VI_ERROR_TMO};
    EXPECT_EQ(gpib->Clear(), VISAGPIB_E_IO);
    EXPECT_TRUE(peer.Records().empty());
}

TEST_F(Recording, RawArraysTravelInBlocksOfTheirType) {
    std::vector<double> doubles = {1.5, 2.5};
    std::vector<float> floats = {0.25f};
    std::vector<BYTE> bytes = {1, 2, 3};
    std::vector<SHORT> shorts = {-2, 1000};
    std::vector<LONG> longs = {-100000};
    SafeArrayPtr a(MakeArray(VT_R8, doubles)), b(MakeArray(VT_R4, floats)), c(MakeArray(VT_UI1, bytes)),
        d(MakeArray(VT_I2, shorts)), e(MakeArray(VT_I4, longs));
    gpib->WriteRawDoubles(a.get());
    gpib->WriteRawFloats(b.get());
    gpib->WriteRaw8Bits(c.get());
    gpib->WriteRaw16Bits(d.get());
    gpib->WriteRaw32Bits(e.get());
    ExpectRecords(peer.Records(),
                  {{actionWrite, {}, {}, ValuesBlock(CCopyDataBlock::Double, doubles)},
                   {actionWrite, {}, {}, ValuesBlock(CCopyDataBlock::Float, floats)},
                   {actionWrite, {}, {}, ValuesBlock(CCopyDataBlock::Byte, bytes)},
                   {actionWrite, {}, {}, ValuesBlock<std::int32_t>(CCopyDataBlock::Integer, {-2, 1000})},
                   {actionWrite, {}, {}, ValuesBlock(CCopyDataBlock::Long, longs)}});

    visa.replies = {std::string(reinterpret_cast<const char*>(doubles.data()), 16) + "xyz",
                    std::string(reinterpret_cast<const char*>(shorts.data()), 4), "", "\x07"};
    SafeArrayPtr out;
    ASSERT_EQ(gpib->ReadRawDoubles(out.Out(), 5), S_OK);
    ASSERT_EQ(gpib->ReadRaw16Bits(out.Out(), 2), S_OK);
    ASSERT_EQ(gpib->ReadRawFloats(out.Out(), 2), S_OK);
    ASSERT_EQ(gpib->ReadRaw8Bits(out.Out(), 1), S_OK);
    ExpectRecords(peer.Records(),
                  {{actionRead, {}, ValuesBlock(CCopyDataBlock::Double, doubles), {}},
                   {actionRead, {}, ValuesBlock<std::int32_t>(CCopyDataBlock::Integer, {-2, 1000}), {}},
                   {actionRead, {}, NoElementsBlock(CCopyDataBlock::Float), {}},
                   {actionRead, {}, ValuesBlock<std::uint8_t>(CCopyDataBlock::Byte, {7}), {}}});
}

TEST_F(Recording, StatusByteClearAndTrigger) {
    visa.statusByte = 0x51;
    BYTE stb = 0;
    gpib->ReadSTB(&stb);
    gpib->Clear();
    gpib->Trigger();
    ExpectRecords(peer.Records(), {{actionReadStb, {}, ByteBlock(0x51), {}},
                                   {actionClear},
                                   {actionTrigger, DwordBlock(VI_TRIG_PROT_DEFAULT)}});
}

TEST_F(Recording, AttributesAreReportedEvenWhenTheyFail) {
    visa.statuses["viSetAttribute"] = {VI_SUCCESS, VI_ERROR_INV_OBJECT, VI_ERROR_INV_OBJECT,
                                       VI_ERROR_INV_OBJECT};
    EXPECT_EQ(gpib->SetTimeOut(3000), S_OK);
    EXPECT_EQ(gpib->SetTermChar('\n'), VISAGPIB_E_IO);
    EXPECT_EQ(gpib->TermCharOnOff(VARIANT_TRUE), VISAGPIB_E_IO);
    EXPECT_EQ(gpib->SendEndOnOff(VARIANT_FALSE), VISAGPIB_E_IO);
    EXPECT_EQ(gpib->TermCharOnOff(static_cast<VARIANT_BOOL>(1)), S_OK);
    ExpectRecords(
        peer.Records(),
        {{actionSetAttribute, DwordBlock(VI_ATTR_TMO_VALUE), {}, LongBlock(3000)},
         {actionSetAttribute, DwordBlock(VI_ATTR_TERMCHAR), {}, NoElementsBlock(CCopyDataBlock::Byte)},
         {actionSetAttribute, DwordBlock(VI_ATTR_TERMCHAR_EN), {}, IntegerBlock(-1)},
         {actionSetAttribute, DwordBlock(VI_ATTR_SEND_END_EN), {}, IntegerBlock(0)},
         {actionSetAttribute, DwordBlock(VI_ATTR_TERMCHAR_EN), {}, IntegerBlock(1)}});
}

TEST_F(Recording, AnUninitialisedAttributeIsStillReported) {
    setup->Close();
    peer.Records();
    EXPECT_EQ(gpib->SetTimeOut(10), E_UNEXPECTED);
    EXPECT_EQ(gpib->Write(Bstr("X").get()), E_UNEXPECTED);
    ExpectRecords(peer.Records(), {{actionSetAttribute, DwordBlock(VI_ATTR_TMO_VALUE), {}, LongBlock(10)}});
}

TEST_F(Recording, Events) {
    gpib->EnableTriggerEvent(VARIANT_TRUE);
    gpib->WaitForTriggerEvent(100);
    gpib->EnableTriggerEvent(VARIANT_FALSE);
    gpib->EnableServiceRequestEvent(VARIANT_TRUE);
    gpib->WaitForServiceRequestEvent(2000);
    ExpectRecords(peer.Records(),
                  {{actionEnableEvent, DwordBlock(VI_EVENT_TRIG), {}, IntegerBlock(-1)},
                   {actionWaitOnEvent, NoElementsBlock(CCopyDataBlock::Dword), {}, LongBlock(100)},
                   {actionEnableEvent, DwordBlock(VI_EVENT_TRIG), {}, IntegerBlock(0)},
                   {actionEnableEvent, DwordBlock(VI_EVENT_SERVICE_REQ), {}, IntegerBlock(-1)},
                   {actionWaitOnEvent, DwordBlock(VI_EVENT_SERVICE_REQ), {}, LongBlock(2000)}});
}

TEST_F(Recording, FailingEventsFollowTheTable) {
    visa.statuses["viEnableEvent"] = {VI_ERROR_INV_OBJECT, VI_ERROR_INV_OBJECT};
    visa.statuses["viWaitOnEvent"] = {VI_ERROR_TMO, VI_ERROR_TMO};
    EXPECT_EQ(gpib->EnableTriggerEvent(VARIANT_TRUE), VISAGPIB_E_IO);        // not reported
    EXPECT_EQ(gpib->EnableServiceRequestEvent(VARIANT_TRUE), VISAGPIB_E_IO); // reported
    EXPECT_EQ(gpib->WaitForTriggerEvent(5), VISAGPIB_E_IO);                  // reported
    EXPECT_EQ(gpib->WaitForServiceRequestEvent(6), VISAGPIB_E_IO);           // reported
    ExpectRecords(peer.Records(),
                  {{actionEnableEvent, DwordBlock(VI_EVENT_SERVICE_REQ), {}, IntegerBlock(-1)},
                   {actionWaitOnEvent, NoElementsBlock(CCopyDataBlock::Dword), {}, LongBlock(5)},
                   {actionWaitOnEvent, DwordBlock(VI_EVENT_SERVICE_REQ), {}, LongBlock(6)}});
}

TEST_F(Recording, SetUpMembersReportNothing) {
    LONG value = 0;
    setup->get_BoardAddress(&value);
    setup->put_TimeOut(100);
    setup->SaveData(nullptr);
    IDispatch* found = nullptr;
    setup->get_Interface(Bstr("IGpib").get(), &found);
    found->Release();
    gpib->put_WriteLogging(VARIANT_FALSE);
    gpib->get_InitializeInterface(&found);
    EXPECT_TRUE(peer.Messages().empty());
}

TEST_F(Recording, TheHandshakeAroundEachRecord) {
    gpib->Write(Bstr("X").get());
    EXPECT_THAT(peer.Messages(), ElementsAre("playback", "hold", "sends", "hold"));
    visa.replies = {"Y"};
    Bstr reply;
    gpib->Read(reply.Out(), 1);
    EXPECT_THAT(peer.Messages(), ElementsAre("hold", "wants", "playback", "hold", "sends", "hold"));
    setup->Close();
    EXPECT_THAT(peer.Messages(), ElementsAre("playback", "hold", "sends", "hold"));
}

TEST(RecordingHeld, AHeldDriverWaitsAndAsksAgain) {
    corvid::testing::Sandbox sandbox;
    fakevisa::Reset();
    corvid::testing::DebuggerPeer peer({.holdAnswers = {1, 2}});
    auto object = MakeObject<CVisaGpib>();
    ASSERT_EQ(object->Clear(), E_UNEXPECTED); // not initialised: nothing to report
    EXPECT_THAT(peer.Messages(), ElementsAre("playback"));
    ASSERT_EQ(object->Close(), S_OK);
    // 1 holds (ask again), 2 only pauses once, then the record goes.
    EXPECT_THAT(peer.Messages(), ElementsAre("playback", "hold", "hold", "sends", "hold"));
}

} // namespace
} // namespace corvid::driver::testing
