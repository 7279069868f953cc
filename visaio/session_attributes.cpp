#include "session_attributes.h"

namespace corvid::visaio {

std::optional<ViStatus> SetCommonAttribute(ViAttr attribute, ViAttrState value, BufferModes& modes) {
    switch (attribute) {
    case VI_ATTR_RD_BUF_OPER_MODE:
        if (value != VI_FLUSH_ON_ACCESS && value != VI_FLUSH_DISABLE) {
            return VI_ERROR_NSUP_ATTR_STATE;
        }
        modes.read = static_cast<ViUInt16>(value);
        return VI_SUCCESS;
    case VI_ATTR_WR_BUF_OPER_MODE:
        if (value != VI_FLUSH_ON_ACCESS && value != VI_FLUSH_WHEN_FULL) {
            return VI_ERROR_NSUP_ATTR_STATE;
        }
        modes.write = static_cast<ViUInt16>(value);
        return VI_SUCCESS;
    case VI_ATTR_TRIG_ID:
        return static_cast<ViInt16>(value) == VI_TRIG_SW ? VI_SUCCESS : VI_ERROR_NSUP_ATTR_STATE;
    case VI_ATTR_RSRC_NAME:
    case VI_ATTR_RSRC_CLASS:
    case VI_ATTR_RSRC_MANF_NAME:
    case VI_ATTR_RSRC_MANF_ID:
    case VI_ATTR_INTF_INST_NAME:
    case VI_ATTR_INTF_TYPE:
    case VI_ATTR_INTF_NUM:
    case VI_ATTR_RSRC_IMPL_VERSION:
    case VI_ATTR_RSRC_SPEC_VERSION:
        return VI_ERROR_ATTR_READONLY;
    default:
        return std::nullopt;
    }
}

std::optional<ViAttrState> CommonAttributeValue(ViAttr attribute, const BufferModes& modes) {
    switch (attribute) {
    case VI_ATTR_RD_BUF_OPER_MODE:
        return modes.read;
    case VI_ATTR_WR_BUF_OPER_MODE:
        return modes.write;
    case VI_ATTR_TRIG_ID:
        return static_cast<ViAttrState>(static_cast<ViInt64>(VI_TRIG_SW));
    default:
        return std::nullopt;
    }
}

} // namespace corvid::visaio
