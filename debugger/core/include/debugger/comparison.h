// Comparing the command a driver performed with the command being played back, and the
// block equality that Find and Replace use as well.
#pragma once

#include "link/gpib_command_info.h"

#include <optional>
#include <string>

namespace corvid::debugger {

class Prompt;
struct Options;

enum class BlockRole { sent, received, parameters };

const link::CCopyDataBlock& BlockOf(const link::CGPIBCommandInfo& command, BlockRole role);
// Whether the record's presence bit for the block is set.
bool BlockPresent(const link::CGPIBCommandInfo& command, BlockRole role);
// Replaces a block; its presence bit follows (set unless the block is Empty).
void SetBlock(link::CGPIBCommandInfo& command, BlockRole role, const link::CCopyDataBlock& block);

// Two absent blocks are equal, an absent and a present one are not; present blocks need
// the same type, count and elements (reals compare with neither less nor greater, texts up
// to their zero byte, case-sensitively). Types 7 and above 8 show "Invalid data type or
// programmer forgot to add a type" and are never equal.
bool BlocksEqual(const link::CGPIBCommandInfo& a, const link::CGPIBCommandInfo& b, BlockRole role,
                 Prompt& prompt);

// The difference report of the received command against the expected one under the
// comparison options, or nothing when they match (or only types are validated). The report
// is the text of the question without its closing "Do you want to continue playback?".
std::optional<std::string> DifferenceReport(const link::CGPIBCommandInfo& expected,
                                            const link::CGPIBCommandInfo& received, const Options& options,
                                            Prompt& prompt);

} // namespace corvid::debugger
