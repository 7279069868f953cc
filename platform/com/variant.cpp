#include "com/variant.h"

#include "com/dispatch.h"
#include "com/safearray.h"
#include "variant_access.h"

#include <cstring>

namespace corvid::com {

bool IsKnownVarType(VARTYPE base) {
    switch (base) {
    case VT_EMPTY:
    case VT_NULL:
    case VT_I2:
    case VT_I4:
    case VT_R4:
    case VT_R8:
    case VT_BSTR:
    case VT_DISPATCH:
    case VT_ERROR:
    case VT_BOOL:
    case VT_UNKNOWN:
    case VT_UI1:
    case VT_UI4:
        return true;
    default:
        return false;
    }
}

bool detail::IsValidVarType(VARTYPE vt) {
    VARTYPE base = vt & VT_TYPEMASK;
    if (vt & ~(VT_TYPEMASK | VT_ARRAY | VT_BYREF))
        return false;
    if (vt & (VT_ARRAY | VT_BYREF))
        return base == VT_VARIANT || (IsKnownVarType(base) && base != VT_EMPTY && base != VT_NULL);
    return IsKnownVarType(base);
}

HRESULT detail::Dereference(const VARIANT& source, VARIANT& value) {
    if (!(source.vt & VT_BYREF)) {
        value = source;
        return S_OK;
    }
    if (!source.byref)
        return E_POINTER;
    VARTYPE vt = source.vt & ~VT_BYREF;
    VariantInit(&value);
    if (vt == VT_VARIANT) {
        // A referenced variant may not itself be a reference.
        if (source.pvarVal->vt & VT_BYREF)
            return DISP_E_BADVARTYPE;
        value = *source.pvarVal;
        return S_OK;
    }
    value.vt = vt;
    if (vt & VT_ARRAY) {
        value.parray = *source.pparray;
        return S_OK;
    }
    switch (vt) {
    case VT_I2:
        value.iVal = *source.piVal;
        break;
    case VT_I4:
        value.lVal = *source.plVal;
        break;
    case VT_R4:
        value.fltVal = *source.pfltVal;
        break;
    case VT_R8:
        value.dblVal = *source.pdblVal;
        break;
    case VT_BSTR:
        value.bstrVal = *source.pbstrVal;
        break;
    case VT_DISPATCH:
        value.pdispVal = *source.ppdispVal;
        break;
    case VT_ERROR:
        value.scode = *source.pscode;
        break;
    case VT_BOOL:
        value.boolVal = *source.pboolVal;
        break;
    case VT_UNKNOWN:
        value.punkVal = *source.ppunkVal;
        break;
    case VT_UI1:
        value.bVal = *source.pbVal;
        break;
    case VT_UI4:
        value.ulVal = *source.pulVal;
        break;
    default:
        return DISP_E_BADVARTYPE;
    }
    return S_OK;
}

HRESULT detail::DeepCopy(const VARIANT& source, VARIANT& copy) {
    if (!IsValidVarType(source.vt))
        return DISP_E_BADVARTYPE;
    copy = source;
    if (source.vt & VT_BYREF)
        return S_OK;
    if (source.vt & VT_ARRAY)
        return SafeArrayCopy(source.parray, &copy.parray);
    switch (source.vt) {
    case VT_BSTR:
        copy.bstrVal =
            source.bstrVal ? SysAllocStringLen(source.bstrVal, SysStringLen(source.bstrVal)) : nullptr;
        if (source.bstrVal && !copy.bstrVal) {
            VariantInit(&copy);
            return E_OUTOFMEMORY;
        }
        break;
    case VT_DISPATCH:
    case VT_UNKNOWN:
        if (source.punkVal)
            source.punkVal->AddRef();
        break;
    default:
        break;
    }
    return S_OK;
}

void VariantInit(VARIANT* variant) {
    if (!variant)
        return;
    std::memset(variant, 0, sizeof *variant); // vt = VT_EMPTY
}

HRESULT VariantClear(VARIANT* variant) {
    if (!variant)
        return E_INVALIDARG;
    VARTYPE vt = variant->vt;
    if (!detail::IsValidVarType(vt))
        return DISP_E_BADVARTYPE;
    if (!(vt & VT_BYREF)) {
        if (vt & VT_ARRAY) {
            HRESULT hr = SafeArrayDestroy(variant->parray);
            if (FAILED(hr))
                return hr;
        } else if (vt == VT_BSTR) {
            SysFreeString(variant->bstrVal);
        } else if ((vt == VT_DISPATCH || vt == VT_UNKNOWN) && variant->punkVal) {
            variant->punkVal->Release();
        }
    }
    VariantInit(variant);
    return S_OK;
}

HRESULT VariantCopy(VARIANT* dest, const VARIANT* source) {
    if (!dest || !source)
        return E_INVALIDARG;
    if (dest == source)
        return S_OK;
    VARIANT copy;
    HRESULT hr = detail::DeepCopy(*source, copy);
    if (FAILED(hr))
        return hr;
    hr = VariantClear(dest);
    if (FAILED(hr)) {
        VariantClear(&copy);
        return hr;
    }
    *dest = copy;
    return S_OK;
}

HRESULT VariantCopyInd(VARIANT* dest, const VARIANT* source) {
    if (!dest || !source)
        return E_INVALIDARG;
    VARIANT value;
    HRESULT hr = detail::Dereference(*source, value);
    if (FAILED(hr))
        return hr;
    VARIANT copy;
    hr = detail::DeepCopy(value, copy);
    if (FAILED(hr))
        return hr;
    hr = VariantClear(dest);
    if (FAILED(hr)) {
        VariantClear(&copy);
        return hr;
    }
    *dest = copy;
    return S_OK;
}

Variant::Variant(IDispatch* object) : Variant() {
    vt = VT_DISPATCH;
    pdispVal = object;
    if (object)
        object->AddRef();
}

Variant::Variant(IUnknown* object) : Variant() {
    vt = VT_UNKNOWN;
    punkVal = object;
    if (object)
        object->AddRef();
}

Variant Variant::AdoptArray(SAFEARRAY* array) {
    Variant result;
    VARTYPE element = VT_EMPTY;
    if (array && SUCCEEDED(SafeArrayGetVartype(array, &element))) {
        result.vt = VT_ARRAY | element;
        result.parray = array;
    }
    return result;
}

Variant Variant::Adopt(VARIANT* source) {
    Variant result;
    if (source) {
        *static_cast<VARIANT*>(&result) = *source;
        VariantInit(source);
    }
    return result;
}

} // namespace corvid::com
