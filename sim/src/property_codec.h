// Reading settings sent to a property ("VOLT 1.5", "OUTP ON", "FUNC CURR") and writing
// the answers to its query ("VOLT?"), with the range checks of the description.
#pragma once

#include "bench_spec.h"
#include "program_message.h"
#include "scpi_errors.h"

#include <optional>
#include <string>

namespace corvid::sim {

// Sets p.initial from the default given in the description (nullptr: none given).
// False with the reason when the default does not fit the property.
bool ParseInitialValue(PropertySpec& p, const std::string* text, bool quoted, std::string& error);

// A setting sent by the controller; nullopt when accepted into out.
std::optional<ScpiError> ParseSetting(const PropertySpec& p, const Parameter& sent, Value& out);

// A value computed by a description's "set" line, converted and checked like a setting.
std::optional<ScpiError> CheckComputed(const PropertySpec& p, Value& value);

// "VOLT? MIN", "VOLT? MAX", "VOLT? DEF" for numeric properties.
std::optional<ScpiError> LimitQuery(const PropertySpec& p, const Parameter& sent, Value& out);

// The answer to the property's query.
std::string FormatSetting(const PropertySpec& p, const Value& value);

} // namespace corvid::sim
