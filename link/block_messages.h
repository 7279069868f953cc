// The message boxes a value block shows for invalid type codes.
#pragma once

#include <string>
#include <string_view>

namespace corvid::link {

// Shows "<before> [<type>]" or "<before> [<type>] <after>" in a plain box; processing goes on.
void ShowBlockMessage(std::string_view before, unsigned type, std::string_view after = {});

} // namespace corvid::link
