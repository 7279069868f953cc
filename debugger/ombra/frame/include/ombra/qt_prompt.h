// The windowed debugger's prompt: every question is a modal message box over the main
// window, which is raised and activated first (the driver's test program usually has the
// focus while the debugger asks).
#pragma once

#include "debugger/prompt.h"

class QWidget;

namespace corvid::ombra {

class QtPrompt final : public debugger::Prompt {
public:
    explicit QtPrompt(QWidget& window) : window_(window) {}
    using Prompt::Ask;
    debugger::MsgAnswer Ask(const debugger::Question& question) override;

private:
    QWidget& window_;
};

} // namespace corvid::ombra
