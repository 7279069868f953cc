#include "com/safearray.h"

#include "com/unknown.h"
#include "com/variant.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace corvid::com {
namespace {

// The element type is kept in front of the descriptor.
struct Header {
    VARTYPE vt;
};
constexpr std::size_t kHeaderSize = 16;
constexpr ULONG kMaxLocks = 0xFFFF;
// Arrays larger than this are refused rather than risking size overflow downstream.
constexpr std::size_t kMaxBytes = std::size_t(1) << 40;

Header* HeaderOf(SAFEARRAY* array) {
    return reinterpret_cast<Header*>(reinterpret_cast<char*>(array) - kHeaderSize);
}

SAFEARRAYBOUND* Bounds(SAFEARRAY* array) {
    return array->rgsabound;
}

struct ElementKind {
    VARTYPE vt;
    ULONG size;
    USHORT features;
};

constexpr ElementKind kElementKinds[] = {
    {VT_I2, sizeof(SHORT), 0},
    {VT_I4, sizeof(LONG), 0},
    {VT_R4, sizeof(FLOAT), 0},
    {VT_R8, sizeof(DOUBLE), 0},
    {VT_UI1, sizeof(BYTE), 0},
    {VT_UI4, sizeof(ULONG), 0},
    {VT_BOOL, sizeof(VARIANT_BOOL), 0},
    {VT_ERROR, sizeof(SCODE), 0},
    {VT_BSTR, sizeof(BSTR), FADF_BSTR},
    {VT_VARIANT, sizeof(VARIANT), FADF_VARIANT},
    {VT_DISPATCH, sizeof(IUnknown*), FADF_DISPATCH},
    {VT_UNKNOWN, sizeof(IUnknown*), FADF_UNKNOWN},
};

const ElementKind* FindKind(VARTYPE vt) {
    for (const auto& kind : kElementKinds)
        if (kind.vt == vt)
            return &kind;
    return nullptr;
}

VARTYPE VartypeOf(SAFEARRAY* array) {
    return HeaderOf(array)->vt;
}

// Frees what elements [first, last) own and zeroes them.
void ClearElements(SAFEARRAY* array, std::size_t first, std::size_t last) {
    auto* bytes = static_cast<char*>(array->pvData);
    VARTYPE vt = VartypeOf(array);
    for (std::size_t i = first; i < last; ++i) {
        void* element = bytes + i * array->cbElements;
        if (vt == VT_BSTR) {
            BSTR text;
            std::memcpy(&text, element, sizeof text);
            SysFreeString(text);
        } else if (vt == VT_VARIANT) {
            VariantClear(static_cast<VARIANT*>(element));
        } else if (vt == VT_DISPATCH || vt == VT_UNKNOWN) {
            IUnknown* object;
            std::memcpy(&object, element, sizeof object);
            if (object)
                object->Release();
        }
    }
    if (last > first)
        std::memset(bytes + first * array->cbElements, 0, (last - first) * array->cbElements);
}

// The element at the indices, or null when any index is out of its bounds.
void* ElementAt(SAFEARRAY* array, const LONG* indices) {
    std::size_t offset = 0, stride = 1;
    for (USHORT d = 0; d < array->cDims; ++d) {
        const SAFEARRAYBOUND& bound = Bounds(array)[d];
        std::int64_t position = std::int64_t(indices[d]) - bound.lLbound;
        if (position < 0 || position >= std::int64_t(bound.cElements))
            return nullptr;
        offset += std::size_t(position) * stride;
        stride *= bound.cElements;
    }
    return static_cast<char*>(array->pvData) + offset * array->cbElements;
}

// Copies one element value into an empty slot of the same type.
HRESULT CopyElement(VARTYPE vt, ULONG size, void* target, const void* source) {
    if (vt == VT_BSTR) {
        BSTR text;
        std::memcpy(&text, source, sizeof text);
        BSTR copy = text ? SysAllocStringLen(text, SysStringLen(text)) : nullptr;
        if (text && !copy)
            return E_OUTOFMEMORY;
        std::memcpy(target, &copy, sizeof copy);
    } else if (vt == VT_VARIANT) {
        VariantInit(static_cast<VARIANT*>(target));
        return VariantCopy(static_cast<VARIANT*>(target), static_cast<const VARIANT*>(source));
    } else if (vt == VT_DISPATCH || vt == VT_UNKNOWN) {
        IUnknown* object;
        std::memcpy(&object, source, sizeof object);
        if (object)
            object->AddRef();
        std::memcpy(target, &object, sizeof object);
    } else {
        std::memcpy(target, source, size);
    }
    return S_OK;
}

// Undoes a lock taken by an operation when it returns.
class LockHold {
public:
    explicit LockHold(SAFEARRAY* array) : array_(array), result_(SafeArrayLock(array)) {}
    LockHold(const LockHold&) = delete;
    LockHold& operator=(const LockHold&) = delete;
    ~LockHold() {
        if (SUCCEEDED(result_))
            SafeArrayUnlock(array_);
    }
    HRESULT result() const { return result_; }

private:
    SAFEARRAY* array_;
    HRESULT result_;
};

} // namespace

