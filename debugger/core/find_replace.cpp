#include "debugger/find_replace.h"

#include "debugger/comparison.h"
#include "debugger/document.h"
#include "debugger/list_text.h"
#include "debugger/prompt.h"
#include "debugger/value_checks.h"
#include "platform/text.h"

#include <array>
#include <cctype>
#include <cstdio>
#include <limits>

namespace corvid::debugger {
namespace {

constexpr std::size_t kNoLimit = std::numeric_limits<std::size_t>::max();

std::string Lowered(std::string_view text) {
    std::string lowered(text);
    for (char& c : lowered)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lowered;
}

bool Occurs(std::string_view needle, std::string haystack, bool matchCase) {
    if (!matchCase)
        haystack = Lowered(haystack);
    return haystack.find(needle) != std::string::npos;
}

int Search(const CommandList& list, int start, const FindRequest& request) {
    for (int row = start; row < list.Count(); ++row)
        if (CommandMatches(list.At(row)->command, request))
            return row;
    return -1;
}

bool Chosen(const ReplaceFields& fields, bool field) {
    return fields.all || field;
}

bool AnyChosen(const ReplaceFields& fields) {
    return fields.all || fields.busAddress || fields.action || fields.sent || fields.received ||
           fields.parameters;
}

bool Matches(const link::CGPIBCommandInfo& row, const link::CGPIBCommandInfo& pattern,
             const ReplaceFields& match, Prompt& prompt) {
    if (!AnyChosen(match))
        return false;
    if (Chosen(match, match.busAddress) && row.BusAddress() != pattern.BusAddress())
        return false;
    if (Chosen(match, match.action) && row.ActionCode() != pattern.ActionCode())
        return false;
    if (Chosen(match, match.sent) && !BlocksEqual(row, pattern, BlockRole::sent, prompt))
        return false;
    if (Chosen(match, match.received) && !BlocksEqual(row, pattern, BlockRole::received, prompt))
        return false;
    return !Chosen(match, match.parameters) || BlocksEqual(row, pattern, BlockRole::parameters, prompt);
}

void ReplaceFieldsOf(link::CGPIBCommandInfo& row, const link::CGPIBCommandInfo& replacement,
                     const ReplaceFields& replace) {
    if (Chosen(replace, replace.busAddress))
        row.SetBusAddress(replacement.BusAddress());
    if (Chosen(replace, replace.action))
        row.SetActionCode(replacement.ActionCode());
    for (BlockRole role : {BlockRole::sent, BlockRole::received, BlockRole::parameters}) {
        const bool chosen = role == BlockRole::sent       ? replace.sent
                            : role == BlockRole::received ? replace.received
                                                          : replace.parameters;
        if (Chosen(replace, chosen))
            SetBlock(row, role, BlockOf(replacement, role));
    }
}

} // namespace

bool CommandMatches(const link::CGPIBCommandInfo& command, const FindRequest& request) {
    const std::string needle =
        request.matchCase ? std::string(platform::Trim(request.text)) : Lowered(platform::Trim(request.text));
    const bool matchCase = request.matchCase;
    if (Occurs(needle, std::to_string(command.BusAddress()), matchCase) ||
        Occurs(needle, LocaleDateTimeText(command.Time().date), matchCase) ||
        Occurs(needle, std::string(link::ActionName(command.ActionCode())), matchCase))
        return true;
    for (const link::CCopyDataBlock* block : {&command.Received(), &command.Sent(), &command.Parameters()}) {
        if (Occurs(needle, block->GetString(true, kNoLimit), matchCase) ||
            Occurs(needle, block->GetString(false, kNoLimit), matchCase))
            return true;
    }
    return false;
}

int FindNext(RecordingDocument& document, const FindRequest& request, Prompt& prompt) {
    CommandList& list = document.Commands();
    int found = Search(list, list.SelectedIndex() + 1, request);
    if (found < 0) {
        if (prompt.Ask("No more matches found.\r\nContinue from top?", "Continue from top?",
                       MsgButtons::YesNo, MsgIcon::Question) != MsgAnswer::Yes)
            return -1;
        found = Search(list, 0, request);
        if (found < 0) {
            prompt.Ask("No more matches found.", "No more matches found.", MsgButtons::Ok,
                       MsgIcon::Information);
            return -1;
        }
    }
    list.Select(found, true);
    return found;
}

int ReplaceAll(RecordingDocument& document, const link::CGPIBCommandInfo& pattern,
               const link::CGPIBCommandInfo& replacement, const ReplaceOptions& options, Prompt& prompt) {
    CommandList& list = document.Commands();
    int replaced = 0;
    for (int row = 0; row < list.Count(); ++row) {
        link::CGPIBCommandInfo& command = list.At(row)->command;
        if (!Matches(command, pattern, options.match, prompt))
            continue;
        ReplaceFieldsOf(command, replacement, options.replace);
        ++replaced;
    }
    if (replaced > 0)
        document.SetModified();
    char text[128];
    std::snprintf(text, sizeof text, "A total of %i items have been replaced using the options specified.",
                  replaced);
    prompt.Ask(text, "Replace Successfull", MsgButtons::Ok, MsgIcon::Information);
    list.Repaint();
    return replaced;
}

} // namespace corvid::debugger
