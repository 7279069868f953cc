// viFindRsrc_GPVX, viOpen_GPVX and viOpen_GPVX_MEMACC: VXI modules behind GPIB-VXI
// controllers. Message-based modules are GPIB devices at a secondary address of the
// controller (96 + the module's value); registers go through the controller's module.
#include "../component.h"
#include "../export.h"
#include "../find_frame.h"
#include "../gpib/gpib_session.h"
#include "../vxi/vxi_device.h"
#include "../vxi/vxi_library.h"
#include "gpibvxi_controllers.h"

#include <cstdio>
#include <string>

namespace corvid::visaio {

class ModuleBus : public RegisterBus {
public:
    explicit ModuleBus(const ControllerModule& module) : module_(module) {}
    ViStatus Read(ViUInt16 space, ViBusAddress64 address, ViUInt16 width, ViUInt64& value) override {
        uint32_t read = 0;
        int32_t result =
            module_.peek ? module_.peek(module_.handle, space, static_cast<uint32_t>(address), width, &read)
                         : VXI_FAILURE;
        value = read;
        return Status(result);
    }
    ViStatus Write(ViUInt16 space, ViBusAddress64 address, ViUInt16 width, ViUInt64 value) override {
        return Status(module_.poke ? module_.poke(module_.handle, space, static_cast<uint32_t>(address),
                                                  width, static_cast<uint32_t>(value))
                                   : VXI_FAILURE);
    }

private:
    static ViStatus Status(int32_t result) {
        return result == VXI_ERR_NO_DEVICE ? VI_ERROR_IO : VxiStatus(result);
    }
    const ControllerModule& module_;
};

// The register side of a message-based module's GPIB session.
struct GpibVxiLink {
    GpibVxiLink(const ControllerModule& module, const VxiDeviceInfo& info)
        : bus(module), registers(bus, DeviceWindows(info)), attributes(DeviceAttributes(info)) {}
    ModuleBus bus;
    RegisterAccess registers;
    FixedAttributes attributes;
};

namespace {

constexpr int kLogicalAddresses = 256;

RegisterAccess* LinkedRegisters(SbvisaSession* record) {
    GpibSession* s = GpibDataOf(record);
    return s && s->vxi ? &s->vxi->registers : nullptr;
}

// GPIB operations, register access through the module, and the module's attributes.
ViStatus GetAttribute(SbvisaSession* record, ViAttr attribute, ViAttrState* value, ViChar text[256]) {
    GpibSession* s = GpibDataOf(record);
    if (s && s->vxi) {
        if (auto number = s->vxi->registers.Attribute(attribute)) {
            *value = *number;
            return VI_SUCCESS;
        }
        if (s->vxi->attributes.Get(attribute, value, text) == VI_SUCCESS) {
            return VI_SUCCESS;
        }
    }
    return GpibGetAttribute(record, attribute, value, text);
}

ViStatus SetAttribute(SbvisaSession* record, ViAttr attribute, ViAttrState value) {
    GpibSession* s = GpibDataOf(record);
    if (s && s->vxi) {
        if (auto handled = s->vxi->registers.SetAttribute(attribute, value)) {
            return *handled;
        }
    }
    return GpibSetAttribute(record, attribute, value);
}

SbvisaOperations MessageTable() {
    SbvisaOperations table = GpibOperations();
    table.getAttribute = GetAttribute;
    table.setAttribute = SetAttribute;
    RegisterOperations<LinkedRegisters>::Fill(table);
    return table;
}

const SbvisaOperations kMessageBased = MessageTable();

std::vector<std::string> Candidates() {
    std::vector<std::string> names;
    for (int index = 0; index < GpibVxiControllers::kCount; ++index) {
        const GpibVxiController* c = GpibVxiControllers::Instance().Ready(index);
        if (!c) {
            continue;
        }
        std::string interface = "GPIB-VXI" + std::to_string(index);
        Services().announceInterface(interface.c_str());
        uint8_t bitmap[kLogicalAddresses / 8] = {};
        if (c->module->getDevs(c->module->handle, bitmap) >= 0) {
            for (int la = 0; la < kLogicalAddresses; ++la) {
                if (PresentIn(bitmap, la)) {
                    names.push_back(interface + "::" + std::to_string(la) + "::INSTR");
                }
            }
        }
        names.push_back(interface + "::MEMACC");
        Services().announceInterface("");
    }
    return names;
}

void Describe(SbvisaSession& session, const GpibVxiController& c) {
    std::snprintf(session.description, sizeof session.description, "GPIB-VXI%hd  (%s)",
                  static_cast<short>(session.interfaceNumber),
                  GpibVxiControllers::Instance().TypeOf(c).name.c_str());
    std::snprintf(session.manufacturer, sizeof session.manufacturer, "Sorbel (using module %s)",
                  c.module->prefix.c_str());
}

} // namespace
} // namespace corvid::visaio

using namespace corvid::visaio;

static ViStatus FindGpibVxi(const SbvisaFindContext* context, SbvisaFindList* list) {
    return FindFrame(context, list, Candidates);
}

static ViStatus OpenGpibVxi(SbvisaSession* session) {
    if (!session || session->interfaceType != VI_INTF_GPIB_VXI) {
        return VI_ERROR_RSRC_NFOUND;
    }
    const GpibVxiController* c = GpibVxiControllers::Instance().Ready(session->interfaceNumber);
    VxiDeviceInfo info{};
    if (!c ||
        c->module->getDevInfo(c->module->handle, static_cast<int16_t>(session->primaryAddress), &info) < 0) {
        return VI_ERROR_RSRC_NFOUND;
    }
    if (info.secondary >= 0) {
        auto link = std::make_shared<GpibVxiLink>(*c->module, info);
        ViStatus status =
            GpibOpenAt(*session, c->board, c->primary, info.secondary, kMessageBased, std::move(link));
        if (status >= VI_SUCCESS) {
            Describe(*session, *c);
        }
        return status;
    }
    auto s = std::make_unique<RegisterSession>(std::make_unique<ModuleBus>(*c->module), DeviceWindows(info));
    s->fixed = DeviceAttributes(info);
    Describe(*session, *c);
    InstallRegisterSession(*session, std::move(s));
    return VI_SUCCESS;
}

static ViStatus OpenGpibVxiMemory(SbvisaSession* session) {
    if (!session || session->interfaceType != VI_INTF_GPIB_VXI) {
        return VI_ERROR_RSRC_NFOUND;
    }
    const GpibVxiController* c = GpibVxiControllers::Instance().Ready(session->interfaceNumber);
    if (!c) {
        return VI_ERROR_RSRC_NFOUND;
    }
    auto s =
        std::make_unique<RegisterSession>(std::make_unique<ModuleBus>(*c->module), MemoryAccessWindows());
    Describe(*session, *c);
    InstallRegisterSession(*session, std::move(s));
    return VI_SUCCESS;
}

SBVIIO_EXPORT ViStatus viFindRsrc_GPVX(const SbvisaFindContext* context, SbvisaFindList* list) {
    return Guarded([&] { return FindGpibVxi(context, list); });
}

SBVIIO_EXPORT ViStatus viOpen_GPVX(SbvisaSession* session) {
    return Guarded([&] { return OpenGpibVxi(session); });
}

SBVIIO_EXPORT ViStatus viOpen_GPVX_MEMACC(SbvisaSession* session) {
    return Guarded([&] { return OpenGpibVxiMemory(session); });
}
