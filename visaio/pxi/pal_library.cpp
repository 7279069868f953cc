#include "pal_library.h"

#include "../interface_library.h"

#include <mutex>

namespace corvid::visaio {

namespace {

constexpr int32_t kMissing = -1;

std::mutex g_loadMutex;

} // namespace

PalLibrary& PalLibrary::Instance() {
    static PalLibrary library;
    return library;
}

ViStatus PalLibrary::Load() {
    std::lock_guard lock(g_loadMutex);
    if (handle_) {
        return VI_SUCCESS;
    }
    void* handle = nullptr;
    ViStatus status = OpenInterfaceLibrary(InterfaceLibraryPath("PXI", "sbvispal.so"), handle);
    if (status < VI_SUCCESS) {
        return status;
    }
    Resolve(handle, "palEnumerateDevices", enumerate_);
    Resolve(handle, "palGetDeviceHandle", deviceHandle_);
    Resolve(handle, "palCreateBusObject", createBus_);
    Resolve(handle, "palDestroyBusObject", destroyBus_);
    Resolve(handle, "palCreateAddressSpace", createSpace_);
    Resolve(handle, "palDestroyAddressSpace", destroySpace_);
    Resolve(handle, "palRead8", read8_);
    Resolve(handle, "palRead16", read16_);
    Resolve(handle, "palRead32", read32_);
    Resolve(handle, "palWrite8", write8_);
    Resolve(handle, "palWrite16", write16_);
    Resolve(handle, "palWrite32", write32_);
    handle_ = handle;
    return VI_SUCCESS;
}

std::vector<PalDeviceAddress> PalLibrary::Devices() const {
    uint32_t count = 0;
    if (!enumerate_ || enumerate_(nullptr, 0, &count) < 0) {
        return {};
    }
    std::vector<PalDeviceAddress> devices(count);
    if (enumerate_(devices.data(), count, &count) < 0) {
        return {};
    }
    devices.resize(std::min<std::size_t>(count, devices.size()));
    return devices;
}

int32_t PalLibrary::DeviceHandle(uint16_t bus, uint16_t device, uint16_t function, PalHandle& handle) const {
    return deviceHandle_ ? deviceHandle_(bus, device, function, &handle) : kMissing;
}

int32_t PalLibrary::CreateBusObject(PalHandle device, PalHandle& bus) const {
    return createBus_ ? createBus_(device, &bus) : kMissing;
}

int32_t PalLibrary::DestroyBusObject(PalHandle bus) const {
    return destroyBus_ ? destroyBus_(bus) : kMissing;
}

int32_t PalLibrary::CreateAddressSpace(PalHandle bus, int32_t space, PalHandle& object,
                                       uint64_t& size) const {
    return createSpace_ ? createSpace_(bus, space, &object, &size) : kMissing;
}

int32_t PalLibrary::DestroyAddressSpace(PalHandle object) const {
    return destroySpace_ ? destroySpace_(object) : kMissing;
}

int32_t PalLibrary::Read(PalHandle object, uint64_t offset, uint16_t width, uint32_t& value) const {
    uint8_t v8 = 0;
    uint16_t v16 = 0;
    int32_t result = kMissing;
    switch (width) {
    case 1:
        result = read8_ ? read8_(object, offset, &v8) : kMissing;
        value = v8;
        return result;
    case 2:
        result = read16_ ? read16_(object, offset, &v16) : kMissing;
        value = v16;
        return result;
    default:
        return read32_ ? read32_(object, offset, &value) : kMissing;
    }
}

int32_t PalLibrary::Write(PalHandle object, uint64_t offset, uint16_t width, uint32_t value) const {
    switch (width) {
    case 1:
        return write8_ ? write8_(object, offset, static_cast<uint8_t>(value)) : kMissing;
    case 2:
        return write16_ ? write16_(object, offset, static_cast<uint16_t>(value)) : kMissing;
    default:
        return write32_ ? write32_(object, offset, value) : kMissing;
    }
}

ViStatus PalStatus(int32_t result) {
    switch (result) {
    case 0:
        return VI_SUCCESS;
    case PAL_ERR_RANGE:
        return VI_ERROR_NSUP_OFFSET;
    case PAL_ERR_DENIED:
        return VI_ERROR_INV_SPACE;
    case PAL_ERR_NO_DEVICE:
        return VI_ERROR_RSRC_NFOUND;
    default:
        return VI_ERROR_IO;
    }
}

} // namespace corvid::visaio
