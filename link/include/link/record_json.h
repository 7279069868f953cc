// A command record as one line of JSON, for the tools that print or take records:
// {"version":2,"board":0,"address":22,"action":2,"name":"WRITE","flags":130,
//  "time":{"status":0,"date":46363.5},"comments":"","received":null,"parameters":null,
//  "sent":{"type":5,"count":6,"hex":"2a49444e3f00"},"raw":"0216..."}
#pragma once

#include "link/gpib_command_info.h"

#include <string>
#include <string_view>

namespace corvid::link {

// One line without a line break. A block is null when its presence bit is clear; "hex" is
// the block's element bytes and "raw" the whole record as serialised. Comment bytes that
// are not UTF-8 show as U+FFFD (the raw bytes keep them).
std::string RecordToJson(const CGPIBCommandInfo& record);

// The record of a JSON object. With "raw" the serialised bytes are the record; otherwise it
// is built from the members: "action" is required, "version" (1 or 2) defaults to 2, "time"
// to now, "comments" to empty, "flags" to the action plus the presence bits of the blocks
// given; "name" is ignored. Throws std::invalid_argument with a one-line message.
CGPIBCommandInfo RecordFromJson(std::string_view text);

} // namespace corvid::link
