// The Probe component module: a dual interface described by a table, a property-bag
// consumer, error information and self-registration.
#include "com/dispatch_impl.h"
#include "com/error_info.h"
#include "com/module.h"
#include "com/property_bag.h"
#include "com/registration.h"
#include "probe.h"

#include <string>

namespace probe {
namespace {

// clang-format off
constexpr ParamDescription kEchoParams[] = {{"text", VT_BSTR, kParamIn}, {"echoed", VT_BSTR, kParamOut}};
constexpr ParamDescription kAddParams[] = {
    {"a", VT_I4, kParamIn}, {"b", VT_I4, kParamIn}, {"sum", VT_I4, kParamOut | kParamRetval}};
constexpr ParamDescription kScaleParams[] = {
    {"factor", VT_R8, kParamIn}, {"values", VT_ARRAY | VT_R8, kParamIn}, {"scaled", VT_ARRAY | VT_R8, kParamOut}};
constexpr ParamDescription kFailParams[] = {{"message", VT_BSTR, kParamIn}};
constexpr ParamDescription kNameGetParams[] = {{"name", VT_BSTR, kParamOut | kParamRetval}};
constexpr ParamDescription kNamePutParams[] = {{"name", VT_BSTR, kParamIn}};
constexpr ParamDescription kCountParams[] = {{"count", VT_I4, kParamOut | kParamRetval}};
constexpr ParamDescription kFlagGetParams[] = {{"flag", VT_BOOL, kParamOut | kParamRetval}};
constexpr ParamDescription kFlagPutParams[] = {{"flag", VT_BOOL, kParamIn}};
constexpr ParamDescription kLoadParams[] = {{"bag", VT_UNKNOWN, kParamIn}};
constexpr ParamDescription kReadBytesParams[] = {{"bytes", VT_ARRAY | VT_UI1, kParamOut}, {"count", VT_I4, kParamIn}};
constexpr ParamDescription kDescribeParams[] = {{"value", VT_VARIANT, kParamIn}, {"text", VT_BSTR, kParamOut | kParamRetval}};
constexpr ParamDescription kLeaveParams[] = {{"text", VT_BSTR, kParamOut}, {"number", VT_I4, kParamOut}};

constexpr MemberDescription kProbeMembers[] = {
    DispMethod<&IProbe::Echo, kEchoParams>("Echo", 1),
    DispMethod<&IProbe::Add, kAddParams>("Add", 2),
    DispMethod<&IProbe::Scale, kScaleParams>("Scale", 3),
    DispMethod<&IProbe::Fail, kFailParams>("Fail", 4),
    DispPropertyGet<&IProbe::get_Name, kNameGetParams>("Name", 5),
    DispPropertyPut<&IProbe::put_Name, kNamePutParams>("Name", 5),
    DispPropertyGet<&IProbe::get_Count, kCountParams>("Count", 6),
    DispPropertyGet<&IProbe::get_Flag, kFlagGetParams>("Flag", 7),
    DispPropertyPut<&IProbe::put_Flag, kFlagPutParams>("Flag", 7),
    DispMethod<&IProbe::LoadSettings, kLoadParams>("LoadSettings", 8),
    DispMethod<&IProbe::ReadBytes, kReadBytesParams>("ReadBytes", 9),
    DispMethod<&IProbe::Describe, kDescribeParams>("Describe", 10),
    DispMethod<&IProbe::Leave, kLeaveParams>("Leave", 11),
};
// clang-format on

constexpr ParamDescription kSetCountParams[] = {{"count", VT_I4, kParamIn}};
constexpr ParamDescription kGetNameParams[] = {{"name", VT_BSTR, kParamOut}};
constexpr MemberDescription kSetupMembers[] = {
    CustomMember("SetCount", MemberKind::Method, kSetCountParams),
    CustomMember("GetName", MemberKind::Method, kGetNameParams),
};

constexpr InterfaceDescription kProbeDescription{"IProbe", IProbe::iid,   InterfaceKind::Dual,
                                                 nullptr,  kProbeMembers, "Probe interface"};
constexpr InterfaceDescription kSetupDescription{"IProbeSetup", IProbeSetup::iid, InterfaceKind::Custom,
                                                 nullptr, kSetupMembers};
constexpr const InterfaceDescription* kProbeInterfaces[] = {&kProbeDescription, &kSetupDescription};
constexpr ClassDescription kProbeClass{"Probe", CLSID_Probe, "Probe Class", kProbeInterfaces,
                                       &kProbeDescription};
constexpr const ClassDescription* kClasses[] = {&kProbeClass};
constexpr TypeLibraryDescription kProbeLibrary{
    "PROBELib", LIBID_Probe, 1, 0, 1033, "probe 1.0 Type Library", kProbeInterfaces, kClasses};

constexpr CategoryRegistration kCategories[] = {{CATID_TestComponents, "Corvid Test Components"}};
constexpr ClassRegistration kRegistrations[] = {
    {CLSID_Probe, "Probe Class", "Probe.Probe.1", "Probe.Probe", "Apartment", true, kCategories}};
constexpr ServerRegistration kServer{kRegistrations, &kProbeLibrary};

constexpr char kSource[] = "Probe.Probe.1";

class CProbe final : public ComClass<CProbe, DispatchImpl<IProbe, kProbeDescription>, IProbeSetup,
                                     SupportErrorInfoImpl<IProbe::iid, IProbeSetup::iid>> {
public:
    static std::span<const InterfaceEntry> InterfaceTable() {
        static constexpr InterfaceEntry table[] = {
            Entry<CProbe, IProbe>(), Entry<CProbe, IDispatch, IProbe>(), Entry<CProbe, IProbeSetup>(),
            Entry<CProbe, ISupportErrorInfo>()};
        return table;
    }

    HRESULT Echo(BSTR text, BSTR* echoed) override {
        if (!echoed)
            return E_POINTER;
        *echoed = Bstr::CopyOf(text).Detach();
        return S_OK;
    }

    HRESULT Add(LONG a, LONG b, LONG* sum) override {
        if (!sum)
            return E_POINTER;
        *sum = a + b;
        return S_OK;
    }

    HRESULT Scale(DOUBLE factor, SAFEARRAY* values, SAFEARRAY** scaled) override {
        if (!values || !scaled)
            return E_POINTER;
        ULONG count = SafeArrayElementCount(values);
        SafeArrayPtr result(SafeArrayCreateVector(VT_R8, 0, count));
        SafeArrayData<double> from(values);
        if (FAILED(from.result()))
            return Failure(from.result(), "Array locked");
        SafeArrayData<double> to(result.get());
        for (ULONG i = 0; i < count; ++i)
            to[i] = from[i] * factor;
        *scaled = result.Detach();
        return S_OK;
    }

    // An empty message fails without error information.
    HRESULT Fail(BSTR message) override {
        if (SysStringLen(message) == 0)
            return E_FAIL;
        return Failure(PROBE_E_FAILED, Utf8FromBstr(message));
    }

    HRESULT get_Name(BSTR* name) override {
        if (!name)
            return E_POINTER;
        *name = Bstr::CopyOf(name_.get()).Detach();
        return S_OK;
    }
    HRESULT put_Name(BSTR name) override {
        name_ = Bstr::CopyOf(name);
        return S_OK;
    }
    HRESULT get_Count(LONG* count) override {
        if (!count)
            return E_POINTER;
        *count = count_;
        return S_OK;
    }
    HRESULT get_Flag(VARIANT_BOOL* flag) override {
        if (!flag)
            return E_POINTER;
        *flag = flag_;
        return S_OK;
    }
    HRESULT put_Flag(VARIANT_BOOL flag) override {
        flag_ = flag;
        return S_OK;
    }

    HRESULT LoadSettings(IUnknown* object) override {
        ComPtr<IPropertyBag> bag;
        HRESULT hr = object ? object->QueryInterface(IPropertyBag::iid, bag.OutVoid()) : E_POINTER;
        if (FAILED(hr))
            return Failure(hr, "No property bag");
        Variant name, count, flag;
        if (FAILED(hr = PropertyBagRead(bag.get(), "Name", VT_BSTR, name)) ||
            FAILED(hr = PropertyBagRead(bag.get(), "Count", VT_I4, count)))
            return Failure(hr, "Unable to read property");
        name_ = Bstr::CopyOf(name.bstrVal);
        count_ = count.lVal;
        if (SUCCEEDED(PropertyBagRead(bag.get(), "Flag", VT_BOOL, flag)))
            flag_ = flag.boolVal;
        return S_OK;
    }

    HRESULT ReadBytes(SAFEARRAY** bytes, LONG count) override {
        if (!bytes)
            return E_POINTER;
        if (count < 0)
            return Failure(E_INVALIDARG, "Can't Read a negative amount of Data");
        SafeArrayPtr result(SafeArrayCreateVector(VT_UI1, 0, static_cast<ULONG>(count)));
        SafeArrayData<BYTE> data(result.get());
        for (LONG i = 0; i < count; ++i)
            data[i] = static_cast<BYTE>(i);
        *bytes = result.Detach();
        return S_OK;
    }

    HRESULT Describe(VARIANT value, BSTR* text) override {
        if (!text)
            return E_POINTER;
        Variant asText;
        HRESULT hr = VariantChangeType(&asText, &value, VARIANT_ALPHABOOL, VT_BSTR);
        std::string description = "vt " + std::to_string(value.vt) + ": " +
                                  (SUCCEEDED(hr) ? Utf8FromBstr(asText.bstrVal) : std::string("?"));
        *text = BstrFromUtf8(description);
        return S_OK;
    }

    HRESULT Leave(BSTR*, LONG*) override { return S_OK; }

    HRESULT SetCount(LONG count) override {
        if (count < 0)
            return Failure(PROBE_E_FAILED, "Negative count", IProbeSetup::iid);
        count_ = count;
        return S_OK;
    }
    HRESULT GetName(BSTR* name) override { return get_Name(name); }

private:
    ~CProbe() override = default;

    static HRESULT Failure(HRESULT hr, const std::string& message, REFIID where = IProbe::iid) {
        return ReportError(hr, where, kSource, "[Message : " + message + "]");
    }

    Bstr name_;
    LONG count_ = 0;
    VARIANT_BOOL flag_ = VARIANT_FALSE;
};

constexpr ClassObjectEntry kClassObjects[] = {ClassObject<CProbe>(CLSID_Probe)};

} // namespace
} // namespace probe

using namespace corvid::com;

CORVID_COM_EXPORT HRESULT DllGetClassObject(REFCLSID clsid, REFIID riid, void** object) {
    return GetClassObjectFromTable(probe::kClassObjects, clsid, riid, object);
}

CORVID_COM_EXPORT HRESULT DllCanUnloadNow() {
    return ModuleCounts::CanUnloadNow();
}

CORVID_COM_EXPORT HRESULT DllRegisterServer() {
    return RegisterServer(probe::kServer, ThisModulePath());
}

CORVID_COM_EXPORT HRESULT DllUnregisterServer() {
    return UnregisterServer(probe::kServer);
}
