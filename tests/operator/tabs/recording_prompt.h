// A prompt that records every box as "caption|text" and answers questions as told.
#pragma once

#include "operatortabs/prompt.h"

#include <string>
#include <vector>

namespace corvid::operatortabs::testing {

class RecordingPrompt final : public Prompt {
public:
    MsgAnswer Ask(const platform::MessageBoxRequest& request) override {
        boxes.push_back(request.text);
        buttons.push_back(request.buttons);
        return request.buttons == MsgButtons::YesNo ? answer : MsgAnswer::Ok;
    }
    std::vector<std::string> boxes;
    std::vector<MsgButtons> buttons;
    MsgAnswer answer = MsgAnswer::No;
};

} // namespace corvid::operatortabs::testing
