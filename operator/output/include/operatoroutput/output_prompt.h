// The message boxes of the result sinks. Every box goes through an OutputPrompt, so that
// tests read its exact text and caption.
#pragma once

#include "operatorconfig/configuration_manager.h"

#include <string>

namespace corvid::operatoroutput {

class OutputPrompt : public operatorconfig::Prompt {
public:
    // A message box with an OK button.
    virtual void ShowMessage(const std::string& text, const std::string& caption) = 0;

protected:
    ~OutputPrompt() = default;
};

} // namespace corvid::operatoroutput
