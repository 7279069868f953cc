// Command states: what the menus and toolbars enable, check and say, re-read on every
// selection change, document activation, engine change and before a menu opens.
#include "debugger/breakpoints.h"
#include "debugger/document.h"
#include "debugger/engine.h"
#include "debugger/list_text.h"
#include "ombra/command_ids.h"
#include "ombra/document_window.h"
#include "ombra/main_frame.h"

#include <QAction>
#include <QDockWidget>
#include <QLabel>
#include <QMdiArea>
#include <QMenu>
#include <QToolBar>

namespace corvid::ombra {

using namespace command;

void MainFrame::ApplyEngineState(int id, bool enabled, bool checked, const char* text) {
    QAction* action = actions_.at(id);
    action->setEnabled(enabled);
    action->setChecked(checked);
    if (text)
        action->setText(QString::fromLatin1(text));
}

void MainFrame::RefreshCommandStates() {
    if (destroying_ || actions_.empty() || !engine_)
        return;
    debugger::RecordingDocument* document = ActiveRecording();
    const debugger::Engine& engine = *engine_;

    auto apply = [this](int id, const debugger::CommandState& state, bool setText) {
        ApplyEngineState(id, state.enabled, state.checked,
                         setText ? std::string(state.text).c_str() : nullptr);
    };
    apply(kRecording, engine.RecordingCommand(document), true);
    apply(kPlayback, engine.PlaybackCommand(document), true);
    apply(kStop, engine.StopCommand(document), false);
    apply(kPause, engine.PauseCommand(), false);
    apply(kStep, engine.StepCommand(), false);

    const std::pair<int, debugger::EditCommand> editing[] = {
        {kProperties, debugger::EditCommand::properties},
        {kCut, debugger::EditCommand::cut},
        {kCopy, debugger::EditCommand::copy},
        {kPaste, debugger::EditCommand::paste},
        {kFind, debugger::EditCommand::find},
        {kReplace, debugger::EditCommand::replace},
        {kGoToLine, debugger::EditCommand::goToLine},
        {kDelete, debugger::EditCommand::deleteRow},
        {kNewCommand, debugger::EditCommand::newCommand},
    };
    for (const auto& [id, edit] : editing)
        actions_.at(id)->setEnabled(debugger::EditCommandEnabled(edit, document, engine, clipboard_));
    actions_.at(kBreakpoint)->setEnabled(debugger::BreakpointCommandEnabled(document, engine));
    actions_.at(kUndo)->setEnabled(false);
    for (int id : {kClose, kSave, kSaveAs, kExport, kCascade, kTile, kArrange})
        actions_.at(id)->setEnabled(document != nullptr);
    for (int id : {kNextPane, kPreviousPane})
        actions_.at(id)->setEnabled(mdi_->subWindowList().size() > 1);

    const debugger::Options& options = engine.GetOptions();
    actions_.at(kValidateTypesOnly)->setChecked(options.validateCommandTypeOnly);
    actions_.at(kIgnoreBusAddresses)->setChecked(options.validateBusAddresses == 0);
    actions_.at(kIgnoreTimeouts)->setChecked(options.ignoreTimeoutChanges);
    actions_.at(kAutoscrollPlayback)->setChecked(options.autoscrollPlayback);
    actions_.at(kAutoscrollRecord)->setChecked(options.autoscrollRecord);
    actions_.at(kColourCoding)->setChecked(options.automaticColorCoding == 1);

    if (traceDock_) {
        actions_.at(kTraceWindow)->setChecked(!traceDock_->isHidden());
        actions_.at(kTraceWindow)->setEnabled(!traceDock_->isFloating());
    }
    if (controlsBar_) {
        actions_.at(kControlsToolBar)->setChecked(!controlsBar_->isHidden());
        actions_.at(kControlsToolBar)->setEnabled(!controlsBar_->isFloating());
    }
    UpdateMenuVisibility(document != nullptr);
    UpdateLineIndicator();
    DocumentWindow* window = ActiveDocument();
    setWindowTitle(window ? QStringLiteral("OMBRA - ") + window->Title() : QStringLiteral("OMBRA"));
}

void MainFrame::UpdateMenuVisibility(bool hasDocument) {
    for (const MenuEntry& entry : menus_)
        entry.menu->menuAction()->setVisible(entry.shown == MenuShown::always ||
                                             (entry.shown == MenuShown::withDocument) == hasDocument);
}

void MainFrame::UpdateLineIndicator() {
    DocumentWindow* window = ActiveDocument();
    const debugger::CommandList* list = window ? &window->Document()->Commands() : nullptr;
    linePane_->setText(QString::fromStdString(debugger::LineIndicator(list)));
}

void MainFrame::SelectionChanged() {
    RefreshCommandStates();
}

void MainFrame::DockHiddenFloatingBars() {
    // A floating bar that was hidden comes back docked when a menu opens.
    if (traceDock_ && traceDock_->isFloating() && traceDock_->isHidden())
        traceDock_->setFloating(false);
    if (controlsBar_ && controlsBar_->isFloating() && controlsBar_->isHidden())
        addToolBar(Qt::TopToolBarArea, controlsBar_);
}

} // namespace corvid::ombra
