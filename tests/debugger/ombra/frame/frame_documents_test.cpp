// Documents, the settings the window keeps between runs, and closing.
#include "debugger/options.h"
#include "frame_test_support.h"
#include "ombra/command_edit_dialog.h"
#include "ombra/command_list_view.h"
#include "platform/registry.h"

#include <QDockWidget>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

namespace corvid::ombra::testing {
namespace {

using namespace command;
using debugger::MsgAnswer;
using debugger::testing::Records;

// Answers a file dialog with a path.
std::function<int(QDialog&)> ChooseFile(const std::string& path) {
    return [path](QDialog& dialog) {
        auto* files = qobject_cast<QFileDialog*>(&dialog);
        if (!files)
            return int(QDialog::Rejected);
        files->selectFile(QString::fromStdString(path));
        return int(QDialog::Accepted);
    };
}

TEST_F(FrameTest, ASavedRecordingReopensWithTheSameRows) {
    Open();
    DocumentWindow* window = DocumentWith(3);
    const std::string path = TempFile("rec.omr");
    answerDialog = ChooseFile(path);
    Act(kSave).trigger(); // a new document asks for its name
    EXPECT_FALSE(window->Document()->IsModified());
    EXPECT_EQ(window->windowTitle(), "rec.omr");
    EXPECT_EQ(frame->windowTitle(), "OMBRA - rec.omr");
    EXPECT_EQ(frame->RecentFiles(), QStringList{QString::fromStdString(path)});
    const auto saved = Records(window->Document()->Commands());
    window->close();
    EXPECT_TRUE(frame->Documents().isEmpty());

    DocumentWindow* reopened = frame->OpenDocument(QString::fromStdString(path));
    ASSERT_NE(reopened, nullptr);
    EXPECT_EQ(Records(reopened->Document()->Commands()), saved);
    EXPECT_EQ(reopened->List()->CellText(1, 2), "READ");
    // Opening it again only activates its window.
    EXPECT_EQ(frame->OpenDocument(QString::fromStdString(path)), reopened);
    EXPECT_EQ(frame->Documents().size(), 1);
    // The recent file is on the File menu under its command id.
    ASSERT_NE(frame->Action(kRecentFile1), nullptr);
    EXPECT_TRUE(frame->Action(kRecentFile1)->text().endsWith("rec.omr"));
}

TEST_F(FrameTest, TheRecentFileListSurvivesARestartAndKeepsFour) {
    Open();
    std::vector<std::string> paths;
    for (const char* name : {"a.omr", "b.omr", "c.omr", "d.omr", "e.omr"}) {
        DocumentWindow* window = DocumentWith(1);
        paths.push_back(TempFile(name));
        answerDialog = ChooseFile(paths.back());
        ASSERT_TRUE(frame->SaveDocument(*window, true));
    }
    frame.reset();
    Open();
    const QStringList expected{QString::fromStdString(paths[4]), QString::fromStdString(paths[3]),
                               QString::fromStdString(paths[2]), QString::fromStdString(paths[1])};
    EXPECT_EQ(frame->RecentFiles(), expected);
    EXPECT_EQ(debugger::DebuggerSettings().GetString("Recent File List", "File1"), paths[4]);
    frame->Action(kRecentFile1 + 1)->trigger();
    ASSERT_NE(frame->ActiveDocument(), nullptr);
    EXPECT_EQ(frame->ActiveDocument()->Title(), "d.omr");
}

TEST_F(FrameTest, AFileThatCannotBeOpenedSaysWhyAndOpensNothing) {
    Open();
    std::ofstream(TempFile("bad.omr")) << "not a recording";
    EXPECT_EQ(frame->OpenDocument(QString::fromStdString(TempFile("bad.omr"))), nullptr);
    EXPECT_EQ(prompt.asked.size(), 1u);
    EXPECT_TRUE(frame->Documents().isEmpty());
    EXPECT_TRUE(frame->RecentFiles().isEmpty());
}

TEST_F(FrameTest, ClosingAModifiedDocumentAsksToSaveIt) {
    Open();
    DocumentWindow* window = DocumentWith(2);
    window->Document()->SetModified();
    prompt.answers = {MsgAnswer::Cancel};
    EXPECT_FALSE(window->close());
    ASSERT_EQ(prompt.asked.size(), 1u);
    EXPECT_EQ(prompt.asked[0].text, "Save changes to " + window->Title().toStdString() + "?");
    EXPECT_EQ(prompt.asked[0].buttons, debugger::MsgButtons::YesNoCancel);
    EXPECT_EQ(frame->Documents().size(), 1);

    const std::string path = TempFile("kept.omr");
    answerDialog = ChooseFile(path);
    prompt.answers = {MsgAnswer::Yes};
    EXPECT_TRUE(window->close());
    EXPECT_TRUE(std::filesystem::exists(path));
    EXPECT_TRUE(frame->Documents().isEmpty());
}

TEST_F(FrameTest, ClosingTheDocumentBeingPlayedStopsThePlayback) {
    Open();
    DocumentWindow* window = DocumentWith(2);
    frame->StartPlaybackWithoutDialog();
    ASSERT_TRUE(frame->GetEngine().IsPlaying());
    window->close();
    EXPECT_FALSE(frame->GetEngine().IsPlaying());
    EXPECT_FALSE(Act(kPlayback).isEnabled());
}

TEST_F(FrameTest, ClosingTheProgramStopsThePlaybackBeforeTheDocumentsClose) {
    Open();
    DocumentWindow* window = DocumentWith(2);
    window->Document()->SetModified();
    frame->StartPlaybackWithoutDialog();
    ASSERT_TRUE(frame->GetEngine().IsPlaying());
    // Cancel keeps the program, its documents and the running playback.
    prompt.answers = {MsgAnswer::Cancel};
    EXPECT_FALSE(frame->close());
    EXPECT_EQ(frame->Documents().size(), 1);
    EXPECT_TRUE(frame->GetEngine().IsPlaying());

    bool playingWhenClosed = true;
    QObject::connect(window, &QObject::destroyed,
                     [&] { playingWhenClosed = frame->GetEngine().IsPlaying(); });
    prompt.answers = {MsgAnswer::No};
    EXPECT_TRUE(frame->close());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(frame->Documents().isEmpty());
    EXPECT_FALSE(frame->GetEngine().IsPlaying());
    EXPECT_FALSE(playingWhenClosed);
}

TEST_F(FrameTest, OnlyTheUnsavedDocumentsAreAskedAboutWhenTheProgramCloses) {
    Open();
    DocumentWith(1);
    DocumentWindow* changed = DocumentWith(1);
    changed->Document()->SetModified();
    prompt.answers = {MsgAnswer::No};
    EXPECT_TRUE(frame->close());
    ASSERT_EQ(prompt.asked.size(), 1u);
    EXPECT_EQ(prompt.asked[0].text, "Save changes to " + changed->Title().toStdString() + "?");
}

TEST_F(FrameTest, CommandPropertiesReplaceTheSelectedCommand) {
    Open();
    DocumentWindow* window = DocumentWith(2, 1);
    answerDialog = [](QDialog& dialog) {
        auto* edit = qobject_cast<CommandEditDialog*>(&dialog);
        if (!edit)
            return int(QDialog::Rejected);
        edit->busAddressEdit()->setText(" 17 ");
        edit->accept();
        return edit->result();
    };
    Act(kProperties).trigger();
    EXPECT_EQ(window->Document()->Commands().At(1)->command.BusAddress(), 17);
    EXPECT_TRUE(window->Document()->IsModified());
    // New Command inserts after the selected row.
    Act(kNewCommand).trigger();
    ASSERT_EQ(window->Document()->Commands().Count(), 3);
    EXPECT_EQ(window->Document()->Commands().At(2)->command.BusAddress(), 17);
    EXPECT_EQ(window->Document()->Commands().SelectedIndex(), 2);
}

TEST_F(FrameTest, ExportWritesTheProposedTextFile) {
    Open();
    DocumentWindow* window = DocumentWith(2);
    answerDialog = ChooseFile(TempFile("rec.omr"));
    ASSERT_TRUE(frame->SaveDocument(*window, false));
    QString proposed;
    answerDialog = [&](QDialog& dialog) {
        auto* files = qobject_cast<QFileDialog*>(&dialog);
        if (!files)
            return int(QDialog::Rejected);
        proposed = files->selectedFiles().value(0);
        return int(QDialog::Accepted);
    };
    Act(kExport).trigger();
    EXPECT_EQ(proposed, QString::fromStdString(TempFile("rec.txt")));
    std::ifstream text(TempFile("rec.txt"), std::ios::binary);
    std::stringstream content;
    content << text.rdbuf();
    EXPECT_EQ(content.str(), "1\tWRITE\t\tMEAS?\t\r\n2\tREAD\t1.5\t\t\r\n");
    EXPECT_EQ(prompt.asked.back().caption, "Export Successful");
}

TEST_F(FrameTest, TheLineIndicatorStaysAfterEveryProgressDisplay) {
    Open();
    frame->show();
    const auto indicatorShown = [this] {
        return frame->LineIndicatorPane()->isVisibleTo(frame.get()) &&
               frame->LineIndicatorPane()->isVisible();
    };
    ASSERT_TRUE(indicatorShown());
    DocumentWindow* window = DocumentWith(2, 0);
    answerDialog = ChooseFile(TempFile("rec.omr"));
    ASSERT_TRUE(frame->SaveDocument(*window, false));
    EXPECT_TRUE(indicatorShown()) << "after saving";
    answerDialog = ChooseFile(TempFile("rec.txt"));
    Act(kExport).trigger();
    EXPECT_TRUE(indicatorShown()) << "after exporting";
    window->close();
    ASSERT_NE(frame->OpenDocument(QString::fromStdString(TempFile("rec.omr"))), nullptr);
    EXPECT_TRUE(indicatorShown()) << "after opening";
    EXPECT_EQ(frame->LineIndicatorPane()->text(), "Ln 0, of 2                   ");
}

TEST_F(FrameTest, OptionsAreKeptBetweenRuns) {
    Open();
    Act(kColourCoding).trigger();
    Act(kIgnoreBusAddresses).trigger();
    Act(kAutoscrollRecord).trigger();
    EXPECT_TRUE(CloseFrame());
    EXPECT_EQ(debugger::DebuggerSettings().GetInt("Options", "Validate Bus Addresses", -1), 0);

    Open();
    const debugger::Options& options = frame->GetEngine().GetOptions();
    EXPECT_EQ(options.automaticColorCoding, 0);
    EXPECT_EQ(options.validateBusAddresses, 0);
    EXPECT_TRUE(options.autoscrollRecord);
    EXPECT_TRUE(options.ignoreTimeoutChanges);
    EXPECT_FALSE(Act(kColourCoding).isChecked());
    EXPECT_TRUE(Act(kIgnoreBusAddresses).isChecked());
    EXPECT_TRUE(Act(kAutoscrollRecord).isChecked());
}

TEST_F(FrameTest, TheTraceWindowComesBackAsItWasLeft) {
    Open();
    frame->show();
    EXPECT_TRUE(frame->TraceDock()->isHidden());
    Act(kTraceWindow).trigger();
    EXPECT_TRUE(CloseFrame());
    Open();
    frame->show();
    EXPECT_FALSE(frame->TraceDock()->isHidden());
    EXPECT_TRUE(Act(kTraceWindow).isChecked());
    Act(kTraceWindow).trigger();
    EXPECT_TRUE(CloseFrame());
    Open();
    EXPECT_TRUE(frame->TraceDock()->isHidden());
    EXPECT_TRUE(debugger::DebuggerSettings().GetString("dockstate", "State").has_value());
}

TEST_F(FrameTest, ThePlacementNeedsExactlyTenNumbers) {
    platform::AppSettings settings = debugger::DebuggerSettings();
    settings.SetString("Settings", "MainFrmPos", "0 1 -1 -1 -1 -1 50 60 750 560");
    Open();
    EXPECT_EQ(frame->geometry(), QRect(50, 60, 700, 500));
    frame->setGeometry(QRect(80, 90, 640, 480));
    EXPECT_TRUE(CloseFrame());
    EXPECT_EQ(settings.GetString("Settings", "MainFrmPos"), "0 1 -1 -1 -1 -1 80 90 720 570");

    settings.SetString("Settings", "MainFrmPos", "0 1 -1 -1 -1 -1 50 60 750");
    Open();
    EXPECT_NE(frame->geometry(), QRect(50, 60, 700, 500));
    frame.reset();
    settings.SetString("Settings", "MainFrmPos", "0 3 -1 -1 -1 -1 50 60 750 560");
    Open();
    EXPECT_TRUE(frame->windowState() & Qt::WindowMaximized);
}

} // namespace
} // namespace corvid::ombra::testing
