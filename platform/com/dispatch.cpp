#include "com/dispatch.h"

#include <string>
#include <vector>

namespace corvid::com {

void ExcepInfo::Clear() {
    SysFreeString(bstrSource);
    SysFreeString(bstrDescription);
    SysFreeString(bstrHelpFile);
    *static_cast<EXCEPINFO*>(this) = EXCEPINFO{};
}

HRESULT GetDispatchId(IDispatch* object, std::string_view name, DISPID* id) {
    if (!object || !id)
        return E_POINTER;
    std::u16string wide = Utf16FromUtf8(name);
    LPOLESTR names[] = {wide.data()};
    return object->GetIDsOfNames(IID_NULL, names, 1, 0, id);
}

HRESULT InvokeMember(IDispatch* object, DISPID id, WORD flags, std::span<VARIANT> arguments, VARIANT* result,
                     EXCEPINFO* exception, UINT* argumentError) {
    if (!object)
        return E_POINTER;
    // DISPPARAMS carries the arguments last to first; the copies are shallow.
    std::vector<VARIANT> reversed(arguments.rbegin(), arguments.rend());
    DISPID putId = DISPID_PROPERTYPUT;
    bool put = (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0;
    DISPPARAMS params{reversed.data(), put ? &putId : nullptr, static_cast<UINT>(reversed.size()),
                      put && !reversed.empty() ? 1u : 0u};
    UINT position = params.cArgs; // none
    HRESULT hr = object->Invoke(id, IID_NULL, 0, flags, &params, result, exception, &position);
    if (argumentError && FAILED(hr) && position < params.cArgs)
        *argumentError = params.cArgs - 1 - position;
    return hr;
}

HRESULT InvokeMember(IDispatch* object, std::string_view name, WORD flags, std::span<VARIANT> arguments,
                     VARIANT* result, EXCEPINFO* exception, UINT* argumentError) {
    DISPID id = DISPID_UNKNOWN;
    HRESULT hr = GetDispatchId(object, name, &id);
    if (FAILED(hr))
        return hr;
    return InvokeMember(object, id, flags, arguments, result, exception, argumentError);
}

} // namespace corvid::com
