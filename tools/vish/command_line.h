// Splitting of vish command lines: commands separated by ";" outside double quotes, words
// separated by blanks, and the escapes of written text.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace corvid::vish {

// "open GPIB0::22::INSTR; write \"*SRE 32;*OPC\"" gives two commands.
std::vector<std::string> SplitCommands(std::string_view line);

// The command word (lower-cased unless keepCase) and the rest of the command (trimmed;
// one pair of surrounding double quotes removed from the rest).
struct Command {
    std::string word;
    std::string rest;
};
Command ParseCommand(std::string_view text, bool keepCase = false);

// Turns \n, \r, \t, \\, \" and \xHH into their bytes; false for a malformed escape.
bool Unescape(std::string_view text, std::string& out);
// Shows bytes readably: printable characters as they are, others escaped.
std::string Escape(std::string_view bytes);

} // namespace corvid::vish