SAFEARRAY* SafeArrayCreate(VARTYPE vt, UINT dims, const SAFEARRAYBOUND* bounds) {
    const ElementKind* kind = FindKind(vt);
    if (!kind || dims == 0 || dims > std::numeric_limits<USHORT>::max() || !bounds)
        return nullptr;
    std::size_t count = 1;
    for (UINT d = 0; d < dims; ++d) {
        if (bounds[d].cElements != 0 && count > kMaxBytes / bounds[d].cElements)
            return nullptr;
        count *= bounds[d].cElements;
    }
    if (count > kMaxBytes / kind->size)
        return nullptr;
    std::size_t descriptor = offsetof(SAFEARRAY, rgsabound) + dims * sizeof(SAFEARRAYBOUND);
    auto* block = static_cast<char*>(std::calloc(1, kHeaderSize + descriptor));
    if (!block)
        return nullptr;
    void* data = std::calloc(count ? count : 1, kind->size);
    if (!data) {
        std::free(block);
        return nullptr;
    }
    reinterpret_cast<Header*>(block)->vt = vt;
    auto* array = reinterpret_cast<SAFEARRAY*>(block + kHeaderSize);
    array->cDims = static_cast<USHORT>(dims);
    array->fFeatures = kind->features | FADF_HAVEVARTYPE;
    array->cbElements = kind->size;
    array->cLocks = 0;
    array->pvData = data;
    std::memcpy(Bounds(array), bounds, dims * sizeof(SAFEARRAYBOUND));
    return array;
}

SAFEARRAY* SafeArrayCreateVector(VARTYPE vt, LONG lowerBound, ULONG elements) {
    SAFEARRAYBOUND bound{elements, lowerBound};
    return SafeArrayCreate(vt, 1, &bound);
}

HRESULT SafeArrayDestroy(SAFEARRAY* array) {
    if (!array)
        return S_OK;
    if (array->cLocks > 0)
        return DISP_E_ARRAYISLOCKED;
    ClearElements(array, 0, SafeArrayElementCount(array));
    std::free(array->pvData);
    std::free(HeaderOf(array));
    return S_OK;
}

HRESULT SafeArrayCopy(SAFEARRAY* array, SAFEARRAY** copy) {
    if (!copy)
        return E_POINTER;
    *copy = nullptr;
    if (!array)
        return S_OK;
    SafeArrayPtr result(SafeArrayCreate(VartypeOf(array), array->cDims, Bounds(array)));
    if (!result)
        return E_OUTOFMEMORY;
    auto* from = static_cast<const char*>(array->pvData);
    auto* to = static_cast<char*>(result.get()->pvData);
    ULONG size = array->cbElements;
    std::size_t count = SafeArrayElementCount(array);
    for (std::size_t i = 0; i < count; ++i) {
        HRESULT hr = CopyElement(VartypeOf(array), size, to + i * size, from + i * size);
        if (FAILED(hr))
            return hr;
    }
    *copy = result.Detach();
    return S_OK;
}

HRESULT SafeArrayLock(SAFEARRAY* array) {
    if (!array)
        return E_INVALIDARG;
    if (array->cLocks >= kMaxLocks)
        return E_UNEXPECTED;
    ++array->cLocks;
    return S_OK;
}

HRESULT SafeArrayUnlock(SAFEARRAY* array) {
    if (!array)
        return E_INVALIDARG;
    if (array->cLocks == 0)
        return E_UNEXPECTED;
    --array->cLocks;
    return S_OK;
}

HRESULT SafeArrayAccessData(SAFEARRAY* array, void** data) {
    if (!data)
        return E_INVALIDARG;
    *data = nullptr;
    HRESULT hr = SafeArrayLock(array);
    if (SUCCEEDED(hr))
        *data = array->pvData;
    return hr;
}

HRESULT SafeArrayUnaccessData(SAFEARRAY* array) {
    return SafeArrayUnlock(array);
}

