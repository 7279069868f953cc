// Splitting what an instrument receives: a program message is a list of units separated
// by semicolons; a unit is a header, then blanks, then parameters separated by commas.
// Quoted texts (single or double quotes, a doubled quote inside) keep their separators.
#pragma once

#include "platform/text.h"

#include <string>
#include <string_view>
#include <vector>

namespace corvid::sim {

struct Parameter {
    std::string text; // without the quotes for a quoted text
    bool quoted = false;
};

struct ProgramUnit {
    std::string_view header;
    std::vector<Parameter> parameters;
};

// The units of a message without its terminator; false when a quote is not closed.
bool SplitMessage(std::string_view message, std::vector<std::string_view>& units);

// Header and parameters of one unit; false when a parameter is empty or a quote is
// malformed.
bool ParseUnit(std::string_view unit, ProgramUnit& out);

using platform::Trim;

} // namespace corvid::sim
