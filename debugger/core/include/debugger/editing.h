// The editing commands on the active recording document: properties, cut, copy, paste,
// delete, new command and go to line, with the rules that enable them.
#pragma once

#include "link/gpib_command_info.h"

#include <optional>
#include <string_view>

namespace corvid::debugger {

class Engine;
class Prompt;
class RecordingDocument;

// The main window's internal clipboard: at most one command.
struct Clipboard {
    std::optional<link::CGPIBCommandInfo> command;
};

enum class EditCommand { properties, cut, copy, paste, find, replace, goToLine, deleteRow, newCommand };

// Each needs a document with a selected row (Paste only a clipboard command, New Command
// nothing more), and none works in the document being recorded or played back unless the
// debugger is paused.
bool EditCommandEnabled(EditCommand command, const RecordingDocument* document, const Engine& engine,
                        const Clipboard& clipboard);

// Command Properties' OK: the row's command becomes the edited one; the row keeps its
// place and breakpoint. "Error updating command" when there is no such row.
bool ApplyCommandProperties(RecordingDocument& document, int row, const link::CGPIBCommandInfo& edited,
                            Prompt& prompt);

void CutCommand(RecordingDocument& document, Clipboard& clipboard);
void CopyCommand(const RecordingDocument& document, Clipboard& clipboard);
// Inserts before the selected row, or before the last row without a selection.
void PasteCommand(RecordingDocument& document, const Clipboard& clipboard);
// Asks "Confirm delete" and deletes the selected row on Yes.
bool DeleteCommand(RecordingDocument& document, Prompt& prompt);

// Where New Command inserts: after the selected row, or before the last row without one.
int NewCommandIndex(const RecordingDocument& document);
// An empty command: action, address and board 0, empty blocks and comment, time now.
link::CGPIBCommandInfo MakeNewCommand();
void InsertNewCommand(RecordingDocument& document, int index, const link::CGPIBCommandInfo& command);

// Go To Line: the number the dialog starts with, and Go. A number outside 1 to the row
// count shows "The line number entered is invalid or out of range." and gives nothing;
// otherwise the row is selected and brought into view.
int GoToLineStart(const RecordingDocument& document);
std::optional<int> GoToLine(RecordingDocument& document, std::string_view number, Prompt& prompt);

} // namespace corvid::debugger
