// What VXI and GPIB-VXI sessions share: the windows and identity attributes of a device
// as its library describes it, and the memory access windows.
#pragma once

#include "../registers/register_session.h"
#include "vxibus/vxibus.h"

#include <memory>

namespace corvid::visaio {

// A16 0 to 0xFFFF, A24 and A32 of the whole bus.
std::vector<RegisterWindow> MemoryAccessWindows();
// The device's configuration registers in A16 and its A24/A32 windows.
std::vector<RegisterWindow> DeviceWindows(const VxiDeviceInfo& info);
// The identity and address attributes of a device's session.
FixedAttributes DeviceAttributes(const VxiDeviceInfo& info);
// The bit map (bit n % 8 of byte n / 8) has bit n set.
inline bool PresentIn(const uint8_t* bitmap, int n) {
    return (bitmap[n / 8] >> (n % 8)) & 1;
}

} // namespace corvid::visaio
