// Find (from the Find window) and Replace all occurrences, on the active document.
#pragma once

#include "link/gpib_command_info.h"

#include <string>
#include <string_view>

namespace corvid::debugger {

class Prompt;
class RecordingDocument;

struct FindRequest {
    std::string text;
    bool matchCase = false;
};

// Whether the trimmed find text occurs in the command's bus address, its date and time in
// the user's locale, its action name, or any of its blocks in full or summary form.
bool CommandMatches(const link::CGPIBCommandInfo& command, const FindRequest& request);

// Find Next: searches from the row after the selected one; a match is selected and brought
// into view. Without one asks "Continue from top?" and on Yes searches from the first row.
// Returns the row found, or -1.
int FindNext(RecordingDocument& document, const FindRequest& request, Prompt& prompt);

// The fields of the Replace Options dialog; "All" stands for all five.
struct ReplaceFields {
    bool all = true;
    bool busAddress = false;
    bool action = false;
    bool sent = false;
    bool received = false;
    bool parameters = false;
};

struct ReplaceOptions {
    ReplaceFields match;
    ReplaceFields replace;
};

// Replaces, in every row that matches the pattern in all chosen fields (at least one must
// be chosen), the chosen fields by the replacement's, and reports the count. Rows keep
// their place, breakpoint, time stamp and comment.
int ReplaceAll(RecordingDocument& document, const link::CGPIBCommandInfo& pattern,
               const link::CGPIBCommandInfo& replacement, const ReplaceOptions& options, Prompt& prompt);

} // namespace corvid::debugger
