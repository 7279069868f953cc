#include "debugger/editing.h"

#include "debugger/document.h"
#include "debugger/engine.h"
#include "debugger/prompt.h"

namespace corvid::debugger {
namespace {

const link::CGPIBCommandInfo* SelectedCommand(const RecordingDocument& document) {
    const CommandList& list = document.Commands();
    const CommandItem* item = list.At(list.SelectedIndex());
    return item ? &item->command : nullptr;
}

} // namespace

bool EditCommandEnabled(EditCommand command, const RecordingDocument* document, const Engine& engine,
                        const Clipboard& clipboard) {
    if (!document)
        return false;
    if (engine.IsBusy(*document) && !engine.IsPaused())
        return false;
    switch (command) {
    case EditCommand::paste:
        return clipboard.command.has_value();
    case EditCommand::newCommand:
        return true;
    default:
        return SelectedCommand(*document) != nullptr;
    }
}

bool ApplyCommandProperties(RecordingDocument& document, int row, const link::CGPIBCommandInfo& edited,
                            Prompt& prompt) {
    if (!document.Commands().ReplaceCommand(row, edited)) {
        prompt.Ask("Error updating command");
        return false;
    }
    document.SetModified();
    return true;
}

void CutCommand(RecordingDocument& document, Clipboard& clipboard) {
    const link::CGPIBCommandInfo* command = SelectedCommand(document);
    if (!command)
        return;
    clipboard.command = *command;
    document.Commands().Delete(document.Commands().SelectedIndex(), true, true);
    document.SetModified();
}

void CopyCommand(const RecordingDocument& document, Clipboard& clipboard) {
    if (const link::CGPIBCommandInfo* command = SelectedCommand(document))
        clipboard.command = *command;
}

void PasteCommand(RecordingDocument& document, const Clipboard& clipboard) {
    if (!clipboard.command)
        return;
    CommandList& list = document.Commands();
    const int index = list.SelectedIndex() >= 0 ? list.SelectedIndex() : list.Count() - 1;
    list.Insert(CommandItem{*clipboard.command, false}, index, true, true);
    document.SetModified();
}

bool DeleteCommand(RecordingDocument& document, Prompt& prompt) {
    if (!SelectedCommand(document))
        return false;
    if (prompt.Ask("Once deleted it cannot be undone.\r\nDo you still want to delete it?", "Confirm delete",
                   MsgButtons::YesNoCancel, MsgIcon::Question) != MsgAnswer::Yes)
        return false;
    document.Commands().Delete(document.Commands().SelectedIndex(), true, true);
    document.SetModified();
    return true;
}

int NewCommandIndex(const RecordingDocument& document) {
    const CommandList& list = document.Commands();
    if (list.SelectedIndex() >= 0)
        return list.SelectedIndex() + 1;
    return list.Count() > 0 ? list.Count() - 1 : 0;
}

link::CGPIBCommandInfo MakeNewCommand() {
    return link::CGPIBCommandInfo();
}

void InsertNewCommand(RecordingDocument& document, int index, const link::CGPIBCommandInfo& command) {
    document.Commands().Insert(CommandItem{command, false}, index, true, true);
    document.SetModified();
}

int GoToLineStart(const RecordingDocument& document) {
    const int selected = document.Commands().SelectedIndex();
    return selected >= 0 ? selected + 1 : 1;
}

std::optional<int> GoToLine(RecordingDocument& document, std::string_view number, Prompt& prompt) {
    CommandList& list = document.Commands();
    int line = 0;
    const bool digits = !number.empty() && number.size() <= 9 &&
                        number.find_first_not_of("0123456789") == std::string_view::npos;
    if (digits)
        line = std::stoi(std::string(number));
    if (line < 1 || line > list.Count()) {
        prompt.Ask("The line number entered is invalid or out of range.");
        return std::nullopt;
    }
    list.Select(line - 1, true);
    return line - 1;
}

} // namespace corvid::debugger
