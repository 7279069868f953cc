// VariantChangeType: the conversions automation needs between numbers, texts,
// booleans, objects and arrays.
#include "com/variant.h"
// (the rest of VARIANT lives in variant.cpp)
#include "com/com_ptr.h"
#include "com/dispatch.h"
#include "com/safearray.h"
#include "variant_access.h"

#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>

namespace corvid::com {
namespace {

// An object's value property may itself be an object; a short chain is enough.
constexpr int kMaxValueDepth = 4;

struct Number {
    bool integral = true;
    std::int64_t integer = 0;
    double real = 0;

    double AsReal() const { return integral ? static_cast<double>(integer) : real; }
    bool IsZero() const { return integral ? integer == 0 : real == 0; }
};

std::u16string_view Trim(std::u16string_view text) {
    auto space = [](char16_t c) {
        return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n';
    };
    while (!text.empty() && space(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && space(text.back()))
        text.remove_suffix(1);
    return text;
}

bool EqualsIgnoringCase(std::u16string_view text, std::string_view word) {
    if (text.size() != word.size())
        return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char16_t a = text[i] >= u'A' && text[i] <= u'Z' ? text[i] + 32 : text[i];
        char b = word[i] >= 'A' && word[i] <= 'Z' ? static_cast<char>(word[i] + 32) : word[i];
        if (a != static_cast<char16_t>(b))
            return false;
    }
    return true;
}

// Decimal integers and floating-point numbers, independent of the locale.
HRESULT ParseNumber(BSTR text, Number& number) {
    std::u16string_view wide = Trim(BstrView(text));
    std::string narrow;
    for (char16_t c : wide) {
        if (c > 0x7F)
            return DISP_E_TYPEMISMATCH;
        narrow.push_back(static_cast<char>(c));
    }
    std::string_view digits = narrow;
    if (!digits.empty() && digits.front() == '+')
        digits.remove_prefix(1);
    if (digits.empty())
        return DISP_E_TYPEMISMATCH;
    const char* end = digits.data() + digits.size();
    auto whole = std::from_chars(digits.data(), end, number.integer);
    if (whole.ec == std::errc() && whole.ptr == end) {
        number.integral = true;
        return S_OK;
    }
    auto real = std::from_chars(digits.data(), end, number.real);
    if (real.ptr != end || real.ec == std::errc::invalid_argument)
        return DISP_E_TYPEMISMATCH;
    if (real.ec == std::errc::result_out_of_range)
        return DISP_E_OVERFLOW;
    number.integral = false;
    return S_OK;
}

HRESULT ToNumber(const VARIANT& value, Number& number) {
    switch (value.vt) {
    case VT_EMPTY:
        number = {};
        return S_OK;
    case VT_I2:
        number = {true, value.iVal, 0};
        return S_OK;
    case VT_I4:
        number = {true, value.lVal, 0};
        return S_OK;
    case VT_UI1:
        number = {true, value.bVal, 0};
        return S_OK;
    case VT_UI4:
        number = {true, value.ulVal, 0};
        return S_OK;
    case VT_BOOL:
        number = {true, static_cast<SHORT>(value.boolVal), 0};
        return S_OK;
    case VT_R4:
        number = {false, 0, value.fltVal};
        return S_OK;
    case VT_R8:
        number = {false, 0, value.dblVal};
        return S_OK;
    case VT_BSTR:
        return ParseNumber(value.bstrVal, number);
    default:
        return DISP_E_TYPEMISMATCH;
    }
}

// Round half to even, as automation rounds reals to integers.
double RoundHalfEven(double value) {
    double floor = std::floor(value);
    double fraction = value - floor;
    if (fraction < 0.5)
        return floor;
    if (fraction > 0.5)
        return floor + 1;
    return std::fmod(floor, 2.0) == 0 ? floor : floor + 1;
}

HRESULT ToInteger(const Number& number, std::int64_t low, std::int64_t high, std::int64_t& result) {
    if (number.integral) {
        if (number.integer < low || number.integer > high)
            return DISP_E_OVERFLOW;
        result = number.integer;
        return S_OK;
    }
    if (std::isnan(number.real))
        return DISP_E_OVERFLOW;
    double rounded = RoundHalfEven(number.real);
    if (rounded < static_cast<double>(low) || rounded > static_cast<double>(high))
        return DISP_E_OVERFLOW;
    result = static_cast<std::int64_t>(rounded);
    return S_OK;
}

std::string FormatReal(double value, int precision) {
    char text[64];
    auto done = std::to_chars(text, text + sizeof text, value, std::chars_format::general, precision);
    std::string result(text, done.ptr);
    for (char& c : result)
        if (c == 'e')
            c = 'E';
    return result;
}

HRESULT ToText(const VARIANT& value, USHORT flags, VARIANT& out) {
    std::string text;
    if (value.vt == VT_BOOL && (flags & VARIANT_ALPHABOOL)) {
        text = value.boolVal ? "True" : "False";
    } else if (value.vt == VT_R4) {
        text = FormatReal(value.fltVal, 7);
    } else if (value.vt == VT_R8) {
        text = FormatReal(value.dblVal, 15);
    } else if (value.vt == VT_EMPTY) {
        text.clear();
    } else {
        Number number;
        HRESULT hr = ToNumber(value, number);
        if (FAILED(hr))
            return hr;
        text = std::to_string(number.integer);
    }
    out.vt = VT_BSTR;
    out.bstrVal = BstrFromUtf8(text);
    return out.bstrVal ? S_OK : E_OUTOFMEMORY;
}

HRESULT ToBool(const VARIANT& value, VARIANT& out) {
    out.vt = VT_BOOL;
    if (value.vt == VT_BSTR) {
        std::u16string_view text = Trim(BstrView(value.bstrVal));
        if (EqualsIgnoringCase(text, "true")) {
            out.boolVal = VARIANT_TRUE;
            return S_OK;
        }
        if (EqualsIgnoringCase(text, "false")) {
            out.boolVal = VARIANT_FALSE;
            return S_OK;
        }
    }
    Number number;
    HRESULT hr = ToNumber(value, number);
    if (FAILED(hr))
        return hr;
    out.boolVal = number.IsZero() ? VARIANT_FALSE : VARIANT_TRUE;
    return S_OK;
}

HRESULT ToReal(const VARIANT& value, VARTYPE vt, VARIANT& out) {
    Number number;
    HRESULT hr = ToNumber(value, number);
    if (FAILED(hr))
        return hr;
    double real = number.AsReal();
    out.vt = vt;
    if (vt == VT_R8) {
        out.dblVal = real;
        return S_OK;
    }
    if (std::isfinite(real) && std::fabs(real) > FLT_MAX)
        return DISP_E_OVERFLOW;
    out.fltVal = static_cast<float>(real);
    return S_OK;
}

HRESULT ToIntegerType(const VARIANT& value, VARTYPE vt, VARIANT& out) {
    struct Range {
        VARTYPE vt;
        std::int64_t low, high;
    };
    static constexpr Range kRanges[] = {{VT_I2, INT16_MIN, INT16_MAX},
                                        {VT_I4, INT32_MIN, INT32_MAX},
                                        {VT_UI1, 0, UINT8_MAX},
                                        {VT_UI4, 0, UINT32_MAX}};
    Number number;
    HRESULT hr = ToNumber(value, number);
    if (FAILED(hr))
        return hr;
    for (const auto& range : kRanges) {
        if (range.vt != vt)
            continue;
        std::int64_t result = 0;
        hr = ToInteger(number, range.low, range.high, result);
        if (FAILED(hr))
            return hr;
        out.vt = vt;
        switch (vt) {
        case VT_I2:
            out.iVal = static_cast<SHORT>(result);
            break;
        case VT_I4:
            out.lVal = static_cast<LONG>(result);
            break;
        case VT_UI1:
            out.bVal = static_cast<BYTE>(result);
            break;
        default:
            out.ulVal = static_cast<ULONG>(result);
            break;
        }
        return S_OK;
    }
    return DISP_E_BADVARTYPE;
}

HRESULT ToObject(const VARIANT& value, VARTYPE vt, VARIANT& out) {
    out.vt = vt;
    out.punkVal = nullptr;
    if (value.vt == VT_EMPTY || value.vt == VT_NULL)
        return S_OK;
    if (value.vt != VT_DISPATCH && value.vt != VT_UNKNOWN)
        return DISP_E_TYPEMISMATCH;
    if (!value.punkVal)
        return S_OK;
    void* object = nullptr;
    HRESULT hr = value.punkVal->QueryInterface(vt == VT_DISPATCH ? IDispatch::iid : IUnknown::iid, &object);
    if (FAILED(hr))
        return DISP_E_TYPEMISMATCH;
    out.punkVal = static_cast<IUnknown*>(object);
    return S_OK;
}

HRESULT Convert(const VARIANT& value, USHORT flags, VARTYPE vt, VARIANT& out, int depth);

// The object's value property (dispatch identifier 0), converted on.
HRESULT ConvertObjectValue(const VARIANT& value, USHORT flags, VARTYPE vt, VARIANT& out, int depth) {
    if ((flags & VARIANT_NOVALUEPROP) || !value.punkVal || depth >= kMaxValueDepth)
        return DISP_E_TYPEMISMATCH;
    ComPtr<IDispatch> object;
    if (FAILED(value.punkVal->QueryInterface(IDispatch::iid, object.OutVoid())))
        return DISP_E_TYPEMISMATCH;
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    Variant property;
    if (FAILED(object->Invoke(DISPID_VALUE, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, &property, nullptr,
                              nullptr)))
        return DISP_E_TYPEMISMATCH;
    VARIANT inner;
    HRESULT hr = detail::Dereference(property, inner);
    return FAILED(hr) ? hr : Convert(inner, flags, vt, out, depth + 1);
}

// Stores an owned value of the array's element type into element i, taking it over.
void StoreElement(SAFEARRAY* array, std::size_t i, VARTYPE element, VARIANT& owned) {
    char* slot = static_cast<char*>(array->pvData) + i * array->cbElements;
    if (element == VT_VARIANT)
        std::memcpy(slot, &owned, sizeof owned);
    else
        std::memcpy(slot, &owned.bVal, array->cbElements);
    VariantInit(&owned);
}

// A shallow view of element i.
VARIANT ElementView(SAFEARRAY* array, std::size_t i, VARTYPE element) {
    const char* slot = static_cast<const char*>(array->pvData) + i * array->cbElements;
    VARIANT view;
    VariantInit(&view);
    if (element == VT_VARIANT) {
        std::memcpy(&view, slot, sizeof view);
    } else {
        view.vt = element;
        std::memcpy(&view.bVal, slot, array->cbElements);
    }
    return view;
}

HRESULT ConvertArray(const VARIANT& value, USHORT flags, VARTYPE vt, VARIANT& out, int depth) {
    if (!(value.vt & VT_ARRAY))
        return DISP_E_TYPEMISMATCH;
    VARTYPE from = value.vt & VT_TYPEMASK, to = vt & VT_TYPEMASK;
    SAFEARRAY* source = value.parray;
    if (!source) {
        out.vt = vt;
        out.parray = nullptr;
        return S_OK;
    }
    SafeArrayPtr result(SafeArrayCreate(to, source->cDims, source->rgsabound));
    if (!result)
        return E_OUTOFMEMORY;
    ULONG count = SafeArrayElementCount(source);
    for (ULONG i = 0; i < count; ++i) {
        VARIANT element = ElementView(source, i, from), inner;
        HRESULT hr = detail::Dereference(element, inner);
        if (FAILED(hr))
            return hr;
        Variant converted;
        hr = to == VT_VARIANT ? detail::DeepCopy(inner, converted)
                              : Convert(inner, flags, to, converted, depth);
        if (FAILED(hr))
            return hr;
        StoreElement(result.get(), i, to, converted);
    }
    out.vt = vt;
    out.parray = result.Detach();
    return S_OK;
}

HRESULT Convert(const VARIANT& value, USHORT flags, VARTYPE vt, VARIANT& out, int depth) {
    if (value.vt == vt)
        return detail::DeepCopy(value, out);
    if (vt & VT_ARRAY)
        return ConvertArray(value, flags, vt, out, depth);
    if (value.vt & VT_ARRAY)
        return DISP_E_TYPEMISMATCH;
    bool object = value.vt == VT_DISPATCH || value.vt == VT_UNKNOWN;
    if (object && vt != VT_DISPATCH && vt != VT_UNKNOWN)
        return ConvertObjectValue(value, flags, vt, out, depth);
    switch (vt) {
    case VT_EMPTY:
    case VT_NULL:
        out.vt = vt;
        return S_OK;
    case VT_I2:
    case VT_I4:
    case VT_UI1:
    case VT_UI4:
        return ToIntegerType(value, vt, out);
    case VT_R4:
    case VT_R8:
        return ToReal(value, vt, out);
    case VT_BOOL:
        return ToBool(value, out);
    case VT_BSTR:
        return ToText(value, flags, out);
    case VT_DISPATCH:
    case VT_UNKNOWN:
        return ToObject(value, vt, out);
    default:
        return DISP_E_TYPEMISMATCH; // VT_ERROR converts only from itself
    }
}

} // namespace

HRESULT VariantChangeType(VARIANT* dest, const VARIANT* source, USHORT flags, VARTYPE vt) {
    if (!dest || !source)
        return E_INVALIDARG;
    if ((vt & VT_BYREF) || !detail::IsValidVarType(vt) ||
        ((vt & VT_TYPEMASK) == VT_VARIANT && !(vt & VT_ARRAY)))
        return DISP_E_BADVARTYPE;
    if (!detail::IsValidVarType(source->vt))
        return DISP_E_BADVARTYPE;
    VARIANT value;
    HRESULT hr = detail::Dereference(*source, value);
    if (FAILED(hr))
        return hr;
    Variant result;
    hr = Convert(value, flags, vt, result, 0);
    if (FAILED(hr))
        return hr;
    hr = VariantClear(dest);
    if (FAILED(hr))
        return hr;
    result.Detach(dest);
    return S_OK;
}

} // namespace corvid::com
