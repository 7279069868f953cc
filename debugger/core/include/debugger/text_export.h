// Writing a recording out as tab-separated text: one line per command, CR LF ended, with
// bus address, action name, and the Received, Sent and Parameters blocks in full.
#pragma once

#include "link/gpib_command_info.h"

#include <filesystem>
#include <string>

namespace corvid::debugger {

class CommandList;
class Prompt;
class ProgressSink;

// The line of one command, with its CR LF.
std::string ExportLine(const link::CGPIBCommandInfo& command);

// The document's path with the extension ".txt" in place of its own (added when it has
// none); "*.txt" for a document without a path.
std::filesystem::path ProposedExportName(const std::filesystem::path& documentPath);

// Writes every command of the list to the file, replacing it, and reports the outcome
// ("File exported successfully", or the failure). False when nothing or not everything
// was written.
bool ExportToText(const CommandList& commands, const std::filesystem::path& output, Prompt& prompt,
                  ProgressSink* progress = nullptr);

} // namespace corvid::debugger
