#include "com/registration.h"

#include "com/bstr.h"
#include "platform/registry.h"

#include <cstdio>
#include <functional>

namespace corvid::com {
namespace {

using platform::RegistryKeyTree;
using platform::RegistryRoot;

constexpr std::size_t kMaxCategoryDescription = 127;

// Thrown inside a registry transaction to abandon it: nothing is written.
struct IncompleteChange {};

void Require(bool done) {
    if (!done)
        throw IncompleteChange{};
}

// One transaction on the classes root; failure when the hive cannot be changed or a
// change is refused (an invalid key name).
HRESULT ModifyClasses(HRESULT failure, const std::function<void(RegistryKeyTree&)>& change) {
    try {
        return platform::RegistryModify(RegistryRoot::ClassesRoot, change) ? S_OK : failure;
    } catch (...) {
        return failure;
    }
}

std::string Hex(unsigned value) {
    char text[16];
    std::snprintf(text, sizeof text, "%x", value);
    return text;
}

std::string ClassKey(REFCLSID clsid) {
    return "CLSID\\" + FormatGuid(clsid);
}

std::string VersionKey(const TypeLibraryDescription& library) {
    return "TypeLib\\" + FormatGuid(library.libid) + "\\" + Hex(library.majorVersion) + "." +
           Hex(library.minorVersion);
}

bool Present(const char* text) {
    return text && *text;
}

// At most limit characters (code points), never splitting one.
std::string CutCharacters(std::string_view text, std::size_t limit) {
    std::size_t characters = 0, i = 0;
    for (; i < text.size(); ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80 && characters++ == limit)
            break;
    }
    return std::string(text.substr(0, i));
}

void DeleteIfEmpty(RegistryKeyTree& tree, const std::string& key) {
    if (tree.KeyExists(key) && tree.SubKeys(key).empty() && tree.Values(key).empty())
        tree.DeleteKey(key);
}

} // namespace

HRESULT RegisterClassKeys(const ClassRegistration& registration, std::string_view modulePath) {
    return ModifyClasses(SELFREG_E_CLASS, [&](RegistryKeyTree& tree) {
        std::string clsid = FormatGuid(registration.clsid);
        std::string key = ClassKey(registration.clsid);
        tree.DeleteKey(key); // replaced whole
        Require(tree.SetString(key, "", registration.description));
        if (Present(registration.progId)) {
            Require(tree.SetString(key + "\\ProgID", "", registration.progId));
            Require(tree.SetString(registration.progId, "", registration.description));
            Require(tree.SetString(std::string(registration.progId) + "\\CLSID", "", clsid));
        }
        if (Present(registration.versionIndependentProgId)) {
            std::string independent = registration.versionIndependentProgId;
            Require(tree.SetString(key + "\\VersionIndependentProgID", "", independent));
            Require(tree.SetString(independent, "", registration.description));
            if (Present(registration.progId))
                Require(tree.SetString(independent + "\\CurVer", "", registration.progId));
        }
        if (registration.programmable)
            Require(tree.CreateKey(key + "\\Programmable"));
        Require(tree.SetString(key + "\\InprocServer32", "", modulePath));
        if (Present(registration.threadingModel))
            Require(tree.SetString(key + "\\InprocServer32", "ThreadingModel", registration.threadingModel));
    });
}

HRESULT UnregisterClassKeys(const ClassRegistration& registration) {
    return ModifyClasses(SELFREG_E_CLASS, [&](RegistryKeyTree& tree) {
        auto namesThisClass = [&](const std::string& key) {
            auto owner = tree.GetString(key + "\\CLSID", "");
            return owner && ParseGuid(*owner) == registration.clsid;
        };
        // ProgIDs now taken by another class stay with it.
        bool progIdOurs = false, progIdGone = true;
        if (Present(registration.progId)) {
            progIdOurs = namesThisClass(registration.progId);
            progIdGone = !tree.KeyExists(registration.progId);
        }
        if (Present(registration.versionIndependentProgId)) {
            std::string independent = registration.versionIndependentProgId;
            auto current = tree.GetString(independent + "\\CurVer", "");
            bool pointsToOurs = current && Present(registration.progId) && *current == registration.progId &&
                                (progIdOurs || progIdGone) && !tree.KeyExists(independent + "\\CLSID");
            if (pointsToOurs || namesThisClass(independent))
                tree.DeleteKey(independent);
        }
        if (progIdOurs)
            tree.DeleteKey(registration.progId);
        tree.DeleteKey(ClassKey(registration.clsid));
    });
}

