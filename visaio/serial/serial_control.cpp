// The 488.2 operations over serial (trigger, status byte, clear as strings, only with the
// VI_PROT_4882_STRS protocol) and the port's buffers (set-buffer, flush).
#include "serial_session.h"

#include <cctype>
#include <string_view>

namespace corvid::visaio {
namespace {

// The longest status-byte reply taken, line feed included.
constexpr ViUInt32 kStatusReplyMax = 16;

// Writes a 488.2 command with the session's write rules and writes out pending output.
ViStatus SendCommand(SerialSession& s, std::string_view command) {
    if (s.ioProtocol.load() != VI_PROT_4882_STRS) {
        return VI_ERROR_INV_SETUP;
    }
    ViUInt32 written = 0;
    ViStatus status = SerialWriteData(s, reinterpret_cast<const ViByte*>(command.data()),
                                      static_cast<ViUInt32>(command.size()), written, s.ioAbort);
    if (status < VI_SUCCESS) {
        return status;
    }
    return MapPortError(s.port->Drain(s.timeout.load(), s.ioAbort));
}

} // namespace

ViStatus SerialAssertTrigger(SbvisaSession* session, ViUInt16 protocol) {
    SerialSession& s = *SerialDataOf(session);
    if (s.ioProtocol.load() != VI_PROT_4882_STRS) {
        return VI_ERROR_INV_SETUP;
    }
    if (protocol != VI_TRIG_PROT_DEFAULT) {
        return VI_ERROR_INV_PROT;
    }
    return SendCommand(s, "*TRG\n");
}

// The whole reply is read, up to its line feed, so that nothing of it is left for the
// next read; its leading decimal number gives the status byte (low 8 bits).
ViStatus SerialReadSTB(SbvisaSession* session, ViUInt16* statusByte) {
    SerialSession& s = *SerialDataOf(session);
    ViStatus status = SendCommand(s, "*STB?\n");
    if (status < VI_SUCCESS) {
        return status;
    }
    ReadRules rules = s.Rules();
    rules.termChar = '\n';
    rules.termEnabled = true;
    ViByte reply[kStatusReplyMax];
    ViUInt32 count = 0;
    ReadEnd end = ReadEnd::MaxCount;
    PortError error = s.port->Read(reply, sizeof reply, rules, s.timeout.load(), s.ioAbort, count, end);
    if (error != PortError::None) {
        return MapPortError(error);
    }
    ViUInt32 at = 0;
    while (at < count && (reply[at] == ' ' || reply[at] == '\t')) {
        ++at;
    }
    if (at == count || !std::isdigit(reply[at])) {
        return VI_ERROR_IO;
    }
    unsigned value = 0;
    for (; at < count && std::isdigit(reply[at]); ++at) {
        value = (value * 10 + (reply[at] - '0')) & 0xFFFF;
    }
    *statusByte = static_cast<ViUInt16>(value & 0xFF);
    return VI_SUCCESS;
}

ViStatus SerialClear(SbvisaSession* session) {
    return SendCommand(*SerialDataOf(session), "*CLS\n");
}

// The queues are emptied as by flush, then resized; a size given for the output queue
// also switches off writing out after each write.
ViStatus SerialSetBuffer(SbvisaSession* session, ViUInt16 mask, ViUInt32 size) {
    SerialSession& s = *SerialDataOf(session);
    bool input = (mask & VI_IO_IN_BUF) != 0;
    bool output = (mask & VI_IO_OUT_BUF) != 0;
    if (input) {
        ViStatus status = MapPortError(s.port->PurgeInput());
        if (status < VI_SUCCESS) {
            return status;
        }
    }
    if (output) {
        ViStatus status = MapPortError(s.port->Drain(s.timeout.load(), s.ioAbort));
        if (status < VI_SUCCESS) {
            return status;
        }
    }
    s.port->SetQueueSizes(input, output, size);
    return VI_SUCCESS;
}

ViStatus SerialFlush(SbvisaSession* session, ViUInt16 mask) {
    SerialSession& s = *SerialDataOf(session);
    SerialPort& port = *s.port;
    PortError error = PortError::None;
    if (mask & (VI_READ_BUF_DISCARD | VI_IO_IN_BUF | VI_IO_IN_BUF_DISCARD)) {
        error = port.PurgeInput();
    }
    if (error == PortError::None && (mask & (VI_WRITE_BUF | VI_IO_OUT_BUF))) {
        error = port.Drain(s.timeout.load(), s.ioAbort);
    }
    if (error == PortError::None && (mask & (VI_WRITE_BUF_DISCARD | VI_IO_OUT_BUF_DISCARD))) {
        error = port.PurgeOutput();
    }
    return MapPortError(error);
}

} // namespace corvid::visaio
