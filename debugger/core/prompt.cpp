#include "debugger/prompt.h"

#include <string>

namespace corvid::debugger {

MsgAnswer Prompt::Ask(std::string_view text, std::string_view caption, MsgButtons buttons, MsgIcon icon) {
    return Ask(Question{std::string(text), std::string(caption), buttons, icon});
}

MsgAnswer MessageBoxPrompt::Ask(const Question& question) {
    return platform::ShowMessageBox(question.text, question.caption, question.buttons, question.icon);
}

} // namespace corvid::debugger
