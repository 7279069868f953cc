#include "com/creation.h"

#include "com/bstr.h"
#include "com/error_info.h"
#include "com/module.h"
#include "platform/registry.h"

#include <dlfcn.h>
#include <filesystem>

namespace corvid::com {
namespace {

using platform::RegistryGetString;
using platform::RegistryRoot;

constexpr std::string_view kErrorSource = "Component creation";
// A version-independent ProgID names its current version; a few hops are plenty.
constexpr int kMaxCurVerHops = 4;

HRESULT Fail(HRESULT hr, const std::string& description) {
    return ReportError(hr, IID_NULL, kErrorSource, description);
}

std::optional<std::string> DefaultValue(const std::string& key) {
    return RegistryGetString(RegistryRoot::ClassesRoot, key, "");
}

} // namespace

HRESULT CLSIDFromString(LPCOLESTR text, CLSID* clsid) {
    if (!clsid)
        return E_POINTER;
    auto guid = text ? ParseGuid(std::u16string_view(text)) : std::nullopt;
    if (!guid)
        return CO_E_CLASSSTRING;
    *clsid = *guid;
    return S_OK;
}

HRESULT ClassIdFromProgId(std::string_view progId, CLSID* clsid) {
    if (!clsid)
        return E_POINTER;
    if (auto guid = ParseGuid(progId)) {
        *clsid = *guid;
        return S_OK;
    }
    std::string name(progId);
    bool validName = !name.empty() && name.find('\\') == std::string::npos;
    for (int hop = 0; validName && hop <= kMaxCurVerHops; ++hop) {
        if (auto text = DefaultValue(name + "\\CLSID")) {
            if (auto guid = ParseGuid(*text)) {
                *clsid = *guid;
                return S_OK;
            }
            return Fail(CO_E_CLASSSTRING, "The ProgID \"" + std::string(progId) +
                                              "\" is registered with an invalid class identifier \"" + *text +
                                              "\"");
        }
        auto current = DefaultValue(name + "\\CurVer");
        if (!current || current->empty() || current->find('\\') != std::string::npos)
            break;
        name = *current;
    }
    return Fail(CO_E_CLASSSTRING, "The ProgID \"" + std::string(progId) + "\" is not registered");
}

HRESULT CLSIDFromProgID(LPCOLESTR progId, CLSID* clsid) {
    if (!progId)
        return E_INVALIDARG;
    return ClassIdFromProgId(Utf8FromUtf16(progId), clsid);
}

std::optional<std::string> InprocServerPath(REFCLSID clsid) {
    auto path = DefaultValue("CLSID\\" + FormatGuid(clsid) + "\\InprocServer32");
    if (!path || path->empty())
        return std::nullopt;
    return path;
}

HRESULT GetClassObject(REFCLSID clsid, REFIID iid, void** object) {
    if (!object)
        return E_POINTER;
    *object = nullptr;
    auto path = InprocServerPath(clsid);
    if (!path)
        return Fail(REGDB_E_CLASSNOTREG, "The class " + FormatGuid(clsid) + " is not registered");
    std::error_code error;
    if (path->find('/') != std::string::npos && !std::filesystem::exists(*path, error))
        return Fail(CO_E_DLLNOTFOUND, "The module \"" + *path + "\" registered for the class " +
                                          FormatGuid(clsid) + " does not exist");
    // Never closed: objects, their error information and their tables live in it.
    void* module = ::dlopen(path->c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!module) {
        const char* reason = ::dlerror();
        return Fail(CO_E_ERRORINDLL,
                    "The module \"" + *path + "\" cannot be loaded: " + (reason ? reason : "unknown reason"));
    }
    auto entry = reinterpret_cast<DllGetClassObjectFunction>(::dlsym(module, "DllGetClassObject"));
    if (!entry)
        return Fail(HResultFromWin32(ERROR_PROC_NOT_FOUND),
                    "The module \"" + *path + "\" does not export DllGetClassObject");
    return entry(clsid, iid, object);
}

HRESULT CreateInstance(REFCLSID clsid, IUnknown* outer, REFIID iid, void** object) {
    if (!object)
        return E_POINTER;
    *object = nullptr;
    if (outer)
        return CLASS_E_NOAGGREGATION;
    ComPtr<IClassFactory> factory;
    HRESULT hr = GetClassObject(clsid, IClassFactory::iid, factory.OutVoid());
    if (FAILED(hr))
        return hr;
    return factory->CreateInstance(nullptr, iid, object);
}

HRESULT CreateInstance(std::string_view progIdOrClsid, REFIID iid, void** object) {
    if (!object)
        return E_POINTER;
    *object = nullptr;
    CLSID clsid;
    HRESULT hr = ClassIdFromProgId(progIdOrClsid, &clsid);
    if (FAILED(hr))
        return hr;
    return CreateInstance(clsid, nullptr, iid, object);
}

} // namespace corvid::com
