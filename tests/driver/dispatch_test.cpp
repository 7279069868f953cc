// Calling the driver by name through IDispatch, as scripts do.
#include "com/type_library.h"
#include "driver_fixture.h"

#include <gtest/gtest.h>

namespace corvid::driver::testing {
namespace {

class Dispatch : public DriverTest {
protected:
    void SetUp() override { Open(); }

    // Calls a member with arguments the caller keeps owning (first to last).
    HRESULT Call(const char* name, WORD flags, std::vector<Variant>& arguments, VARIANT* result,
                 EXCEPINFO* exception = nullptr) {
        std::vector<VARIANT> raw(arguments.begin(), arguments.end());
        return InvokeMember(gpib.get(), name, flags, raw, result, exception);
    }

    DISPID IdOf(const char* name) {
        DISPID id = DISPID_UNKNOWN;
        EXPECT_EQ(GetDispatchId(gpib.get(), name, &id), S_OK) << name;
        return id;
    }
};

TEST_F(Dispatch, MembersHaveTheirDispatchIdentifiers) {
    const std::pair<const char*, DISPID> members[] = {
        {"Write", 1},
        {"Read", 2},
        {"Query", 3},
        {"QueryInt32", 4},
        {"QueryDouble", 5},
        {"SetTimeOut", 6},
        {"SetTermChar", 7},
        {"TermCharOnOff", 8},
        {"SendEndOnOff", 9},
        {"WriteRawDoubles", 10},
        {"WriteRawFloats", 11},
        {"WriteRaw8Bits", 12},
        {"WriteRaw16Bits", 13},
        {"WriteRaw32Bits", 14},
        {"ReadRawDoubles", 15},
        {"ReadRawFloats", 16},
        {"ReadRaw8Bits", 17},
        {"ReadRaw16Bits", 18},
        {"ReadRaw32Bits", 19},
        {"InitializeInterface", 20},
        {"WriteLogging", 21},
        {"ReadSTB", 1000},
        {"Clear", 1001},
        {"Trigger", 1002},
        {"EnableTriggerEvent", 1003},
        {"WaitForTriggerEvent", 1004},
        {"EnableServiceRequestEvent", 1005},
        {"WaitForServiceRequestEvent", 1006},
    };
    for (const auto& [name, id] : members)
        EXPECT_EQ(IdOf(name), id) << name;
    DISPID id = 0;
    EXPECT_EQ(GetDispatchId(gpib.get(), "Initialize", &id), DISP_E_UNKNOWNNAME); // custom interface only
}

TEST_F(Dispatch, QueryByNameReturnsTheTextThroughItsOutArgument) {
    visa.replies = {"MODEL 45\n"};
    Bstr reply;
    std::vector<Variant> arguments(3);
    arguments[0] = Variant("*IDN?");
    arguments[1].vt = VT_BYREF | VT_BSTR;
    arguments[1].pbstrVal = reply.Out();
    arguments[2] = Variant(LONG{256});
    ASSERT_EQ(Call("Query", DISPATCH_METHOD, arguments, nullptr), S_OK);
    EXPECT_EQ(reply.Utf8(), "MODEL 45\n");
    EXPECT_EQ(visa.written.at(0), "*IDN?");
}

TEST_F(Dispatch, ArraysAreConvertedToTheDeclaredElementType) {
    SafeArrayPtr longs(MakeArray<LONG>(VT_I4, {1, 2}));
    std::vector<Variant> arguments;
    arguments.push_back(Variant::AdoptArray(longs.Detach()));
    ASSERT_EQ(Call("WriteRawDoubles", DISPATCH_METHOD, arguments, nullptr), S_OK);
    EXPECT_EQ(visa.written.at(0).size(), 2 * sizeof(double));
}

TEST_F(Dispatch, AFailureComesBackWithItsDescription) {
    std::vector<Variant> arguments(2);
    SAFEARRAY* array = nullptr;
    arguments[0].vt = VT_BYREF | VT_ARRAY | VT_R8;
    arguments[0].pparray = &array;
    arguments[1] = Variant(LONG{-5});
    ExcepInfo exception;
    EXPECT_EQ(Call("ReadRawDoubles", DISPATCH_METHOD, arguments, nullptr, &exception), DISP_E_EXCEPTION);
    EXPECT_EQ(exception.scode, E_INVALIDARG);
    EXPECT_EQ(exception.Source(), "VisaGpib.VisaGpib.1");
    EXPECT_EQ(MessageOf(exception.Description()), "Can't Read a negative amount of Data");
    EXPECT_EQ(array, nullptr);
}

TEST_F(Dispatch, PropertiesAndBooleans) {
    std::vector<Variant> off;
    off.emplace_back(false);
    ASSERT_EQ(Call("WriteLogging", DISPATCH_PROPERTYPUT, off, nullptr), S_OK);
    gpib->Write(Bstr("X").get());
    EXPECT_EQ(log->entries.at(0).text, "Write - ***");
    Variant result;
    ExcepInfo exception;
    std::vector<Variant> none;
    EXPECT_EQ(Call("InitializeInterface", DISPATCH_PROPERTYGET, none, &result, &exception), DISP_E_EXCEPTION);
    EXPECT_EQ(exception.scode, E_NOTIMPL);
    std::vector<Variant> status(1);
    status[0].vt = VT_BYREF | VT_UI1;
    BYTE stb = 0;
    status[0].pbVal = &stb;
    visa.statusByte = 0x10;
    ASSERT_EQ(Call("ReadSTB", DISPATCH_METHOD, status, nullptr), S_OK);
    EXPECT_EQ(stb, 0x10);
}

TEST_F(Dispatch, TheTypeInformationDescribesIGpibOverIMessageIO) {
    UINT count = 0;
    ASSERT_EQ(gpib->GetTypeInfoCount(&count), S_OK);
    EXPECT_EQ(count, 1u);
    ComPtr<ITypeInfo> info;
    ASSERT_EQ(gpib->GetTypeInfo(0, 0, info.Out()), S_OK);
    const InterfaceDescription* description = nullptr;
    ASSERT_EQ(info->GetInterfaceDescription(&description), S_OK);
    EXPECT_EQ(description->iid, IGpib::iid);
    ASSERT_NE(description->base, nullptr);
    EXPECT_EQ(description->base->iid, IMessageIO::iid);
    EXPECT_EQ(FindParamIndex(*description, "Read", "nMaxResultSize"), 1);
}

} // namespace
} // namespace corvid::driver::testing
