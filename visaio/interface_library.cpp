#include "interface_library.h"

#include "component.h"

#include <filesystem>

namespace corvid::visaio {

std::string InterfaceLibraryPath(const char* section, const char* fallback) {
    std::string name = ConfigString(section, "Library", fallback);
    if (name.find('/') != std::string::npos) {
        return name;
    }
    const char* directory = Services().installDirectory ? Services().installDirectory() : nullptr;
    if (directory && *directory) {
        std::filesystem::path beside = std::filesystem::path(directory) / name;
        std::error_code error;
        if (std::filesystem::exists(beside, error)) {
            return beside.string();
        }
    }
    return name;
}

ViStatus OpenInterfaceLibrary(const std::string& path, void*& handle) {
    handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle) {
        return VI_SUCCESS;
    }
    std::error_code error;
    bool missing = path.find('/') == std::string::npos || !std::filesystem::exists(path, error);
    return missing ? VI_ERROR_LIBRARY_NFOUND : VI_ERROR_SYSTEM_ERROR;
}

} // namespace corvid::visaio
