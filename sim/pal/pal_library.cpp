// sbvispal.so: the PCI access library. It offers the PXI modules of the bench and, read
// only, the configuration space of the machine's own PCI devices (from sysfs, or from the
// folder named by CORVID_PCI_SYSFS). The base address registers of a real device are never
// mapped, read or written: creating an address object for one is refused.
#include "bench_instance.h"
#include "pal/pal.h"
#include "pci_devices.h"

#include <cstdlib>
#include <mutex>

#define PAL_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

using corvid::sim::PciDevice;

constexpr const char* kSysfsRoot = "/sys/bus/pci/devices";
constexpr uint32_t kConfigSize = 256;

struct Library {
    std::mutex mutex;
    bool listed = false;
    std::vector<PciDevice> devices; // a handle is the index + 1
};

Library& State() {
    static Library library;
    return library;
}

// The devices, listed at the first call; call with the mutex held.
std::vector<PciDevice>& Devices() {
    Library& library = State();
    if (!library.listed) {
        const char* root = std::getenv("CORVID_PCI_SYSFS");
        corvid::sim::Bus* bus = corvid::sim::SharedBench("sbvispal");
        library.devices =
            corvid::sim::CollectPciDevices(bus ? &bus->spec() : nullptr, root && *root ? root : kSysfsRoot);
        library.listed = true;
    }
    return library.devices;
}

PciDevice* DeviceOf(PalHandle handle) {
    std::vector<PciDevice>& devices = Devices();
    return handle >= 1 && handle <= devices.size() ? &devices[handle - 1] : nullptr;
}

// An address object: the device handle and the space (-1 to 5) + 1 in the low 4 bits.
PalHandle AddressObject(PalHandle device, int32_t space) {
    return device << 4 | static_cast<PalHandle>(space + 1);
}

int32_t Read(PalHandle object, uint64_t offset, int width, uint32_t& value) {
    std::lock_guard lock(State().mutex);
    PciDevice* device = DeviceOf(object >> 4);
    int space = static_cast<int>(object & 0xF) - 1;
    if (device == nullptr || space > 5) {
        return PAL_ERR_NO_DEVICE;
    }
    if (offset % static_cast<uint64_t>(width) != 0 || offset > 0xFFFFFFFFu) {
        return PAL_ERR_ARGUMENT;
    }
    auto at = static_cast<uint32_t>(offset);
    if (!device->simulated()) {
        if (space != PAL_SPACE_CONFIG) {
            return PAL_ERR_DENIED;
        }
        std::optional<uint32_t> read = corvid::sim::ReadSysfsConfig(device->sysfsPath, at, width);
        if (!read) {
            return PAL_ERR_RANGE;
        }
        value = *read;
        return 0;
    }
    const corvid::sim::RegisterFile& file =
        space == PAL_SPACE_CONFIG ? device->config : device->bars[static_cast<size_t>(space)];
    return file.Read(at, width, value) ? 0 : PAL_ERR_RANGE;
}

int32_t Write(PalHandle object, uint64_t offset, int width, uint32_t value) {
    std::lock_guard lock(State().mutex);
    PciDevice* device = DeviceOf(object >> 4);
    int space = static_cast<int>(object & 0xF) - 1;
    if (device == nullptr || space > 5) {
        return PAL_ERR_NO_DEVICE;
    }
    if (!device->simulated() || space == PAL_SPACE_CONFIG) {
        return PAL_ERR_DENIED;
    }
    if (offset % static_cast<uint64_t>(width) != 0 || offset > 0xFFFFFFFFu) {
        return PAL_ERR_ARGUMENT;
    }
    return device->bars[static_cast<size_t>(space)].Write(static_cast<uint32_t>(offset), width, value)
               ? 0
               : PAL_ERR_RANGE;
}

} // namespace

PAL_EXPORT int32_t palEnumerateDevices(PalDeviceAddress* out, uint32_t max, uint32_t* count) {
    std::lock_guard lock(State().mutex);
    const std::vector<PciDevice>& devices = Devices();
    for (size_t i = 0; i < devices.size() && i < max && out != nullptr; ++i) {
        out[i] = {static_cast<uint16_t>(devices[i].bus), static_cast<uint16_t>(devices[i].device),
                  static_cast<uint16_t>(devices[i].function)};
    }
    *count = static_cast<uint32_t>(devices.size());
    return 0;
}

PAL_EXPORT int32_t palGetDeviceHandle(uint16_t bus, uint16_t device, uint16_t function, PalHandle* handle) {
    std::lock_guard lock(State().mutex);
    const std::vector<PciDevice>& devices = Devices();
    for (size_t i = 0; i < devices.size(); ++i) {
        if (devices[i].bus == bus && devices[i].device == device && devices[i].function == function) {
            *handle = static_cast<PalHandle>(i + 1);
            return 0;
        }
    }
    return PAL_ERR_NO_DEVICE;
}

PAL_EXPORT int32_t palCreateBusObject(PalHandle device, PalHandle* busObject) {
    std::lock_guard lock(State().mutex);
    if (DeviceOf(device) == nullptr) {
        return PAL_ERR_NO_DEVICE;
    }
    *busObject = device;
    return 0;
}

PAL_EXPORT int32_t palDestroyBusObject(PalHandle) {
    return 0;
}

PAL_EXPORT int32_t palCreateAddressSpace(PalHandle busObject, int32_t space, PalHandle* object,
                                         uint64_t* size) {
    std::lock_guard lock(State().mutex);
    PciDevice* device = DeviceOf(busObject);
    if (device == nullptr) {
        return PAL_ERR_NO_DEVICE;
    }
    if (space < PAL_SPACE_CONFIG || space > 5) {
        return PAL_ERR_ARGUMENT;
    }
    if (space != PAL_SPACE_CONFIG &&
        (!device->simulated() || device->bars[static_cast<size_t>(space)].size() == 0)) {
        return PAL_ERR_DENIED;
    }
    *object = AddressObject(busObject, space);
    if (size) {
        *size = space == PAL_SPACE_CONFIG ? kConfigSize : device->bars[static_cast<size_t>(space)].size();
    }
    return 0;
}

PAL_EXPORT int32_t palDestroyAddressSpace(PalHandle) {
    return 0;
}

PAL_EXPORT int32_t palRead8(PalHandle object, uint64_t offset, uint8_t* value) {
    uint32_t v = 0;
    int32_t result = Read(object, offset, 1, v);
    *value = static_cast<uint8_t>(v);
    return result;
}

PAL_EXPORT int32_t palRead16(PalHandle object, uint64_t offset, uint16_t* value) {
    uint32_t v = 0;
    int32_t result = Read(object, offset, 2, v);
    *value = static_cast<uint16_t>(v);
    return result;
}

PAL_EXPORT int32_t palRead32(PalHandle object, uint64_t offset, uint32_t* value) {
    return Read(object, offset, 4, *value);
}

PAL_EXPORT int32_t palWrite8(PalHandle object, uint64_t offset, uint8_t value) {
    return Write(object, offset, 1, value);
}

PAL_EXPORT int32_t palWrite16(PalHandle object, uint64_t offset, uint16_t value) {
    return Write(object, offset, 2, value);
}

PAL_EXPORT int32_t palWrite32(PalHandle object, uint64_t offset, uint32_t value) {
    return Write(object, offset, 4, value);
}
