// Invoke and GetIDsOfNames of the table-driven dual interfaces.
#include "com/dispatch_impl.h"
#include "com/error_info.h"
#include "variant_access.h"

#include <cstring>
#include <new>
#include <vector>

namespace corvid::com {
namespace {

bool IsOwnedType(VARTYPE vt) {
    return (vt & VT_ARRAY) || vt == VT_BSTR || vt == VT_DISPATCH || vt == VT_UNKNOWN || vt == VT_VARIANT;
}

// One parameter of a call being prepared.
struct Slot {
    VARIANT argument{};        // what the member receives
    Variant converted;         // owns an in value that had to be converted
    Variant outValue;          // storage of an out value, of the declared type
    VARIANT* target = nullptr; // the caller's VT_BYREF argument of an out parameter

    Slot() = default;
    Slot(const Slot&) = delete;
    Slot& operator=(const Slot&) = delete;
};

const MemberDescription* SelectMember(const InterfaceDescription& description, DISPID id, WORD flags) {
    if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF))
        return FindMember(description, id, MemberKind::PropertyPut);
    const MemberDescription* member = nullptr;
    if (flags & DISPATCH_METHOD)
        member = FindMember(description, id, MemberKind::Method);
    if (!member && (flags & DISPATCH_PROPERTYGET))
        member = FindMember(description, id, MemberKind::PropertyGet);
    return member;
}

// For each supplied parameter, the index of its argument in rgvarg.
HRESULT MapArguments(const MemberDescription& member, const DISPPARAMS& params, std::vector<int>& source,
                     UINT* argumentError) {
    std::size_t supplied = member.SuppliedCount();
    if (params.cArgs != supplied)
        return DISP_E_BADPARAMCOUNT;
    if (params.cNamedArgs > params.cArgs || (params.cNamedArgs && !params.rgdispidNamedArgs))
        return E_INVALIDARG;
    source.assign(supplied, -1);
    for (UINT j = 0; j < params.cNamedArgs; ++j) {
        DISPID named = params.rgdispidNamedArgs[j];
        std::size_t param = supplied; // no such parameter
        if (named == DISPID_PROPERTYPUT && member.kind == MemberKind::PropertyPut)
            param = supplied - 1;
        else if (named >= 0)
            param = static_cast<std::size_t>(named);
        if (param >= supplied || source[param] != -1) {
            if (argumentError)
                *argumentError = j;
            return DISP_E_PARAMNOTFOUND;
        }
        source[param] = static_cast<int>(j);
    }
    UINT positional = params.cArgs - params.cNamedArgs;
    for (UINT k = 0; k < positional; ++k) {
        if (source[k] != -1) {
            if (argumentError)
                *argumentError = params.cArgs - 1 - k;
            return DISP_E_PARAMNOTFOUND;
        }
        source[k] = static_cast<int>(params.cArgs - 1 - k);
    }
    return S_OK;
}

HRESULT PrepareIn(const ParamDescription& param, const VARIANT& given, Slot& slot) {
    VARIANT value;
    HRESULT hr = detail::Dereference(given, value);
    if (FAILED(hr))
        return DISP_E_TYPEMISMATCH;
    if (param.type == VT_VARIANT || value.vt == param.type) {
        slot.argument = value; // borrowed
        return S_OK;
    }
    hr = VariantChangeType(&slot.converted, &value, 0, param.type);
    if (FAILED(hr))
        return hr == DISP_E_OVERFLOW ? hr : DISP_E_TYPEMISMATCH;
    slot.argument = slot.converted;
    return S_OK;
}

// The value a VT_BYREF target currently holds when it has the out parameter's type.
bool CurrentValue(const VARIANT& target, VARTYPE type, VARIANT& value) {
    if (FAILED(detail::Dereference(target, value)))
        return false;
    return value.vt == type;
}

HRESULT PrepareOut(const ParamDescription& param, VARIANT* given, Slot& slot) {
    VARTYPE type = param.type;
    if (given) {
        VARTYPE byref = given->vt;
        if (!(byref & VT_BYREF) || !given->byref ||
            (byref != (VT_BYREF | type) && byref != (VT_BYREF | VT_VARIANT)))
            return DISP_E_TYPEMISMATCH;
        // A locked array in the target could not be replaced afterwards: refuse before the call.
        VARIANT current;
        if (SUCCEEDED(detail::Dereference(*given, current)) && (current.vt & VT_ARRAY) && current.parray &&
            current.parray->cLocks > 0)
            return DISP_E_ARRAYISLOCKED;
        slot.target = given;
    }
    if (type == VT_VARIANT) {
        slot.argument.vt = VT_BYREF | VT_VARIANT;
        slot.argument.pvarVal = &slot.outValue;
        return S_OK;
    }
    slot.outValue.vt = type;
    VARIANT current;
    // Scalars start from the caller's value, so that a member that leaves an out
    // parameter alone leaves the caller's variable alone too.
    if (!IsOwnedType(type) && given && CurrentValue(*given, type, current))
        std::memcpy(&slot.outValue.bVal, &current.bVal, sizeof(double));
    slot.argument.vt = VT_BYREF | type;
    slot.argument.byref = &slot.outValue.bVal;
    return S_OK;
}

