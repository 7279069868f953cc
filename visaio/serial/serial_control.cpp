// The 488.2 operations over serial (trigger, status byte, clear as strings, only with the
// VI_PROT_4882_STRS protocol) and the port's buffers (set-buffer, flush).
#include "serial_session.h"

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

namespace corvid::visaio {
namespace {

// The longest status-byte reply taken, line feed included, and how much of a longer one
// is read on to find its end.
constexpr ViUInt32 kStatusReplyMax = 16;
constexpr ViUInt32 kTailMax = 4096;

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

// The status byte in a reply: its leading number, which instruments may write with a sign
// or in a real format ("+32", "3.2E+1"); low 8 bits. Nothing when the reply does not start
// with a number that is not negative.
std::optional<ViUInt16> StatusByteOf(std::string_view reply) {
    std::string text(reply.substr(0, reply.find_first_of("\r\n")));
    const char* begin = text.c_str();
    while (*begin == ' ' || *begin == '\t') {
        ++begin;
    }
    if (!std::isdigit(static_cast<unsigned char>(begin[*begin == '+' ? 1 : 0]))) {
        return std::nullopt;
    }
    char* end = nullptr;
    double value = std::strtod(begin, &end);
    if (end == begin || !(value >= 0) || value > 65535) {
        return std::nullopt;
    }
    return static_cast<ViUInt16>(static_cast<unsigned>(std::lround(value)) & 0xFF);
}

// The whole reply is read, up to its line feed, so that nothing of it is left for the
// next read: a reply longer than the part kept is read on and its tail dropped.
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
    for (ViUInt32 dropped = 0; error == PortError::None && end == ReadEnd::MaxCount && dropped < kTailMax;
         dropped += kStatusReplyMax) {
        ViByte tail[kStatusReplyMax];
        ViUInt32 tailCount = 0;
        error = s.port->Read(tail, sizeof tail, rules, s.timeout.load(), s.ioAbort, tailCount, end);
    }
    if (error != PortError::None) {
        return MapPortError(error);
    }
    std::optional<ViUInt16> value =
        StatusByteOf(std::string_view(reinterpret_cast<const char*>(reply), count));
    if (!value) {
        return VI_ERROR_IO;
    }
    *statusByte = *value;
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
