// Attributes of GPIB sessions.
#include "gpib_session.h"
#include "gpib_tables.h"

#include <cstdio>

namespace corvid::visaio {
namespace {

constexpr ViVersion kImplementationVersion = 0x00101000; // 1.1.0
constexpr ViUInt16 kManufacturerId = 0x0F3B;

ViStatus Mapped(const GpibResult& result) {
    return result.failed() ? MapGpibError(result) : VI_SUCCESS;
}

ViStatus SetTimeout(GpibSession& s, ViUInt32 milliseconds) {
    TimeoutStep step = RoundTimeout(milliseconds);
    ViStatus status = Mapped(GpibDriver::Instance().Timeout(s.ud, step.code));
    if (status >= VI_SUCCESS) {
        s.timeout = step.milliseconds;
    }
    return status;
}

ViStatus SetFlag(GpibSession& s, int option, bool enable, bool& field) {
    ViStatus status = Mapped(GpibDriver::Instance().Config(s.ud, option, enable ? 1 : 0));
    if (status >= VI_SUCCESS) {
        field = enable;
    }
    return status;
}

ViInt16 RemoteEnableState(const GpibSession& s) {
    short lines = 0;
    GpibResult result = GpibDriver::Instance().Lines(s.board, lines);
    if (result.failed() || (lines & ValidREN) == 0) {
        return VI_STATE_UNKNOWN;
    }
    return (lines & BusREN) ? VI_STATE_ASSERTED : VI_STATE_UNASSERTED;
}

} // namespace

ViStatus GpibSetAttribute(SbvisaSession* session, ViAttr attribute, ViAttrState value) {
    GpibSession& s = *GpibDataOf(session);
    GpibDriver& driver = GpibDriver::Instance();
    switch (attribute) {
    case VI_ATTR_TMO_VALUE:
        return SetTimeout(s, static_cast<ViUInt32>(value));
    case VI_ATTR_TERMCHAR: {
        ViStatus status = Mapped(driver.Config(s.ud, IbcEOSchar, static_cast<int>(value)));
        if (status >= VI_SUCCESS) {
            s.termChar = static_cast<ViUInt8>(value);
        }
        return status;
    }
    case VI_ATTR_TERMCHAR_EN: {
        ViStatus status = Mapped(driver.Config(s.ud, IbcEOSrd, value ? 1 : 0));
        if (status >= VI_SUCCESS) {
            s.termCharEnabled = value != 0;
        }
        return status;
    }
    case VI_ATTR_SEND_END_EN: {
        ViStatus status = Mapped(driver.Eot(s.ud, value ? 1 : 0));
        if (status >= VI_SUCCESS) {
            s.sendEnd = value != 0;
        }
        return status;
    }
    case VI_ATTR_GPIB_READDR_EN:
        return SetFlag(s, IbcREADDR, value != 0, s.readdress);
    case VI_ATTR_GPIB_UNADDR_EN:
        return SetFlag(s, IbcUnAddr, value != 0, s.unaddress);
    case VI_ATTR_IO_PROT:
        if (value != VI_PROT_NORMAL) {
            return VI_ERROR_NSUP_ATTR_STATE;
        }
        s.ioProtocol = VI_PROT_NORMAL;
        return VI_SUCCESS;
    case VI_ATTR_GPIB_PRIMARY_ADDR:
    case VI_ATTR_GPIB_SECONDARY_ADDR:
    case VI_ATTR_GPIB_REN_STATE:
        return VI_ERROR_ATTR_READONLY;
    default:
        return SetCommonAttribute(attribute, value, s.bufferModes).value_or(VI_ERROR_NSUP_ATTR);
    }
}

ViStatus GpibGetAttribute(SbvisaSession* session, ViAttr attribute, ViAttrState* value, ViChar text[256]) {
    GpibSession& s = *GpibDataOf(session);
    auto number = [&](ViAttrState v) {
        *value = v;
        return VI_SUCCESS;
    };
    auto words = [&](const char* v) {
        std::snprintf(text, 256, "%s", v);
        return VI_SUCCESS;
    };
    switch (attribute) {
    case VI_ATTR_TMO_VALUE:
        return number(s.timeout.load());
    case VI_ATTR_TERMCHAR:
        return number(s.termChar.load());
    case VI_ATTR_TERMCHAR_EN:
        return number(s.termCharEnabled ? VI_TRUE : VI_FALSE);
    case VI_ATTR_SEND_END_EN:
        return number(s.sendEnd ? VI_TRUE : VI_FALSE);
    case VI_ATTR_GPIB_READDR_EN:
        return number(s.readdress ? VI_TRUE : VI_FALSE);
    case VI_ATTR_GPIB_UNADDR_EN:
        return number(s.unaddress ? VI_TRUE : VI_FALSE);
    case VI_ATTR_IO_PROT:
        return number(s.ioProtocol);
    case VI_ATTR_RSRC_NAME:
        return words(session->resourceName);
    case VI_ATTR_RSRC_CLASS:
        return words("INSTR");
    case VI_ATTR_RSRC_MANF_NAME:
        return words(session->manufacturer);
    case VI_ATTR_RSRC_MANF_ID:
        return number(kManufacturerId);
    case VI_ATTR_INTF_INST_NAME:
        return words(session->description);
    case VI_ATTR_RSRC_IMPL_VERSION:
        return number(kImplementationVersion);
    case VI_ATTR_RSRC_SPEC_VERSION:
        return number(VI_SPEC_VERSION);
    case VI_ATTR_INTF_TYPE:
        return number(VI_INTF_GPIB);
    case VI_ATTR_INTF_NUM:
        return number(static_cast<ViAttrState>(s.board));
    case VI_ATTR_GPIB_PRIMARY_ADDR:
        return number(static_cast<ViAttrState>(s.primary));
    case VI_ATTR_GPIB_SECONDARY_ADDR:
        return number(s.HasSecondary() ? static_cast<ViAttrState>(s.secondary) : VI_NO_SEC_ADDR);
    case VI_ATTR_GPIB_REN_STATE:
        return number(static_cast<ViAttrState>(static_cast<ViInt64>(RemoteEnableState(s))));
    default:
        if (auto common = CommonAttributeValue(attribute, s.bufferModes)) {
            return number(*common);
        }
        return VI_ERROR_NSUP_ATTR;
    }
}

} // namespace corvid::visaio
