// The questions and notices of the operator tabs. Every box goes through a Prompt, so
// that tests answer it and check its exact text and caption.
#pragma once

#include "operatorconfig/configuration_manager.h"
#include "platform/message_box.h"

#include <string>

namespace corvid::operatortabs {

using platform::MsgAnswer;
using platform::MsgButtons;
using platform::MsgIcon;

class Prompt : public operatorconfig::Prompt {
public:
    virtual MsgAnswer Ask(const platform::MessageBoxRequest& request) = 0;

    // A notice with the application caption.
    void Notify(const std::string& text) override { Ask({text, operatorconfig::kApplicationTitle}); }
    MsgAnswer Show(const std::string& text, const std::string& caption = operatorconfig::kApplicationTitle,
                   MsgButtons buttons = MsgButtons::Ok, MsgIcon icon = MsgIcon::None) {
        return Ask({text, caption, buttons, icon});
    }

protected:
    ~Prompt() = default;
};

// Asks the process's message-box service (the host program's handler, CORVID_MSGBOX,
// the terminal or the default button).
class ServicePrompt final : public Prompt {
public:
    MsgAnswer Ask(const platform::MessageBoxRequest& request) override {
        return platform::ShowMessageBox(request.text, request.caption, request.buttons, request.icon);
    }
};

} // namespace corvid::operatortabs
