#include "debugger/text_export.h"

#include "debugger/command_list.h"
#include "debugger/progress.h"
#include "debugger/prompt.h"
#include "file_io.h"

#include <fcntl.h>
#include <limits>
#include <system_error>

namespace corvid::debugger {
namespace {

constexpr const char* kWriteFailed =
    "Unable to write to the output file specified. The file was not exported.";

std::string Field(const link::CCopyDataBlock& block) {
    std::string text = block.GetString(true, std::numeric_limits<std::size_t>::max());
    while (!text.empty() && text.back() == '\n')
        text.pop_back();
    return text;
}

} // namespace

std::string ExportLine(const link::CGPIBCommandInfo& command) {
    std::string line = std::to_string(command.BusAddress());
    line += '\t';
    line += link::ActionName(command.ActionCode());
    line += '\t';
    line += Field(command.Received());
    line += '\t';
    line += Field(command.Sent());
    line += '\t';
    line += Field(command.Parameters());
    line += "\r\n";
    return line;
}

std::filesystem::path ProposedExportName(const std::filesystem::path& documentPath) {
    if (documentPath.empty() || !documentPath.has_filename())
        return "*.txt";
    std::filesystem::path proposed = documentPath;
    proposed.replace_extension("txt");
    return proposed;
}

bool ExportToText(const CommandList& commands, const std::filesystem::path& output, Prompt& prompt,
                  ProgressSink* progress) {
    fileio::FileHandle file;
    try {
        file = fileio::OpenFile(output, O_WRONLY | O_CREAT | O_TRUNC);
    } catch (const std::system_error&) {
        prompt.Ask(kWriteFailed);
        return false;
    }
    try {
        ProgressScope scope(progress, "Exporting file...", static_cast<std::size_t>(commands.Count()));
        fileio::BufferedWriter writer(file.Get());
        for (int i = 0; i < commands.Count(); ++i) {
            const std::string line = ExportLine(commands.At(i)->command);
            writer.Write({reinterpret_cast<const std::uint8_t*>(line.data()), line.size()});
            scope.Step();
        }
        writer.Flush();
    } catch (const std::system_error&) {
        prompt.Ask(kWriteFailed);
        return false;
    }
    file.Reset();
    prompt.Ask("File exported successfully", "Export Successful", MsgButtons::Ok, MsgIcon::Information);
    return true;
}

} // namespace corvid::debugger
