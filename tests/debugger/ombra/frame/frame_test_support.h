// The main window under Qt's offscreen platform, with a scripted prompt and dialogs that
// the tests answer.
#pragma once

#include "../../test_support.h"
#include "debugger/document.h"
#include "debugger/engine.h"
#include "ombra/command_ids.h"
#include "ombra/document_window.h"
#include "ombra/main_frame.h"
#include "testsupport/qt_application.h"
#include "testsupport/sandbox.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <functional>
#include <memory>

namespace corvid::ombra::testing {

using corvid::testing::Application;

// A scripted prompt that also lets a test look at the world while a question is asked.
class HookedPrompt : public debugger::testing::ScriptedPrompt {
public:
    using Prompt::Ask;
    debugger::MsgAnswer Ask(const debugger::Question& question) override {
        if (onAsk)
            onAsk(question);
        return ScriptedPrompt::Ask(question);
    }
    std::function<void(const debugger::Question&)> onAsk;
};

class FrameTest : public corvid::testing::SandboxTest {
protected:
    void SetUp() override { Application(); }
    void TearDown() override { frame.reset(); }

    MainFrame& Open() {
        frame = std::make_unique<MainFrame>(prompt);
        frame->SetDialogRunner([this](QDialog& dialog) { return answerDialog ? answerDialog(dialog) : 0; });
        return *frame;
    }
    // Closes the window as the user would and destroys it.
    bool CloseFrame() {
        const bool closed = frame->close();
        frame.reset();
        return closed;
    }

    QAction& Act(int id) { return *frame->Action(id); }
    // A new document holding the commands, the row selected (-1: none).
    DocumentWindow* DocumentWith(int rows, int selected = -1);
    std::string TempFile(const char* name) const { return (sandbox.home() / name).string(); }
    // Turns the event loop until the trace and every document list show what their lists
    // hold (recorded rows reach the screen on a timer); false after a few seconds.
    bool ScreenCaughtUp();

    HookedPrompt prompt;
    std::unique_ptr<MainFrame> frame;
    // Answers every dialog the frame runs; unset: Rejected.
    std::function<int(QDialog&)> answerDialog;
};

} // namespace corvid::ombra::testing