HRESULT SafeArrayGetElement(SAFEARRAY* array, const LONG* indices, void* value) {
    if (!array || !indices || !value)
        return E_INVALIDARG;
    LockHold hold(array);
    if (FAILED(hold.result()))
        return hold.result();
    void* element = ElementAt(array, indices);
    if (!element)
        return DISP_E_BADINDEX;
    return CopyElement(VartypeOf(array), array->cbElements, value, element);
}

HRESULT SafeArrayPutElement(SAFEARRAY* array, const LONG* indices, const void* value) {
    if (!array || !indices)
        return E_INVALIDARG;
    VARTYPE vt = VartypeOf(array);
    bool byPointerItself = vt == VT_BSTR || vt == VT_DISPATCH || vt == VT_UNKNOWN;
    if (!value && !byPointerItself)
        return E_INVALIDARG;
    LockHold hold(array);
    if (FAILED(hold.result()))
        return hold.result();
    void* element = ElementAt(array, indices);
    if (!element)
        return DISP_E_BADINDEX;
    // Build the new element aside so that a failed copy leaves the old one in place.
    alignas(VARIANT) unsigned char fresh[sizeof(VARIANT)];
    const void* source = byPointerItself ? static_cast<const void*>(&value) : value;
    HRESULT hr = CopyElement(vt, array->cbElements, fresh, source);
    if (FAILED(hr))
        return hr;
    std::size_t index = (static_cast<char*>(element) - static_cast<char*>(array->pvData)) / array->cbElements;
    ClearElements(array, index, index + 1);
    std::memcpy(element, fresh, array->cbElements);
    return S_OK;
}

HRESULT SafeArrayGetLBound(SAFEARRAY* array, UINT dimension, LONG* bound) {
    if (!array || !bound)
        return E_INVALIDARG;
    if (dimension < 1 || dimension > array->cDims)
        return DISP_E_BADINDEX;
    *bound = Bounds(array)[dimension - 1].lLbound;
    return S_OK;
}

HRESULT SafeArrayGetUBound(SAFEARRAY* array, UINT dimension, LONG* bound) {
    if (!array || !bound)
        return E_INVALIDARG;
    if (dimension < 1 || dimension > array->cDims)
        return DISP_E_BADINDEX;
    const SAFEARRAYBOUND& b = Bounds(array)[dimension - 1];
    *bound = static_cast<LONG>(std::int64_t(b.lLbound) + std::int64_t(b.cElements) - 1);
    return S_OK;
}

UINT SafeArrayGetDim(SAFEARRAY* array) {
    return array ? array->cDims : 0;
}

UINT SafeArrayGetElemsize(SAFEARRAY* array) {
    return array ? array->cbElements : 0;
}

HRESULT SafeArrayGetVartype(SAFEARRAY* array, VARTYPE* vt) {
    if (!array || !vt)
        return E_INVALIDARG;
    *vt = VartypeOf(array);
    return S_OK;
}

ULONG SafeArrayElementCount(SAFEARRAY* array) {
    if (!array)
        return 0;
    std::size_t count = 1;
    for (USHORT d = 0; d < array->cDims; ++d)
        count *= Bounds(array)[d].cElements;
    return static_cast<ULONG>(count);
}

HRESULT SafeArrayRedim(SAFEARRAY* array, const SAFEARRAYBOUND* bound) {
    if (!array || !bound)
        return E_INVALIDARG;
    if (array->cLocks > 0)
        return DISP_E_ARRAYISLOCKED;
    SAFEARRAYBOUND& last = Bounds(array)[array->cDims - 1];
    std::size_t inner = 1; // elements per index of the last dimension
    for (USHORT d = 0; d + 1 < array->cDims; ++d)
        inner *= Bounds(array)[d].cElements;
    std::size_t oldCount = inner * last.cElements;
    if (bound->cElements != 0 && inner > kMaxBytes / array->cbElements / bound->cElements)
        return E_OUTOFMEMORY; // too large to address
    std::size_t newCount = inner * bound->cElements;
    std::size_t size = array->cbElements;
    if (newCount > oldCount) {
        void* grown = std::realloc(array->pvData, newCount * size);
        if (!grown)
            return E_OUTOFMEMORY;
        array->pvData = grown;
        std::memset(static_cast<char*>(grown) + oldCount * size, 0, (newCount - oldCount) * size);
    } else if (newCount < oldCount) {
        ClearElements(array, newCount, oldCount);
        if (void* shrunk = std::realloc(array->pvData, (newCount ? newCount : 1) * size))
            array->pvData = shrunk;
    }
    last = *bound;
    return S_OK;
}

} // namespace corvid::com
