// SAFEARRAY: a self-describing array of automation values with one or more dimensions,
// each with a lower bound and an element count. Elements lie with the first index
// varying fastest. A lock count guards the data: while an array is locked (directly or
// through SafeArrayAccessData) it cannot be destroyed or redimensioned, and those
// calls fail with DISP_E_ARRAYISLOCKED ("Array locked").
//
// Element types: VT_I2, VT_I4, VT_R4, VT_R8, VT_UI1, VT_UI4, VT_BOOL, VT_ERROR, VT_BSTR,
// VT_VARIANT, VT_DISPATCH, VT_UNKNOWN. The array owns its texts, variants and
// interface references and frees them with itself.
#pragma once

#include "com/hresult.h"
#include "com/types.h"

#include <utility>

namespace corvid::com {

struct SAFEARRAYBOUND {
    ULONG cElements;
    LONG lLbound;
};

// Feature bits of fFeatures.
inline constexpr USHORT FADF_BSTR = 0x0100;
inline constexpr USHORT FADF_UNKNOWN = 0x0200;
inline constexpr USHORT FADF_DISPATCH = 0x0400;
inline constexpr USHORT FADF_VARIANT = 0x0800;
inline constexpr USHORT FADF_HAVEVARTYPE = 0x0080;

struct SAFEARRAY {
    USHORT cDims;
    USHORT fFeatures;
    ULONG cbElements;
    ULONG cLocks;
    void* pvData;
    // cDims bounds follow, rgsabound[0] being the first dimension.
    SAFEARRAYBOUND rgsabound[1];
};

// A new zero-filled array; null for an unsupported type, no dimensions, a size that
// does not fit in memory, or when out of memory.
SAFEARRAY* SafeArrayCreate(VARTYPE vt, UINT dims, const SAFEARRAYBOUND* bounds);
SAFEARRAY* SafeArrayCreateVector(VARTYPE vt, LONG lowerBound, ULONG elements);
// Frees the array and its elements. S_OK for null; DISP_E_ARRAYISLOCKED when locked.
HRESULT SafeArrayDestroy(SAFEARRAY* array);
// A deep copy of the whole array (unlocked).
HRESULT SafeArrayCopy(SAFEARRAY* array, SAFEARRAY** copy);

HRESULT SafeArrayLock(SAFEARRAY* array);
// E_UNEXPECTED when the array is not locked.
HRESULT SafeArrayUnlock(SAFEARRAY* array);
// Locks the array and gives its data.
HRESULT SafeArrayAccessData(SAFEARRAY* array, void** data);
HRESULT SafeArrayUnaccessData(SAFEARRAY* array);

// One element, indices[d] for dimension d + 1. DISP_E_BADINDEX outside the bounds.
// GetElement copies into *value (a new BSTR, a VARIANT copy, a new reference);
// PutElement copies from value, which is the BSTR or interface pointer itself for those
// types and a pointer to the element (VARIANT*, LONG*, ...) for the others.
HRESULT SafeArrayGetElement(SAFEARRAY* array, const LONG* indices, void* value);
HRESULT SafeArrayPutElement(SAFEARRAY* array, const LONG* indices, const void* value);

// Bounds of dimension (1-based). DISP_E_BADINDEX for a dimension the array lacks.
HRESULT SafeArrayGetLBound(SAFEARRAY* array, UINT dimension, LONG* bound);
HRESULT SafeArrayGetUBound(SAFEARRAY* array, UINT dimension, LONG* bound);
UINT SafeArrayGetDim(SAFEARRAY* array);
UINT SafeArrayGetElemsize(SAFEARRAY* array);
HRESULT SafeArrayGetVartype(SAFEARRAY* array, VARTYPE* vt);
// The number of elements of all dimensions together.
ULONG SafeArrayElementCount(SAFEARRAY* array);

// Gives the last dimension new bounds, keeping the elements that remain, freeing those
// that go and zero-filling new ones. DISP_E_ARRAYISLOCKED when locked.
HRESULT SafeArrayRedim(SAFEARRAY* array, const SAFEARRAYBOUND* bound);

// Owns one array.
class SafeArrayPtr {
public:
    SafeArrayPtr() = default;
    explicit SafeArrayPtr(SAFEARRAY* array) : array_(array) {}
    SafeArrayPtr(SafeArrayPtr&& other) noexcept : array_(std::exchange(other.array_, nullptr)) {}
    SafeArrayPtr& operator=(SafeArrayPtr&& other) noexcept {
        std::swap(array_, other.array_);
        return *this;
    }
    ~SafeArrayPtr() { SafeArrayDestroy(array_); }

    SAFEARRAY* get() const { return array_; }
    [[nodiscard]] SAFEARRAY* Detach() { return std::exchange(array_, nullptr); }
    explicit operator bool() const { return array_ != nullptr; }
    SAFEARRAY** Out() {
        SafeArrayDestroy(std::exchange(array_, nullptr));
        return &array_;
    }

private:
    SAFEARRAY* array_ = nullptr;
};

// Holds the data of an array accessed (and so locked) for its lifetime.
template <class T>
class SafeArrayData {
public:
    explicit SafeArrayData(SAFEARRAY* array) : array_(array) {
        void* data = nullptr;
        result_ = SafeArrayAccessData(array, &data);
        data_ = SUCCEEDED(result_) ? static_cast<T*>(data) : nullptr;
        if (FAILED(result_))
            array_ = nullptr;
    }
    SafeArrayData(const SafeArrayData&) = delete;
    SafeArrayData& operator=(const SafeArrayData&) = delete;
    ~SafeArrayData() {
        if (array_)
            SafeArrayUnaccessData(array_);
    }

    HRESULT result() const { return result_; }
    explicit operator bool() const { return data_ != nullptr || SUCCEEDED(result_); }
    T* data() const { return data_; }
    T& operator[](ULONG index) const { return data_[index]; }

private:
    SAFEARRAY* array_;
    T* data_ = nullptr;
    HRESULT result_;
};

} // namespace corvid::com
