// The PCI access library "sbvispal.so", loaded once per process when first needed. The
// wrappers answer a failure when the library or its function is not there.
#pragma once

#include "pal/pal.h"
#include "visa/sbvisa_io.h"

#include <vector>

namespace corvid::visaio {

class PalLibrary {
public:
    static PalLibrary& Instance();

    // VI_SUCCESS, VI_ERROR_LIBRARY_NFOUND when the file is missing, VI_ERROR_SYSTEM_ERROR
    // when it cannot be used.
    ViStatus Load();

    // The devices, in the library's order (empty when it cannot answer).
    std::vector<PalDeviceAddress> Devices() const;
    int32_t DeviceHandle(uint16_t bus, uint16_t device, uint16_t function, PalHandle& handle) const;
    int32_t CreateBusObject(PalHandle device, PalHandle& bus) const;
    int32_t DestroyBusObject(PalHandle bus) const;
    int32_t CreateAddressSpace(PalHandle bus, int32_t space, PalHandle& object, uint64_t& size) const;
    int32_t DestroyAddressSpace(PalHandle object) const;
    int32_t Read(PalHandle object, uint64_t offset, uint16_t width, uint32_t& value) const;
    int32_t Write(PalHandle object, uint64_t offset, uint16_t width, uint32_t value) const;

private:
    PalLibrary() = default;

    void* handle_ = nullptr;
    PalEnumerateDevicesFn enumerate_ = nullptr;
    PalGetDeviceHandleFn deviceHandle_ = nullptr;
    PalCreateBusObjectFn createBus_ = nullptr;
    PalDestroyBusObjectFn destroyBus_ = nullptr;
    PalCreateAddressSpaceFn createSpace_ = nullptr;
    PalDestroyAddressSpaceFn destroySpace_ = nullptr;
    PalRead8Fn read8_ = nullptr;
    PalRead16Fn read16_ = nullptr;
    PalRead32Fn read32_ = nullptr;
    PalWrite8Fn write8_ = nullptr;
    PalWrite16Fn write16_ = nullptr;
    PalWrite32Fn write32_ = nullptr;
};

// What a failing PCI access call means for a register operation.
ViStatus PalStatus(int32_t result);

} // namespace corvid::visaio
