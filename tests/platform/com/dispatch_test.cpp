// Calling the probe component by name through its table-driven IDispatch.
#include "com/dispatch_impl.h"
#include "com/error_info.h"
#include "com/object.h"
#include "com/property_bag.h"
#include "probe_fixture.h"

#include <gtest/gtest.h>
#include <stdexcept>
#include <vector>

using namespace corvid::com;
using probe::IProbe;

namespace {

Variant ByRef(VARTYPE vt, void* target) {
    Variant v;
    v.vt = VT_BYREF | vt;
    v.byref = target;
    return v;
}

class Dispatch : public probe::ProbeTest {
protected:
    void SetUp() override {
        ProbeTest::SetUp();
        ComPtr<IProbe> probe = CreateProbe();
        ASSERT_TRUE(probe);
        object = probe;
    }

    HRESULT Call(std::string_view name, std::vector<Variant>& args, Variant* result = nullptr,
                 WORD flags = DISPATCH_METHOD) {
        std::vector<VARIANT> raw(args.begin(), args.end());
        exception.Clear();
        argumentError = 99;
        return InvokeMember(object.get(), name, flags, raw, result, &exception, &argumentError);
    }

    ComPtr<IDispatch> object;
    ExcepInfo exception;
    UINT argumentError = 0;
};

} // namespace

TEST_F(Dispatch, NamesAreCaseInsensitiveAndParametersHaveIds) {
    for (const char* name : {"Echo", "echo", "ECHO"}) {
        DISPID id = 0;
        EXPECT_EQ(GetDispatchId(object.get(), name, &id), S_OK);
        EXPECT_EQ(id, 1);
    }
    DISPID id = 0;
    EXPECT_EQ(GetDispatchId(object.get(), "Nope", &id), DISP_E_UNKNOWNNAME);
    EXPECT_EQ(id, DISPID_UNKNOWN);

    std::u16string add = u"add", b = u"B", c = u"c";
    LPOLESTR names[] = {add.data(), b.data(), c.data()};
    DISPID ids[3] = {};
    EXPECT_EQ(object->GetIDsOfNames(IID_NULL, names, 3, 0, ids), DISP_E_UNKNOWNNAME);
    EXPECT_EQ(ids[0], 2);
    EXPECT_EQ(ids[1], 1);
    EXPECT_EQ(ids[2], DISPID_UNKNOWN);
    EXPECT_EQ(object->GetIDsOfNames(IProbe::iid, names, 1, 0, ids), DISP_E_UNKNOWNINTERFACE);
}

TEST_F(Dispatch, InArgumentsAreConvertedAndRetvalIsTheResult) {
    std::vector<Variant> args{Variant("40"), Variant(2.4)};
    Variant sum;
    ASSERT_EQ(Call("Add", args, &sum, DISPATCH_METHOD | DISPATCH_PROPERTYGET), S_OK);
    EXPECT_EQ(sum.vt, VT_I4);
    EXPECT_EQ(sum.lVal, 42);

    LONG referenced = 5;
    args = {ByRef(VT_I4, &referenced), Variant(true)};
    ASSERT_EQ(Call("Add", args, &sum), S_OK) << "a reference is read, a boolean is -1";
    EXPECT_EQ(sum.lVal, 4);
}

