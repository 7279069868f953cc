// The object and lock counts of one module (shared object or program). Every
// component object counts itself while alive, and IClassFactory::LockServer adds
// locks; DllCanUnloadNow answers from both. The counts live in the static library,
// so each module that links it has counts of its own.
#pragma once

#include "com/hresult.h"

namespace corvid::com {

class ModuleCounts {
public:
    static void ObjectCreated();
    static void ObjectDestroyed();
    static void Lock();
    static void Unlock();

    static long Objects();
    static long Locks();

    // S_OK when no object and no lock is alive, else S_FALSE: the answer of DllCanUnloadNow.
    static HRESULT CanUnloadNow();
};

} // namespace corvid::com
