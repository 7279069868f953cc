// omr info, dump, build, export and convert.
#include "debugger/document.h"
#include "debugger/text_export.h"
#include "link/record_json.h"
#include "omr.h"
#include "prompts.h"

#include <fstream>
#include <nlohmann/json.hpp>

namespace corvid::omr {
namespace {

using debugger::RecordingDocument;

void ExpectArguments(const Arguments& args, std::size_t least, std::size_t most) {
    if (args.size() < least || args.size() > most)
        throw UsageError{"wrong number of arguments"};
    for (const std::string& arg : args)
        if (arg.size() > 1 && arg[0] == '-')
            throw UsageError{"unknown option '" + arg + "'"};
}

// Opens a recording; on failure prints why and returns false.
bool OpenRecording(RecordingDocument& document, const std::string& path) {
    CollectingPrompt prompt;
    MessageBoxRoute route(prompt);
    if (document.Open(path, prompt))
        return true;
    prompt.PrintTo(stderr);
    return false;
}

bool SaveRecording(RecordingDocument& document, const std::string& path) {
    CollectingPrompt prompt; // answers OK to the conversion question
    MessageBoxRoute route(prompt);
    if (document.Save(path, prompt))
        return true;
    prompt.PrintTo(stderr);
    return false;
}

std::string Line(const nlohmann::ordered_json& object) {
    return object.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

} // namespace

int Info(const Arguments& args) {
    ExpectArguments(args, 1, 1);
    RecordingDocument document;
    if (!OpenRecording(document, args[0]))
        return kExitFailed;
    PrintJsonLine(
        Line({{"file", args[0]}, {"version", document.FileVersion()}, {"records", document.RecordCount()}}));
    return kExitOk;
}

int Dump(const Arguments& args) {
    ExpectArguments(args, 1, 1);
    RecordingDocument document;
    if (!OpenRecording(document, args[0]))
        return kExitFailed;
    const debugger::CommandList& commands = document.Commands();
    std::string out;
    for (int i = 0; i < commands.Count(); ++i) {
        out += link::RecordToJson(commands.At(i)->command);
        out += '\n';
        if (out.size() >= (1 << 16)) {
            std::fputs(out.c_str(), stdout);
            out.clear();
        }
    }
    std::fputs(out.c_str(), stdout);
    return std::fflush(stdout) == 0 ? kExitOk : kExitFailed;
}

int Build(const Arguments& args) {
    ExpectArguments(args, 2, 2);
    std::ifstream in(args[0]);
    if (!in) {
        std::fprintf(stderr, "omr build: cannot read %s\n", args[0].c_str());
        return kExitFailed;
    }
    RecordingDocument document;
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        if (line.find_first_not_of(" \t\r") == std::string::npos)
            continue;
        try {
            document.Commands().Insert({link::RecordFromJson(line), false}, -1, false, false);
        } catch (const std::invalid_argument& error) {
            std::fprintf(stderr, "omr build: %s:%d: %s\n", args[0].c_str(), number, error.what());
            return kExitFailed;
        }
    }
    if (!SaveRecording(document, args[1]))
        return kExitFailed;
    PrintJsonLine(Line({{"file", args[1]}, {"version", 2}, {"records", document.RecordCount()}}));
    return kExitOk;
}

int Export(const Arguments& args) {
    ExpectArguments(args, 1, 2);
    RecordingDocument document;
    if (!OpenRecording(document, args[0]))
        return kExitFailed;
    const std::filesystem::path output =
        args.size() > 1 ? std::filesystem::path(args[1]) : debugger::ProposedExportName(args[0]);
    CollectingPrompt prompt;
    if (!debugger::ExportToText(document.Commands(), output, prompt)) {
        prompt.PrintTo(stderr);
        return kExitFailed;
    }
    PrintJsonLine(Line({{"file", output.string()}, {"lines", document.Commands().Count()}}));
    return kExitOk;
}

int Convert(const Arguments& args) {
    ExpectArguments(args, 2, 2);
    RecordingDocument document;
    if (!OpenRecording(document, args[0]))
        return kExitFailed;
    const int from = document.FileVersion();
    if (!SaveRecording(document, args[1]))
        return kExitFailed;
    PrintJsonLine(Line({{"file", args[1]},
                        {"version", document.FileVersion()},
                        {"records", document.RecordCount()},
                        {"from_version", from}}));
    return kExitOk;
}

} // namespace corvid::omr
