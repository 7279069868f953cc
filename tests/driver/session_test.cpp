// Opening and closing the instrument session, the set-up members, and the object's
// interfaces, against the fake VISA library without a debugger.
#include "com/error_info.h"
#include "com/property_bag.h"
#include "driver_fixture.h"
#include "visa_gpib.h"

#include <gtest/gtest.h>

namespace corvid::driver::testing {
namespace {

using ::testing::ElementsAre;

class Session : public DriverTest {
protected:
    void TearDown() override { EXPECT_TRUE(boxes.shown.empty()); }

    ComPtr<IPropertyBag> Bag(bool withOptional) {
        ComPtr<IPropertyBag> bag = MakeMemoryPropertyBag();
        PropertyBagWrite(bag.get(), "InstanceName", Variant("DMM"));
        PropertyBagWrite(bag.get(), "GpibBoardAddress", Variant(LONG{1}));
        PropertyBagWrite(bag.get(), "GpibPrimaryAddress", Variant("22")); // converted to a number
        if (withOptional) {
            PropertyBagWrite(bag.get(), "GpibSecondaryAddress", Variant(LONG{3}));
            PropertyBagWrite(bag.get(), "GpibTimeOut", Variant(LONG{5000}));
        }
        return bag;
    }

    LONG Get(HRESULT (IInitializeGpib::*getter)(LONG*)) {
        LONG value = -99;
        EXPECT_EQ((setup.get()->*getter)(&value), S_OK);
        return value;
    }
};

TEST_F(Session, InitializeOpensAndLocksTheInstrumentOfBoardAndPrimaryAddress) {
    Bstr name("DMM");
    setup->put_InstanceName(name.get());
    setup->put_SecondaryAddress(7); // stored only
    setup->put_PrimaryAddress(22);
    ASSERT_EQ(setup->Initialize(), S_OK);
    EXPECT_THAT(visa.calls, ElementsAre("viOpenDefaultRM", "viOpen 1 GPIB0::22::INSTR 0 2000",
                                        "viLock 100 1 2000 null null"));
    ASSERT_EQ(log->entries.size(), 3u);
    EXPECT_EQ(log->entries[0].name, "DMM (GPIB0::22)");
    EXPECT_EQ(log->entries[0].text, "Initialize - viOpenDefaultRM");
    EXPECT_EQ(log->entries[0].status, "Ok, no IO error");
    EXPECT_EQ(log->entries[0].result, "PASSED");
    EXPECT_EQ(log->entries[1].text, "Initialize - viOpen");
    EXPECT_EQ(log->entries[1].status, "Open Ok");
    EXPECT_EQ(log->entries[2].text, "Initialize - viLock");
}

TEST_F(Session, ASecondInitializeClosesTheFirstSession) {
    Open();
    ASSERT_EQ(setup->Initialize(), S_OK);
    EXPECT_THAT(visa.calls, ElementsAre("viUnlock 100", "viClose 100", "viClose 1", "viOpenDefaultRM",
                                        "viOpen 1 GPIB0::22::INSTR 0 2000", "viLock 101 1 2000 null null"));
    EXPECT_THAT(TakeLogTexts(),
                ElementsAre("Close - viUnlock", "Close - viClose", "Close - viClose RM",
                            "Initialize - viOpenDefaultRM", "Initialize - viOpen", "Initialize - viLock"));
}

TEST_F(Session, AnAbsentInstrumentFailsWithTheIoResultAndTheLogName) {
    Bstr name("Counter");
    setup->put_InstanceName(name.get());
    setup->put_PrimaryAddress(9);
    visa.statuses["viOpen"] = {VI_ERROR_RSRC_NFOUND};
    EXPECT_EQ(setup->Initialize(), VISAGPIB_E_IO);
    std::string description = TakeErrorDescription();
    EXPECT_EQ(MessageOf(description), "Can't Open IO, Counter (GPIB0::9)");
    EXPECT_EQ(CommandOf(description), "CVisaGpib::Initialize");
    ASSERT_EQ(log->entries.size(), 2u);
    EXPECT_EQ(log->entries[1].status, "Device Not Found");
    EXPECT_EQ(log->entries[1].result, "FAILED");
    EXPECT_TRUE(visa.CallsOf("viLock").empty());
}

TEST_F(Session, OtherOpenFailuresGiveEFailAndAreLoggedAsError) {
    visa.statuses["viOpen"] = {VI_ERROR_INV_RSRC_NAME};
    EXPECT_EQ(setup->Initialize(), E_FAIL);
    EXPECT_EQ(MessageOf(TakeErrorDescription()), "Can't Open IO,  (GPIB0::0)");
    EXPECT_EQ(log->entries.at(1).status, "Error");
}

TEST_F(Session, WithWriteLoggingOffTheOpenStepIsNotLogged) {
    gpib->put_WriteLogging(VARIANT_FALSE);
    ASSERT_EQ(setup->Initialize(), S_OK);
    EXPECT_THAT(TakeLogTexts(), ElementsAre("Initialize - viOpenDefaultRM", "Initialize - viLock"));
}

TEST_F(Session, ResourceManagerAndLockFailures) {
    visa.statuses["viOpenDefaultRM"] = {VI_ERROR_SYSTEM_ERROR};
    EXPECT_EQ(setup->Initialize(), E_FAIL);
    EXPECT_EQ(MessageOf(TakeErrorDescription()), "Can't Open VISA session!");
    EXPECT_EQ(log->entries.at(0).result, "FAILED");

    setup->put_PrimaryAddress(5);
    visa.statuses["viLock"] = {VI_ERROR_RSRC_LOCKED};
    EXPECT_EQ(setup->Initialize(), E_FAIL);
    EXPECT_EQ(MessageOf(TakeErrorDescription()),
              "Can't Lock Device, its address is already in use,  (GPIB0::5)");
    // The session stays open but unlocked until the next Close.
    visa.calls.clear();
    EXPECT_EQ(setup->Close(), S_OK);
    EXPECT_THAT(visa.calls, ElementsAre("viUnlock 100", "viClose 100", "viClose 1"));
}

TEST_F(Session, CloseWithNothingOpenMakesNoCallAndFailingClosesOnlyShowInTheLog) {
    EXPECT_EQ(setup->Close(), S_OK);
    EXPECT_TRUE(visa.calls.empty());
    Open();
    visa.statuses["viUnlock"] = {VI_ERROR_INV_OBJECT};
    visa.statuses["viClose"] = {VI_SUCCESS, VI_ERROR_INV_OBJECT};
    EXPECT_EQ(setup->Close(), S_OK);
    ASSERT_EQ(log->entries.size(), 3u);
    EXPECT_EQ(log->entries[0].result, "FAILED");
    EXPECT_EQ(log->entries[2].text, "Close - viClose RM");
    EXPECT_EQ(log->entries[2].status, "Done");
    EXPECT_EQ(log->entries[2].result, "FAILED");
}

TEST_F(Session, ReleasingTheLastReferenceClosesTheSession) {
    Open();
    gpib = nullptr;
    setup = nullptr;
    EXPECT_THAT(visa.calls, ElementsAre("viUnlock 100", "viClose 100", "viClose 1"));
}

TEST_F(Session, PropertyBagWithEverySetting) {
    ASSERT_EQ(setup->InitializeData(Bag(true).get()), S_OK);
    Bstr name;
    setup->get_InstanceName(name.Out());
    EXPECT_EQ(name.Utf8(), "DMM");
    EXPECT_EQ(Get(&IInitializeGpib::get_BoardAddress), 1);
    EXPECT_EQ(Get(&IInitializeGpib::get_PrimaryAddress), 22);
    EXPECT_EQ(Get(&IInitializeGpib::get_SecondaryAddress), 3);
    EXPECT_EQ(Get(&IInitializeGpib::get_TimeOut), 5000);
    EXPECT_TRUE(visa.calls.empty()); // the properties never touch the instrument
}

TEST_F(Session, PropertyBagWithoutOptionalSettingsKeepsTheirDefaults) {
    ASSERT_EQ(setup->InitializeData(Bag(false).get()), S_OK);
    EXPECT_EQ(Get(&IInitializeGpib::get_SecondaryAddress), 0);
    EXPECT_EQ(Get(&IInitializeGpib::get_TimeOut), 2000);
    ASSERT_EQ(setup->Initialize(), S_OK);
    EXPECT_EQ(visa.calls.at(1), "viOpen 1 GPIB1::22::INSTR 0 2000");
}

TEST_F(Session, PropertyBagWithoutRequiredSettingsFails) {
    ComPtr<IPropertyBag> bag = MakeMemoryPropertyBag();
    EXPECT_EQ(setup->InitializeData(bag.get()), E_INVALIDARG);
    std::string description = TakeErrorDescription();
    EXPECT_EQ(MessageOf(description), "Unable to retrive object property");
    EXPECT_EQ(CommandOf(description), "CVisaGpib::InitializeData");

    PropertyBagWrite(bag.get(), "InstanceName", Variant("X"));
    PropertyBagWrite(bag.get(), "GpibBoardAddress", Variant(LONG{2}));
    EXPECT_EQ(setup->InitializeData(bag.get()), E_INVALIDARG); // no primary address
    EXPECT_EQ(MessageOf(TakeErrorDescription()), "Unable to retrive object property");
    EXPECT_EQ(Get(&IInitializeGpib::get_BoardAddress), 2);

    PropertyBagWrite(bag.get(), "GpibPrimaryAddress", Variant("not a number"));
    EXPECT_EQ(setup->InitializeData(bag.get()), DISP_E_TYPEMISMATCH);
}

TEST_F(Session, InitializeDataNeedsAPropertyBag) {
    EXPECT_EQ(setup->InitializeData(nullptr), E_POINTER);
    EXPECT_EQ(MessageOf(TakeErrorDescription()), "Failed To Get PropertyBag Interface");
    EXPECT_EQ(setup->InitializeData(static_cast<ILog*>(log.get())), E_NOINTERFACE);
    EXPECT_EQ(MessageOf(TakeErrorDescription()), "Failed To Get PropertyBag Interface");
    EXPECT_EQ(setup->SaveData(nullptr), S_OK);
}

TEST_F(Session, InterfaceByExactName) {
    for (const char* name : {"IInitialize", "IInitializeGpib", "IMessageIO", "IGpib"}) {
        SCOPED_TRACE(name);
        IDispatch* found = nullptr;
        ASSERT_EQ(setup->get_Interface(Bstr(name).get(), &found), S_OK);
        ASSERT_NE(found, nullptr);
        reinterpret_cast<IUnknown*>(found)->Release();
    }
    IDispatch* found = nullptr;
    ASSERT_EQ(setup->get_Interface(Bstr("IGpib").get(), &found), S_OK);
    EXPECT_EQ(static_cast<IDispatch*>(gpib.get()), found);
    found->Release();

    for (const char* name : {"igpib", "IUnknown", ""}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(setup->get_Interface(Bstr(name).get(), &found), E_NOINTERFACE);
        std::string description = TakeErrorDescription();
        EXPECT_EQ(MessageOf(description), "Unknown Interface");
        EXPECT_EQ(CommandOf(description), "CVisaGpib::get_Interface");
    }
    EXPECT_EQ(setup->get_Interface(nullptr, &found), E_NOINTERFACE);
}

TEST_F(Session, LogInterfaceNeedsALog) {
    EXPECT_EQ(setup->put_LogInterface(nullptr), E_POINTER);
    std::string description = TakeErrorDescription();
    EXPECT_EQ(MessageOf(description), "Failed To Get ILog Interface");
    EXPECT_EQ(CommandOf(description), "CVisaGpib::SetLogInterface");
    EXPECT_EQ(setup->put_LogInterface(MakeMemoryPropertyBag().get()), E_NOINTERFACE);
    // The log already set stays.
    Open();
    setup->Close();
    EXPECT_EQ(log->entries.size(), 3u);
}

TEST_F(Session, WithoutALogNothingIsWrittenAndNothingFails) {
    auto bare = MakeObject<CVisaGpib>();
    ASSERT_EQ(bare->Initialize(), S_OK);
    visa.replies = {"1\n"};
    Bstr reply;
    EXPECT_EQ(bare->Query(Bstr("*OPC?").get(), reply.Out(), 10), S_OK);
    EXPECT_EQ(reply.Utf8(), "1\n");
    EXPECT_EQ(bare->Read(reply.Out(), 10), VISAGPIB_E_IO); // times out
    EXPECT_EQ(bare->Close(), S_OK);
    EXPECT_TRUE(log->entries.empty());
}

TEST_F(Session, QueryInterfaceAndErrorInfoSupport) {
    for (const IID* iid : {&IUnknown::iid, &IDispatch::iid, &IMessageIO::iid, &IGpib::iid, &IInitialize::iid,
                           &IInitializeGpib::iid, &ISupportErrorInfo::iid}) {
        ComPtr<IUnknown> found;
        EXPECT_EQ(gpib->QueryInterface(*iid, found.OutVoid()), S_OK);
    }
    ComPtr<IUnknown> none;
    EXPECT_EQ(gpib->QueryInterface(ILog::iid, none.OutVoid()), E_NOINTERFACE);
    ComPtr<ISupportErrorInfo> support = gpib.As<ISupportErrorInfo>();
    for (const IID* iid :
         {&IDispatch::iid, &IMessageIO::iid, &IGpib::iid, &IInitialize::iid, &IInitializeGpib::iid})
        EXPECT_EQ(support->InterfaceSupportsErrorInfo(*iid), S_OK);
    EXPECT_EQ(support->InterfaceSupportsErrorInfo(IUnknown::iid), S_FALSE);
    EXPECT_EQ(support->InterfaceSupportsErrorInfo(ILog::iid), S_FALSE);
}

} // namespace
} // namespace corvid::driver::testing