HRESULT RegisterCategory(const CategoryRegistration& category) {
    return ModifyClasses(REGDB_E_WRITEREGDB, [&](RegistryKeyTree& tree) {
        std::string key = "Component Categories\\" + FormatGuid(category.catid);
        Require(tree.SetString(
            key, Hex(category.locale),
            CutCharacters(category.description ? category.description : "", kMaxCategoryDescription)));
    });
}

HRESULT UnregisterCategory(REFGUID catid) {
    return ModifyClasses(REGDB_E_WRITEREGDB, [&](RegistryKeyTree& tree) {
        tree.DeleteKey("Component Categories\\" + FormatGuid(catid));
    });
}

HRESULT RegisterImplementedCategory(REFCLSID clsid, REFGUID catid) {
    return ModifyClasses(REGDB_E_WRITEREGDB, [&](RegistryKeyTree& tree) {
        Require(tree.CreateKey(ClassKey(clsid) + "\\Implemented Categories\\" + FormatGuid(catid)));
    });
}

HRESULT UnregisterImplementedCategory(REFCLSID clsid, REFGUID catid) {
    return ModifyClasses(REGDB_E_WRITEREGDB, [&](RegistryKeyTree& tree) {
        std::string categories = ClassKey(clsid) + "\\Implemented Categories";
        tree.DeleteKey(categories + "\\" + FormatGuid(catid));
        DeleteIfEmpty(tree, categories);
    });
}

HRESULT RegisterTypeLibrary(const TypeLibraryDescription& library, std::string_view modulePath,
                            std::string_view helpDirectory) {
    return ModifyClasses(SELFREG_E_TYPELIB, [&](RegistryKeyTree& tree) {
        std::string key = VersionKey(library);
        tree.DeleteKey(key);
        Require(tree.SetString(key, "", library.helpText ? library.helpText : ""));
        Require(tree.SetString(key + "\\0\\win32", "", modulePath));
        Require(tree.SetString(key + "\\FLAGS", "", "0"));
        Require(tree.SetString(key + "\\HELPDIR", "", helpDirectory));
    });
}

HRESULT UnregisterTypeLibrary(const TypeLibraryDescription& library) {
    return ModifyClasses(SELFREG_E_TYPELIB, [&](RegistryKeyTree& tree) {
        tree.DeleteKey(VersionKey(library));
        DeleteIfEmpty(tree, "TypeLib\\" + FormatGuid(library.libid));
    });
}

HRESULT RegisterServer(const ServerRegistration& server, std::string_view modulePath) {
    for (const auto& registration : server.classes)
        if (HRESULT hr = RegisterClassKeys(registration, modulePath); FAILED(hr))
            return hr;
    if (server.typeLibrary) {
        auto slash = modulePath.rfind('/');
        std::string directory(slash == std::string_view::npos ? std::string_view()
                                                              : modulePath.substr(0, slash));
        if (HRESULT hr = RegisterTypeLibrary(*server.typeLibrary, modulePath, directory); FAILED(hr))
            return hr;
    }
    for (const auto& registration : server.classes) {
        for (const auto& category : registration.categories) {
            if (HRESULT hr = RegisterCategory(category); FAILED(hr))
                return hr;
            if (HRESULT hr = RegisterImplementedCategory(registration.clsid, category.catid); FAILED(hr))
                return hr;
        }
    }
    return S_OK;
}

HRESULT UnregisterServer(const ServerRegistration& server) {
    HRESULT first = S_OK;
    auto keep = [&](HRESULT hr) {
        if (FAILED(hr) && SUCCEEDED(first))
            first = hr;
    };
    for (const auto& registration : server.classes)
        keep(UnregisterClassKeys(registration));
    if (server.typeLibrary)
        keep(UnregisterTypeLibrary(*server.typeLibrary));
    for (const auto& registration : server.classes)
        for (const auto& category : registration.categories)
            keep(UnregisterImplementedCategory(registration.clsid, category.catid));
    return first;
}

} // namespace corvid::com
