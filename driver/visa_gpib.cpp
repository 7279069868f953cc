#include "visa_gpib.h"

#include "com/property_bag.h"
#include "record_blocks.h"

#include <string_view>

namespace corvid::driver {
namespace {

constexpr const char* kSetLogCommand = "CVisaGpib::SetLogInterface";

template <class T>
void RequireOutput(T* output) {
    if (!output)
        throw CResultError(E_POINTER, "Invalid output pointer");
}

// The identifier of an interface name that get_Interface answers; null for any other.
const IID* InterfaceOfName(std::u16string_view name) {
    if (name == u"IInitialize")
        return &IInitialize::iid;
    if (name == u"IInitializeGpib")
        return &IInitializeGpib::iid;
    if (name == u"IMessageIO")
        return &IMessageIO::iid;
    if (name == u"IGpib")
        return &IGpib::iid;
    return nullptr;
}

} // namespace

std::span<const InterfaceEntry> CVisaGpib::InterfaceTable() {
    static constexpr InterfaceEntry table[] = {
        Entry<CVisaGpib, IGpib>(),
        Entry<CVisaGpib, IMessageIO, IGpib>(),
        Entry<CVisaGpib, IDispatch, IGpib>(),
        Entry<CVisaGpib, IInitializeGpib>(),
        Entry<CVisaGpib, IInitialize, IInitializeGpib>(),
        Entry<CVisaGpib, ISupportErrorInfo>(),
    };
    return table;
}

CVisaGpib::~CVisaGpib() {
    Close();
    log_.Release();
}

void CVisaGpib::CheckInitialised(bool playback) const {
    if (!playback && session_ == 0)
        throw CResultError(E_UNEXPECTED, "Trying To Use UnInitialized IO");
}

void CVisaGpib::LogAndCheck(std::string_view entry, ViStatus status) {
    std::string text = StatusText(status);
    log_.LogCommand(entry, text, status >= VI_SUCCESS);
    if (status < VI_SUCCESS)
        throw CResultError(VISAGPIB_E_IO, text);
}

void CVisaGpib::Report(std::uint8_t action, const CCopyDataBlock* parameters, const CCopyDataBlock* received,
                       const CCopyDataBlock* sent, std::string_view comments) const noexcept {
    reporter_.Report(board_, primary_, action, parameters, received, sent, comments);
}

std::string CVisaGpib::RecordCutNote(std::string_view blockName, std::size_t length) const {
    std::string note = blocks::TextCutNote(blockName, length);
    return note.empty() || !reporter_.DebuggerPresent() ? std::string() : note;
}

// IInitialize

HRESULT CVisaGpib::get_InstanceName(BSTR* name) {
    return Guarded("CVisaGpib::get_InstanceName", IInitialize::iid, [&] {
        RequireOutput(name);
        Bstr copy = Bstr::CopyOf(instanceName_.get());
        if (instanceName_.get() && !copy.get())
            throw CResultError(E_OUTOFMEMORY, "Out Of Memory");
        *name = copy.Detach();
    });
}

HRESULT CVisaGpib::put_InstanceName(BSTR name) {
    return Guarded("CVisaGpib::put_InstanceName", IInitialize::iid, [&] {
        Bstr copy = Bstr::CopyOf(name);
        if (name && !copy.get())
            throw CResultError(E_OUTOFMEMORY, "Out Of Memory");
        instanceName_ = std::move(copy);
    });
}

HRESULT CVisaGpib::InitializeData(IUnknown* propertyBag) {
    return Guarded("CVisaGpib::InitializeData", IInitialize::iid, [&] { ReadPropertyBag(propertyBag); });
}

HRESULT CVisaGpib::SaveData(IUnknown*) {
    return S_OK;
}

HRESULT CVisaGpib::get_Interface(BSTR InterfaceName, IDispatch** object) {
    return Guarded("CVisaGpib::get_Interface", IInitialize::iid, [&] {
        RequireOutput(object);
        *object = nullptr;
        const IID* iid = InterfaceOfName(BstrView(InterfaceName));
        if (!iid)
            throw CResultError(E_NOINTERFACE, "Unknown Interface");
        void* found = nullptr;
        if (HRESULT hr = QueryInterface(*iid, &found); FAILED(hr))
            throw CResultError(hr, "Unknown Interface");
        // The slot carries the interface that was named, whatever its type.
        *object = static_cast<IDispatch*>(found);
    });
}

HRESULT CVisaGpib::put_LogInterface(IUnknown* log) {
    return Guarded(kSetLogCommand, IInitialize::iid, [&] {
        ComPtr<ILog> found;
        HRESULT hr = log ? log->QueryInterface(ILog::iid, found.OutVoid()) : E_POINTER;
        if (FAILED(hr))
            throw CResultError(hr, "Failed To Get ILog Interface");
        log_.SetLog(std::move(found));
    });
}

// IInitializeGpib: the values are only stored; the instrument is not touched.

HRESULT CVisaGpib::get_BoardAddress(LONG* value) {
    return Guarded("CVisaGpib::get_BoardAddress", IInitializeGpib::iid, [&] {
        RequireOutput(value);
        *value = board_;
    });
}

HRESULT CVisaGpib::put_BoardAddress(LONG value) {
    board_ = value;
    return S_OK;
}

HRESULT CVisaGpib::get_PrimaryAddress(LONG* value) {
    return Guarded("CVisaGpib::get_PrimaryAddress", IInitializeGpib::iid, [&] {
        RequireOutput(value);
        *value = primary_;
    });
}

HRESULT CVisaGpib::put_PrimaryAddress(LONG value) {
    primary_ = value;
    return S_OK;
}

HRESULT CVisaGpib::get_SecondaryAddress(LONG* value) {
    return Guarded("CVisaGpib::get_SecondaryAddress", IInitializeGpib::iid, [&] {
        RequireOutput(value);
        *value = secondary_;
    });
}

HRESULT CVisaGpib::put_SecondaryAddress(LONG value) {
    secondary_ = value;
    return S_OK;
}

HRESULT CVisaGpib::get_TimeOut(LONG* milliseconds) {
    return Guarded("CVisaGpib::get_TimeOut", IInitializeGpib::iid, [&] {
        RequireOutput(milliseconds);
        *milliseconds = timeOut_;
    });
}

HRESULT CVisaGpib::put_TimeOut(LONG milliseconds) {
    timeOut_ = milliseconds;
    return S_OK;
}

// IMessageIO members without I/O

HRESULT CVisaGpib::get_InitializeInterface(IDispatch** pI) {
    if (pI)
        *pI = nullptr;
    return Guarded("CVisaGpib::get_InitializeInterface", IMessageIO::iid,
                   [] { throw CResultError(E_NOTIMPL, "Obsolete unsupported function"); });
}

HRESULT CVisaGpib::put_WriteLogging(VARIANT_BOOL enable) {
    writeLogging_ = enable == VARIANT_TRUE;
    return S_OK;
}

} // namespace corvid::driver
