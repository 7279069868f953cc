// The FakeInstrument component module (see fake_instrument.h).
#include "fake_instrument.h"

#include "com/dispatch_impl.h"
#include "com/error_info.h"
#include "com/module.h"
#include "com/property_bag.h"
#include "com/registration.h"
#include "driver/interfaces.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace fake {
namespace {

using corvid::driver::IInitialize;
using corvid::driver::IInitializeGpib;
using corvid::driver::ILog;

constexpr char kProgId[] = "FakeInstrument.FakeInstrument.1";
constexpr HRESULT kGpibError = static_cast<HRESULT>(0x8004E000u);
constexpr char kOk[] = "Ok, no IO error";
constexpr char kTimeout[] = "GPIB Error: Timeout expired before operation completed.";

// clang-format off
constexpr ParamDescription kWriteParams[] = {{"command", VT_BSTR, kParamIn}};
constexpr ParamDescription kReadParams[] = {{"result", VT_BSTR, kParamOut}, {"maxResultSize", VT_I4, kParamIn}};
constexpr ParamDescription kQueryParams[] = {
    {"command", VT_BSTR, kParamIn}, {"result", VT_BSTR, kParamOut}, {"maxResultSize", VT_I4, kParamIn}};
constexpr ParamDescription kOnParams[] = {{"on", VT_BOOL, kParamIn}};
template <VARTYPE Element>
constexpr ParamDescription kRawWriteParams[] = {{"values", VT_ARRAY | Element, kParamIn}};
template <VARTYPE Element>
constexpr ParamDescription kRawReadParams[] = {{"values", VT_ARRAY | Element, kParamOut}, {"count", VT_I4, kParamIn}};
constexpr ParamDescription kPendingParams[] = {{"count", VT_I4, kParamOut | kParamRetval}};
constexpr ParamDescription kJoinParams[] = {
    {"texts", VT_ARRAY | VT_BSTR, kParamIn}, {"separator", VT_BSTR, kParamIn}, {"joined", VT_BSTR, kParamOut}};
constexpr ParamDescription kSplitParams[] = {
    {"text", VT_BSTR, kParamIn}, {"separator", VT_BSTR, kParamIn}, {"parts", VT_ARRAY | VT_BSTR, kParamOut}};
constexpr ParamDescription kInvertParams[] = {
    {"flags", VT_ARRAY | VT_BOOL, kParamIn}, {"inverted", VT_ARRAY | VT_BOOL, kParamOut}};
constexpr ParamDescription kMirrorParams[] = {{"value", VT_VARIANT, kParamIn}, {"copy", VT_VARIANT, kParamOut}};
constexpr ParamDescription kIncrementParams[] = {{"value", VT_I4, kParamIn | kParamOut}};

constexpr MemberDescription kMembers[] = {
    DispMethod<&IFakeGpib::Write, kWriteParams>("Write", 1),
    DispMethod<&IFakeGpib::Read, kReadParams>("Read", 2),
    DispMethod<&IFakeGpib::Query, kQueryParams>("Query", 3),
    DispMethod<&IFakeGpib::TermCharOnOff, kOnParams>("TermCharOnOff", 8),
    DispMethod<&IFakeGpib::WriteRawDoubles, kRawWriteParams<VT_R8>>("WriteRawDoubles", 10),
    DispMethod<&IFakeGpib::WriteRawFloats, kRawWriteParams<VT_R4>>("WriteRawFloats", 11),
    DispMethod<&IFakeGpib::WriteRaw8Bits, kRawWriteParams<VT_UI1>>("WriteRaw8Bits", 12),
    DispMethod<&IFakeGpib::WriteRaw16Bits, kRawWriteParams<VT_I2>>("WriteRaw16Bits", 13),
    DispMethod<&IFakeGpib::WriteRaw32Bits, kRawWriteParams<VT_I4>>("WriteRaw32Bits", 14),
    DispMethod<&IFakeGpib::ReadRawDoubles, kRawReadParams<VT_R8>>("ReadRawDoubles", 15),
    DispMethod<&IFakeGpib::ReadRawFloats, kRawReadParams<VT_R4>>("ReadRawFloats", 16),
    DispMethod<&IFakeGpib::ReadRaw8Bits, kRawReadParams<VT_UI1>>("ReadRaw8Bits", 17),
    DispMethod<&IFakeGpib::ReadRaw16Bits, kRawReadParams<VT_I2>>("ReadRaw16Bits", 18),
    DispMethod<&IFakeGpib::ReadRaw32Bits, kRawReadParams<VT_I4>>("ReadRaw32Bits", 19),
    DispPropertyGet<&IFakeGpib::get_Pending, kPendingParams>("Pending", 100),
    DispMethod<&IFakeGpib::JoinTexts, kJoinParams>("JoinTexts", 101),
    DispMethod<&IFakeGpib::SplitText, kSplitParams>("SplitText", 102),
    DispMethod<&IFakeGpib::Invert, kInvertParams>("Invert", 103),
    DispMethod<&IFakeGpib::Mirror, kMirrorParams>("Mirror", 104),
    DispMethod<&IFakeGpib::Increment, kIncrementParams>("Increment", 105),
};
// clang-format on

constexpr InterfaceDescription kFakeGpib{"IFakeGpib", IFakeGpib::iid, InterfaceKind::Dual, nullptr, kMembers};
constexpr const InterfaceDescription* kInterfaces[] = {&kFakeGpib};
constexpr ClassDescription kClass{"FakeInstrument", CLSID_FakeInstrument, "FakeInstrument Class", kInterfaces,
                                  &kFakeGpib};
constexpr const ClassDescription* kClasses[] = {&kClass};
constexpr TypeLibraryDescription kLibrary{"FAKELib", LIBID_FakeInstrument,    1,           0,
                                          1033,      "fake 1.0 Type Library", kInterfaces, kClasses};
constexpr ClassRegistration kRegistrations[] = {{CLSID_FakeInstrument,
                                                 "FakeInstrument Class",
                                                 kProgId,
                                                 "FakeInstrument.FakeInstrument",
                                                 "Apartment",
                                                 true,
                                                 {}}};
constexpr ServerRegistration kServer{kRegistrations, &kLibrary};

class CFakeInstrument final
    : public ComClass<CFakeInstrument, DispatchImpl<IFakeGpib, kFakeGpib>, IInitializeGpib,
                      SupportErrorInfoImpl<IFakeGpib::iid, IInitialize::iid, IInitializeGpib::iid>> {
public:
    static std::span<const InterfaceEntry> InterfaceTable() {
        static constexpr InterfaceEntry table[] = {
            Entry<CFakeInstrument, IFakeGpib>(), Entry<CFakeInstrument, IDispatch, IFakeGpib>(),
            Entry<CFakeInstrument, IInitializeGpib>(), Entry<CFakeInstrument, IInitialize, IInitializeGpib>(),
            Entry<CFakeInstrument, ISupportErrorInfo>()};
        return table;
    }

    // IInitialize
    HRESULT get_InstanceName(BSTR* name) override { return Out(name, Bstr::CopyOf(name_.get()).Detach()); }
    HRESULT put_InstanceName(BSTR name) override {
        name_ = Bstr::CopyOf(name);
        return S_OK;
    }
    HRESULT Initialize() override {
        Close();
        logName_ = name_.Utf8() + " (GPIB" + std::to_string(board_) + "::" + std::to_string(primary_) + ")";
        if (primary_ < 0 || primary_ > 30) {
            Log("Initialize", "Device Not Found", false);
            return Fail("Initialize", kGpibError, "Can't Open IO, " + logName_);
        }
        open_ = true;
        Log("Initialize", kOk, true);
        return S_OK;
    }
    HRESULT InitializeData(IUnknown* object) override {
        ComPtr<IPropertyBag> bag;
        HRESULT hr = object ? object->QueryInterface(IPropertyBag::iid, bag.OutVoid()) : E_POINTER;
        if (FAILED(hr))
            return Fail("InitializeData", hr, "Failed To Get PropertyBag Interface");
        Variant name, board, primary, optional;
        if (FAILED(hr = PropertyBagRead(bag.get(), "InstanceName", VT_BSTR, name)) ||
            FAILED(hr = PropertyBagRead(bag.get(), "GpibBoardAddress", VT_I4, board)) ||
            FAILED(hr = PropertyBagRead(bag.get(), "GpibPrimaryAddress", VT_I4, primary)))
            return Fail("InitializeData", hr, "Unable to retrive object property");
        name_ = Bstr::CopyOf(name.bstrVal);
        board_ = board.lVal;
        primary_ = primary.lVal;
        if (SUCCEEDED(PropertyBagRead(bag.get(), "GpibSecondaryAddress", VT_I4, optional)))
            secondary_ = optional.lVal;
        if (SUCCEEDED(PropertyBagRead(bag.get(), "GpibTimeOut", VT_I4, optional)))
            timeOut_ = optional.lVal;
        return S_OK;
    }
    HRESULT SaveData(IUnknown*) override { return S_OK; }
    HRESULT Close() override {
        if (open_)
            Log("Close", kOk, true);
        open_ = false;
        output_.clear();
        return S_OK;
    }
    // Like the driver: the named interface of the object, whatever kind it is.
    HRESULT get_Interface(BSTR name, IDispatch** object) override {
        if (!object)
            return E_POINTER;
        std::string wanted = Utf8FromBstr(name);
        const IID* iid = wanted == "IGpib" || wanted == "IMessageIO" ? &IFakeGpib::iid
                         : wanted == "IInitialize"                   ? &IInitialize::iid
                         : wanted == "IInitializeGpib"               ? &IInitializeGpib::iid
                                                                     : nullptr;
        if (!iid)
            return Fail("get_Interface", E_NOINTERFACE, "Unknown Interface");
        return QueryInterface(*iid, reinterpret_cast<void**>(object));
    }
    HRESULT put_LogInterface(IUnknown* object) override {
        ComPtr<ILog> log;
        HRESULT hr = object ? object->QueryInterface(ILog::iid, log.OutVoid()) : E_POINTER;
        if (FAILED(hr))
            return Fail("SetLogInterface", hr, "Failed To Get ILog Interface");
        log_ = std::move(log);
        return S_OK;
    }

    // IInitializeGpib
    HRESULT get_BoardAddress(LONG* value) override { return Out(value, board_); }
    HRESULT put_BoardAddress(LONG value) override { return Store(board_, value); }
    HRESULT get_PrimaryAddress(LONG* value) override { return Out(value, primary_); }
    HRESULT put_PrimaryAddress(LONG value) override { return Store(primary_, value); }
    HRESULT get_SecondaryAddress(LONG* value) override { return Out(value, secondary_); }
    HRESULT put_SecondaryAddress(LONG value) override { return Store(secondary_, value); }
    HRESULT get_TimeOut(LONG* value) override { return Out(value, timeOut_); }
    HRESULT put_TimeOut(LONG value) override { return Store(timeOut_, value); }

    // IFakeGpib
    HRESULT Write(BSTR command) override {
        if (!open_)
            return NotOpen("Write");
        std::string text = Utf8FromBstr(command);
        std::string answer = text == "*IDN?"
                                 ? "CORVID,FAKE," + name_.Utf8() + ",GPIB" + std::to_string(board_) +
                                       "::" + std::to_string(primary_) + "\n"
                                 : text;
        output_.insert(output_.end(), answer.begin(), answer.end());
        Log("Write : " + text, kOk, true);
        return S_OK;
    }
    HRESULT Read(BSTR* result, LONG maxResultSize) override {
        if (!result)
            return E_POINTER;
        if (!open_)
            return NotOpen("Read");
        if (maxResultSize < 0)
            return Fail("Read", E_INVALIDARG, "Can't Read a negative amount of Data");
        if (output_.empty() && maxResultSize > 0) {
            Log("Read", kTimeout, false);
            return Fail("Read", kGpibError, kTimeout);
        }
        std::size_t count = std::min<std::size_t>(static_cast<std::size_t>(maxResultSize), output_.size());
        std::string text(output_.begin(), output_.begin() + static_cast<std::ptrdiff_t>(count));
        output_.erase(output_.begin(), output_.begin() + static_cast<std::ptrdiff_t>(count));
        Log("Read : " + text, kOk, true);
        return Out(result, BstrFromUtf8(text));
    }
    HRESULT Query(BSTR command, BSTR* result, LONG maxResultSize) override {
        HRESULT hr = Write(command);
        return FAILED(hr) ? hr : Read(result, maxResultSize);
    }
    HRESULT TermCharOnOff(VARIANT_BOOL on) override {
        if (!open_)
            return NotOpen("TermCharOnOff");
        Log(on == VARIANT_TRUE ? " TermCharOnOff On" : "TermCharOnOff Off", kOk, true);
        return S_OK;
    }
    HRESULT WriteRawDoubles(SAFEARRAY* values) override {
        return WriteRaw<DOUBLE>(values, "WriteRawDoubles");
    }
    HRESULT WriteRawFloats(SAFEARRAY* values) override { return WriteRaw<FLOAT>(values, "WriteRawFloats"); }
    HRESULT WriteRaw8Bits(SAFEARRAY* values) override { return WriteRaw<BYTE>(values, "WriteRaw8Bits"); }
    HRESULT WriteRaw16Bits(SAFEARRAY* values) override { return WriteRaw<SHORT>(values, "WriteRaw16Bits"); }
    HRESULT WriteRaw32Bits(SAFEARRAY* values) override { return WriteRaw<LONG>(values, "WriteRaw32Bits"); }
    HRESULT ReadRawDoubles(SAFEARRAY** values, LONG count) override {
        return ReadRaw<DOUBLE>(values, count, VT_R8, "ReadRawDoubles");
    }
    HRESULT ReadRawFloats(SAFEARRAY** values, LONG count) override {
        return ReadRaw<FLOAT>(values, count, VT_R4, "ReadRawFloats");
    }
    HRESULT ReadRaw8Bits(SAFEARRAY** values, LONG count) override {
        return ReadRaw<BYTE>(values, count, VT_UI1, "ReadRaw8Bits");
    }
    HRESULT ReadRaw16Bits(SAFEARRAY** values, LONG count) override {
        return ReadRaw<SHORT>(values, count, VT_I2, "ReadRaw16Bits");
    }
    HRESULT ReadRaw32Bits(SAFEARRAY** values, LONG count) override {
        return ReadRaw<LONG>(values, count, VT_I4, "ReadRaw32Bits");
    }
    HRESULT get_Pending(LONG* count) override { return Out(count, static_cast<LONG>(output_.size())); }

    HRESULT JoinTexts(SAFEARRAY* texts, BSTR separator, BSTR* joined) override {
        if (!texts || !joined)
            return E_POINTER;
        std::string result;
        for (LONG i = 0; i < static_cast<LONG>(SafeArrayElementCount(texts)); ++i) {
            Bstr text;
            SafeArrayGetElement(texts, &i, text.Out());
            result += (i ? Utf8FromBstr(separator) : "") + text.Utf8();
        }
        return Out(joined, BstrFromUtf8(result));
    }
    HRESULT SplitText(BSTR text, BSTR separator, SAFEARRAY** parts) override {
        if (!parts)
            return E_POINTER;
        std::string rest = Utf8FromBstr(text), cut = Utf8FromBstr(separator);
        std::vector<std::string> pieces;
        for (std::size_t at; !cut.empty() && (at = rest.find(cut)) != std::string::npos;
             rest.erase(0, at + cut.size()))
            pieces.push_back(rest.substr(0, at));
        pieces.push_back(rest);
        SafeArrayPtr array(SafeArrayCreateVector(VT_BSTR, 0, static_cast<ULONG>(pieces.size())));
        for (LONG i = 0; i < static_cast<LONG>(pieces.size()); ++i)
            SafeArrayPutElement(array.get(), &i, Bstr(pieces[static_cast<std::size_t>(i)]).get());
        *parts = array.Detach();
        return S_OK;
    }
    HRESULT Invert(SAFEARRAY* flags, SAFEARRAY** inverted) override {
        if (!flags || !inverted)
            return E_POINTER;
        SafeArrayPtr copy;
        HRESULT hr = SafeArrayCopy(flags, copy.Out());
        if (FAILED(hr))
            return hr;
        SafeArrayData<VARIANT_BOOL> data(copy.get());
        for (ULONG i = 0; i < SafeArrayElementCount(copy.get()); ++i)
            data[i] = ToVariantBool(data[i] != VARIANT_TRUE);
        *inverted = copy.Detach();
        return S_OK;
    }
    HRESULT Mirror(VARIANT value, VARIANT* copy) override {
        return copy ? VariantCopy(copy, &value) : E_POINTER;
    }
    HRESULT Increment(LONG* value) override {
        if (!value)
            return E_POINTER;
        ++*value;
        return S_OK;
    }

private:
    ~CFakeInstrument() override { Close(); }

    template <class T, class V>
    static HRESULT Out(T* target, V value) {
        if (!target)
            return E_POINTER;
        *target = value;
        return S_OK;
    }
    static HRESULT Store(LONG& member, LONG value) {
        member = value;
        return S_OK;
    }

    static HRESULT Fail(const char* member, HRESULT hr, const std::string& message) {
        return ReportError(hr, IFakeGpib::iid, kProgId,
                           std::string("[Command : CFakeInstrument::") + member + "] [Message : " + message +
                               "]");
    }
    static HRESULT NotOpen(const char* member) {
        return Fail(member, E_UNEXPECTED, "Trying To Use UnInitialized IO");
    }

    void Log(const std::string& entry, const char* status, bool passed) {
        if (log_)
            log_->LogEntry(Bstr(logName_).get(), Bstr(entry).get(), Bstr(std::string_view(status)).get(),
                           Bstr(std::string_view(passed ? "PASSED" : "FAILED")).get());
    }

    template <class T>
    HRESULT WriteRaw(SAFEARRAY* values, const char* member) {
        if (!values)
            return E_POINTER;
        if (!open_)
            return NotOpen(member);
        SafeArrayData<T> data(values);
        if (FAILED(data.result()))
            return Fail(member, data.result(), "Array locked");
        const auto* bytes = reinterpret_cast<const BYTE*>(data.data());
        output_.insert(output_.end(), bytes, bytes + values->rgsabound[0].cElements * sizeof(T));
        Log("Write - Binary Data", kOk, true);
        return S_OK;
    }

    // Fewer bytes than asked for give the whole elements that arrived.
    template <class T>
    HRESULT ReadRaw(SAFEARRAY** values, LONG count, VARTYPE vt, const char* member) {
        if (!values)
            return E_POINTER;
        if (!open_)
            return NotOpen(member);
        if (count < 0)
            return Fail(member, E_INVALIDARG, "Can't Read a negative amount of Data");
        SafeArrayPtr array(SafeArrayCreateVector(vt, 0, static_cast<ULONG>(count)));
        if (!array)
            return Fail(member, E_OUTOFMEMORY, "Out of memory");
        std::size_t received = std::min(static_cast<std::size_t>(count) * sizeof(T), output_.size());
        {
            SafeArrayData<BYTE> data(array.get());
            std::memcpy(data.data(), output_.data(), received);
        }
        output_.erase(output_.begin(), output_.begin() + static_cast<std::ptrdiff_t>(received));
        SAFEARRAYBOUND bound{static_cast<ULONG>(received / sizeof(T)), 0};
        SafeArrayRedim(array.get(), &bound);
        Log("Read : Binary Data", kOk, true);
        *values = array.Detach();
        return S_OK;
    }

    Bstr name_;
    LONG board_ = 0, primary_ = 0, secondary_ = 0, timeOut_ = 2000;
    std::string logName_;
    bool open_ = false;
    std::vector<BYTE> output_; // what the instrument will send
    ComPtr<ILog> log_;
};

constexpr ClassObjectEntry kClassObjects[] = {ClassObject<CFakeInstrument>(CLSID_FakeInstrument)};

} // namespace
} // namespace fake

using namespace corvid::com;

CORVID_COM_EXPORT HRESULT DllGetClassObject(REFCLSID clsid, REFIID riid, void** object) {
    return GetClassObjectFromTable(fake::kClassObjects, clsid, riid, object);
}

CORVID_COM_EXPORT HRESULT DllCanUnloadNow() {
    return ModuleCounts::CanUnloadNow();
}

CORVID_COM_EXPORT HRESULT DllRegisterServer() {
    return RegisterServer(fake::kServer, ThisModulePath());
}

CORVID_COM_EXPORT HRESULT DllUnregisterServer() {
    return UnregisterServer(fake::kServer);
}
