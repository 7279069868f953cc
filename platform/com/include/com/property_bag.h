// Property bags: named VARIANT values an object reads its settings from. Read asks for
// a type by setting the VARIANT's vt beforehand (VT_EMPTY takes the value as stored);
// the bag converts, overwriting the VARIANT without freeing what it held.
#pragma once

#include "com/com_ptr.h"
#include "com/dispatch.h"
#include "com/unknown.h"
#include "com/variant.h"

#include <string_view>

namespace corvid::com {

struct IErrorLog : IUnknown {
    static constexpr IID iid = MakeGuid("{3127CA40-446E-11CE-8135-00AA004BB851}");

    virtual HRESULT AddError(LPCOLESTR propertyName, EXCEPINFO* exception) = 0;
};

struct IPropertyBag : IUnknown {
    static constexpr IID iid = MakeGuid("{55272A00-42CB-11CE-8135-00AA004BB851}");

    // E_INVALIDARG when the bag has no such property; the conversion's result
    // (DISP_E_TYPEMISMATCH, DISP_E_OVERFLOW) when it cannot be had as the asked type.
    virtual HRESULT Read(LPCOLESTR propertyName, VARIANT* value, IErrorLog* errorLog) = 0;
    virtual HRESULT Write(LPCOLESTR propertyName, VARIANT* value) = 0;
};

// A bag that keeps its values in memory; names compare without regard to case.
HRESULT CreateMemoryPropertyBag(IPropertyBag** bag);
ComPtr<IPropertyBag> MakeMemoryPropertyBag(); // throws std::bad_alloc

// UTF-8 shorthands for callers.
HRESULT PropertyBagWrite(IPropertyBag* bag, std::string_view name, const VARIANT& value);
// Reads name as type vt (VT_EMPTY: as stored) into value, which is cleared first.
HRESULT PropertyBagRead(IPropertyBag* bag, std::string_view name, VARTYPE vt, Variant& value);

} // namespace corvid::com
