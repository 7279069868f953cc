// Collects the message boxes shown while it lives, answering each with its default button.
#pragma once

#include "platform/message_box.h"

#include <string>
#include <vector>

namespace corvid::link::testing {

class MessageCapture {
public:
    MessageCapture() {
        previous_ = platform::SetMessageBoxHandler([this](const platform::MessageBoxRequest& request) {
            texts.push_back(request.text);
            plain = plain && request.buttons == platform::MsgButtons::Ok &&
                    request.icon == platform::MsgIcon::None;
            return platform::DefaultAnswer(request.buttons);
        });
    }
    ~MessageCapture() { platform::SetMessageBoxHandler(previous_); }
    MessageCapture(const MessageCapture&) = delete;
    MessageCapture& operator=(const MessageCapture&) = delete;

    std::vector<std::string> texts;
    bool plain = true; // every box shown was a plain OK box

private:
    platform::MessageBoxHandler previous_;
};

} // namespace corvid::link::testing
