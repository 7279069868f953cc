#include "com/object.h"

#include <cstdio>
#include <cstdlib>

namespace corvid::com {

HRESULT FindInterface(void* object, std::span<const InterfaceEntry> table, REFIID iid, void** out) {
    if (!out)
        return E_POINTER;
    *out = nullptr;
    if (table.empty())
        return E_NOINTERFACE;
    if (iid == IUnknown::iid) {
        *out = table.front().cast(object);
        return S_OK;
    }
    for (const auto& entry : table) {
        if (*entry.iid == iid) {
            *out = entry.cast(object);
            return S_OK;
        }
    }
    return E_NOINTERFACE;
}

void detail::ReleaseOfUnownedObject() {
    std::fputs("corvid component model: Release called on an object without references\n", stderr);
    std::abort();
}

} // namespace corvid::com
