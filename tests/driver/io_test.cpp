// Text I/O, attributes, status byte, clear, trigger and events, against the fake VISA
// library without a debugger.
#include "driver_fixture.h"

#include <gtest/gtest.h>

namespace corvid::driver::testing {
namespace {

using ::testing::ElementsAre;

class MessageIO : public DriverTest {
protected:
    void SetUp() override {
        Open();
        visa.descriptions[VI_ERROR_TMO] = "Timeout expired before operation completed.";
    }
    // Without a debugger the driver works alone and silently.
    void TearDown() override { EXPECT_TRUE(boxes.shown.empty()); }
    std::string LastMessage() { return MessageOf(TakeErrorDescription()); }
};

TEST_F(MessageIO, WriteSendsTheTextWithoutTerminatorAndLogsIt) {
    EXPECT_EQ(gpib->Write(Bstr("*RST;VOLT 1.5").get()), S_OK);
    EXPECT_THAT(visa.written, ElementsAre("*RST;VOLT 1.5"));
    EXPECT_THAT(visa.calls, ElementsAre("viWrite 100 13"));
    ASSERT_EQ(log->entries.size(), 1u);
    EXPECT_EQ(log->entries[0].text, "Write : *RST;VOLT 1.5");
    EXPECT_EQ(log->entries[0].status, "Ok, no IO error");
    EXPECT_EQ(log->entries[0].result, "PASSED");
}

TEST_F(MessageIO, WriteLoggingOffHidesWrittenTextButNotReadText) {
    gpib->put_WriteLogging(VARIANT_FALSE);
    visa.replies = {"secret\n"};
    Bstr reply;
    ASSERT_EQ(gpib->Query(Bstr("PASS?").get(), reply.Out(), 64), S_OK);
    EXPECT_THAT(TakeLogTexts(), ElementsAre("Write - ***", "Read : secret\n"));
    gpib->put_WriteLogging(VARIANT_TRUE);
    gpib->Write(Bstr("X").get());
    gpib->put_WriteLogging(static_cast<VARIANT_BOOL>(1)); // only -1 means true
    gpib->Write(Bstr("Y").get());
    EXPECT_THAT(TakeLogTexts(), ElementsAre("Write : X", "Write - ***"));
}

TEST_F(MessageIO, ReadReturnsAtMostTheMaximumAndLogsTheText) {
    visa.replies = {"HELLO WORLD"};
    Bstr reply;
    ASSERT_EQ(gpib->Read(reply.Out(), 5), S_OK);
    EXPECT_EQ(reply.Utf8(), "HELLO");
    EXPECT_THAT(visa.calls, ElementsAre("viRead 100 5"));
    EXPECT_THAT(TakeLogTexts(), ElementsAre("Read : HELLO"));
}

TEST_F(MessageIO, ReadOfZeroBytesGivesAnEmptyText) {
    visa.replies = {""};
    Bstr reply("old");
    ASSERT_EQ(gpib->Read(reply.Out(), 0), S_OK);
    EXPECT_EQ(reply.Utf8(), "");
    EXPECT_NE(reply.get(), nullptr);
}

TEST_F(MessageIO, PositiveCompletionCodesPassWithTheirDescription) {
    visa.replies = {"1\n"};
    visa.statuses["viRead"] = {VI_SUCCESS_TERM_CHAR};
    visa.descriptions[VI_SUCCESS_TERM_CHAR] = "The specified termination character was read.";
    Bstr reply;
    ASSERT_EQ(gpib->Read(reply.Out(), 10), S_OK);
    ASSERT_EQ(log->entries.size(), 1u);
    EXPECT_EQ(log->entries[0].status, "GPIB Error: The specified termination character was read.");
    EXPECT_EQ(log->entries[0].result, "PASSED");
}

TEST_F(MessageIO, AReadTimeOutFailsWithTheStatusText) {
    Bstr reply;
    EXPECT_EQ(gpib->Read(reply.Out(), 10), VISAGPIB_E_IO);
    std::string description = TakeErrorDescription();
    EXPECT_EQ(MessageOf(description), "GPIB Error: Timeout expired before operation completed.");
    EXPECT_EQ(CommandOf(description), "CVisaGpib::Read");
    ASSERT_EQ(log->entries.size(), 1u);
    EXPECT_EQ(log->entries[0].text, "Read");
    EXPECT_EQ(log->entries[0].result, "FAILED");
}

TEST_F(MessageIO, AStatusWithoutDescriptionIsJustGpibError) {
    visa.statuses["viWrite"] = {VI_ERROR_INV_OBJECT};
    visa.undescribed = {VI_ERROR_INV_OBJECT};
    EXPECT_EQ(gpib->Write(Bstr("X").get()), VISAGPIB_E_IO);
    EXPECT_EQ(LastMessage(), "GPIB Error");
}

TEST_F(MessageIO, NegativeReadSizesAreRefusedBeforeAnyIo) {
    Bstr reply;
    EXPECT_EQ(gpib->Read(reply.Out(), -1), E_INVALIDARG);
    EXPECT_EQ(LastMessage(), "Can't Read a negative amount of Data");
    EXPECT_EQ(gpib->Query(Bstr("X?").get(), reply.Out(), -100), E_INVALIDARG);
    EXPECT_EQ(LastMessage(), "Can't Read a negative amount of Data");
    EXPECT_THAT(visa.calls, ElementsAre("viWrite 100 2"));
}

TEST_F(MessageIO, QueryWritesThenReads) {
    visa.replies = {"FLUKE,5520A,1,2\n"};
    Bstr reply;
    ASSERT_EQ(gpib->Query(Bstr("*IDN?").get(), reply.Out(), 256), S_OK);
    EXPECT_EQ(reply.Utf8(), "FLUKE,5520A,1,2\n");
    EXPECT_THAT(visa.calls, ElementsAre("viWrite 100 5", "viRead 100 256"));
}

TEST_F(MessageIO, QueryNumbersTakeTheLeadingNumberOfTheReply) {
    visa.replies = {"+12.7E0\n", "+12.7E0\n", "OVLD\n", "OVLD\n"};
    LONG number = 0;
    DOUBLE real = 0;
    ASSERT_EQ(gpib->QueryInt32(Bstr("MEAS?").get(), &number), S_OK);
    ASSERT_EQ(gpib->QueryDouble(Bstr("MEAS?").get(), &real), S_OK);
    EXPECT_EQ(number, 12);
    EXPECT_DOUBLE_EQ(real, 12.7);
    ASSERT_EQ(gpib->QueryInt32(Bstr("MEAS?").get(), &number), S_OK);
    ASSERT_EQ(gpib->QueryDouble(Bstr("MEAS?").get(), &real), S_OK);
    EXPECT_EQ(number, 0);
    EXPECT_EQ(real, 0.0);
    EXPECT_EQ(visa.CallsOf("viRead").front(), "viRead 100 128");
}

TEST_F(MessageIO, AFailureInsideQueryIsChainedToTheQuery) {
    visa.statuses["viWrite"] = {VI_ERROR_TMO};
    Bstr reply;
    EXPECT_EQ(gpib->Query(Bstr("*IDN?").get(), reply.Out(), 10), VISAGPIB_E_IO);
    std::string description = TakeErrorDescription();
    EXPECT_EQ(CommandOf(description), "CVisaGpib::Write, CVisaGpib::Query");
    EXPECT_EQ(MessageOf(description), "GPIB Error: Timeout expired before operation completed.");

    LONG number = 0;
    EXPECT_EQ(gpib->QueryInt32(Bstr("X?").get(), &number), VISAGPIB_E_IO); // the read times out
    EXPECT_EQ(CommandOf(TakeErrorDescription()), "CVisaGpib::Read, CVisaGpib::Query");
    DOUBLE real = 0;
    EXPECT_EQ(gpib->QueryDouble(Bstr("X?").get(), &real), VISAGPIB_E_IO);
    EXPECT_EQ(CommandOf(TakeErrorDescription()), "CVisaGpib::Read, CVisaGpib::Query");
}

TEST_F(MessageIO, UninitialisedObjectsRefuseEveryOperation) {
    setup->Close();
    visa.calls.clear();
    Bstr reply;
    BYTE stb = 0;
    SAFEARRAY* array = nullptr;
    std::vector<std::pair<std::string, HRESULT>> results = {
        {"CVisaGpib::Write", gpib->Write(Bstr("X").get())},
        {"CVisaGpib::Read", gpib->Read(reply.Out(), 10)},
        {"CVisaGpib::Write, CVisaGpib::Query", gpib->Query(Bstr("X").get(), reply.Out(), 10)},
        {"CVisaGpib::SetTimeOut", gpib->SetTimeOut(100)},
        {"CVisaGpib::ReadSTB", gpib->ReadSTB(&stb)},
        {"CVisaGpib::Clear", gpib->Clear()},
        {"CVisaGpib::Trigger", gpib->Trigger()},
        {"CVisaGpib::ReadRawDoubles", gpib->ReadRawDoubles(&array, 4)},
        {"CVisaGpib::WaitForServiceRequestEvent", gpib->WaitForServiceRequestEvent(10)},
    };
    for (const auto& [command, hr] : results) {
        SCOPED_TRACE(command);
        EXPECT_EQ(hr, E_UNEXPECTED);
    }
    EXPECT_EQ(gpib->Clear(), E_UNEXPECTED);
    std::string description = TakeErrorDescription();
    EXPECT_EQ(MessageOf(description), "Trying To Use UnInitialized IO");
    EXPECT_EQ(CommandOf(description), "CVisaGpib::Clear");
    EXPECT_TRUE(visa.calls.empty());
    EXPECT_EQ(array, nullptr);
}

TEST_F(MessageIO, AttributesAndTheirLogEntries) {
    EXPECT_EQ(gpib->SetTimeOut(5000), S_OK);
    EXPECT_EQ(gpib->SetTermChar('\r'), S_OK);
    EXPECT_EQ(gpib->TermCharOnOff(VARIANT_TRUE), S_OK);
    EXPECT_EQ(gpib->TermCharOnOff(static_cast<VARIANT_BOOL>(1)), S_OK); // not true
    EXPECT_EQ(gpib->SendEndOnOff(VARIANT_TRUE), S_OK);
    EXPECT_EQ(gpib->SendEndOnOff(VARIANT_FALSE), S_OK);
    EXPECT_THAT(visa.calls,
                ElementsAre("viSetAttribute 100 0x3FFF001A 5000", "viSetAttribute 100 0x3FFF0018 13",
                            "viSetAttribute 100 0x3FFF0038 1", "viSetAttribute 100 0x3FFF0038 0",
                            "viSetAttribute 100 0x3FFF0016 1", "viSetAttribute 100 0x3FFF0016 0"));
    EXPECT_THAT(TakeLogTexts(), ElementsAre("SetTimeOut 5000", "SetTermChar", " TermCharOnOff On",
                                            "TermCharOnOff Off", "SendEndOnOff On", "SendEndOnOff Off"));
}

TEST_F(MessageIO, SetTimeOutKeepsTheValueEvenWhenVisaRefusesIt) {
    visa.statuses["viSetAttribute"] = {VI_ERROR_INV_OBJECT};
    EXPECT_EQ(gpib->SetTimeOut(-7), VISAGPIB_E_IO);
    EXPECT_EQ(CommandOf(TakeErrorDescription()), "CVisaGpib::SetTimeOut");
    LONG timeOut = 0;
    setup->get_TimeOut(&timeOut);
    EXPECT_EQ(timeOut, -7);
    EXPECT_EQ(log->entries.at(0).text, "SetTimeOut -7");
    EXPECT_EQ(log->entries.at(0).result, "FAILED");
}

TEST_F(MessageIO, StatusByteClearAndTrigger) {
    visa.statusByte = 0x1C0;
    BYTE stb = 0;
    ASSERT_EQ(gpib->ReadSTB(&stb), S_OK);
    EXPECT_EQ(stb, 0xC0);
    EXPECT_EQ(gpib->Clear(), S_OK);
    EXPECT_EQ(gpib->Trigger(), S_OK);
    EXPECT_THAT(visa.calls, ElementsAre("viReadSTB 100", "viClear 100", "viAssertTrigger 100 0"));
    EXPECT_THAT(TakeLogTexts(), ElementsAre("ReadSTB : 448", "Clear", "Trigger"));

    visa.statusByte = 0x8040;
    visa.statuses["viReadSTB"] = {VI_ERROR_TMO};
    stb = 7;
    EXPECT_EQ(gpib->ReadSTB(&stb), VISAGPIB_E_IO);
    EXPECT_EQ(stb, 7);
    EXPECT_THAT(TakeLogTexts(), ElementsAre("ReadSTB : -32704"));
}

TEST_F(MessageIO, EventsEnableWaitAndCloseTheirContexts) {
    EXPECT_EQ(gpib->EnableServiceRequestEvent(VARIANT_TRUE), S_OK);
    EXPECT_EQ(gpib->WaitForServiceRequestEvent(3000), S_OK);
    EXPECT_EQ(gpib->WaitForServiceRequestEvent(-1), S_OK);
    EXPECT_EQ(gpib->EnableServiceRequestEvent(VARIANT_FALSE), S_OK);
    EXPECT_EQ(gpib->EnableTriggerEvent(VARIANT_TRUE), S_OK);
    EXPECT_EQ(gpib->WaitForTriggerEvent(10), S_OK);
    EXPECT_THAT(visa.calls,
                ElementsAre("viEnableEvent 100 0x3FFF200B 1 0", "viWaitOnEvent 100 0x3FFF200B 3000",
                            "viClose 500", "viWaitOnEvent 100 0x3FFF200B 4294967295", "viClose 501",
                            "viDisableEvent 100 0x3FFF200B 1", "viEnableEvent 100 0xBFFF200A 1 0",
                            "viWaitOnEvent 100 0xBFFF200A 10"));
    EXPECT_THAT(TakeLogTexts(), ElementsAre("EnableServiceRequestEvent", "WaitForServiceRequestEvent",
                                            "WaitForServiceRequestEvent", "EnableServiceRequestEvent",
                                            "EnableTriggerEvent", "WaitForTriggerEvent"));
    // Close ends the stored trigger context too.
    visa.calls.clear();
    setup->Close();
    EXPECT_EQ(visa.calls.front(), "viClose 502");
}

TEST_F(MessageIO, AWaitThatTimesOutFails) {
    visa.statuses["viWaitOnEvent"] = {VI_ERROR_TMO};
    EXPECT_EQ(gpib->WaitForTriggerEvent(50), VISAGPIB_E_IO);
    EXPECT_EQ(CommandOf(TakeErrorDescription()), "CVisaGpib::WaitForTriggerEvent");
    visa.calls.clear();
    setup->Close();
    EXPECT_EQ(visa.calls.front(), "viUnlock 100"); // no context was kept
}

TEST_F(MessageIO, InitializeInterfaceIsObsolete) {
    IDispatch* object = reinterpret_cast<IDispatch*>(0x1);
    EXPECT_EQ(gpib->get_InitializeInterface(&object), E_NOTIMPL);
    EXPECT_EQ(object, nullptr);
    ErrorDetails details = TakeErrorDetails().value();
    EXPECT_EQ(MessageOf(details.description), "Obsolete unsupported function");
    EXPECT_EQ(CommandOf(details.description), "CVisaGpib::get_InitializeInterface");
    EXPECT_EQ(details.interfaceId, IMessageIO::iid);
    EXPECT_EQ(details.source, "VisaGpib.VisaGpib.1");
}

TEST_F(MessageIO, NullOutputPointersAreRefused) {
    EXPECT_EQ(gpib->Read(nullptr, 10), E_POINTER);
    EXPECT_EQ(gpib->ReadSTB(nullptr), E_POINTER);
    EXPECT_EQ(gpib->ReadRaw8Bits(nullptr, 10), E_POINTER);
    EXPECT_EQ(gpib->QueryInt32(Bstr("X").get(), nullptr), E_POINTER);
    EXPECT_EQ(setup->get_TimeOut(nullptr), E_POINTER);
    EXPECT_TRUE(visa.calls.empty());
}

} // namespace
} // namespace corvid::driver::testing