TEST_F(Dispatch, BadArgumentsAreRefusedBeforeTheCall) {
    std::vector<Variant> args{Variant(LONG(1)), Variant("abc")};
    Variant sum;
    EXPECT_EQ(Call("Add", args, &sum), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(argumentError, 1u);
    args = {Variant(LONG(1))};
    EXPECT_EQ(Call("Add", args, &sum), DISP_E_BADPARAMCOUNT);
    args = {Variant(3e10), Variant(LONG(1))};
    EXPECT_EQ(Call("Add", args, &sum), DISP_E_OVERFLOW);
    EXPECT_EQ(argumentError, 0u);
    EXPECT_EQ(sum.vt, VT_EMPTY);
}

TEST_F(Dispatch, MembersAreChosenByKind) {
    std::vector<Variant> none, value{Variant(LONG(3))};
    Variant result;
    EXPECT_EQ(Call("Count", value, nullptr, DISPATCH_PROPERTYPUT), DISP_E_MEMBERNOTFOUND) << "read-only";
    EXPECT_EQ(Call("Name", none, &result, DISPATCH_METHOD), DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(Call("Echo", none, &result, DISPATCH_PROPERTYGET), DISP_E_MEMBERNOTFOUND);
    std::vector<VARIANT> raw;
    EXPECT_EQ(InvokeMember(object.get(), DISPID(777), DISPATCH_METHOD, raw, &result), DISP_E_MEMBERNOTFOUND);
}

TEST_F(Dispatch, PropertiesPutAndGet) {
    std::vector<Variant> value{Variant("probe one")}, none;
    ASSERT_EQ(Call("Name", value, nullptr, DISPATCH_PROPERTYPUT), S_OK);
    Variant name;
    ASSERT_EQ(Call("name", none, &name, DISPATCH_PROPERTYGET), S_OK);
    EXPECT_EQ(Utf8FromBstr(name.bstrVal), "probe one");

    // Only -1 is true; a boolean of 1 reaches the member as it is.
    value = {Variant(VARIANT_BOOL(1))};
    ASSERT_EQ(Call("Flag", value, nullptr, DISPATCH_PROPERTYPUT), S_OK);
    Variant flag;
    ASSERT_EQ(Call("Flag", none, &flag, DISPATCH_PROPERTYGET), S_OK);
    EXPECT_EQ(flag.boolVal, VARIANT_BOOL(1));
    value = {Variant(LONG(1))};
    ASSERT_EQ(Call("Flag", value, nullptr, DISPATCH_PROPERTYPUT), S_OK);
    ASSERT_EQ(Call("Flag", none, &flag, DISPATCH_PROPERTYGET), S_OK);
    EXPECT_EQ(flag.boolVal, VARIANT_TRUE) << "a number converts to a proper boolean";
}

TEST_F(Dispatch, OutArgumentsReplaceTheCallersValues) {
    BSTR text = SysAllocString(u"old text, freed on replacement");
    std::vector<Variant> args{Variant("hello"), ByRef(VT_BSTR, &text)};
    ASSERT_EQ(Call("Echo", args, nullptr), S_OK);
    EXPECT_EQ(Utf8FromBstr(text), "hello");
    SysFreeString(text);

    Variant holder(LONG(8)); // an out value may also land in a referenced variant
    args = {Variant("again"), ByRef(VT_VARIANT, &holder)};
    ASSERT_EQ(Call("Echo", args, nullptr), S_OK);
    EXPECT_EQ(holder.vt, VT_BSTR);
    EXPECT_EQ(Utf8FromBstr(holder.bstrVal), "again");

    LONG number = 1;
    args = {Variant("x"), ByRef(VT_I4, &number)};
    EXPECT_EQ(Call("Echo", args, nullptr), DISP_E_TYPEMISMATCH) << "an out argument of the wrong type";
    args = {Variant("x"), Variant("not a reference")};
    EXPECT_EQ(Call("Echo", args, nullptr), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(argumentError, 1u);
}

TEST_F(Dispatch, OutArgumentsTheMemberDoesNotSetStayUnchanged) {
    BSTR text = SysAllocString(u"mine");
    LONG number = 17;
    std::vector<Variant> args{ByRef(VT_BSTR, &text), ByRef(VT_I4, &number)};
    ASSERT_EQ(Call("Leave", args), S_OK);
    EXPECT_EQ(Utf8FromBstr(text), "mine");
    EXPECT_EQ(number, 17);
    SysFreeString(text);
}

TEST_F(Dispatch, ArraysInAndOut) {
    SafeArrayPtr values(SafeArrayCreateVector(VT_I4, 0, 3));
    {
        SafeArrayData<LONG> data(values.get());
        data[0] = 1;
        data[1] = 2;
        data[2] = 3;
    }
    SAFEARRAY* scaled = SafeArrayCreateVector(VT_R8, 0, 1); // replaced and freed
    std::vector<Variant> args{Variant(0.5), Variant::AdoptArray(values.Detach()),
                              ByRef(VT_ARRAY | VT_R8, &scaled)};
    ASSERT_EQ(Call("Scale", args), S_OK) << "the long array is converted to doubles";
    ASSERT_EQ(SafeArrayElementCount(scaled), 3u);
    {
        SafeArrayData<double> data(scaled);
        EXPECT_EQ(data[2], 1.5);
        // A locked out target could not be replaced: the call is refused.
        EXPECT_EQ(Call("Scale", args), DISP_E_ARRAYISLOCKED);
        EXPECT_EQ(argumentError, 2u);
    }
    SafeArrayDestroy(scaled);

    SAFEARRAY* bytes = nullptr;
    args = {ByRef(VT_ARRAY | VT_UI1, &bytes), Variant("4")};
    ASSERT_EQ(Call("ReadBytes", args), S_OK);
    VARTYPE vt = VT_EMPTY;
    SafeArrayGetVartype(bytes, &vt);
    EXPECT_EQ(vt, VT_UI1);
    ASSERT_EQ(SafeArrayElementCount(bytes), 4u);
    EXPECT_EQ(static_cast<BYTE*>(bytes->pvData)[3], 3);
    SAFEARRAY* kept = bytes;
    args = {ByRef(VT_ARRAY | VT_UI1, &bytes), Variant(LONG(-1))};
    EXPECT_EQ(Call("ReadBytes", args), DISP_E_EXCEPTION);
    EXPECT_EQ(exception.Description(), "[Message : Can't Read a negative amount of Data]");
    EXPECT_EQ(bytes, kept) << "a failing member leaves out arguments alone";
    SafeArrayDestroy(bytes);
}

TEST_F(Dispatch, NamedArgumentsGoToTheirParameters) {
    std::u16string member = u"ReadBytes", count = u"COUNT", bytes = u"bytes";
    LPOLESTR names[] = {member.data(), count.data(), bytes.data()};
    DISPID ids[3] = {};
    ASSERT_EQ(object->GetIDsOfNames(IID_NULL, names, 3, 0, ids), S_OK);
    EXPECT_EQ(ids[1], 1);
    EXPECT_EQ(ids[2], 0);
    SAFEARRAY* array = nullptr;
    VARIANT args[2] = {Variant(LONG(3)), ByRef(VT_ARRAY | VT_UI1, &array)};
    DISPID named[2] = {ids[1], ids[2]};
    DISPPARAMS params{args, named, 2, 2};
    ASSERT_EQ(object->Invoke(ids[0], IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr), S_OK);
    EXPECT_EQ(SafeArrayElementCount(array), 3u);
    SafeArrayDestroy(array);

    DISPID twice[2] = {1, 1};
    params.rgdispidNamedArgs = twice;
    UINT bad = 9;
    EXPECT_EQ(object->Invoke(ids[0], IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, &bad),
              DISP_E_PARAMNOTFOUND);
    EXPECT_EQ(bad, 1u);
}

TEST_F(Dispatch, VariantParametersArriveAsGiven) {
    std::vector<Variant> args{Variant("x")};
    Variant text;
    ASSERT_EQ(Call("Describe", args, &text), S_OK);
    EXPECT_EQ(Utf8FromBstr(text.bstrVal), "vt 8: x");
    LONG number = 7;
    args = {ByRef(VT_I4, &number)};
    ASSERT_EQ(Call("Describe", args, &text), S_OK);
    EXPECT_EQ(Utf8FromBstr(text.bstrVal), "vt 3: 7") << "references are followed";
}

TEST_F(Dispatch, FailuresCarryTheErrorInformation) {
    std::vector<Variant> args{Variant("boom")};
    EXPECT_EQ(Call("Fail", args), DISP_E_EXCEPTION);
    EXPECT_EQ(exception.scode, probe::PROBE_E_FAILED);
    EXPECT_EQ(exception.Source(), "Probe.Probe.1");
    EXPECT_EQ(exception.Description(), "[Message : boom]");

    // Without EXCEPINFO the result is the member's own, and the information stays.
    std::vector<VARIANT> raw(args.begin(), args.end());
    EXPECT_EQ(InvokeMember(object.get(), "Fail", DISPATCH_METHOD, raw, nullptr), probe::PROBE_E_FAILED);
    auto details = TakeErrorDetails();
    ASSERT_TRUE(details);
    EXPECT_EQ(details->description, "[Message : boom]");

    // A member that fails without information never reports stale information.
    ReportError(E_FAIL, IProbe::iid, "stale", "stale");
    args = {Variant("")};
    EXPECT_EQ(Call("Fail", args), DISP_E_EXCEPTION);
    EXPECT_EQ(exception.scode, E_FAIL);
    EXPECT_EQ(exception.Description(), "");
}

TEST_F(Dispatch, PropertyBagConsumer) {
    ComPtr<IPropertyBag> bag = MakeMemoryPropertyBag();
    PropertyBagWrite(bag.get(), "NAME", Variant("from bag"));
    std::vector<Variant> args{Variant(static_cast<IUnknown*>(bag.get()))};
    EXPECT_EQ(Call("LoadSettings", args), DISP_E_EXCEPTION);
    EXPECT_EQ(exception.scode, E_INVALIDARG);
    EXPECT_EQ(exception.Description(), "[Message : Unable to read property]");
    PropertyBagWrite(bag.get(), "Count", Variant("12"));
    ASSERT_EQ(Call("LoadSettings", args), S_OK);
    Variant count;
    std::vector<Variant> none;
    ASSERT_EQ(Call("Count", none, &count, DISPATCH_PROPERTYGET), S_OK);
    EXPECT_EQ(count.lVal, 12);
    args = {Variant()};
    EXPECT_EQ(Call("LoadSettings", args), DISP_E_EXCEPTION) << "nothing is no bag";
    EXPECT_EQ(exception.scode, E_POINTER);
}

TEST_F(Dispatch, TypeInfoDescribesTheMembers) {
    UINT count = 0;
    EXPECT_EQ(object->GetTypeInfoCount(&count), S_OK);
    EXPECT_EQ(count, 1u);
    ComPtr<ITypeInfo> info;
    EXPECT_EQ(object->GetTypeInfo(1, 0, info.Out()), DISP_E_BADINDEX);
    ASSERT_EQ(object->GetTypeInfo(0, 0, info.Out()), S_OK);
    const InterfaceDescription* description = nullptr;
    ASSERT_EQ(info->GetInterfaceDescription(&description), S_OK);
    EXPECT_STREQ(description->name, "IProbe");
    EXPECT_EQ(description->iid, IProbe::iid);
    const MemberDescription* read = FindMember(*description, 9, MemberKind::Method);
    ASSERT_NE(read, nullptr);
    ASSERT_EQ(read->params.size(), 2u);
    EXPECT_EQ(read->params[0].type, VT_ARRAY | VT_UI1);
    EXPECT_TRUE(read->params[0].IsOut());
    EXPECT_EQ(read->SuppliedCount(), 2u);
    EXPECT_EQ(FindMember(*description, 2, MemberKind::Method)->SuppliedCount(), 2u);
}

// A dual interface implemented in this program, whose value property (dispatch
// identifier 0) lets an object convert to a number.
namespace {

struct IGauge : IDispatch {
    static constexpr IID iid = MakeGuid("{0D3C1A10-0000-4000-8000-000000000020}");
    virtual HRESULT get_Reading(DOUBLE* reading) = 0;
    virtual HRESULT Reset(LONG to) = 0;
};

constexpr ParamDescription kReadingParams[] = {{"reading", VT_R8, kParamOut | kParamRetval}};
constexpr ParamDescription kResetParams[] = {{"to", VT_I4, kParamIn}};
constexpr MemberDescription kGaugeMembers[] = {
    DispPropertyGet<&IGauge::get_Reading, kReadingParams>("Reading", DISPID_VALUE),
    DispMethod<&IGauge::Reset, kResetParams>("Reset", 1),
};
constexpr InterfaceDescription kGaugeDescription{"IGauge", IGauge::iid, InterfaceKind::Dual, nullptr,
                                                 kGaugeMembers};

class Gauge final : public ComClass<Gauge, DispatchImpl<IGauge, kGaugeDescription>> {
public:
    static std::span<const InterfaceEntry> InterfaceTable() {
        static constexpr InterfaceEntry table[] = {Entry<Gauge, IGauge>(), Entry<Gauge, IDispatch, IGauge>()};
        return table;
    }
    HRESULT get_Reading(DOUBLE* reading) override {
        *reading = reading_;
        return S_OK;
    }
    HRESULT Reset(LONG to) override {
        if (to < 0)
            throw std::runtime_error("escapes the member");
        reading_ = to;
        return S_OK;
    }

private:
    ~Gauge() override = default;
    double reading_ = 41.6;
};

} // namespace

TEST(DispatchValue, ObjectsConvertThroughTheirValueProperty) {
    ComPtr<Gauge> gauge = MakeObject<Gauge>();
    Variant object(static_cast<IDispatch*>(static_cast<IGauge*>(gauge.get())));
    Variant number;
    ASSERT_EQ(VariantChangeType(&number, &object, 0, VT_I4), S_OK);
    EXPECT_EQ(number.lVal, 42);
    EXPECT_EQ(VariantChangeType(&number, &object, VARIANT_NOVALUEPROP, VT_I4), DISP_E_TYPEMISMATCH);
    Variant unknown;
    ASSERT_EQ(VariantChangeType(&unknown, &object, 0, VT_UNKNOWN), S_OK);
    EXPECT_EQ(unknown.vt, VT_UNKNOWN);
}

TEST(DispatchValue, ExceptionsDoNotLeaveAMember) {
    ComPtr<Gauge> gauge = MakeObject<Gauge>();
    Variant ignored;
    std::vector<Variant> owned{Variant(LONG(-1))};
    std::vector<VARIANT> raw(owned.begin(), owned.end());
    EXPECT_EQ(InvokeMember(static_cast<IGauge*>(gauge.get()), "Reset", DISPATCH_METHOD, raw, &ignored),
              E_UNEXPECTED);
}
