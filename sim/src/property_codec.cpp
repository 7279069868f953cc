#include "property_codec.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace corvid::sim {

namespace {

const Mnemonic kMin("MINimum");
const Mnemonic kMax("MAXimum");
const Mnemonic kDefault("DEFault");
const Mnemonic kOn("ON");
const Mnemonic kOff("OFF");

bool IsNumeric(const PropertySpec& p) {
    return p.type == PropertyType::Real || p.type == PropertyType::Integer;
}

// A decimal number, optionally followed by the property's unit.
bool ParseNumber(const PropertySpec& p, std::string_view text, double& out) {
    text = Trim(text);
    if (!p.unit.empty() && text.size() > p.unit.size() &&
        EqualsNoCase(text.substr(text.size() - p.unit.size()), p.unit)) {
        text = Trim(text.substr(0, text.size() - p.unit.size()));
    }
    std::string copy(text);
    char* end = nullptr;
    out = std::strtod(copy.c_str(), &end);
    return !copy.empty() && *end == '\0' && std::isfinite(out);
}

std::optional<ScpiError> Fit(const PropertySpec& p, Value& value) {
    if (p.type == PropertyType::Integer) {
        value.number = std::round(value.number);
    }
    if (value.number < p.min || value.number > p.max) {
        return kDataOutOfRange;
    }
    return std::nullopt;
}

} // namespace

bool ParseInitialValue(PropertySpec& p, const std::string* text, bool quoted, std::string& error) {
    if (text == nullptr) {
        switch (p.type) {
        case PropertyType::Real:
        case PropertyType::Integer:
            p.initial = Value::Number(std::clamp(0.0, p.min, p.max));
            return true;
        case PropertyType::Boolean:
            p.initial = Value::Number(0);
            return true;
        case PropertyType::Choice:
            p.initial = Value::Text(p.choices.front().shortForm());
            return true;
        case PropertyType::Text:
            p.initial = Value::Text("");
            return true;
        }
    }
    Parameter sent{*text, quoted};
    if (IsNumeric(p) && (kMin.Matches(*text) || kMax.Matches(*text))) {
        error = "the default of \"" + p.name + "\" is a number";
        return false;
    }
    if (std::optional<ScpiError> e = ParseSetting(p, sent, p.initial)) {
        error = "default \"" + *text + "\" of \"" + p.name + "\": " + e->text;
        return false;
    }
    return true;
}

std::optional<ScpiError> ParseSetting(const PropertySpec& p, const Parameter& sent, Value& out) {
    switch (p.type) {
    case PropertyType::Text:
        out = Value::Text(sent.text);
        return std::nullopt;
    case PropertyType::Choice:
        for (const Mnemonic& choice : p.choices) {
            if (!sent.quoted && choice.Matches(sent.text)) {
                out = Value::Text(choice.shortForm());
                return std::nullopt;
            }
        }
        return kIllegalParameterValue;
    case PropertyType::Boolean: {
        double number = 0;
        if (sent.quoted) {
            return kDataTypeError;
        }
        if (kOn.Matches(sent.text) || kOff.Matches(sent.text)) {
            out = Value::Number(kOn.Matches(sent.text) ? 1 : 0);
            return std::nullopt;
        }
        if (!ParseNumber(p, sent.text, number)) {
            return kIllegalParameterValue;
        }
        out = Value::Number(std::round(number) != 0 ? 1 : 0);
        return std::nullopt;
    }
    case PropertyType::Real:
    case PropertyType::Integer:
        break;
    }
    if (sent.quoted) {
        return kDataTypeError;
    }
    if (std::isfinite(p.min) && kMin.Matches(sent.text)) {
        out = Value::Number(p.min);
        return std::nullopt;
    }
    if (std::isfinite(p.max) && kMax.Matches(sent.text)) {
        out = Value::Number(p.max);
        return std::nullopt;
    }
    if (kDefault.Matches(sent.text)) {
        out = p.initial;
        return std::nullopt;
    }
    double number = 0;
    if (!ParseNumber(p, sent.text, number)) {
        return kDataTypeError;
    }
    out = Value::Number(number);
    return Fit(p, out);
}

std::optional<ScpiError> CheckComputed(const PropertySpec& p, Value& value) {
    if (!p.header) {
        return std::nullopt; // a state variable holds whatever it is given
    }
    if (p.type == PropertyType::Text) {
        if (!value.isText) {
            value = Value::Text(FormatNumber(value.number, {}));
        }
        return std::nullopt;
    }
    if (value.isText) {
        return ParseSetting(p, Parameter{value.text, false}, value);
    }
    switch (p.type) {
    case PropertyType::Boolean:
        value.number = value.number != 0 ? 1 : 0;
        return std::nullopt;
    case PropertyType::Choice:
        return kDataTypeError;
    default:
        return Fit(p, value);
    }
}

std::optional<ScpiError> LimitQuery(const PropertySpec& p, const Parameter& sent, Value& out) {
    if (!IsNumeric(p) || sent.quoted) {
        return kParameterNotAllowed;
    }
    if (kMin.Matches(sent.text) && std::isfinite(p.min)) {
        out = Value::Number(p.min);
    } else if (kMax.Matches(sent.text) && std::isfinite(p.max)) {
        out = Value::Number(p.max);
    } else if (kDefault.Matches(sent.text)) {
        out = p.initial;
    } else {
        return kIllegalParameterValue;
    }
    return std::nullopt;
}

std::string FormatSetting(const PropertySpec& p, const Value& value) {
    switch (p.type) {
    case PropertyType::Boolean:
        return value.number != 0 ? "1" : "0";
    case PropertyType::Choice:
        return value.text;
    case PropertyType::Text: {
        std::string out = "\"";
        for (char c : value.text) {
            out += c;
            if (c == '"') {
                out += '"';
            }
        }
        return out + "\"";
    }
    case PropertyType::Integer:
        return FormatNumber(value.number, "%.0f");
    case PropertyType::Real:
        break;
    }
    return FormatNumber(value.number, {});
}

} // namespace corvid::sim
