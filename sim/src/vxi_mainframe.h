// A running VXI mainframe of the bench: the controller and the modules at their logical
// addresses, each with its configuration registers in A16 (0xC000 + 64 x LA) and its
// memory in A24. Message-based modules talk through their instrument of the bus.
// Not thread-safe by itself: the libraries serialise every call.
#pragma once

#include "bus.h"
#include "register_file.h"
#include "vxibus/vxibus.h"

#include <string>
#include <vector>

namespace corvid::sim {

struct VxiDevice {
    VxiDeviceInfo info{};
    Instrument* instrument = nullptr; // message-based modules
    RegisterFile config;              // the 64-byte configuration window
    RegisterFile memory;              // the A24 window
};

class VxiMainframe {
public:
    VxiMainframe(Bus& bus, const MainframeSpec& frame);

    const MainframeSpec& spec() const { return spec_; }
    VxiDevice* Find(int la);
    const std::vector<VxiDevice>& devices() const { return devices_; }

    // A bus access; false is a bus error (nobody answers at the address).
    bool Read(int space, uint32_t address, int width, uint32_t& value);
    bool Write(int space, uint32_t address, int width, uint32_t value);

private:
    VxiDevice& Add(const VxiDeviceInfo& info, uint32_t memorySize);
    RegisterFile* Window(int space, uint32_t address, uint32_t& offset);

    MainframeSpec spec_;
    std::vector<VxiDevice> devices_;
};

// The A16 address of a logical address's configuration registers.
inline uint32_t ConfigBase(int la) {
    return 0xC000u + 64u * static_cast<uint32_t>(la);
}

} // namespace corvid::sim
