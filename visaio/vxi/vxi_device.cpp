#include "vxi_device.h"

namespace corvid::visaio {

std::vector<RegisterWindow> MemoryAccessWindows() {
    return {{VI_A16_SPACE, 0, 0x10000}, {VI_A24_SPACE, 0, 0x1000000}, {VI_A32_SPACE, 0, 0x100000000ull}};
}

std::vector<RegisterWindow> DeviceWindows(const VxiDeviceInfo& info) {
    std::vector<RegisterWindow> windows{{VI_A16_SPACE, 0xC000u + 64u * static_cast<ViUInt32>(info.la), 64}};
    if (info.a24Size != 0) {
        windows.push_back({VI_A24_SPACE, info.a24Base, info.a24Size});
    }
    if (info.a32Size != 0) {
        windows.push_back({VI_A32_SPACE, info.a32Base, info.a32Size});
    }
    return windows;
}

FixedAttributes DeviceAttributes(const VxiDeviceInfo& info) {
    auto memorySpace = info.a32Size ? VI_A32_SPACE : info.a24Size ? VI_A24_SPACE : VI_A16_SPACE;
    ViAttrState memoryBase = info.a32Size ? info.a32Base : info.a24Base;
    ViAttrState memorySize = info.a32Size ? info.a32Size : info.a24Size;
    FixedAttributes attributes;
    attributes.numbers = {
        {VI_ATTR_VXI_LA, static_cast<ViAttrState>(info.la)},
        {VI_ATTR_MANF_ID, info.manufacturerId},
        {VI_ATTR_MODEL_CODE, info.modelCode},
        {VI_ATTR_SLOT, static_cast<ViAttrState>(static_cast<ViInt64>(info.slot))},
        {VI_ATTR_CMDR_LA, static_cast<ViAttrState>(static_cast<ViInt64>(info.commanderLa))},
        {VI_ATTR_MAINFRAME_LA, 0},
        {VI_ATTR_VXI_DEV_CLASS, info.deviceClass},
        {VI_ATTR_MEM_SPACE, static_cast<ViAttrState>(memorySpace)},
        {VI_ATTR_MEM_BASE_32, memoryBase},
        {VI_ATTR_MEM_BASE_64, memoryBase},
        {VI_ATTR_MEM_SIZE_32, memorySize},
        {VI_ATTR_MEM_SIZE_64, memorySize},
        {VI_ATTR_IMMEDIATE_SERV, VI_FALSE},
    };
    attributes.texts = {{VI_ATTR_MANF_NAME, info.manufacturerName},
                        {VI_ATTR_MODEL_NAME, info.modelName[0] ? info.modelName : info.name}};
    return attributes;
}

} // namespace corvid::visaio
