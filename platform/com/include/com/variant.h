// VARIANT: a tagged value of automation. The tag vt names the type; VT_ARRAY | x holds a
// SAFEARRAY of x, VT_BYREF | x a pointer to an x owned by someone else.
#pragma once

#include "com/bstr.h"
#include "com/types.h"

#include <string_view>

namespace corvid::com {

struct IUnknown;
struct IDispatch;
struct SAFEARRAY;

enum VarType : VARTYPE {
    VT_EMPTY = 0,
    VT_NULL = 1,
    VT_I2 = 2,
    VT_I4 = 3,
    VT_R4 = 4,
    VT_R8 = 5,
    VT_BSTR = 8,
    VT_DISPATCH = 9,
    VT_ERROR = 10,
    VT_BOOL = 11,
    VT_VARIANT = 12, // only as an array element type or behind VT_BYREF
    VT_UNKNOWN = 13,
    VT_UI1 = 17,
    VT_UI4 = 19,
    VT_ARRAY = 0x2000,
    VT_BYREF = 0x4000,
    VT_TYPEMASK = 0x0FFF,
};

struct VARIANT {
    VARTYPE vt;
    WORD wReserved1;
    WORD wReserved2;
    WORD wReserved3;
    union {
        BYTE bVal;
        SHORT iVal;
        LONG lVal;
        ULONG ulVal;
        FLOAT fltVal;
        DOUBLE dblVal;
        VARIANT_BOOL boolVal;
        SCODE scode;
        BSTR bstrVal;
        IUnknown* punkVal;
        IDispatch* pdispVal;
        SAFEARRAY* parray;
        BYTE* pbVal;
        SHORT* piVal;
        LONG* plVal;
        ULONG* pulVal;
        FLOAT* pfltVal;
        DOUBLE* pdblVal;
        VARIANT_BOOL* pboolVal;
        SCODE* pscode;
        BSTR* pbstrVal;
        IUnknown** ppunkVal;
        IDispatch** ppdispVal;
        SAFEARRAY** pparray;
        VARIANT* pvarVal;
        void* byref;
    };
};

// Flags of VariantChangeType.
inline constexpr USHORT VARIANT_NOVALUEPROP = 0x01; // do not ask an object for its value property
inline constexpr USHORT VARIANT_ALPHABOOL = 0x02;   // booleans become "True"/"False", not "-1"/"0"

void VariantInit(VARIANT* variant);
// Frees what the variant owns and makes it VT_EMPTY. DISP_E_ARRAYISLOCKED (variant left
// as it was) for a locked array; DISP_E_BADVARTYPE for a type this model does not know.
HRESULT VariantClear(VARIANT* variant);
// A deep copy (texts and arrays duplicated, interfaces referenced); dest is cleared first.
// A VT_BYREF source is copied as the same reference.
HRESULT VariantCopy(VARIANT* dest, const VARIANT* source);
// As VariantCopy, but a VT_BYREF source is copied as the value it refers to.
HRESULT VariantCopyInd(VARIANT* dest, const VARIANT* source);
// Converts source to type vt into dest (which may be source itself): numbers, texts,
// booleans, objects (through their value property) and arrays (element by element).
// DISP_E_TYPEMISMATCH when there is no conversion, DISP_E_OVERFLOW when the value does
// not fit, DISP_E_BADVARTYPE for an unknown type. dest is left as it was on failure.
HRESULT VariantChangeType(VARIANT* dest, const VARIANT* source, USHORT flags, VARTYPE vt);

// Whether a base type (without VT_ARRAY / VT_BYREF) is one this model handles.
bool IsKnownVarType(VARTYPE base);

// A VARIANT that owns its value.
class Variant : public VARIANT {
public:
    Variant() { VariantInit(this); }
    explicit Variant(LONG value) : Variant() { Set(VT_I4).lVal = value; }
    explicit Variant(SHORT value) : Variant() { Set(VT_I2).iVal = value; }
    explicit Variant(BYTE value) : Variant() { Set(VT_UI1).bVal = value; }
    explicit Variant(ULONG value) : Variant() { Set(VT_UI4).ulVal = value; }
    explicit Variant(FLOAT value) : Variant() { Set(VT_R4).fltVal = value; }
    explicit Variant(DOUBLE value) : Variant() { Set(VT_R8).dblVal = value; }
    explicit Variant(bool value) : Variant() { Set(VT_BOOL).boolVal = ToVariantBool(value); }
    explicit Variant(VARIANT_BOOL value) : Variant() { Set(VT_BOOL).boolVal = value; }
    explicit Variant(std::string_view utf8) : Variant() { Set(VT_BSTR).bstrVal = BstrFromUtf8(utf8); }
    explicit Variant(const char* utf8) : Variant(std::string_view(utf8)) {}
    // Adds a reference of its own.
    explicit Variant(IDispatch* object);
    explicit Variant(IUnknown* object);
    // Any other pointer would silently become a boolean.
    template <class T>
    explicit Variant(T*) = delete;
    // Takes over an array the caller owns; vt is VT_ARRAY | its element type.
    static Variant AdoptArray(SAFEARRAY* array);
    // Takes over the value of a VARIANT the caller owns (which becomes VT_EMPTY).
    static Variant Adopt(VARIANT* source);

    Variant(const Variant& other) : Variant() { VariantCopy(this, &other); }
    Variant(Variant&& other) noexcept : Variant() { Swap(other); }
    Variant& operator=(const Variant& other) {
        if (this != &other)
            VariantCopy(this, &other);
        return *this;
    }
    Variant& operator=(Variant&& other) noexcept {
        Swap(other);
        return *this;
    }
    ~Variant() { VariantClear(this); }

    // Hands the value over to a raw VARIANT the caller then owns; this becomes VT_EMPTY.
    void Detach(VARIANT* target) {
        *target = *static_cast<VARIANT*>(this);
        VariantInit(this);
    }
    HRESULT Clear() { return VariantClear(this); }
    HRESULT ChangeType(VARTYPE type, USHORT flags = 0) { return VariantChangeType(this, this, flags, type); }
    void Swap(VARIANT& other) noexcept {
        VARIANT mine = *this;
        *static_cast<VARIANT*>(this) = other;
        other = mine;
    }

private:
    VARIANT& Set(VARTYPE type) {
        vt = type;
        return *this;
    }
};

} // namespace corvid::com
