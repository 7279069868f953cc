// Registry entries of component modules, under the classes root:
//
//   <ProgID>                    default = description; <ProgID>\CLSID default = {clsid}
//   <VersionIndependentProgID>  default = description; \CurVer default = <ProgID>
//   CLSID\{clsid}               default = description; \ProgID, \VersionIndependentProgID
//                               (default values); \Programmable (empty); \InprocServer32
//                               default = module path, "ThreadingModel" = model
//   CLSID\{clsid}\Implemented Categories\{catid}     (empty key)
//   Component Categories\{catid}                     "409" = description (locale in hex)
//   TypeLib\{libid}\<major>.<minor>                   default = help text;
//                               \0\win32 default = module path; \FLAGS = "0"; \HELPDIR
//
// A class key is replaced whole on registration, so registering twice leaves one.
// Writes that fail give SELFREG_E_CLASS, SELFREG_E_TYPELIB or REGDB_E_WRITEREGDB.
#pragma once

#include "com/guid.h"
#include "com/hresult.h"
#include "com/type_library.h"

#include <span>
#include <string>
#include <string_view>

namespace corvid::com {

struct CategoryRegistration {
    GUID catid;
    const char* description;
    LCID locale = 0x409;
};

struct ClassRegistration {
    CLSID clsid;
    const char* description;              // "VisaGpib Class"
    const char* progId;                   // "VisaGpib.VisaGpib.1"; null for none
    const char* versionIndependentProgId; // "VisaGpib.VisaGpib"; null for none
    const char* threadingModel = "Apartment";
    bool programmable = true;
    std::span<const CategoryRegistration> categories = {};
};

// Everything a module registers.
struct ServerRegistration {
    std::span<const ClassRegistration> classes;
    const TypeLibraryDescription* typeLibrary = nullptr; // null: none
};

HRESULT RegisterClassKeys(const ClassRegistration& registration, std::string_view modulePath);
// Removes the class key and the ProgID keys that name this class; the CLSID key stays.
HRESULT UnregisterClassKeys(const ClassRegistration& registration);

// Descriptions longer than 127 characters are cut.
HRESULT RegisterCategory(const CategoryRegistration& category);
HRESULT UnregisterCategory(REFGUID catid);
HRESULT RegisterImplementedCategory(REFCLSID clsid, REFGUID catid);
// Removes the class's membership; the category itself stays registered.
HRESULT UnregisterImplementedCategory(REFCLSID clsid, REFGUID catid);

HRESULT RegisterTypeLibrary(const TypeLibraryDescription& library, std::string_view modulePath,
                            std::string_view helpDirectory);
HRESULT UnregisterTypeLibrary(const TypeLibraryDescription& library);

// DllRegisterServer in one call: class keys, type library, then categories and
// membership. Returns the first failure.
HRESULT RegisterServer(const ServerRegistration& server, std::string_view modulePath);
// DllUnregisterServer in one call: class keys, type library, then memberships
// (categories stay). Every step is tried; returns the first failure.
HRESULT UnregisterServer(const ServerRegistration& server);

} // namespace corvid::com
