// The benchmarks register the components they create in their throw-away CORVID_HOME.
#pragma once

#include "com/module.h"

#include <cstdio>
#include <dlfcn.h>

namespace corvid::operatoroutput::bench {

// Loads the module and runs its DllRegisterServer; false (said on stderr) when either fails.
inline bool RegisterModule(const char* path) {
    void* module = ::dlopen(path, RTLD_NOW | RTLD_LOCAL);
    auto entry = module
                     ? reinterpret_cast<com::DllRegisterServerFunction>(::dlsym(module, "DllRegisterServer"))
                     : nullptr;
    if (!entry || entry() != com::S_OK) {
        std::fprintf(stderr, "cannot register %s\n", path);
        return false;
    }
    return true;
}

} // namespace corvid::operatoroutput::bench
