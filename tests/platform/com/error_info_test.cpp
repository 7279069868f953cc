// Thread error information, also across module boundaries.
#include "com/error_info.h"
#include "probe_fixture.h"

#include <gtest/gtest.h>
#include <thread>

using namespace corvid::com;
using probe::IAbsent;
using probe::IProbe;
using probe::IProbeSetup;

TEST(ErrorInfo, ReportedDetailsAreTakenOnce) {
    EXPECT_EQ(ReportError(E_INVALIDARG, IProbe::iid, "Source.1", "[Message : bad]"), E_INVALIDARG);
    auto details = TakeErrorDetails();
    ASSERT_TRUE(details);
    EXPECT_EQ(details->interfaceId, IProbe::iid);
    EXPECT_EQ(details->source, "Source.1");
    EXPECT_EQ(details->description, "[Message : bad]");
    EXPECT_EQ(details->helpFile, "");
    EXPECT_FALSE(TakeErrorDetails()) << "GetErrorInfo clears the thread's information";
    IErrorInfo* none = reinterpret_cast<IErrorInfo*>(1);
    EXPECT_EQ(GetErrorInfo(0, &none), S_FALSE);
    EXPECT_EQ(none, nullptr);
}

TEST(ErrorInfo, SetReplacesAndClears) {
    ReportError(E_FAIL, IID_NULL, "a", "first");
    ReportError(E_FAIL, IID_NULL, "b", "second");
    EXPECT_EQ(TakeErrorDetails()->description, "second");
    ReportError(E_FAIL, IID_NULL, "c", "third");
    EXPECT_EQ(SetErrorInfo(0, nullptr), S_OK);
    EXPECT_FALSE(TakeErrorDetails());
    EXPECT_EQ(SetErrorInfo(1, nullptr), E_INVALIDARG);
}

TEST(ErrorInfo, EachThreadHasItsOwn) {
    ReportError(E_FAIL, IID_NULL, "main", "main thread");
    bool otherSawNone = false;
    std::optional<ErrorDetails> otherOwn;
    std::thread other([&] {
        otherSawNone = !TakeErrorDetails();
        ReportError(E_FAIL, IID_NULL, "other", "other thread");
        otherOwn = TakeErrorDetails();
        ReportError(E_FAIL, IID_NULL, "other", "left behind at thread exit");
    });
    other.join();
    EXPECT_TRUE(otherSawNone);
    ASSERT_TRUE(otherOwn);
    EXPECT_EQ(otherOwn->description, "other thread");
    EXPECT_EQ(TakeErrorDetails()->description, "main thread");
}

TEST(ErrorInfo, CreatedObjectCarriesAllFields) {
    ComPtr<ICreateErrorInfo> create;
    ASSERT_EQ(CreateErrorInfo(create.Out()), S_OK);
    create->SetGUID(IProbeSetup::iid);
    char16_t source[] = u"src", description[] = u"desc", help[] = u"help.txt";
    create->SetSource(source);
    create->SetDescription(description);
    create->SetHelpFile(help);
    create->SetHelpContext(42);
    ComPtr<IErrorInfo> info = create.As<IErrorInfo>();
    ASSERT_TRUE(info);
    ErrorDetails details = DetailsOf(info.get());
    EXPECT_EQ(details.interfaceId, IProbeSetup::iid);
    EXPECT_EQ(details.source, "src");
    EXPECT_EQ(details.description, "desc");
    EXPECT_EQ(details.helpFile, "help.txt");
    EXPECT_EQ(details.helpContext, 42u);
}

class ModuleErrorInfo : public probe::ProbeTest {};

// The probe module links its own copy of the library; the information it sets must
// reach this program all the same.
TEST_F(ModuleErrorInfo, InformationSetInsideAModuleReachesTheCaller) {
    ComPtr<IProbe> probe = CreateProbe();
    ASSERT_TRUE(probe);
    ComPtr<IProbeSetup> setup = probe.As<IProbeSetup>();
    ASSERT_TRUE(setup);
    EXPECT_EQ(setup->SetCount(-1), probe::PROBE_E_FAILED);
    EXPECT_TRUE(SupportsErrorInfo(setup.get(), IProbeSetup::iid));
    auto details = TakeErrorDetails();
    ASSERT_TRUE(details);
    EXPECT_EQ(details->source, "Probe.Probe.1");
    EXPECT_EQ(details->description, "[Message : Negative count]");
    EXPECT_EQ(details->interfaceId, IProbeSetup::iid);
}

TEST_F(ModuleErrorInfo, SupportIsAnsweredPerInterface) {
    ComPtr<IProbe> probe = CreateProbe();
    ASSERT_TRUE(probe);
    EXPECT_TRUE(SupportsErrorInfo(probe.get(), IProbe::iid));
    EXPECT_FALSE(SupportsErrorInfo(probe.get(), IDispatch::iid));
    EXPECT_FALSE(SupportsErrorInfo(probe.get(), IAbsent::iid));
    EXPECT_FALSE(SupportsErrorInfo(nullptr, IProbe::iid));
}
