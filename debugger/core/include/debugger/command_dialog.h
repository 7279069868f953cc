// The Edit/Change Command dialog without its window, used by Command Properties, New
// Command and Replace. It works on its own copy of a command and hands back the edited
// copy.
#pragma once

#include "debugger/comparison.h"
#include "link/gpib_command_info.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace corvid::debugger {

class Prompt;

class CommandDialog {
public:
    enum class Mode { edit, replace };

    struct ActionChoice {
        std::string_view name;
        std::uint8_t code;
    };
    // "UNKNOWN" (0) and "READ" (1) to "CLOSE" (16), in list order.
    static const std::array<ActionChoice, 17>& ActionChoices();

    explicit CommandDialog(const link::CGPIBCommandInfo& command, Mode mode = Mode::edit);

    // Selects the command's action ("Error selecting command type, button clicks are
    // supported yet." when the list lacks it) and shows the comment area when there is a
    // comment.
    void Open(Prompt& prompt);

    // "Replacing Command With..." in replace mode.
    std::string_view Title() const;

    std::string busAddressText;
    std::string comment;

    std::optional<int> ActionIndex() const { return actionIndex_; }
    void SelectAction(std::optional<int> index);

    bool CommentsShown() const { return commentsShown_; }
    void ShowComments() { commentsShown_ = true; }
    void HideComments() { commentsShown_ = false; }

    const link::CCopyDataBlock& Block(BlockRole role) const { return BlockOf(command_, role); }
    // The block's summary text, without a length limit.
    std::string BlockText(BlockRole role) const;
    // "Data type: VT_R8 (double)", ..., "Data type: UNKNOWN".
    std::string BlockTypeLabel(BlockRole role) const;
    // The Edit/Change Data dialog's result; the presence bit follows the block.
    void SetBlock(BlockRole role, const link::CCopyDataBlock& block) {
        debugger::SetBlock(command_, role, block);
    }

    // OK: checks the bus address and the action, then takes them and the comment. False
    // (with the message shown) keeps the dialog open.
    bool Accept(Prompt& prompt);
    const link::CGPIBCommandInfo& Result() const { return command_; }

private:
    link::CGPIBCommandInfo command_;
    Mode mode_;
    std::optional<int> actionIndex_;
    bool commentsShown_ = false;
};

} // namespace corvid::debugger
