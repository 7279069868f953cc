// The module's entry points: the class factory of VisaGpib, the unload check and
// self-registration (class keys, ProgIDs, type library, component category).
#include "com/module.h"

#include "com/registration.h"
#include "descriptions.h"
#include "visa_gpib.h"

namespace corvid::driver {
namespace {

constexpr ClassObjectEntry kClassObjects[] = {ClassObject<CVisaGpib>(CLSID_VisaGpib)};

constexpr CategoryRegistration kCategories[] = {{CATID_IoDrivers, "Corvid Halcyon IO Drivers", 0x409}};
constexpr ClassRegistration kRegistrations[] = {{CLSID_VisaGpib, "VisaGpib Class", kVisaGpibProgId,
                                                 kVisaGpibVersionIndependentProgId, "Apartment", true,
                                                 kCategories}};
constexpr ServerRegistration kServer{kRegistrations, &descriptions::kLibrary};

} // namespace
} // namespace corvid::driver

using namespace corvid::driver;

CORVID_COM_EXPORT HRESULT DllGetClassObject(REFCLSID clsid, REFIID iid, void** object) {
    return GetClassObjectFromTable(kClassObjects, clsid, iid, object);
}

CORVID_COM_EXPORT HRESULT DllCanUnloadNow() {
    return ModuleCounts::CanUnloadNow();
}

CORVID_COM_EXPORT HRESULT DllRegisterServer() {
    try {
        return RegisterServer(kServer, ThisModulePath());
    } catch (...) {
        return E_UNEXPECTED;
    }
}

CORVID_COM_EXPORT HRESULT DllUnregisterServer() {
    try {
        // The class keys and the type library go first; only the category step's result counts.
        UnregisterClassKeys(kRegistrations[0]);
        UnregisterTypeLibrary(descriptions::kLibrary);
        return UnregisterImplementedCategory(CLSID_VisaGpib, CATID_IoDrivers);
    } catch (...) {
        return E_UNEXPECTED;
    }
}
