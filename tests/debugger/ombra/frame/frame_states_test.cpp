// What the menus and toolbars enable, check and say: idle, recording, playing and paused,
// the document menus, the options and the line indicator.
#include "frame_test_support.h"
#include "ombra/command_list_view.h"
#include "ombra/find_window.h"
#include "ombra/recording_dialogs.h"
#include "ombra/trace_view.h"

#include <QDockWidget>
#include <QLabel>
#include <QMdiArea>
#include <QMenu>
#include <QRadioButton>
#include <QStatusBar>
#include <QToolBar>
#include <QtTest/QTest>
#include <gtest/gtest.h>

namespace corvid::ombra::testing {
namespace {

using namespace command;
using debugger::testing::Report;
using debugger::testing::WriteCommand;

constexpr int kEditing[] = {kProperties, kCut, kCopy, kFind, kReplace, kGoToLine, kDelete};

TEST_F(FrameTest, WithoutADocumentOnlyTheFrameCommandsWork) {
    Open();
    EXPECT_EQ(frame->ActiveDocument(), nullptr);
    EXPECT_FALSE(Act(kRecording).isEnabled());
    EXPECT_EQ(Act(kRecording).text(), "Start Recording");
    EXPECT_FALSE(Act(kPlayback).isEnabled());
    EXPECT_EQ(Act(kPlayback).text(), "Start Playback");
    EXPECT_FALSE(Act(kStop).isEnabled());
    EXPECT_TRUE(Act(kPause).isEnabled());
    EXPECT_FALSE(Act(kStep).isEnabled());
    EXPECT_FALSE(Act(kBreakpoint).isEnabled());
    EXPECT_FALSE(Act(kUndo).isEnabled());
    for (int id : kEditing)
        EXPECT_FALSE(Act(id).isEnabled()) << std::hex << id;
    EXPECT_FALSE(Act(kNewCommand).isEnabled());
    // The menus of a recording are not shown.
    for (const char* title : {"Edit", "Insert", "Playback", "Recording"})
        EXPECT_EQ(frame->Menu(title), nullptr) << title;
    ASSERT_NE(frame->Menu("File"), nullptr);
    EXPECT_FALSE(frame->Menu("File")->actions().contains(&Act(kSave)));
    EXPECT_TRUE(frame->Menu("File")->actions().contains(&Act(kExit)));
    EXPECT_FALSE(frame->Menu("Window")->actions().contains(&Act(kCascade)));
    EXPECT_NE(frame->Menu("Debug"), nullptr);
    EXPECT_NE(frame->Menu("Options"), nullptr);
    EXPECT_NE(frame->Menu("Help"), nullptr);
    EXPECT_EQ(frame->LineIndicatorPane()->text(), "Ln 0, of 0                   ");
    EXPECT_EQ(frame->statusBar()->currentMessage(), "Ready");
    EXPECT_EQ(frame->windowTitle(), "OMBRA");
}

TEST_F(FrameTest, AnEmptyDocumentCanBeRecordedPlayedAndGiveNewCommands) {
    Open();
    frame->NewDocument();
    EXPECT_TRUE(Act(kRecording).isEnabled());
    EXPECT_FALSE(Act(kRecording).isChecked());
    EXPECT_TRUE(Act(kPlayback).isEnabled());
    EXPECT_FALSE(Act(kStop).isEnabled());
    EXPECT_TRUE(Act(kNewCommand).isEnabled());
    EXPECT_FALSE(Act(kPaste).isEnabled()); // nothing copied yet
    for (int id : kEditing)
        EXPECT_FALSE(Act(id).isEnabled()) << std::hex << id;
    for (const char* title : {"Edit", "Insert", "Playback", "Recording"})
        EXPECT_NE(frame->Menu(title), nullptr) << title;
    EXPECT_TRUE(frame->Menu("File")->actions().contains(&Act(kSave)));
    EXPECT_TRUE(frame->Menu("File")->actions().contains(&Act(kExport)));
    EXPECT_TRUE(frame->Menu("Window")->actions().contains(&Act(kCascade)));
}

TEST_F(FrameTest, ASelectedRowEnablesEditingAndTheLineIndicatorFollowsIt) {
    Open();
    DocumentWindow* window = DocumentWith(3, 1);
    for (int id : kEditing)
        EXPECT_TRUE(Act(id).isEnabled()) << std::hex << id;
    EXPECT_TRUE(Act(kBreakpoint).isEnabled());
    EXPECT_EQ(frame->LineIndicatorPane()->text(), "Ln 2, of 3                   ");
    window->List()->selectRow(2); // the user's selection reaches the list and the pane
    EXPECT_EQ(window->Document()->Commands().SelectedIndex(), 2);
    EXPECT_EQ(frame->LineIndicatorPane()->text(), "Ln 3, of 3                   ");
    Act(kCopy).trigger();
    EXPECT_TRUE(Act(kPaste).isEnabled());
    // Another document: its own line numbers.
    frame->NewDocument();
    EXPECT_EQ(frame->LineIndicatorPane()->text(), "Ln 0, of 0                   ");
    EXPECT_TRUE(Act(kPaste).isEnabled()); // the clipboard belongs to the frame
}

TEST_F(FrameTest, RecordingLocksItsDocumentUntilPaused) {
    Open();
    DocumentWindow* recorded = DocumentWith(2, 0);
    bool dialogShown = false;
    answerDialog = [&](QDialog& dialog) {
        auto* recording = qobject_cast<RecordingDialog*>(&dialog);
        dialogShown = recording != nullptr;
        if (recording)
            recording->appendButton()->setChecked(true);
        return int(QDialog::Accepted);
    };
    Act(kRecording).trigger();
    ASSERT_TRUE(dialogShown);
    debugger::Engine& engine = frame->GetEngine();
    ASSERT_TRUE(engine.IsRecording());
    EXPECT_EQ(Act(kRecording).text(), "Stop Recording");
    EXPECT_TRUE(Act(kRecording).isChecked());
    EXPECT_TRUE(Act(kStop).isEnabled());
    EXPECT_FALSE(Act(kPlayback).isEnabled());
    for (int id : kEditing)
        EXPECT_FALSE(Act(id).isEnabled()) << std::hex << id;
    EXPECT_FALSE(Act(kBreakpoint).isEnabled());

    // A reported command lands at the end of the document and in the trace.
    EXPECT_EQ(Report(engine, WriteCommand(9, "*RST")), 1);
    EXPECT_EQ(recorded->Document()->Commands().Count(), 3);
    ASSERT_TRUE(ScreenCaughtUp());
    EXPECT_TRUE(frame->LineIndicatorPane()->text().startsWith("Ln 1, of 3 "))
        << frame->LineIndicatorPane()->text().toStdString();
    EXPECT_EQ(engine.Trace().Count(), 1);
    EXPECT_EQ(frame->Trace()->List()->CellText(0, 1), "9");

    Act(kPause).trigger();
    EXPECT_TRUE(Act(kPause).isChecked());
    for (int id : kEditing)
        EXPECT_TRUE(Act(id).isEnabled()) << std::hex << id;
    EXPECT_TRUE(Act(kBreakpoint).isEnabled());

    // In another document the recording can be neither stopped nor started.
    frame->NewDocument();
    EXPECT_FALSE(Act(kRecording).isEnabled());
    EXPECT_EQ(Act(kRecording).text(), "Stop Recording");
    EXPECT_FALSE(Act(kStop).isEnabled());
    frame->MdiArea()->setActiveSubWindow(recorded);
    Act(kStop).trigger();
    EXPECT_FALSE(engine.IsRecording());
    EXPECT_EQ(Act(kRecording).text(), "Start Recording");
}

TEST_F(FrameTest, CancellingTheRecordingDialogRecordsNothing) {
    Open();
    DocumentWith(1);
    answerDialog = [](QDialog&) {
        return int(QDialog::Rejected);
    };
    Act(kRecording).trigger();
    EXPECT_FALSE(frame->GetEngine().IsRecording());
    EXPECT_FALSE(Act(kRecording).isChecked());
}

TEST_F(FrameTest, PlayingPausingAndStepping) {
    Open();
    DocumentWindow* played = DocumentWith(3, 0);
    int dialogs = 0;
    answerDialog = [&](QDialog& dialog) {
        dialogs += qobject_cast<PlaybackDialog*>(&dialog) != nullptr;
        return int(QDialog::Accepted);
    };
    Act(kPlayback).trigger();
    EXPECT_EQ(dialogs, 1);
    debugger::Engine& engine = frame->GetEngine();
    ASSERT_TRUE(engine.IsPlaying());
    EXPECT_EQ(Act(kPlayback).text(), "Stop Playback");
    EXPECT_TRUE(Act(kPlayback).isChecked());
    EXPECT_FALSE(Act(kRecording).isEnabled());
    EXPECT_TRUE(Act(kStop).isEnabled());
    EXPECT_FALSE(Act(kCut).isEnabled());
    EXPECT_FALSE(Act(kStep).isEnabled());

    Act(kPause).trigger();
    EXPECT_TRUE(Act(kPause).isChecked());
    EXPECT_FALSE(Act(kStep).isEnabled()); // the driver is not waiting yet
    EXPECT_EQ(engine.OnQueryHold(), 1);
    EXPECT_TRUE(Act(kStep).isEnabled());
    Act(kStep).trigger();
    EXPECT_FALSE(Act(kStep).isEnabled());
    EXPECT_EQ(engine.OnQueryHold(), 0);
    EXPECT_EQ(engine.OnQueryHold(), 1);
    EXPECT_TRUE(Act(kCut).isEnabled()); // paused: the played document may be edited

    Act(kPause).trigger();
    Act(kPlayback).trigger(); // stops
    EXPECT_FALSE(engine.IsPlaying());
    EXPECT_EQ(Act(kPlayback).text(), "Start Playback");
    EXPECT_EQ(dialogs, 1);
    EXPECT_EQ(played->Document()->Commands().HighlightMode(), debugger::Highlight::idle);
}

TEST_F(FrameTest, TheCommandLinePlaysWithoutTheDialog) {
    Open();
    DocumentWith(2);
    answerDialog = [](QDialog&) -> int {
        ADD_FAILURE() << "no dialog expected";
        return QDialog::Rejected;
    };
    frame->StartPlaybackWithoutDialog();
    EXPECT_TRUE(frame->GetEngine().IsPlaying());
    EXPECT_EQ(frame->GetEngine().PlaybackSource()->Commands().PlaybackPosition(), 0);
}

TEST_F(FrameTest, OptionCommandsToggleAndCheckTheirItems) {
    Open();
    const debugger::Options& options = frame->GetEngine().GetOptions();
    EXPECT_TRUE(Act(kColourCoding).isChecked());
    EXPECT_FALSE(Act(kIgnoreBusAddresses).isChecked());
    EXPECT_TRUE(Act(kIgnoreTimeouts).isChecked());
    EXPECT_FALSE(Act(kValidateTypesOnly).isChecked());

    Act(kIgnoreBusAddresses).trigger();
    EXPECT_EQ(options.validateBusAddresses, 0);
    EXPECT_TRUE(Act(kIgnoreBusAddresses).isChecked());
    Act(kIgnoreTimeouts).trigger();
    EXPECT_FALSE(options.ignoreTimeoutChanges);
    Act(kValidateTypesOnly).trigger();
    EXPECT_TRUE(options.validateCommandTypeOnly);
    Act(kAutoscrollPlayback).trigger();
    EXPECT_TRUE(options.autoscrollPlayback);
    EXPECT_FALSE(options.autoscrollRecord);
    Act(kAutoscrollRecord).trigger();
    EXPECT_TRUE(options.autoscrollRecord);
    EXPECT_TRUE(Act(kAutoscrollRecord).isChecked());
}

TEST_F(FrameTest, ColourCodingRepaintsTheListsAtOnce) {
    Open();
    DocumentWindow* window = frame->NewDocument();
    window->Document()->Commands().Insert({WriteCommand(13, "X"), false}, -1, false, false);
    Report(frame->GetEngine(), WriteCommand(13, "X"));
    ASSERT_TRUE(ScreenCaughtUp());
    EXPECT_EQ(window->List()->CellBackground(0), QColor(0xC8, 0xC8, 0xC8));
    EXPECT_EQ(frame->Trace()->List()->CellBackground(0), QColor(0xC8, 0xC8, 0xC8));
    Act(kColourCoding).trigger();
    EXPECT_EQ(frame->GetEngine().GetOptions().automaticColorCoding, 0);
    EXPECT_FALSE(Act(kColourCoding).isChecked());
    EXPECT_NE(window->List()->CellBackground(0), QColor(0xC8, 0xC8, 0xC8));
    EXPECT_NE(frame->Trace()->List()->CellBackground(0), QColor(0xC8, 0xC8, 0xC8));
}

TEST_F(FrameTest, TheTraceWindowAndTheControlsToolbarShowAndHide) {
    Open();
    frame->show();
    QDockWidget* dock = frame->TraceDock();
    EXPECT_TRUE(dock->isHidden()); // hidden on the first start
    EXPECT_FALSE(Act(kTraceWindow).isChecked());
    Act(kTraceWindow).trigger();
    EXPECT_FALSE(dock->isHidden());
    EXPECT_TRUE(Act(kTraceWindow).isChecked());
    dock->setFloating(true);
    frame->RefreshCommandStates();
    EXPECT_FALSE(Act(kTraceWindow).isEnabled());
    dock->hide();
    frame->Menu("Window")->aboutToShow(); // a hidden floating bar docks again
    EXPECT_FALSE(dock->isFloating());
    EXPECT_TRUE(Act(kTraceWindow).isEnabled());

    EXPECT_TRUE(Act(kControlsToolBar).isChecked());
    Act(kControlsToolBar).trigger();
    EXPECT_TRUE(frame->ControlsToolBar()->isHidden());
    EXPECT_FALSE(Act(kControlsToolBar).isChecked());
}

TEST_F(FrameTest, ToolbarsHoldTheirButtonsInOrder) {
    Open();
    auto ids = [](QToolBar* bar) {
        std::vector<int> found;
        for (QAction* action : bar->actions())
            found.push_back(action->isSeparator() ? 0 : action->data().toInt());
        return found;
    };
    EXPECT_EQ(frame->MainToolBar()->windowTitle(), "Toolbar");
    EXPECT_EQ(ids(frame->MainToolBar()),
              (std::vector<int>{kNew, kOpen, kSave, 0, kCut, kCopy, kPaste, 0, kFind, kGoToLine, 0,
                                kNewCommand, 0, kDelete, 0, kProperties, 0, kAbout}));
    EXPECT_EQ(frame->ControlsToolBar()->windowTitle(), "Recording Controls");
    EXPECT_EQ(ids(frame->ControlsToolBar()),
              (std::vector<int>{kRecording, kPlayback, kStop, kPause, 0, kStep, kBreakpoint}));
    for (QAction* action : frame->ControlsToolBar()->actions()) {
        if (!action->isSeparator()) {
            EXPECT_FALSE(action->icon().isNull());
        }
    }
    EXPECT_EQ(Act(kStep).shortcut(), QKeySequence(Qt::Key_Space));
    EXPECT_EQ(Act(kStep).shortcutContext(), Qt::WindowShortcut);
    EXPECT_EQ(Act(kCut).shortcuts(),
              (QList<QKeySequence>{QKeySequence("Ctrl+X"), QKeySequence("Shift+Del")}));
    EXPECT_EQ(Act(kResetCalibration).shortcut(), QKeySequence("Ctrl+Alt+Home"));
    EXPECT_EQ(Act(kStep).statusTip(), "Process next command (Step Mode)");
    EXPECT_EQ(Act(kStep).toolTip(), "Process next command (Step Mode)");
    EXPECT_EQ(Act(kExport).statusTip(), "Exports the selected file to a text document");
}

TEST_F(FrameTest, EditingCommandsWorkOnTheActiveDocument) {
    Open();
    DocumentWindow* window = DocumentWith(3, 0);
    debugger::CommandList& list = window->Document()->Commands();
    Act(kCut).trigger();
    EXPECT_EQ(list.Count(), 2);
    EXPECT_TRUE(window->Document()->IsModified());
    list.Select(1, false);
    Act(kPaste).trigger();
    EXPECT_EQ(list.Count(), 3);
    EXPECT_EQ(list.At(1)->command.BusAddress(), 1);

    prompt.answers = {debugger::MsgAnswer::No};
    Act(kDelete).trigger();
    EXPECT_EQ(list.Count(), 3);
    EXPECT_EQ(prompt.asked.back().caption, "Confirm delete");
    prompt.answers = {debugger::MsgAnswer::Yes};
    Act(kDelete).trigger();
    EXPECT_EQ(list.Count(), 2);

    Act(kBreakpoint).trigger();
    EXPECT_TRUE(list.At(list.SelectedIndex())->breakpoint);

    // The trace's list answers a double click with a notice.
    emit frame->Trace()->List()->editRequested();
    EXPECT_EQ(prompt.asked.back().caption, "Not supported");
}

TEST_F(FrameTest, FindSelectsTheNextMatch) {
    Open();
    DocumentWindow* window = DocumentWith(4, 0);
    Act(kFind).trigger();
    EXPECT_TRUE(frame->Find()->isVisible());
    emit frame->Find()->findNext(debugger::FindRequest{"read", false});
    EXPECT_EQ(window->Document()->Commands().SelectedIndex(), 1);
    emit frame->Find()->findNext(debugger::FindRequest{"read", false});
    EXPECT_EQ(window->Document()->Commands().SelectedIndex(), 3);
    EXPECT_EQ(frame->LineIndicatorPane()->text(), "Ln 4, of 4                   ");
}

TEST_F(FrameTest, KeysReachTheirCommands) {
    Open();
    frame->show();
    QApplication::setActiveWindow(frame.get());
    DocumentWindow* window = DocumentWith(3, 0);
    window->List()->setFocus();
    auto key = [&](QKeyCombination combination) {
        QTest::keyClick(window->List(), combination.key(), combination.keyboardModifiers());
    };
    key(Qt::CTRL | Qt::Key_F4);
    EXPECT_TRUE(frame->GetEngine().GetOptions().autoscrollPlayback);
    key(Qt::CTRL | Qt::Key_F6);
    EXPECT_EQ(frame->GetEngine().GetOptions().automaticColorCoding, 0);
    prompt.answers = {debugger::MsgAnswer::Yes};
    key(QKeyCombination(Qt::Key_Delete));
    EXPECT_EQ(window->Document()->Commands().Count(), 2);
    key(QKeyCombination(Qt::Key_Pause));
    EXPECT_TRUE(frame->GetEngine().IsPaused());
    EXPECT_EQ(frame->GetEngine().OnQueryHold(), 1);
    key(QKeyCombination(Qt::Key_Space));
    EXPECT_TRUE(frame->GetEngine().StepRequested());
}

} // namespace
} // namespace corvid::ombra::testing
