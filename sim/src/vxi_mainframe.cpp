#include "vxi_mainframe.h"

#include <bit>
#include <cstdio>

namespace corvid::sim {

namespace {

constexpr uint32_t kA24Start = 0x200000;
constexpr uint16_t kControllerManufacturer = 0xF5B;
constexpr uint16_t kControllerModel = 0x001;

// Status register: bit 15 A24/A32 enabled, bit 14 MODID not asserted, bit 3 ready, bit 2 passed.
uint16_t StatusRegister(bool memory) {
    return static_cast<uint16_t>((memory ? 0x8000 : 0) | 0x4000 | 0x0008 | 0x0004);
}

// Device type register: the required memory code in bits 15-12 (the A24 window is
// 256 x 2^code bytes), the model code in bits 11-0.
uint16_t DeviceTypeRegister(uint32_t memorySize, uint16_t model) {
    unsigned code = memorySize ? static_cast<unsigned>(std::countr_zero(memorySize)) - 8u : 0u;
    return static_cast<uint16_t>((code & 0xF) << 12 | (model & 0xFFF));
}

void Copy(char (&to)[64], const std::string& text) {
    std::snprintf(to, sizeof to, "%s", text.c_str());
}

} // namespace

VxiMainframe::VxiMainframe(Bus& bus, const MainframeSpec& frame) : spec_(frame) {
    VxiDeviceInfo controller{};
    controller.la = static_cast<int16_t>(frame.controllerLa);
    controller.manufacturerId = kControllerManufacturer;
    controller.modelCode = kControllerModel;
    controller.deviceClass = VXI_CLASS_MESSAGE;
    controller.slot = 0;
    Copy(controller.name, frame.controllerName);
    Copy(controller.modelName, frame.controllerName);
    Add(controller, 0);
    const BenchSpec& bench = bus.spec();
    for (const ModuleSpec& module : bench.modules) {
        if (module.kind != ModuleSpec::Kind::Vxi || module.chassis != frame.chassis) {
            continue;
        }
        VxiDeviceInfo info{};
        info.la = static_cast<int16_t>(module.la);
        info.manufacturerId = module.manufacturer;
        info.modelCode = module.model;
        info.deviceClass = static_cast<uint16_t>(module.deviceClass);
        info.slot = static_cast<int16_t>(module.slot);
        info.secondary = static_cast<int16_t>(module.secondary);
        Copy(info.name, module.name);
        VxiDevice& device = Add(info, module.memorySize);
        if (module.instrument >= 0) {
            device.instrument = &bus.instrument(module.instrument);
            const std::string& identity = bench.instruments[static_cast<size_t>(module.instrument)].identity;
            Copy(device.info.manufacturerName, identity.substr(0, identity.find(',')));
        }
        for (const RegisterInit& reg : module.registers) {
            RegisterFile& file = reg.space == ModuleSpace::A16 ? device.config : device.memory;
            file.Set(reg.offset, reg.width, reg.value, reg.readOnly);
        }
    }
}

VxiDevice& VxiMainframe::Add(const VxiDeviceInfo& info, uint32_t memorySize) {
    VxiDevice device;
    device.info = info;
    device.info.commanderLa = info.la == spec_.controllerLa ? -1 : static_cast<int16_t>(spec_.controllerLa);
    device.info.mainframe = static_cast<int16_t>(spec_.chassis);
    if (info.la == spec_.controllerLa) {
        device.info.secondary = -1;
    }
    if (memorySize != 0) {
        uint32_t next = kA24Start;
        for (const VxiDevice& other : devices_) {
            next = std::max(next, other.info.a24Base + other.info.a24Size);
        }
        next = (next + memorySize - 1) & ~(memorySize - 1);
        device.info.a24Base = next;
        device.info.a24Size = memorySize;
        device.memory = RegisterFile(memorySize, RegisterFile::Order::BigEndian);
    }
    device.config = RegisterFile(64, RegisterFile::Order::BigEndian);
    const bool a24 = memorySize != 0;
    const uint16_t id = static_cast<uint16_t>((info.deviceClass & 3) << 14 | (a24 ? 0 : 3) << 12 |
                                              (info.manufacturerId & 0xFFF));
    device.config.Set(0x00, 2, id, true);
    device.config.Set(0x02, 2, DeviceTypeRegister(memorySize, info.modelCode), true);
    device.config.Set(0x04, 2, StatusRegister(a24), true);
    device.config.Set(0x06, 2, device.info.a24Base >> 8, true);
    devices_.push_back(std::move(device));
    return devices_.back();
}

VxiDevice* VxiMainframe::Find(int la) {
    for (VxiDevice& device : devices_) {
        if (device.info.la == la) {
            return &device;
        }
    }
    return nullptr;
}

RegisterFile* VxiMainframe::Window(int space, uint32_t address, uint32_t& offset) {
    for (VxiDevice& device : devices_) {
        if (space == VXI_SPACE_A16) {
            uint32_t base = ConfigBase(device.info.la);
            if (address >= base && address < base + 64) {
                offset = address - base;
                return &device.config;
            }
        } else if (space == VXI_SPACE_A24 && device.info.a24Size != 0 && address >= device.info.a24Base &&
                   address - device.info.a24Base < device.info.a24Size) {
            offset = address - device.info.a24Base;
            return &device.memory;
        }
    }
    return nullptr;
}

bool VxiMainframe::Read(int space, uint32_t address, int width, uint32_t& value) {
    uint32_t offset = 0;
    RegisterFile* file = Window(space, address, offset);
    return file != nullptr && file->Read(offset, width, value);
}

bool VxiMainframe::Write(int space, uint32_t address, int width, uint32_t value) {
    uint32_t offset = 0;
    RegisterFile* file = Window(space, address, offset);
    return file != nullptr && file->Write(offset, width, value);
}

} // namespace corvid::sim
