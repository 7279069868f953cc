#include "io_module.h"

#include <dlfcn.h>

namespace corvid::visa {
namespace {

template <class F>
F Symbol(void* handle, const char* name) {
    return reinterpret_cast<F>(dlsym(handle, name));
}

} // namespace

ViStatus IoModule::Load(const std::string& path, const SbvisaServices* services, std::ostream& warnings) {
    if (handle_) {
        return VI_SUCCESS;
    }
    // The module stays loaded for the life of the process: its polling thread may run
    // until the process exits.
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
    if (!handle) {
        const char* reason = dlerror();
        warnings << "sbvisv32: cannot load the VISA I/O component " << path << ": " << (reason ? reason : "")
                 << "\n";
        return VI_ERROR_LIBRARY_NFOUND;
    }
    auto attach = Symbol<SbvisaAttachFunction>(handle, "sbviio_attach");
    ViStatus status = attach ? attach(services) : VI_ERROR_LIBRARY_NFOUND;
    if (status < VI_SUCCESS) {
        warnings << "sbvisv32: the VISA I/O component " << path << " refused to start (status 0x" << std::hex
                 << static_cast<ViUInt32>(status) << std::dec << ")\n";
        dlclose(handle);
        return VI_ERROR_LIBRARY_NFOUND;
    }
    finders_ = {Symbol<SbvisaFindFunction>(handle, "viFindRsrc_488"),
                Symbol<SbvisaFindFunction>(handle, "viFindRsrc_GPVX"),
                Symbol<SbvisaFindFunction>(handle, "viFindRsrc_VXI"),
                Symbol<SbvisaFindFunction>(handle, "viFindRsrc_ASRL"),
                Symbol<SbvisaFindFunction>(handle, "viFindRsrc_PXI")};
    openGpib_ = Symbol<SbvisaOpenFunction>(handle, "viOpen_488");
    openGpibVxi_ = Symbol<SbvisaOpenFunction>(handle, "viOpen_GPVX");
    openGpibVxiMemory_ = Symbol<SbvisaOpenFunction>(handle, "viOpen_GPVX_MEMACC");
    openVxi_ = Symbol<SbvisaOpenFunction>(handle, "viOpen_VXI");
    openVxiMemory_ = Symbol<SbvisaOpenFunction>(handle, "viOpen_VXI_MEMACC");
    openSerial_ = Symbol<SbvisaOpenFunction>(handle, "viOpen_ASRL");
    openPxi_ = Symbol<SbvisaOpenFunction>(handle, "viOpen_PXI");
    handle_ = handle;
    return VI_SUCCESS;
}

SbvisaOpenFunction IoModule::Opener(ViUInt16 interfaceType, const std::string& resourceClass) const {
    bool instrument = resourceClass == "INSTR";
    bool memory = resourceClass == "MEMACC";
    switch (interfaceType) {
    case VI_INTF_GPIB:
        return instrument || resourceClass == "INTFC" ? openGpib_ : nullptr;
    case VI_INTF_GPIB_VXI:
        return instrument ? openGpibVxi_ : memory ? openGpibVxiMemory_ : nullptr;
    case VI_INTF_VXI:
        return instrument ? openVxi_ : memory ? openVxiMemory_ : nullptr;
    case VI_INTF_ASRL:
        return instrument ? openSerial_ : nullptr;
    case VI_INTF_PXI:
        return instrument ? openPxi_ : nullptr;
    default:
        return nullptr;
    }
}

} // namespace corvid::visa
