// Names and texts of the VISA status values, attributes and event types, shared by the
// support library (viStatusDesc, attribute widths) and the tools (vish).
#pragma once

#include "visa.h"

#include <cstddef>
#include <span>
#include <string_view>

namespace corvid::visa {

// The C type of an attribute's value, which fixes how many bytes viGetAttribute writes.
enum class AttributeType { UInt8, Int8, UInt16, Int16, Boolean, UInt32, Int32, UInt64, Int64, Address, Text };

struct AttributeInfo {
    ViAttr id;
    std::string_view name; // "VI_ATTR_TMO_VALUE"
    AttributeType type;
    bool readOnly;
};

// The width in bytes written for a value of this type (Text: the 256-byte buffer).
std::size_t AttributeWidth(AttributeType type);

// Every attribute the library knows, in identifier order.
std::span<const AttributeInfo> Attributes();
const AttributeInfo* FindAttribute(ViAttr id);
// Case-insensitive; accepts the name with or without the "VI_ATTR_" prefix.
const AttributeInfo* FindAttribute(std::string_view name);

// "VI_ERROR_TMO", or an empty view for an unknown value.
std::string_view StatusName(ViStatus status);
// "Timeout expired before operation completed.", or an empty view for an unknown value.
std::string_view StatusDescription(ViStatus status);

// "VI_EVENT_SERVICE_REQ", or an empty view; and back (case-insensitive, prefix optional).
std::string_view EventName(ViEventType type);
bool FindEvent(std::string_view name, ViEventType& type);

} // namespace corvid::visa
