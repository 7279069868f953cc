// viFindRsrc_PXI and viOpen_PXI: PCI devices through the PCI access library. A session
// reaches the device's configuration space and the spaces of its base address registers.
#include "../component.h"
#include "../export.h"
#include "../find_frame.h"
#include "../registers/register_session.h"
#include "pal_library.h"

#include <cstdio>
#include <map>
#include <string>

namespace corvid::visaio {
namespace {

constexpr uint32_t kVendorOffset = 0x00;
constexpr uint32_t kDeviceOffset = 0x02;
constexpr uint32_t kHeaderTypeOffset = 0x0E;
constexpr uint32_t kFirstBarOffset = 0x10;

// The address objects of a device: the space of each VISA address space.
class PciBus : public RegisterBus {
public:
    explicit PciBus(PalHandle busObject) : busObject_(busObject) {}
    ~PciBus() override {
        PalLibrary& pal = PalLibrary::Instance();
        for (const auto& [space, object] : objects_) {
            pal.DestroyAddressSpace(object);
        }
        pal.DestroyBusObject(busObject_);
    }
    void Add(ViUInt16 space, PalHandle object) { objects_[space] = object; }

    ViStatus Read(ViUInt16 space, ViBusAddress64 address, ViUInt16 width, ViUInt64& value) override {
        uint32_t read = 0;
        ViStatus status = PalStatus(PalLibrary::Instance().Read(objects_.at(space), address, width, read));
        value = read;
        return status;
    }
    ViStatus Write(ViUInt16 space, ViBusAddress64 address, ViUInt16 width, ViUInt64 value) override {
        return PalStatus(
            PalLibrary::Instance().Write(objects_.at(space), address, width, static_cast<uint32_t>(value)));
    }

private:
    PalHandle busObject_;
    std::map<ViUInt16, PalHandle> objects_;
};

std::vector<std::string> Candidates() {
    std::vector<std::string> names;
    if (PalLibrary::Instance().Load() < VI_SUCCESS) {
        return names;
    }
    Services().announceInterface("PXI");
    for (const PalDeviceAddress& d : PalLibrary::Instance().Devices()) {
        char name[VI_FIND_BUFLEN];
        std::snprintf(name, sizeof name, "PXI%hu::%hu::%hu::INSTR", d.bus, d.device, d.function);
        names.emplace_back(name);
    }
    Services().announceInterface("");
    return names;
}

uint32_t ReadConfig(PalHandle config, uint32_t offset, uint16_t width) {
    uint32_t value = 0;
    return PalLibrary::Instance().Read(config, offset, width, value) == 0 ? value : 0;
}

// Examines the base address registers: each one in use gets an address object of its
// kind, a window and its attributes.
void AddBars(PalHandle busObject, PalHandle config, PciBus& bus, FixedAttributes& attributes,
             std::vector<RegisterWindow>& windows) {
    PalLibrary& pal = PalLibrary::Instance();
    const bool bridge = (ReadConfig(config, kHeaderTypeOffset, 1) & 0x7F) == 1;
    const int count = bridge ? 2 : 6;
    for (int i = 0; i < count; ++i) {
        uint32_t value = ReadConfig(config, kFirstBarOffset + 4 * static_cast<uint32_t>(i), 4);
        const bool io = (value & 1) != 0;
        const bool wide = !io && ((value >> 1) & 3) == 2; // a 64-bit register takes the next one too
        PalHandle object = 0;
        uint64_t size = 0;
        auto space = static_cast<ViUInt16>(VI_PXI_BAR0_SPACE + i);
        if (value != 0 && pal.CreateAddressSpace(busObject, i, object, size) == 0) {
            bus.Add(space, object);
            windows.push_back({space, 0, size});
            ViAttrState base = value & (io ? ~0x3u : ~0xFu);
            auto index = static_cast<ViAttr>(i);
            attributes.numbers.push_back(
                {VI_ATTR_PXI_MEM_TYPE_BAR0 + index, io ? VI_PXI_ADDR_IO : VI_PXI_ADDR_MEM});
            attributes.numbers.push_back({VI_ATTR_PXI_MEM_BASE_BAR0_32 + index, base});
            attributes.numbers.push_back({VI_ATTR_PXI_MEM_BASE_BAR0_64 + index, base});
            attributes.numbers.push_back({VI_ATTR_PXI_MEM_SIZE_BAR0_32 + index, size});
            attributes.numbers.push_back({VI_ATTR_PXI_MEM_SIZE_BAR0_64 + index, size});
        } else {
            attributes.numbers.push_back(
                {VI_ATTR_PXI_MEM_TYPE_BAR0 + static_cast<ViAttr>(i), VI_PXI_ADDR_NONE});
        }
        if (wide) {
            ++i;
        }
    }
}

} // namespace
} // namespace corvid::visaio

