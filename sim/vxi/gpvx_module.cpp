// sbgpvx32.so: the controller module of the simulated GPIB-VXI controller. A handle stands
// for the mainframe behind the controller at a GPIB board and primary address; the module
// reads the device information and the registers of its modules. Message-based modules
// are reached through GPIB at secondary addresses of the controller, not through here.
#include "bench_instance.h"
#include "vxi_mainframe.h"
#include "vxibus/vxibus.h"

#include <cstring>
#include <list>
#include <mutex>

#define GPVX_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

using corvid::sim::VxiDevice;
using corvid::sim::VxiMainframe;

struct Module {
    std::mutex mutex;
    std::list<VxiMainframe> mainframes; // one per opened controller, never moved
};

Module& State() {
    static Module module;
    return module;
}

VxiMainframe* Frame(void* handle) {
    return static_cast<VxiMainframe*>(handle);
}

} // namespace

GPVX_EXPORT int32_t sbgpvx_revision(void) {
    return 0x0100;
}

GPVX_EXPORT int32_t sbgpvx_open(int16_t board, int16_t primary, void** handle) {
    std::lock_guard lock(State().mutex);
    corvid::sim::Bus* bus = corvid::sim::SharedBench("sbgpvx32");
    if (bus == nullptr) {
        return VXI_ERR_NOT_STARTED;
    }
    for (VxiMainframe& frame : State().mainframes) {
        if (frame.spec().gpibBoard == board && frame.spec().gpibPad == primary) {
            *handle = &frame;
            return 0;
        }
    }
    for (const corvid::sim::MainframeSpec& spec : bus->spec().mainframes) {
        if (spec.gpibBoard == board && spec.gpibPad == primary) {
            *handle = &State().mainframes.emplace_back(*bus, spec);
            return 0;
        }
    }
    return VXI_ERR_NO_DEVICE;
}

GPVX_EXPORT int32_t sbgpvx_close(void*) {
    return 0;
}

GPVX_EXPORT int32_t sbgpvx_getDevs(void* handle, uint8_t bitmap[32]) {
    std::lock_guard lock(State().mutex);
    std::memset(bitmap, 0, 32);
    for (const VxiDevice& device : Frame(handle)->devices()) {
        bitmap[device.info.la / 8] =
            static_cast<uint8_t>(bitmap[device.info.la / 8] | 1u << (device.info.la % 8));
    }
    return 0;
}

GPVX_EXPORT int32_t sbgpvx_getDevInfo(void* handle, int16_t la, VxiDeviceInfo* info) {
    std::lock_guard lock(State().mutex);
    VxiDevice* device = Frame(handle)->Find(la);
    if (device == nullptr) {
        return VXI_ERR_NO_DEVICE;
    }
    *info = device->info;
    return 0;
}

GPVX_EXPORT int32_t sbgpvx_peek(void* handle, uint16_t space, uint32_t address, uint16_t width,
                                uint32_t* value) {
    if ((space != VXI_SPACE_A16 && space != VXI_SPACE_A24) || (width != 1 && width != 2 && width != 4)) {
        return VXI_ERR_ARGUMENT;
    }
    std::lock_guard lock(State().mutex);
    return Frame(handle)->Read(space, address, width, *value) ? 0 : VXI_ERR_BUS;
}

GPVX_EXPORT int32_t sbgpvx_poke(void* handle, uint16_t space, uint32_t address, uint16_t width,
                                uint32_t value) {
    if ((space != VXI_SPACE_A16 && space != VXI_SPACE_A24) || (width != 1 && width != 2 && width != 4)) {
        return VXI_ERR_ARGUMENT;
    }
    std::lock_guard lock(State().mutex);
    return Frame(handle)->Write(space, address, width, value) ? 0 : VXI_ERR_BUS;
}
