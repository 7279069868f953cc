#include "com/error_info.h"

#include "com/bstr.h"
#include "com/com_ptr.h"
#include "error_slot.h"

namespace corvid::com {
namespace {

std::string TextOf(HRESULT (IErrorInfo::*getter)(BSTR*), IErrorInfo* info) {
    Bstr text;
    if (FAILED((info->*getter)(text.Out())))
        return {};
    return text.Utf8();
}

} // namespace

HRESULT SetErrorInfo(ULONG reserved, IErrorInfo* info) {
    if (reserved != 0)
        return E_INVALIDARG;
    if (info)
        info->AddRef();
    if (IErrorInfo* previous = corvid_com_exchange_error_info(info))
        previous->Release();
    return S_OK;
}

HRESULT GetErrorInfo(ULONG reserved, IErrorInfo** info) {
    if (!info)
        return E_INVALIDARG;
    *info = nullptr;
    if (reserved != 0)
        return E_INVALIDARG;
    *info = corvid_com_exchange_error_info(nullptr);
    return *info ? S_OK : S_FALSE;
}

HRESULT CreateErrorInfo(ICreateErrorInfo** info) {
    return corvid_com_create_error_info(info);
}

HRESULT ReportError(HRESULT result, const ErrorDetails& details) {
    ComPtr<ICreateErrorInfo> create;
    if (FAILED(CreateErrorInfo(create.Out())))
        return result;
    std::u16string source = Utf16FromUtf8(details.source);
    std::u16string description = Utf16FromUtf8(details.description);
    std::u16string helpFile = Utf16FromUtf8(details.helpFile);
    create->SetGUID(details.interfaceId);
    create->SetSource(source.data());
    create->SetDescription(description.data());
    create->SetHelpFile(helpFile.empty() ? nullptr : helpFile.data());
    create->SetHelpContext(details.helpContext);
    ComPtr<IErrorInfo> info;
    if (SUCCEEDED(create.As(info)))
        SetErrorInfo(0, info.get());
    return result;
}

HRESULT ReportError(HRESULT result, REFIID interfaceId, std::string_view source,
                    std::string_view description) {
    ErrorDetails details;
    details.interfaceId = interfaceId;
    details.source = source;
    details.description = description;
    return ReportError(result, details);
}

ErrorDetails DetailsOf(IErrorInfo* info) {
    ErrorDetails details;
    if (!info)
        return details;
    info->GetGUID(&details.interfaceId);
    details.source = TextOf(&IErrorInfo::GetSource, info);
    details.description = TextOf(&IErrorInfo::GetDescription, info);
    details.helpFile = TextOf(&IErrorInfo::GetHelpFile, info);
    info->GetHelpContext(&details.helpContext);
    return details;
}

std::optional<ErrorDetails> TakeErrorDetails() {
    ComPtr<IErrorInfo> info;
    if (GetErrorInfo(0, info.Out()) != S_OK)
        return std::nullopt;
    return DetailsOf(info.get());
}

bool SupportsErrorInfo(IUnknown* object, REFIID iid) {
    if (!object)
        return false;
    ComPtr<ISupportErrorInfo> support;
    if (FAILED(object->QueryInterface(ISupportErrorInfo::iid, support.OutVoid())))
        return false;
    return support->InterfaceSupportsErrorInfo(iid) == S_OK;
}

} // namespace corvid::com
