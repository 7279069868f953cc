#include "com/module.h"

#include <dlfcn.h>
#include <filesystem>

namespace corvid::com {

HRESULT GetClassObjectFromTable(std::span<const ClassObjectEntry> table, REFCLSID clsid, REFIID iid,
                                void** object) {
    if (!object)
        return E_POINTER;
    *object = nullptr;
    for (const auto& entry : table)
        if (*entry.clsid == clsid)
            return entry.createFactory(iid, object);
    return CLASS_E_CLASSNOTAVAILABLE;
}

std::string ThisModulePath() {
    // This function's own code lies in the module that linked the library.
    Dl_info info{};
    if (::dladdr(reinterpret_cast<void*>(&ThisModulePath), &info) == 0 || !info.dli_fname)
        return {};
    std::error_code error;
    auto path = std::filesystem::canonical(info.dli_fname, error);
    return error ? std::string(info.dli_fname) : path.string();
}

} // namespace corvid::com
