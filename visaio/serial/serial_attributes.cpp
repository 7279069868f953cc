// Attributes of serial sessions: the session's own values, the port's line settings
// (shared by the sessions of the port) and the line states read from the device.
#include "serial_session.h"

#include <cstdint>
#include <sys/ioctl.h>
#include <type_traits>

namespace corvid::visaio {
namespace {

ViStatus Applied(PortError error) {
    return error == PortError::None             ? VI_SUCCESS
           : error == PortError::InvalidSetting ? VI_ERROR_NSUP_ATTR_STATE
                                                : MapPortError(error);
}

// The port reconfigured with one line setting changed and the other three kept.
ViStatus SetLineValue(SerialPort& port, ViAttr attribute, ViAttrState value) {
    LineSettings line = port.line();
    if (value > (attribute == VI_ATTR_ASRL_BAUD ? UINT32_MAX : 0xFFFFu)) {
        return VI_ERROR_NSUP_ATTR_STATE;
    }
    auto v = static_cast<ViUInt32>(value);
    switch (attribute) {
    case VI_ATTR_ASRL_BAUD:
        line.baud = v;
        break;
    case VI_ATTR_ASRL_DATA_BITS:
        line.dataBits = static_cast<ViUInt16>(v);
        break;
    case VI_ATTR_ASRL_PARITY:
        line.parity = static_cast<ViUInt16>(v);
        break;
    default:
        line.stopBits = static_cast<ViUInt16>(v);
        break;
    }
    if (!ValidLineSettings(line)) {
        return VI_ERROR_NSUP_ATTR_STATE;
    }
    return Applied(port.SetLine(line));
}

ViStatus SetCharacter(SerialPort& port, ViAttr attribute, ViAttrState value) {
    auto c = static_cast<ViUInt8>(value);
    ViUInt8 xon = port.xonChar(), xoff = port.xoffChar(), replace = port.replaceChar();
    (attribute == VI_ATTR_ASRL_XON_CHAR ? xon : attribute == VI_ATTR_ASRL_XOFF_CHAR ? xoff : replace) = c;
    return Applied(port.SetCharacters(xon, xoff, replace));
}

ViStatus SetModemLine(SerialPort& port, int line, ViAttrState value) {
    auto state = static_cast<ViInt16>(value);
    if (state != VI_STATE_ASSERTED && state != VI_STATE_UNASSERTED) {
        return VI_ERROR_NSUP_ATTR_STATE;
    }
    return Applied(port.SetModemLine(line, state == VI_STATE_ASSERTED));
}

// Stores value in field when accept says it is in range.
template <class Field, class Accept>
ViStatus Store(Field& field, ViAttrState value, Accept accept) {
    if (!accept(value)) {
        return VI_ERROR_NSUP_ATTR_STATE;
    }
    field = static_cast<std::remove_reference_t<decltype(field.load())>>(value);
    return VI_SUCCESS;
}

ViAttrState Signed(ViInt64 value) {
    return static_cast<ViAttrState>(value);
}

} // namespace

ViStatus SerialSetAttribute(SbvisaSession* session, ViAttr attribute, ViAttrState value) {
    SerialSession& s = *SerialDataOf(session);
    SerialPort& port = *s.port;
    switch (attribute) {
    case VI_ATTR_SEND_END_EN:
        s.sendEnd = value != 0;
        return VI_SUCCESS;
    case VI_ATTR_TERMCHAR:
        return Store(s.termChar, value, [](ViAttrState v) { return v <= 0xFF; });
    case VI_ATTR_TERMCHAR_EN:
        s.termCharEnabled = value != 0;
        return VI_SUCCESS;
    case VI_ATTR_TMO_VALUE:
        return Store(s.timeout, value, [](ViAttrState v) { return v <= UINT32_MAX; });
    case VI_ATTR_IO_PROT:
        return Store(s.ioProtocol, value,
                     [](ViAttrState v) { return v == VI_PROT_NORMAL || v == VI_PROT_4882_STRS; });
    case VI_ATTR_SUPPRESS_END_EN:
        s.suppressEnd = value != 0;
        return VI_SUCCESS;
    case VI_ATTR_ASRL_BAUD:
    case VI_ATTR_ASRL_DATA_BITS:
    case VI_ATTR_ASRL_PARITY:
    case VI_ATTR_ASRL_STOP_BITS:
        return SetLineValue(port, attribute, value);
    case VI_ATTR_ASRL_FLOW_CNTRL:
        return value > 7 ? VI_ERROR_NSUP_ATTR_STATE
                         : Applied(port.SetFlowControl(static_cast<ViUInt16>(value)));
    case VI_ATTR_ASRL_DTR_STATE:
        return SetModemLine(port, TIOCM_DTR, value);
    case VI_ATTR_ASRL_RTS_STATE:
        return SetModemLine(port, TIOCM_RTS, value);
    case VI_ATTR_ASRL_XON_CHAR:
    case VI_ATTR_ASRL_XOFF_CHAR:
    case VI_ATTR_ASRL_REPLACE_CHAR:
        return value > 0xFF ? VI_ERROR_NSUP_ATTR_STATE : SetCharacter(port, attribute, value);
    case VI_ATTR_ASRL_END_IN:
        return Store(s.endIn, value, [](ViAttrState v) { return v <= VI_ASRL_END_TERMCHAR; });
    case VI_ATTR_ASRL_END_OUT:
        return Store(s.endOut, value, [](ViAttrState v) { return v <= VI_ASRL_END_BREAK; });
    case VI_ATTR_ASRL_CTS_STATE:
    case VI_ATTR_ASRL_DSR_STATE:
    case VI_ATTR_ASRL_DCD_STATE:
    case VI_ATTR_ASRL_RI_STATE:
    case VI_ATTR_ASRL_AVAIL_NUM:
        return VI_ERROR_ATTR_READONLY;
    default:
        return SetCommonAttribute(attribute, value, s.bufferModes).value_or(VI_ERROR_NSUP_ATTR);
    }
}

// Identity texts and numbers are left to the support library, which answers them from
// the session record.
ViStatus SerialGetAttribute(SbvisaSession* session, ViAttr attribute, ViAttrState* value, ViChar[256]) {
    SerialSession& s = *SerialDataOf(session);
    const SerialPort& port = *s.port;
    auto number = [&](ViAttrState v) {
        *value = v;
        return VI_SUCCESS;
    };
    switch (attribute) {
    case VI_ATTR_SEND_END_EN:
        return number(s.sendEnd ? VI_TRUE : VI_FALSE);
    case VI_ATTR_TERMCHAR:
        return number(s.termChar.load());
    case VI_ATTR_TERMCHAR_EN:
        return number(s.termCharEnabled ? VI_TRUE : VI_FALSE);
    case VI_ATTR_TMO_VALUE:
        return number(s.timeout.load());
    case VI_ATTR_IO_PROT:
        return number(s.ioProtocol.load());
    case VI_ATTR_SUPPRESS_END_EN:
        return number(s.suppressEnd ? VI_TRUE : VI_FALSE);
    case VI_ATTR_ASRL_BAUD:
        return number(port.line().baud);
    case VI_ATTR_ASRL_DATA_BITS:
        return number(port.line().dataBits);
    case VI_ATTR_ASRL_PARITY:
        return number(port.line().parity);
    case VI_ATTR_ASRL_STOP_BITS:
        return number(port.line().stopBits);
    case VI_ATTR_ASRL_FLOW_CNTRL:
        return number(port.flowControl());
    case VI_ATTR_ASRL_DTR_STATE:
        return number(Signed(port.RecordedLine(TIOCM_DTR)));
    case VI_ATTR_ASRL_RTS_STATE:
        return number(Signed(port.RecordedLine(TIOCM_RTS)));
    case VI_ATTR_ASRL_CTS_STATE:
        return number(Signed(port.LineState(TIOCM_CTS)));
    case VI_ATTR_ASRL_DSR_STATE:
        return number(Signed(port.LineState(TIOCM_DSR)));
    case VI_ATTR_ASRL_DCD_STATE:
        return number(Signed(port.LineState(TIOCM_CAR)));
    case VI_ATTR_ASRL_RI_STATE:
        return number(Signed(port.LineState(TIOCM_RNG)));
    case VI_ATTR_ASRL_AVAIL_NUM:
        return number(port.InputCount());
    case VI_ATTR_ASRL_XON_CHAR:
        return number(port.xonChar());
    case VI_ATTR_ASRL_XOFF_CHAR:
        return number(port.xoffChar());
    case VI_ATTR_ASRL_REPLACE_CHAR:
        return number(port.replaceChar());
    case VI_ATTR_ASRL_END_IN:
        return number(s.endIn.load());
    case VI_ATTR_ASRL_END_OUT:
        return number(s.endOut.load());
    default:
        if (auto common = CommonAttributeValue(attribute, s.bufferModes)) {
            return number(*common);
        }
        return VI_ERROR_NSUP_ATTR;
    }
}

} // namespace corvid::visaio