using namespace corvid::visaio;

static ViStatus FindPxi(const SbvisaFindContext* context, SbvisaFindList* list) {
    return FindFrame(context, list, Candidates);
}

static ViStatus OpenPxi(SbvisaSession* session) {
    if (!session || session->interfaceType != VI_INTF_PXI) {
        return VI_ERROR_RSRC_NFOUND;
    }
    PalLibrary& pal = PalLibrary::Instance();
    ViStatus loaded = pal.Load();
    if (loaded < VI_SUCCESS) {
        return loaded;
    }
    PalHandle device = 0;
    PalHandle busObject = 0;
    if (pal.DeviceHandle(session->interfaceNumber, session->primaryAddress, session->secondaryAddress,
                         device) != 0) {
        return VI_ERROR_RSRC_NFOUND;
    }
    if (pal.CreateBusObject(device, busObject) != 0) {
        return VI_ERROR_SYSTEM_ERROR;
    }
    auto bus = std::make_unique<PciBus>(busObject);
    PalHandle config = 0;
    uint64_t configSize = 0;
    if (pal.CreateAddressSpace(busObject, PAL_SPACE_CONFIG, config, configSize) != 0) {
        return VI_ERROR_SYSTEM_ERROR; // the bus object goes with bus
    }
    bus->Add(VI_PXI_CFG_SPACE, config);
    std::vector<RegisterWindow> windows{{VI_PXI_CFG_SPACE, 0, configSize}};
    FixedAttributes attributes;
    attributes.numbers = {
        {VI_ATTR_PXI_BUS_NUM, session->interfaceNumber},
        {VI_ATTR_PXI_DEV_NUM, session->primaryAddress},
        {VI_ATTR_PXI_FUNC_NUM, session->secondaryAddress},
        {VI_ATTR_MANF_ID, ReadConfig(config, kVendorOffset, 2)},
        {VI_ATTR_MODEL_CODE, ReadConfig(config, kDeviceOffset, 2)},
        {VI_ATTR_PXI_CHASSIS, static_cast<ViAttrState>(static_cast<ViInt64>(-1))},
        {VI_ATTR_SLOT, static_cast<ViAttrState>(static_cast<ViInt64>(-1))},
    };
    AddBars(busObject, config, *bus, attributes, windows);
    auto s = std::make_unique<RegisterSession>(std::move(bus), std::move(windows));
    s->registers->SetByteOrder(VI_LITTLE_ENDIAN);
    s->fixed = std::move(attributes);
    std::snprintf(session->description, sizeof session->description,
                  "PXI%hd  (PCI Extensions for Instrumentation)",
                  static_cast<short>(session->interfaceNumber));
    std::snprintf(session->manufacturer, sizeof session->manufacturer, "Sorbel");
    InstallRegisterSession(*session, std::move(s));
    return VI_SUCCESS;
}

SBVIIO_EXPORT ViStatus viFindRsrc_PXI(const SbvisaFindContext* context, SbvisaFindList* list) {
    return Guarded([&] { return FindPxi(context, list); });
}

SBVIIO_EXPORT ViStatus viOpen_PXI(SbvisaSession* session) {
    return Guarded([&] { return OpenPxi(session); });
}
