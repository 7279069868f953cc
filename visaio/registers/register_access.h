// Register access of VXI, GPIB-VXI and PXI sessions (viIn*, viOut*, viMoveIn*, viMoveOut*,
// viMapAddress, viPeek*, viPoke*) over the bus of the interface library. A session reaches
// a few address spaces, each a window of the bus: offsets are counted from the window's
// start and must stay inside it.
#pragma once

#include "visa/sbvisa_io.h"

#include <atomic>
#include <mutex>
#include <optional>
#include <vector>

namespace corvid::visaio {

struct RegisterWindow {
    ViUInt16 space;      // VI_A16_SPACE, VI_A24_SPACE, VI_PXI_BAR0_SPACE, ...
    ViBusAddress64 base; // where offset 0 is on the bus
    ViBusSize size;
};

// One element at a bus address, through the interface library.
class RegisterBus {
public:
    virtual ~RegisterBus() = default;
    virtual ViStatus Read(ViUInt16 space, ViBusAddress64 address, ViUInt16 width, ViUInt64& value) = 0;
    virtual ViStatus Write(ViUInt16 space, ViBusAddress64 address, ViUInt16 width, ViUInt64 value) = 0;
};

class RegisterAccess {
public:
    RegisterAccess(RegisterBus& bus, std::vector<RegisterWindow> windows)
        : bus_(bus), windows_(std::move(windows)) {}

    ViStatus In(ViUInt16 space, ViBusAddress64 offset, ViUInt16 width, ViUInt64* value);
    ViStatus Out(ViUInt16 space, ViBusAddress64 offset, ViUInt16 width, ViUInt64 value);
    ViStatus MoveIn(ViUInt16 space, ViBusAddress64 offset, ViUInt16 width, ViBusSize length, void* buffer);
    ViStatus MoveOut(ViUInt16 space, ViBusAddress64 offset, ViUInt16 width, ViBusSize length,
                     const void* buffer);
    ViStatus Map(ViUInt16 space, ViBusAddress64 offset, ViBusSize size, ViAddr* address);
    ViStatus Unmap();
    ViStatus Peek(ViAddr address, ViUInt16 width, ViUInt64* value);
    ViStatus Poke(ViAddr address, ViUInt16 width, ViUInt64 value);

    // VI_ATTR_SRC_INCREMENT, VI_ATTR_DEST_INCREMENT and the window attributes; nothing for
    // other attributes.
    std::optional<ViStatus> SetAttribute(ViAttr attribute, ViAttrState value);
    std::optional<ViAttrState> Attribute(ViAttr attribute) const;
    // VI_BIG_ENDIAN (VXI, the default) or VI_LITTLE_ENDIAN (PCI).
    void SetByteOrder(ViUInt16 order) { byteOrder_ = order; }

private:
    const RegisterWindow* Window(ViUInt16 space) const;
    // The bus address of count elements at offset, or the status that refuses them.
    ViStatus Locate(ViUInt16 space, ViBusAddress64 offset, ViUInt16 width, ViBusSize count,
                    ViBusAddress64& address) const;
    ViStatus MappedAddress(ViAddr address, ViUInt16 width, ViUInt16& space, ViBusAddress64& busAddress) const;

    RegisterBus& bus_;
    std::vector<RegisterWindow> windows_;
    ViUInt16 byteOrder_ = VI_BIG_ENDIAN;
    // Threads may share a session: the attributes and the mapping change under them.
    std::atomic<ViInt32> sourceIncrement_{1};
    std::atomic<ViInt32> destinationIncrement_{1};
    mutable std::mutex mappingMutex_;
    struct Mapping {
        RegisterWindow window; // the mapped part
        ViBusAddress64 start;  // the address answered for its first byte
    };
    std::optional<Mapping> mapping_;
};

} // namespace corvid::visaio
