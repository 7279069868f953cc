// The error objects of the shared runtime. They are made here, not by the module that
// reports the error, because the thread's slot may still hold one when that module is
// unloaded (a plug-in unloaded by its host): the object's code must live as long as the slot.
#include "com/bstr.h"
#include "com/object.h"
#include "error_slot.h"

namespace corvid::com {
namespace {

class ErrorObject final : public ComClass<ErrorObject, IErrorInfo, ICreateErrorInfo> {
public:
    HRESULT GetGUID(GUID* interfaceId) override {
        if (!interfaceId)
            return E_INVALIDARG;
        *interfaceId = interfaceId_;
        return S_OK;
    }
    HRESULT GetSource(BSTR* text) override { return CopyOut(source_, text); }
    HRESULT GetDescription(BSTR* text) override { return CopyOut(description_, text); }
    HRESULT GetHelpFile(BSTR* text) override { return CopyOut(helpFile_, text); }
    HRESULT GetHelpContext(DWORD* context) override {
        if (!context)
            return E_INVALIDARG;
        *context = helpContext_;
        return S_OK;
    }

    HRESULT SetGUID(REFGUID interfaceId) override {
        interfaceId_ = interfaceId;
        return S_OK;
    }
    HRESULT SetSource(LPOLESTR text) override { return CopyIn(text, source_); }
    HRESULT SetDescription(LPOLESTR text) override { return CopyIn(text, description_); }
    HRESULT SetHelpFile(LPOLESTR text) override { return CopyIn(text, helpFile_); }
    HRESULT SetHelpContext(DWORD context) override {
        helpContext_ = context;
        return S_OK;
    }

private:
    ~ErrorObject() override = default;

    static HRESULT CopyOut(const Bstr& text, BSTR* out) {
        if (!out)
            return E_INVALIDARG;
        *out = text.get() ? SysAllocStringLen(text.get(), text.Length()) : nullptr;
        return text.get() && !*out ? E_OUTOFMEMORY : S_OK;
    }
    static HRESULT CopyIn(LPOLESTR text, Bstr& target) {
        BSTR copy = SysAllocString(text);
        if (text && !copy)
            return E_OUTOFMEMORY;
        target = Bstr::Adopt(copy);
        return S_OK;
    }

    IID interfaceId_{};
    Bstr source_, description_, helpFile_;
    DWORD helpContext_ = 0;
};

} // namespace
} // namespace corvid::com

corvid::com::HRESULT corvid_com_create_error_info(corvid::com::ICreateErrorInfo** info) {
    using namespace corvid::com;
    return CreateObject<ErrorObject>(ICreateErrorInfo::iid, reinterpret_cast<void**>(info));
}
