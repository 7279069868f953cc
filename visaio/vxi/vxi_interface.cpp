// viFindRsrc_VXI, viOpen_VXI and viOpen_VXI_MEMACC: the mainframe of the embedded
// controller, through the VXI library.
#include "../component.h"
#include "../export.h"
#include "../find_frame.h"
#include "vxi_device.h"
#include "vxi_library.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace corvid::visaio {
namespace {

constexpr int kLogicalAddresses = 512;

class VxiBus : public RegisterBus {
public:
    ViStatus Read(ViUInt16 space, ViBusAddress64 address, ViUInt16 width, ViUInt64& value) override {
        uint32_t read = 0;
        ViStatus status =
            VxiStatus(VxiLibrary::Instance().In(space, static_cast<uint32_t>(address), width, read));
        value = read;
        return status;
    }
    ViStatus Write(ViUInt16 space, ViBusAddress64 address, ViUInt16 width, ViUInt64 value) override {
        return VxiStatus(VxiLibrary::Instance().Out(space, static_cast<uint32_t>(address), width,
                                                    static_cast<uint32_t>(value)));
    }
};

class WordSerial : public MessageChannel {
public:
    explicit WordSerial(int16_t la) : la_(la) {}
    ViStatus Read(ViBuf buffer, ViUInt32 count, ViUInt32 timeoutMs, ViUInt32& returned, bool& end) override {
        auto timeout = timeoutMs == VI_TMO_INFINITE
                           ? -1
                           : static_cast<int32_t>(std::min<ViUInt32>(timeoutMs, 0x7FFFFFFF));
        return VxiStatus(
            VxiLibrary::Instance().Read(la_, reinterpret_cast<char*>(buffer), count, timeout, end, returned));
    }
    ViStatus Write(ViConstBuf buffer, ViUInt32 count, bool end, ViUInt32& written) override {
        return VxiStatus(
            VxiLibrary::Instance().Write(la_, reinterpret_cast<const char*>(buffer), count, end, written));
    }
    ViStatus ReadSTB(ViUInt16& statusByte) override {
        return VxiStatus(VxiLibrary::Instance().ReadStatusByte(la_, statusByte));
    }
    ViStatus Clear() override { return VxiStatus(VxiLibrary::Instance().Clear(la_)); }
    ViStatus Trigger() override { return VxiStatus(VxiLibrary::Instance().Trigger(la_)); }
    void Abort() override { VxiLibrary::Instance().Abort(la_); }

private:
    int16_t la_;
};

std::vector<std::string> Candidates() {
    std::vector<std::string> names;
    if (VxiLibrary::Instance().Start() < VI_SUCCESS) {
        return names;
    }
    VxiLibrary& library = VxiLibrary::Instance();
    Services().announceInterface("VXI0");
    uint8_t bitmap[kLogicalAddresses / 8] = {};
    if (library.GetDevPresence(bitmap) < 0) {
        // No bit map: ask for every logical address instead.
        std::memset(bitmap, 0, sizeof bitmap);
        for (int la = 0; la < kLogicalAddresses; ++la) {
            VxiDeviceInfo info{};
            if (library.GetDevInfo(static_cast<int16_t>(la), info) >= 0) {
                bitmap[la / 8] = static_cast<uint8_t>(bitmap[la / 8] | 1u << (la % 8));
            }
        }
    }
    for (int la = 0; la < kLogicalAddresses; ++la) {
        if (PresentIn(bitmap, la)) {
            names.push_back("VXI0::" + std::to_string(la) + "::INSTR");
        }
    }
    names.push_back("VXI0::MEMACC");
    Services().announceInterface("");
    return names;
}

// Starts the library and fills the description shared by every VXI session.
ViStatus Begin(SbvisaSession& session, VxiGlobals& globals) {
    if (session.interfaceNumber != 0) {
        return VI_ERROR_RSRC_NFOUND; // only the embedded controller's own mainframe
    }
    ViStatus status = VxiLibrary::Instance().Start();
    if (status < VI_SUCCESS) {
        return status;
    }
    if (VxiLibrary::Instance().GetGlobals(globals) < 0) {
        return VI_ERROR_SYSTEM_ERROR;
    }
    std::snprintf(session.description, sizeof session.description, "VXI0  (%s)", globals.controllerName);
    std::snprintf(session.manufacturer, sizeof session.manufacturer, "Sorbel");
    return VI_SUCCESS;
}

} // namespace
} // namespace corvid::visaio

using namespace corvid::visaio;

static ViStatus FindVxi(const SbvisaFindContext* context, SbvisaFindList* list) {
    return FindFrame(context, list, Candidates);
}

static ViStatus OpenVxi(SbvisaSession* session) {
    if (!session || session->interfaceType != VI_INTF_VXI) {
        return VI_ERROR_RSRC_NFOUND;
    }
    VxiGlobals globals{};
    ViStatus status = Begin(*session, globals);
    if (status < VI_SUCCESS) {
        return status;
    }
    VxiDeviceInfo info{};
    auto la = static_cast<int16_t>(session->primaryAddress);
    if (VxiLibrary::Instance().GetDevInfo(la, info) < 0) {
        return VI_ERROR_RSRC_NFOUND;
    }
    auto s = std::make_unique<RegisterSession>(std::make_unique<VxiBus>(), DeviceWindows(info));
    s->fixed = DeviceAttributes(info);
    // The controller's own address is a servant session: no word-serial commander here.
    if (info.deviceClass == VXI_CLASS_MESSAGE && la != globals.controllerLa) {
        s->messages = std::make_unique<WordSerial>(la);
    }
    InstallRegisterSession(*session, std::move(s));
    return VI_SUCCESS;
}

static ViStatus OpenVxiMemory(SbvisaSession* session) {
    if (!session || session->interfaceType != VI_INTF_VXI) {
        return VI_ERROR_RSRC_NFOUND;
    }
    VxiGlobals globals{};
    ViStatus status = Begin(*session, globals);
    if (status < VI_SUCCESS) {
        return status;
    }
    auto s = std::make_unique<RegisterSession>(std::make_unique<VxiBus>(), MemoryAccessWindows());
    s->fixed.numbers = {{VI_ATTR_VXI_LA, static_cast<ViAttrState>(globals.controllerLa)}};
    InstallRegisterSession(*session, std::move(s));
    return VI_SUCCESS;
}

SBVIIO_EXPORT ViStatus viFindRsrc_VXI(const SbvisaFindContext* context, SbvisaFindList* list) {
    return Guarded([&] { return FindVxi(context, list); });
}

SBVIIO_EXPORT ViStatus viOpen_VXI(SbvisaSession* session) {
    return Guarded([&] { return OpenVxi(session); });
}

SBVIIO_EXPORT ViStatus viOpen_VXI_MEMACC(SbvisaSession* session) {
    return Guarded([&] { return OpenVxiMemory(session); });
}
