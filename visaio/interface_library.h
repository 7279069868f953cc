// Interface libraries that the component loads by name at run time (the VXI library, the
// PCI access library): where the file is, and opening it.
#pragma once

#include "visa/sbvisa_io.h"

#include <dlfcn.h>
#include <string>

namespace corvid::visaio {

// "Library" of the configuration section, else the fallback; a bare name is looked for
// beside the support library first, then on the library path.
std::string InterfaceLibraryPath(const char* section, const char* fallback);

// Opens the library: VI_ERROR_LIBRARY_NFOUND when the file is missing, VI_ERROR_SYSTEM_ERROR
// when it cannot be loaded.
ViStatus OpenInterfaceLibrary(const std::string& path, void*& handle);

// Looks a function up; null when the library does not have it.
template <class Fn>
void Resolve(void* handle, const char* name, Fn& fn) {
    fn = reinterpret_cast<Fn>(dlsym(handle, name));
}

} // namespace corvid::visaio
