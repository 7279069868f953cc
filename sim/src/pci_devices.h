// The PCI devices the PCI access library offers: the PXI modules of the bench, with their
// configuration space and base address registers, and the devices of the machine listed
// from sysfs, whose configuration space is read from its file and never written, and whose
// base address registers are never touched.
#pragma once

#include "bench_spec.h"
#include "register_file.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace corvid::sim {

struct PciDevice {
    int bus = 0;
    int device = 0;
    int function = 0;
    std::string sysfsPath;            // a device of the machine: its sysfs folder
    RegisterFile config;              // a simulated module's configuration space
    std::array<RegisterFile, 6> bars; // and its base address registers
    bool simulated() const { return sysfsPath.empty(); }
};

// Reads (width 1, 2 or 4, little-endian) the configuration space of a device of the
// machine; nullopt when the file does not hold those bytes.
std::optional<uint32_t> ReadSysfsConfig(const std::string& folder, uint32_t offset, int width);

// The bench's PXI modules first, then the devices under sysfsRoot (folders named
// "DOMAIN:BUS:DEVICE.FUNCTION" of domain 0) at addresses no module takes; ordered by address.
std::vector<PciDevice> CollectPciDevices(const BenchSpec* bench, const std::string& sysfsRoot);

} // namespace corvid::sim
