// Every question and message of the debugger goes through a Prompt: the windowed program
// shows a modal box, the command-line front end prints and answers by its options, and
// tests check each text and caption and choose the answer.
#pragma once

#include "platform/message_box.h"

#include <string_view>

namespace corvid::debugger {

using platform::MsgAnswer;
using platform::MsgButtons;
using platform::MsgIcon;

// A message box: text, caption (empty: the program's name), buttons and icon.
using Question = platform::MessageBoxRequest;

class Prompt {
public:
    virtual ~Prompt() = default;

    // Shows the question modally and returns the button chosen.
    virtual MsgAnswer Ask(const Question& question) = 0;

    MsgAnswer Ask(std::string_view text, std::string_view caption = {}, MsgButtons buttons = MsgButtons::Ok,
                  MsgIcon icon = MsgIcon::None);
};

// Asks through the process-wide message-box service.
class MessageBoxPrompt final : public Prompt {
public:
    using Prompt::Ask;
    MsgAnswer Ask(const Question& question) override;
};

} // namespace corvid::debugger
