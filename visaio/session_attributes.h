// The attributes that every session type of the component treats alike: the buffer
// operation modes (recorded only), the trigger identifier (software trigger only) and
// the identity attributes, which are read-only.
#pragma once

#include "visa/sbvisa_io.h"

#include <optional>

namespace corvid::visaio {

struct BufferModes {
    ViUInt16 read = VI_FLUSH_DISABLE;
    ViUInt16 write = VI_FLUSH_WHEN_FULL;
};

// The result of setting one of these attributes, or nothing when it is none of them.
std::optional<ViStatus> SetCommonAttribute(ViAttr attribute, ViAttrState value, BufferModes& modes);
// The value of the buffer modes or the trigger identifier, or nothing for other attributes.
std::optional<ViAttrState> CommonAttributeValue(ViAttr attribute, const BufferModes& modes);

} // namespace corvid::visaio
