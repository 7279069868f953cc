// What a component module (a shared object loaded by name) provides: the four exported
// entry points, class factories, and its own path for registration.
//
//   CORVID_COM_EXPORT HRESULT DllGetClassObject(REFCLSID clsid, REFIID iid, void** object) {
//       return GetClassObjectFromTable(kClassObjects, clsid, iid, object);
//   }
//   CORVID_COM_EXPORT HRESULT DllCanUnloadNow() { return ModuleCounts::CanUnloadNow(); }
#pragma once

#include "com/module_counts.h"
#include "com/object.h"

#include <span>
#include <string>

// Exported with C linkage and default visibility (the build hides everything else).
#define CORVID_COM_EXPORT extern "C" __attribute__((visibility("default")))

namespace corvid::com {

using DllGetClassObjectFunction = HRESULT (*)(REFCLSID clsid, REFIID iid, void** object);
using DllCanUnloadNowFunction = HRESULT (*)();
using DllRegisterServerFunction = HRESULT (*)();
using DllUnregisterServerFunction = HRESULT (*)();

// The class factory of T: creates T objects with their default constructor, counts
// server locks in the module's counts.
template <class T>
class ClassFactory final : public ComClass<ClassFactory<T>, IClassFactory> {
public:
    HRESULT CreateInstance(IUnknown* outer, REFIID riid, void** object) override {
        if (!object)
            return E_POINTER;
        *object = nullptr;
        if (outer)
            return CLASS_E_NOAGGREGATION;
        return CreateObject<T>(riid, object);
    }
    HRESULT LockServer(int lock) override {
        if (lock)
            ModuleCounts::Lock();
        else
            ModuleCounts::Unlock();
        return S_OK;
    }

private:
    ~ClassFactory() override = default;
};

// One row of a module's class table.
struct ClassObjectEntry {
    const CLSID* clsid;
    HRESULT (*createFactory)(REFIID iid, void** object);
};

template <class T>
HRESULT CreateClassFactory(REFIID iid, void** object) {
    return CreateObject<ClassFactory<T>>(iid, object);
}

// The row for class T with identifier clsid.
template <class T>
constexpr ClassObjectEntry ClassObject(const CLSID& clsid) {
    return {&clsid, &CreateClassFactory<T>};
}

// DllGetClassObject from a table; CLASS_E_CLASSNOTAVAILABLE for a class not in it.
HRESULT GetClassObjectFromTable(std::span<const ClassObjectEntry> table, REFCLSID clsid, REFIID iid,
                                void** object);

// The absolute path of the module (shared object or program) this library is linked
// into; empty when it cannot be determined.
std::string ThisModulePath();

} // namespace corvid::com
