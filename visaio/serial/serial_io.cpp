// Reads and writes of serial sessions, with the end rules of the session's attributes.
#include "serial_session.h"

namespace corvid::visaio {
namespace {

// The duration of the break that ends a write with VI_ASRL_END_BREAK.
constexpr ViUInt32 kEndBreakMs = 250;

ViByte HighestDataBit(const SerialPort& port) {
    return static_cast<ViByte>(1u << (port.line().dataBits - 1));
}

} // namespace

ReadRules SerialSession::Rules() const {
    ReadRules rules;
    rules.termChar = termChar.load();
    ViUInt16 mode = endIn.load();
    if (mode == VI_ASRL_END_TERMCHAR && !suppressEnd.load()) {
        rules.termEnabled = true;
        return rules;
    }
    // The last-bit mode ends on the marked byte alone unless the end is suppressed.
    rules.termEnabled = termCharEnabled.load() && (mode == VI_ASRL_END_NONE || suppressEnd.load());
    rules.strip = mode == VI_ASRL_END_LAST_BIT; // also while the end is suppressed
    rules.endOnLastBit = mode == VI_ASRL_END_LAST_BIT && !suppressEnd.load();
    return rules;
}

ViStatus MapPortError(PortError error) {
    switch (error) {
    case PortError::None:
        return VI_SUCCESS;
    case PortError::Timeout:
        return VI_ERROR_TMO;
    case PortError::Aborted:
        return VI_ERROR_ABORT;
    case PortError::Io:
        return VI_ERROR_IO;
    case PortError::Busy:
        return VI_ERROR_RSRC_BUSY;
    case PortError::NotFound:
        return VI_ERROR_RSRC_NFOUND;
    case PortError::InvalidSetting:
        return VI_ERROR_NSUP_ATTR_STATE;
    default:
        return VI_ERROR_SYSTEM_ERROR;
    }
}

ViStatus SerialReadData(SerialSession& s, ViBuf buffer, ViUInt32 count, ViUInt32& got, AbortRequest& abort) {
    ReadEnd end = ReadEnd::MaxCount;
    PortError error = s.port->Read(buffer, count, s.Rules(), s.timeout.load(), abort, got, end);
    if (error != PortError::None) {
        return MapPortError(error);
    }
    switch (end) {
    case ReadEnd::MaxCount:
        return VI_SUCCESS_MAX_CNT;
    case ReadEnd::LastBit:
        return VI_SUCCESS;
    case ReadEnd::TermChar:
        return s.endIn.load() == VI_ASRL_END_TERMCHAR && !s.suppressEnd.load() ? VI_SUCCESS
                                                                               : VI_SUCCESS_TERM_CHAR;
    }
    return VI_SUCCESS;
}

// The last byte is sent on its own with its highest data bit set, so that the caller's
// buffer is never changed.
ViStatus SerialWriteData(SerialSession& s, const ViByte* buffer, ViUInt32 count, ViUInt32& written,
                         AbortRequest& abort) {
    written = 0;
    SerialPort& port = *s.port;
    const ViUInt32 timeout = s.timeout.load();
    const ViUInt16 endOut = s.endOut.load();
    const bool sendEnd = s.sendEnd.load();
    const bool markLast = sendEnd && endOut == VI_ASRL_END_LAST_BIT && count > 0;
    ViUInt32 moved = 0;
    PortError error = port.Write(buffer, markLast ? count - 1 : count, timeout, abort, moved);
    written = moved;
    if (error == PortError::None && markLast) {
        auto last = static_cast<ViByte>(buffer[count - 1] | HighestDataBit(port));
        error = port.Write(&last, 1, timeout, abort, moved);
        written += moved;
    }
    if (error == PortError::None && endOut == VI_ASRL_END_TERMCHAR) {
        ViByte term = s.termChar.load();
        error = port.Write(&term, 1, timeout, abort, moved);
    }
    const bool endBreak = sendEnd && endOut == VI_ASRL_END_BREAK;
    // The break goes out after the data, which it would otherwise cut off.
    if (error == PortError::None && (!port.outputSizeGiven() || endBreak)) {
        error = port.Drain(timeout, abort);
    }
    if (error != PortError::None) {
        return MapPortError(error);
    }
    if (endBreak && port.SendBreak(kEndBreakMs) != PortError::None) {
        return VI_ERROR_IO;
    }
    return VI_SUCCESS;
}

ViStatus SerialRead(SbvisaSession* session, ViBuf buffer, ViUInt32 count, ViUInt32* returned) {
    SerialSession& s = *SerialDataOf(session);
    ViUInt32 got = 0;
    ViStatus status = SerialReadData(s, buffer, count, got, s.ioAbort);
    *returned = got;
    return status;
}

ViStatus SerialWrite(SbvisaSession* session, ViConstBuf buffer, ViUInt32 count, ViUInt32* returned) {
    ViUInt32 written = 0;
    SerialSession& s = *SerialDataOf(session);
    ViStatus status = SerialWriteData(s, buffer, count, written, s.ioAbort);
    *returned = written;
    return status;
}

} // namespace corvid::visaio
