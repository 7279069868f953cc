// The error numbers and texts that instruments put in their error queue.
#pragma once

namespace corvid::sim {

struct ScpiError {
    int code;
    const char* text;
};

inline constexpr ScpiError kCommandError{-100, "Command error"};
inline constexpr ScpiError kSyntaxError{-102, "Syntax error"};
inline constexpr ScpiError kDataTypeError{-104, "Data type error"};
inline constexpr ScpiError kParameterNotAllowed{-108, "Parameter not allowed"};
inline constexpr ScpiError kMissingParameter{-109, "Missing parameter"};
inline constexpr ScpiError kUndefinedHeader{-113, "Undefined header"};
inline constexpr ScpiError kExecutionError{-200, "Execution error"};
inline constexpr ScpiError kDataOutOfRange{-222, "Data out of range"};
inline constexpr ScpiError kIllegalParameterValue{-224, "Illegal parameter value"};
inline constexpr ScpiError kInputBufferOverrun{-363, "Input buffer overrun"};
inline constexpr ScpiError kQueryInterrupted{-410, "Query INTERRUPTED"};
inline constexpr ScpiError kQueryUnterminated{-420, "Query UNTERMINATED"};

} // namespace corvid::sim
