#include "debugger/command_dialog.h"

#include "debugger/prompt.h"
#include "debugger/value_checks.h"

#include <limits>

namespace corvid::debugger {

const std::array<CommandDialog::ActionChoice, 17>& CommandDialog::ActionChoices() {
    static const std::array<ActionChoice, 17> choices = [] {
        std::array<ActionChoice, 17> list{};
        for (std::uint8_t code = 0; code < list.size(); ++code)
            list[code] = {link::ActionName(code), code};
        return list;
    }();
    return choices;
}

CommandDialog::CommandDialog(const link::CGPIBCommandInfo& command, Mode mode)
    : busAddressText(std::to_string(command.BusAddress())), comment(command.Comments()), command_(command),
      mode_(mode) {}

void CommandDialog::Open(Prompt& prompt) {
    actionIndex_.reset();
    for (const ActionChoice& choice : ActionChoices())
        if (choice.code == command_.ActionCode())
            actionIndex_ = choice.code;
    if (!actionIndex_)
        prompt.Ask("Error selecting command type, button clicks are supported yet.");
    commentsShown_ = !command_.Comments().empty();
}

std::string_view CommandDialog::Title() const {
    return mode_ == Mode::replace ? "Replacing Command With..." : "Edit/Change Command";
}

void CommandDialog::SelectAction(std::optional<int> index) {
    if (index && (*index < 0 || *index >= static_cast<int>(ActionChoices().size())))
        index.reset();
    actionIndex_ = index;
}

std::string CommandDialog::BlockText(BlockRole role) const {
    return Block(role).GetString(false, std::numeric_limits<std::size_t>::max());
}

std::string CommandDialog::BlockTypeLabel(BlockRole role) const {
    const std::string_view label = link::DataTypeLabel(Block(role).Type());
    return "Data type: " + std::string(label.empty() ? "UNKNOWN" : label);
}

bool CommandDialog::Accept(Prompt& prompt) {
    const std::optional<std::uint8_t> address = ParseBusAddress(busAddressText);
    if (!address) {
        prompt.Ask("You have entered an invalid bus address.\r\n\r\nPlease enter a number between 0 and 31");
        return false;
    }
    if (!actionIndex_) {
        prompt.Ask("There was an error getting the selected data type");
        return false;
    }
    command_.SetBusAddress(*address);
    command_.SetActionCode(ActionChoices()[static_cast<std::size_t>(*actionIndex_)].code);
    command_.SetComments(comment);
    return true;
}

} // namespace corvid::debugger
