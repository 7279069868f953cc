#include "pci_devices.h"

#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <tuple>
#include <unistd.h>

namespace corvid::sim {

namespace {

constexpr uint32_t kMemoryStart = 0xF0000000;
constexpr uint32_t kIoStart = 0xD000;

uint32_t Align(uint32_t value, uint32_t size) {
    return (value + size - 1) & ~(size - 1);
}

PciDevice SimulatedDevice(const ModuleSpec& module, uint32_t& nextMemory, uint32_t& nextIo) {
    PciDevice device;
    device.bus = module.pciBus;
    device.device = module.pciDevice;
    device.function = module.pciFunction;
    RegisterFile& config = device.config = RegisterFile(256, RegisterFile::Order::LittleEndian);
    bool anyIo = false;
    for (size_t i = 0; i < module.bars.size(); ++i) {
        const BarSpec& bar = module.bars[i];
        if (bar.size == 0) {
            continue;
        }
        uint32_t& next = bar.io ? nextIo : nextMemory;
        uint32_t base = Align(next, bar.size);
        next = base + bar.size;
        anyIo = anyIo || bar.io;
        config.Set(0x10 + 4 * static_cast<uint32_t>(i), 4, base | (bar.io ? 1u : 0u), true);
        device.bars[i] = RegisterFile(bar.size, RegisterFile::Order::LittleEndian);
    }
    config.Set(0x00, 2, module.vendor, true);
    config.Set(0x02, 2, module.device, true);
    config.Set(0x04, 2, anyIo ? 0x0007 : 0x0006, true); // memory (and I/O) decoding, bus master
    config.Set(0x08, 4, 0x11800001, true);              // data acquisition controller, revision 1
    config.Set(0x0E, 1, 0x00, true);                    // normal header
    config.Set(0x2C, 2, module.vendor, true);
    config.Set(0x2E, 2, module.device, true);
    for (const RegisterInit& reg : module.registers) {
        auto bar = static_cast<size_t>(reg.space) - static_cast<size_t>(ModuleSpace::Bar0);
        device.bars[bar].Set(reg.offset, reg.width, reg.value, reg.readOnly);
    }
    return device;
}

std::optional<PciDevice> MachineDevice(const std::filesystem::path& folder) {
    unsigned domain = 0, bus = 0, dev = 0, function = 0;
    char tail = 0;
    std::string name = folder.filename().string();
    if (std::sscanf(name.c_str(), "%x:%x:%x.%x%c", &domain, &bus, &dev, &function, &tail) != 4 ||
        domain != 0 || bus > 255 || dev > 31 || function > 7) {
        return std::nullopt;
    }
    PciDevice device;
    device.bus = static_cast<int>(bus);
    device.device = static_cast<int>(dev);
    device.function = static_cast<int>(function);
    device.sysfsPath = folder.string();
    return device;
}

} // namespace

std::optional<uint32_t> ReadSysfsConfig(const std::string& folder, uint32_t offset, int width) {
    int fd = ::open((folder + "/config").c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return std::nullopt;
    }
    unsigned char bytes[4] = {};
    ssize_t got = ::pread(fd, bytes, static_cast<size_t>(width), offset);
    ::close(fd);
    if (got != width) {
        return std::nullopt;
    }
    uint32_t value = 0;
    for (int i = 0; i < width; ++i) {
        value |= static_cast<uint32_t>(bytes[i]) << (8 * i);
    }
    return value;
}

std::vector<PciDevice> CollectPciDevices(const BenchSpec* bench, const std::string& sysfsRoot) {
    std::vector<PciDevice> devices;
    uint32_t nextMemory = kMemoryStart;
    uint32_t nextIo = kIoStart;
    if (bench != nullptr) {
        for (const ModuleSpec& module : bench->modules) {
            if (module.kind == ModuleSpec::Kind::Pxi) {
                devices.push_back(SimulatedDevice(module, nextMemory, nextIo));
            }
        }
    }
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(sysfsRoot, error)) {
        std::optional<PciDevice> device = MachineDevice(entry.path());
        if (!device) {
            continue;
        }
        bool taken = std::any_of(devices.begin(), devices.end(), [&](const PciDevice& d) {
            return d.simulated() && d.bus == device->bus && d.device == device->device &&
                   d.function == device->function;
        });
        if (!taken) {
            devices.push_back(std::move(*device));
        }
    }
    std::sort(devices.begin(), devices.end(), [](const PciDevice& a, const PciDevice& b) {
        return std::tie(a.bus, a.device, a.function) < std::tie(b.bus, b.device, b.function);
    });
    return devices;
}

} // namespace corvid::sim
