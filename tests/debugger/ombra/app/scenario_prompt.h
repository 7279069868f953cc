// The prompt of the scenarios: answers from a script like the core tests' prompt and, when
// screenshots are wanted, shows chosen questions as real message boxes over the main window
// long enough to photograph them.
#pragma once

#include "../../test_support.h"

#include <QString>
#include <QWidget>
#include <set>
#include <string>

namespace corvid::ombra::testing {

// Saves the window (with any box above it) as <OMBRA_SCREENSHOT_DIR>/<name>.png when that
// variable is set; does nothing otherwise.
void Snapshot(QWidget& window, const QString& name);
bool ScreenshotsWanted();

class ScenarioPrompt : public debugger::testing::ScriptedPrompt {
public:
    explicit ScenarioPrompt(QWidget*& window) : window_(window) {}
    using Prompt::Ask;
    debugger::MsgAnswer Ask(const debugger::Question& question) override;

    // Questions with these captions are photographed under the given file names.
    std::set<std::string> photographed;

private:
    QWidget*& window_;
};

} // namespace corvid::ombra::testing
