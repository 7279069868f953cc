// What the main window's commands do: the debugger's recording, playback and stepping,
// the editing commands on the active document, the options and the window commands.
#include "debugger/breakpoints.h"
#include "debugger/calibration_reset.h"
#include "debugger/command_dialog.h"
#include "debugger/document.h"
#include "debugger/engine.h"
#include "debugger/find_replace.h"
#include "debugger/prompt.h"
#include "ombra/about_box.h"
#include "ombra/command_edit_dialog.h"
#include "ombra/command_ids.h"
#include "ombra/command_list_view.h"
#include "ombra/document_window.h"
#include "ombra/find_window.h"
#include "ombra/go_to_line_dialog.h"
#include "ombra/main_frame.h"
#include "ombra/recording_dialogs.h"
#include "ombra/replace_options_dialog.h"
#include "wait_cursor.h"

#include <QAction>
#include <QApplication>
#include <QDockWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QToolBar>

namespace corvid::ombra {
namespace {

constexpr const char* kTraceEditText =
    "In the future....double clicking a command in the trace window will\r\nautomatically add it to the "
    "breakpoint window to set a new breakpoint.\r\n\r\nToo bad it doesn't work yet huh?";

} // namespace

using namespace command;

void MainFrame::ConnectCommands() {
    auto on = [this](int id, auto slot) {
        connect(actions_.at(id), &QAction::triggered, this, slot);
    };
    on(kNew, [this] { NewDocument(); });
    on(kOpen, [this] { OnOpen(); });
    on(kClose, [this] {
        if (DocumentWindow* window = ActiveDocument())
            window->close();
    });
    on(kSave, [this] {
        if (DocumentWindow* window = ActiveDocument())
            SaveDocument(*window, false);
    });
    on(kSaveAs, [this] {
        if (DocumentWindow* window = ActiveDocument())
            SaveDocument(*window, true);
    });
    on(kExport, [this] { OnExport(); });
    on(kExit, [this] { close(); });
    on(kProperties, [this] { OnProperties(); });
    on(kCut, [this] { OnCut(); });
    on(kCopy, [this] { OnCopy(); });
    on(kPaste, [this] { OnPaste(); });
    on(kFind, [this] { OnFind(); });
    on(kReplace, [this] { OnReplace(); });
    on(kGoToLine, [this] { OnGoToLine(); });
    on(kDelete, [this] { OnDelete(); });
    on(kNewCommand, [this] { OnNewCommand(); });
    on(kRecording, [this] { OnRecording(); });
    on(kPlayback, [this] { OnPlayback(); });
    on(kStop, [this] { engine_->Stop(ActiveRecording()); });
    on(kPause, [this] { engine_->TogglePause(); });
    on(kStep, [this] { engine_->RequestStep(); });
    on(kBreakpoint, [this] { OnBreakpoint(); });
    on(kCascade, [this] { mdi_->cascadeSubWindows(); });
    on(kTile, [this] { mdi_->tileSubWindows(); });
    on(kArrange, [this] {
        // Minimised windows line up again along the bottom of the area.
        for (QMdiSubWindow* window : mdi_->subWindowList())
            if (window->isMinimized())
                window->showMinimized();
    });
    on(kNextPane, [this] { mdi_->activateNextSubWindow(); });
    on(kPreviousPane, [this] { mdi_->activatePreviousSubWindow(); });
    on(kTraceWindow, [this] { OnToggleTraceWindow(); });
    on(kControlsToolBar, [this] { OnToggleControls(); });
    for (int id : {kValidateTypesOnly, kIgnoreBusAddresses, kIgnoreTimeouts, kAutoscrollPlayback,
                   kAutoscrollRecord, kColourCoding})
        on(id, [this, id] { OnToggleOption(id); });
    on(kResetCalibration, [this] {
        const WaitCursor wait;
        debugger::ResetCalibrationDatabase(false, *prompt_);
    });
    on(kAbout, [this] { OnAbout(); });
    connect(find_, &FindWindow::findNext, this,
            [this](const debugger::FindRequest& request) { OnFindNext(request); });
    connect(controlsBar_, &QToolBar::visibilityChanged, this, [this] { RefreshCommandStates(); });
    connect(controlsBar_, &QToolBar::topLevelChanged, this, [this] { RefreshCommandStates(); });
}

void MainFrame::OnRecording() {
    DocumentWindow* window = ActiveDocument();
    if (!window || !engine_->RecordingCommand(window->Document().get()).enabled)
        return;
    if (engine_->IsRecording()) {
        engine_->StopRecording();
        return;
    }
    RecordingDialog dialog(engine_->RecordingDialogFor(*window->Document()), this);
    std::optional<debugger::RecordingChoice> choice;
    if (runDialog_(dialog) == QDialog::Accepted)
        choice = dialog.Choice();
    engine_->StartRecording(window->Document(), choice);
}

void MainFrame::OnPlayback() {
    DocumentWindow* window = ActiveDocument();
    if (!window || !engine_->PlaybackCommand(window->Document().get()).enabled)
        return;
    const std::shared_ptr<debugger::RecordingDocument>& document = window->Document();
    if (engine_->IsPlaying() && engine_->PlaybackSource() == document) {
        engine_->StopPlayback(false);
        return;
    }
    std::optional<debugger::PlaybackChoice> choice;
    if (debugger::Engine::PlaybackShowsDialog(*document)) {
        PlaybackDialog dialog(engine_->PlaybackDialogFor(*document), this);
        if (runDialog_(dialog) == QDialog::Accepted)
            choice = dialog.Choice();
    }
    engine_->StartPlayback(document, choice);
}

bool MainFrame::Editable(debugger::EditCommand command) const {
    return debugger::EditCommandEnabled(command, ActiveRecording(), *engine_, clipboard_);
}

void MainFrame::OnProperties() {
    debugger::RecordingDocument* document = ActiveRecording();
    if (!document || !Editable(debugger::EditCommand::properties))
        return;
    debugger::CommandList& list = document->Commands();
    const link::CGPIBCommandInfo original = list.At(list.SelectedIndex())->command;
    CommandEditDialog dialog(original, debugger::CommandDialog::Mode::edit, *prompt_, this);
    if (runDialog_(dialog) == QDialog::Accepted) {
        // While paused a command already under way is still recorded, above or below the
        // edited row; the selection moves with the row, a stale index would not.
        const int row = list.SelectedIndex();
        const debugger::CommandItem* item = list.At(row);
        debugger::ApplyCommandProperties(*document,
                                         item && item->command.Serialize() == original.Serialize() ? row : -1,
                                         dialog.Result(), *prompt_);
    }
    RefreshCommandStates();
}

void MainFrame::OnEditRequested(bool fromTrace) {
    if (fromTrace)
        prompt_->Ask(kTraceEditText, "Not supported", debugger::MsgButtons::Ok,
                     debugger::MsgIcon::Information);
    else
        OnProperties();
}

void MainFrame::OnCut() {
    if (Editable(debugger::EditCommand::cut))
        debugger::CutCommand(*ActiveRecording(), clipboard_);
    RefreshCommandStates();
}

void MainFrame::OnCopy() {
    if (Editable(debugger::EditCommand::copy))
        debugger::CopyCommand(*ActiveRecording(), clipboard_);
    RefreshCommandStates();
}

void MainFrame::OnPaste() {
    if (Editable(debugger::EditCommand::paste))
        debugger::PasteCommand(*ActiveRecording(), clipboard_);
    RefreshCommandStates();
}

void MainFrame::OnDelete() {
    if (Editable(debugger::EditCommand::deleteRow))
        debugger::DeleteCommand(*ActiveRecording(), *prompt_);
    RefreshCommandStates();
}

void MainFrame::OnNewCommand() {
    debugger::RecordingDocument* document = ActiveRecording();
    if (!document || !Editable(debugger::EditCommand::newCommand))
        return;
    CommandEditDialog dialog(debugger::MakeNewCommand(), debugger::CommandDialog::Mode::edit, *prompt_, this);
    // The place is taken after the dialog: rows may have been recorded meanwhile.
    if (runDialog_(dialog) == QDialog::Accepted)
        debugger::InsertNewCommand(*document, debugger::NewCommandIndex(*document), dialog.Result());
    RefreshCommandStates();
}

void MainFrame::OnFind() {
    if (Editable(debugger::EditCommand::find))
        find_->ShowAndFocus();
}

void MainFrame::OnFindNext(const debugger::FindRequest& request) {
    // The Find window may outlive its document's editability (recording started, document
    // closed); it finds nothing then, as the Find command would not be offered.
    DocumentWindow* window = ActiveDocument();
    if (!window || !Editable(debugger::EditCommand::find)) {
        QApplication::beep();
        return;
    }
    int row = -1;
    {
        WaitCursor wait;
        row = debugger::FindNext(*window->Document(), request, *prompt_);
    }
    if (row >= 0) {
        activateWindow();
        window->List()->setFocus();
    } else {
        find_->KeepFocus();
    }
}

void MainFrame::OnReplace() {
    debugger::RecordingDocument* document = ActiveRecording();
    if (!document || !Editable(debugger::EditCommand::replace))
        return;
    const link::CGPIBCommandInfo pattern =
        document->Commands().At(document->Commands().SelectedIndex())->command;
    CommandEditDialog edit(pattern, debugger::CommandDialog::Mode::replace, *prompt_, this);
    if (runDialog_(edit) != QDialog::Accepted)
        return;
    ReplaceOptionsDialog options(this);
    if (runDialog_(options) != QDialog::Accepted)
        return;
    debugger::ReplaceAll(*document, pattern, edit.Result(), options.Options(), *prompt_);
    if (DocumentWindow* window = ActiveDocument())
        window->List()->RepaintRows();
    RefreshCommandStates();
}

void MainFrame::OnGoToLine() {
    debugger::RecordingDocument* document = ActiveRecording();
    if (!document || !Editable(debugger::EditCommand::goToLine))
        return;
    GoToLineDialog dialog(*document, *prompt_, this);
    runDialog_(dialog);
    RefreshCommandStates();
}

void MainFrame::OnBreakpoint() {
    debugger::RecordingDocument* document = ActiveRecording();
    if (debugger::BreakpointCommandEnabled(document, *engine_))
        debugger::ToggleBreakpoint(document);
}

void MainFrame::OnAbout() {
    AboutBox about(versionText_, this);
    runDialog_(about);
}

void MainFrame::OnToggleOption(int id) {
    debugger::Options& options = engine_->GetOptions();
    switch (id) {
    case kValidateTypesOnly:
        options.validateCommandTypeOnly = !options.validateCommandTypeOnly;
        break;
    case kIgnoreBusAddresses:
        options.validateBusAddresses = options.validateBusAddresses == 0 ? 1 : 0;
        break;
    case kIgnoreTimeouts:
        options.ignoreTimeoutChanges = !options.ignoreTimeoutChanges;
        break;
    case kAutoscrollPlayback:
        options.autoscrollPlayback = !options.autoscrollPlayback;
        break;
    case kAutoscrollRecord:
        options.autoscrollRecord = !options.autoscrollRecord;
        break;
    case kColourCoding:
        options.automaticColorCoding = options.automaticColorCoding == 1 ? 0 : 1;
        RepaintAllLists();
        break;
    default:
        break;
    }
    RefreshCommandStates();
}

void MainFrame::RepaintAllLists() {
    if (trace_)
        trace_->List()->RepaintRows();
    for (DocumentWindow* window : Documents())
        window->List()->RepaintRows();
}

void MainFrame::OnToggleTraceWindow() {
    if (!traceDock_->isFloating())
        traceDock_->setVisible(traceDock_->isHidden());
    RefreshCommandStates();
}

void MainFrame::OnToggleControls() {
    if (!controlsBar_->isFloating())
        controlsBar_->setVisible(controlsBar_->isHidden());
    RefreshCommandStates();
}

} // namespace corvid::ombra
