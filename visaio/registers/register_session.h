// The sessions of VXI, GPIB-VXI register-based devices and memory access, and PXI: register
// access for all, word-serial message I/O for message-based VXI devices, and identity
// attributes fixed at open.
#pragma once

#include "../session_attributes.h"
#include "register_access.h"
#include "visa/sbvisa_io.h"

#include <atomic>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace corvid::visaio {

// Attributes whose values are fixed at open (identity, addresses, windows).
struct FixedAttributes {
    std::vector<std::pair<ViAttr, ViAttrState>> numbers;
    std::vector<std::pair<ViAttr, std::string>> texts;

    bool Has(ViAttr attribute) const;
    // VI_ERROR_NSUP_ATTR when the attribute is none of them.
    ViStatus Get(ViAttr attribute, ViAttrState* value, ViChar text[256]) const;
};

// Word-serial transfers with one message-based device.
class MessageChannel {
public:
    virtual ~MessageChannel() = default;
    // end: the device ended its reply with the last byte read.
    virtual ViStatus Read(ViBuf buffer, ViUInt32 count, ViUInt32 timeoutMs, ViUInt32& returned,
                          bool& end) = 0;
    virtual ViStatus Write(ViConstBuf buffer, ViUInt32 count, bool end, ViUInt32& written) = 0;
    virtual ViStatus ReadSTB(ViUInt16& statusByte) = 0;
    virtual ViStatus Clear() = 0;
    virtual ViStatus Trigger() = 0;
    // Ends the transfers waiting in other threads (VI_ERROR_ABORT), for a close.
    virtual void Abort() = 0;
};

struct RegisterSession {
    RegisterSession(std::unique_ptr<RegisterBus> interfaceBus, std::vector<RegisterWindow> windows)
        : bus(std::move(interfaceBus)),
          registers(std::make_unique<RegisterAccess>(*bus, std::move(windows))) {}

    std::unique_ptr<RegisterBus> bus;
    std::unique_ptr<RegisterAccess> registers;
    std::unique_ptr<MessageChannel> messages; // message-based devices only
    FixedAttributes fixed;
    std::atomic<ViUInt32> timeout{2000};
    ViUInt8 termChar = '\n';
    bool termCharEnabled = false;
    bool sendEnd = true;
    BufferModes bufferModes;
};

// Installs the session: the operation table (with message I/O when it has a channel).
void InstallRegisterSession(SbvisaSession& record, std::unique_ptr<RegisterSession> session);

// The register access of a session installed here, or null.
RegisterAccess* RegistersOf(SbvisaSession* record);

// The register operations of a session type, over the register access that Of finds in its
// record (VI_ERROR_NSUP_OPER without one).
template <RegisterAccess* (*Of)(SbvisaSession*)>
struct RegisterOperations {
    static ViStatus In(SbvisaSession* s, ViUInt16 space, ViBusAddress64 offset, ViUInt16 width,
                       ViUInt64* value) {
        RegisterAccess* r = Of(s);
        return r ? r->In(space, offset, width, value) : VI_ERROR_NSUP_OPER;
    }
    static ViStatus Out(SbvisaSession* s, ViUInt16 space, ViBusAddress64 offset, ViUInt16 width,
                        ViUInt64 value) {
        RegisterAccess* r = Of(s);
        return r ? r->Out(space, offset, width, value) : VI_ERROR_NSUP_OPER;
    }
    static ViStatus MoveIn(SbvisaSession* s, ViUInt16 space, ViBusAddress64 offset, ViUInt16 width,
                           ViBusSize length, void* buffer) {
        RegisterAccess* r = Of(s);
        return r ? r->MoveIn(space, offset, width, length, buffer) : VI_ERROR_NSUP_OPER;
    }
    static ViStatus MoveOut(SbvisaSession* s, ViUInt16 space, ViBusAddress64 offset, ViUInt16 width,
                            ViBusSize length, const void* buffer) {
        RegisterAccess* r = Of(s);
        return r ? r->MoveOut(space, offset, width, length, buffer) : VI_ERROR_NSUP_OPER;
    }
    static ViStatus Map(SbvisaSession* s, ViUInt16 space, ViBusAddress64 offset, ViBusSize size, ViAddr,
                        ViAddr* address) {
        RegisterAccess* r = Of(s);
        return r ? r->Map(space, offset, size, address) : VI_ERROR_NSUP_OPER;
    }
    static ViStatus Unmap(SbvisaSession* s) {
        RegisterAccess* r = Of(s);
        return r ? r->Unmap() : VI_ERROR_NSUP_OPER;
    }
    static ViStatus Peek(SbvisaSession* s, ViAddr address, ViUInt16 width, ViUInt64* value) {
        RegisterAccess* r = Of(s);
        return r ? r->Peek(address, width, value) : VI_ERROR_NSUP_OPER;
    }
    static ViStatus Poke(SbvisaSession* s, ViAddr address, ViUInt16 width, ViUInt64 value) {
        RegisterAccess* r = Of(s);
        return r ? r->Poke(address, width, value) : VI_ERROR_NSUP_OPER;
    }

    // Fills the register entries of an operation table.
    static void Fill(SbvisaOperations& table) {
        table.in = In;
        table.out = Out;
        table.moveIn = MoveIn;
        table.moveOut = MoveOut;
        table.mapAddress = Map;
        table.unmapAddress = Unmap;
        table.peek = Peek;
        table.poke = Poke;
    }
};

} // namespace corvid::visaio