// The bytes an out value of the type occupies in the caller's storage.
std::size_t PayloadSize(VARTYPE vt) {
    switch (vt) {
    case VT_UI1:
        return sizeof(BYTE);
    case VT_I2:
    case VT_BOOL:
        return sizeof(SHORT);
    case VT_I4:
    case VT_UI4:
    case VT_R4:
    case VT_ERROR:
        return sizeof(LONG);
    case VT_R8:
        return sizeof(DOUBLE);
    default:
        return sizeof(void*); // texts, objects, arrays
    }
}

// Whether the member produced a value for an out parameter of the declared type.
bool HasOutValue(VARTYPE declared, const VARIANT& value) {
    if (declared == VT_VARIANT)
        return value.vt != VT_EMPTY;
    return !IsOwnedType(declared) || value.byref != nullptr;
}

// Moves an out value into the caller's VT_BYREF argument, freeing what it replaces.
void StoreOut(VARTYPE declared, Slot& slot) {
    if (!HasOutValue(declared, slot.outValue))
        return;
    VARIANT* target = slot.target;
    if (target->vt == (VT_BYREF | VT_VARIANT)) {
        VariantClear(target->pvarVal);
        slot.outValue.Detach(target->pvarVal);
        return;
    }
    VARIANT old;
    if (SUCCEEDED(detail::Dereference(*target, old)) && IsOwnedType(old.vt))
        VariantClear(&old);
    std::memcpy(target->byref, &slot.outValue.bVal, PayloadSize(declared));
    VariantInit(&slot.outValue);
}

HRESULT CallGuarded(const MemberDescription& member, IDispatch* self, VARIANT* arguments) {
    try {
        return member.call(self, arguments);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_UNEXPECTED;
    }
}

HRESULT ReportFailure(const InterfaceDescription& description, IDispatch* self, HRESULT hr,
                      EXCEPINFO* exception) {
    if (!exception)
        return hr;
    *exception = EXCEPINFO{};
    exception->scode = hr;
    if (SupportsErrorInfo(self, description.iid)) {
        if (auto details = TakeErrorDetails()) {
            exception->bstrSource = BstrFromUtf8(details->source);
            exception->bstrDescription = BstrFromUtf8(details->description);
            if (!details->helpFile.empty())
                exception->bstrHelpFile = BstrFromUtf8(details->helpFile);
            exception->dwHelpContext = details->helpContext;
        }
    }
    return DISP_E_EXCEPTION;
}

} // namespace

HRESULT GetIdsFromDescription(const InterfaceDescription& description, REFIID reserved, LPOLESTR* names,
                              UINT count, DISPID* ids) {
    if (reserved != IID_NULL)
        return DISP_E_UNKNOWNINTERFACE;
    if (!names || !ids)
        return E_INVALIDARG;
    if (count == 0)
        return S_OK;
    std::string member = names[0] ? Utf8FromUtf16(names[0]) : std::string();
    HRESULT hr = S_OK;
    ids[0] = FindMemberId(description, member);
    if (ids[0] == DISPID_UNKNOWN)
        hr = DISP_E_UNKNOWNNAME;
    for (UINT i = 1; i < count; ++i) {
        int index = ids[0] == DISPID_UNKNOWN || !names[i]
                        ? -1
                        : FindParamIndex(description, member, Utf8FromUtf16(names[i]));
        ids[i] = index;
        if (index < 0) {
            ids[i] = DISPID_UNKNOWN;
            hr = DISP_E_UNKNOWNNAME;
        }
    }
    return hr;
}

HRESULT InvokeFromDescription(const InterfaceDescription& description, IDispatch* self, DISPID id, WORD flags,
                              DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception,
                              UINT* argumentError) {
    const MemberDescription* member = SelectMember(description, id, flags);
    if (!member || !member->call)
        return DISP_E_MEMBERNOTFOUND;
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    const DISPPARAMS& given = params ? *params : none;
    if (given.cArgs && !given.rgvarg)
        return E_INVALIDARG;
    try {
        std::vector<int> source;
        HRESULT hr = MapArguments(*member, given, source, argumentError);
        if (FAILED(hr))
            return hr;
        std::vector<Slot> slots(member->params.size());
        for (std::size_t i = 0; i < slots.size(); ++i) {
            const ParamDescription& param = member->params[i];
            if (param.IsRetval()) {
                hr = PrepareOut(param, nullptr, slots[i]);
            } else {
                VARIANT& argument = given.rgvarg[source[i]];
                hr = param.IsOut() ? PrepareOut(param, &argument, slots[i])
                                   : PrepareIn(param, argument, slots[i]);
                if (FAILED(hr) && argumentError)
                    *argumentError = static_cast<UINT>(source[i]);
            }
            if (FAILED(hr))
                return hr;
        }
        if (result && FAILED(hr = VariantClear(result)))
            return hr;
        std::vector<VARIANT> arguments(slots.size());
        for (std::size_t i = 0; i < slots.size(); ++i)
            arguments[i] = slots[i].argument;
        SetErrorInfo(0, nullptr); // what the member reports is all that counts
        hr = CallGuarded(*member, self, arguments.data());
        if (FAILED(hr))
            return ReportFailure(description, self, hr, exception);
        for (std::size_t i = 0; i < slots.size(); ++i) {
            if (member->params[i].IsRetval()) {
                if (result)
                    slots[i].outValue.Detach(result);
            } else if (slots[i].target) {
                StoreOut(member->params[i].type, slots[i]);
            }
        }
        return hr;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

} // namespace corvid::com
