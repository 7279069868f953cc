// The root interface and class factories. Interfaces are structs of pure virtual
// functions in slot order, without a virtual destructor and without data; each names
// its identifier as the static member iid.
#pragma once

#include "com/guid.h"
#include "com/hresult.h"

namespace corvid::com {

struct IUnknown {
    static constexpr IID iid = MakeGuid("{00000000-0000-0000-C000-000000000046}");

    virtual HRESULT QueryInterface(REFIID riid, void** object) = 0;
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;
};

struct IClassFactory : IUnknown {
    static constexpr IID iid = MakeGuid("{00000001-0000-0000-C000-000000000046}");

    virtual HRESULT CreateInstance(IUnknown* outer, REFIID riid, void** object) = 0;
    virtual HRESULT LockServer(int lock) = 0;
};

// The identifier of an interface type.
template <class Interface>
constexpr const IID& IidOf() {
    return Interface::iid;
}

} // namespace corvid::com
