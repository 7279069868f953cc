// The editing commands on a document: enabling, cut, copy, paste, delete, new command,
// properties, find, replace and go to line.
#include "debugger/document.h"
#include "debugger/editing.h"
#include "debugger/engine.h"
#include "debugger/find_replace.h"
#include "test_support.h"

#include <gtest/gtest.h>
#include <memory>

namespace corvid::debugger {
namespace {

using testing::ReadCommand;
using testing::ScriptedPrompt;
using testing::WriteCommand;

std::string SentOf(const RecordingDocument& document, int row) {
    return document.Commands().At(row)->command.Sent().GetString(true, 100);
}

class EditingTest : public ::testing::Test {
protected:
    EditingTest() : engine(prompt) {
        for (const char* text : {"A", "B", "C"})
            document->Commands().Insert({WriteCommand(1, text), false}, -1, false, false);
    }

    ScriptedPrompt prompt;
    Engine engine;
    Clipboard clipboard;
    DocumentRef document = std::make_shared<RecordingDocument>();
};

TEST_F(EditingTest, CommandsNeedASelectionAndAnIdleOrPausedDocument) {
    EXPECT_FALSE(EditCommandEnabled(EditCommand::copy, nullptr, engine, clipboard));
    EXPECT_FALSE(EditCommandEnabled(EditCommand::copy, document.get(), engine, clipboard));
    EXPECT_TRUE(EditCommandEnabled(EditCommand::newCommand, document.get(), engine, clipboard));
    EXPECT_FALSE(EditCommandEnabled(EditCommand::paste, document.get(), engine, clipboard));
    document->Commands().Select(1, false);
    EXPECT_TRUE(EditCommandEnabled(EditCommand::properties, document.get(), engine, clipboard));
    EXPECT_TRUE(EditCommandEnabled(EditCommand::find, document.get(), engine, clipboard));

    engine.StartRecording(document, RecordingChoice{});
    EXPECT_FALSE(EditCommandEnabled(EditCommand::properties, document.get(), engine, clipboard));
    EXPECT_FALSE(EditCommandEnabled(EditCommand::newCommand, document.get(), engine, clipboard));
    engine.TogglePause();
    EXPECT_TRUE(EditCommandEnabled(EditCommand::properties, document.get(), engine, clipboard));
    engine.TogglePause();
    engine.StopRecording();

    ASSERT_TRUE(engine.StartPlayback(document, PlaybackChoice{}));
    EXPECT_FALSE(EditCommandEnabled(EditCommand::deleteRow, document.get(), engine, clipboard));
    auto other = std::make_shared<RecordingDocument>();
    EXPECT_TRUE(EditCommandEnabled(EditCommand::newCommand, other.get(), engine, clipboard));
}

TEST_F(EditingTest, CutCopyAndPaste) {
    document->Commands().Select(0, false);
    CutCommand(*document, clipboard);
    ASSERT_TRUE(clipboard.command);
    EXPECT_EQ(document->Commands().Count(), 2);
    EXPECT_EQ(document->Commands().SelectedIndex(), 0) << "the next row is selected";
    EXPECT_EQ(SentOf(*document, 0), "B");
    EXPECT_TRUE(document->IsModified());

    PasteCommand(*document, clipboard); // before the selected row
    EXPECT_EQ(SentOf(*document, 0), "A");
    EXPECT_EQ(document->Commands().SelectedIndex(), 0);

    document->Commands().Select(2, false);
    CopyCommand(*document, clipboard);
    document->Commands().ClearSelection();
    PasteCommand(*document, clipboard); // without a selection: before the last row
    ASSERT_EQ(document->Commands().Count(), 4);
    EXPECT_EQ(SentOf(*document, 2), "C");
    EXPECT_EQ(SentOf(*document, 3), "C");
    EXPECT_EQ(document->Commands().SelectedIndex(), 2);
}

TEST_F(EditingTest, DeleteAsksFirst) {
    document->Commands().Select(1, false);
    prompt.answers = {MsgAnswer::No};
    EXPECT_FALSE(DeleteCommand(*document, prompt));
    EXPECT_EQ(document->Commands().Count(), 3);
    ASSERT_EQ(prompt.asked.size(), 1u);
    EXPECT_EQ(prompt.asked[0].text, "Once deleted it cannot be undone.\r\nDo you still want to delete it?");
    EXPECT_EQ(prompt.asked[0].caption, "Confirm delete");
    EXPECT_EQ(prompt.asked[0].buttons, MsgButtons::YesNoCancel);
    EXPECT_FALSE(document->IsModified());

    prompt.answers = {MsgAnswer::Yes};
    EXPECT_TRUE(DeleteCommand(*document, prompt));
    EXPECT_EQ(SentOf(*document, 1), "C");
    EXPECT_EQ(document->Commands().SelectedIndex(), 1);
    document->Commands().Select(1, false);
    prompt.answers = {MsgAnswer::Yes};
    DeleteCommand(*document, prompt);
    EXPECT_EQ(document->Commands().SelectedIndex(), 0) << "the new last row";
}

TEST_F(EditingTest, NewCommandGoesAfterTheSelectionOrBeforeTheLastRow) {
    EXPECT_EQ(NewCommandIndex(*document), 2);
    document->Commands().Select(0, false);
    EXPECT_EQ(NewCommandIndex(*document), 1);
    EXPECT_EQ(NewCommandIndex(RecordingDocument()), 0);

    const link::CGPIBCommandInfo fresh = MakeNewCommand();
    EXPECT_EQ(fresh.ActionCode(), 0);
    EXPECT_EQ(fresh.BusAddress(), 0);
    EXPECT_EQ(fresh.ActionFlags(), 0);
    EXPECT_TRUE(fresh.Comments().empty());
    EXPECT_GT(fresh.Time().date, 40000.0);
    InsertNewCommand(*document, 1, fresh);
    EXPECT_EQ(document->Commands().Count(), 4);
    EXPECT_EQ(document->Commands().SelectedIndex(), 1);
    EXPECT_TRUE(document->IsModified());
}

TEST_F(EditingTest, PropertiesReplaceTheCommandAndKeepTheBreakpoint) {
    document->Commands().At(1)->breakpoint = true;
    EXPECT_TRUE(ApplyCommandProperties(*document, 1, ReadCommand(9, "Z"), prompt));
    EXPECT_EQ(document->Commands().At(1)->command.BusAddress(), 9);
    EXPECT_TRUE(document->Commands().At(1)->breakpoint);
    EXPECT_FALSE(ApplyCommandProperties(*document, 7, ReadCommand(9, "Z"), prompt));
    EXPECT_EQ(prompt.Texts(), std::vector<std::string>{"Error updating command"});
}

TEST_F(EditingTest, GoToLineChecksTheRange) {
    EXPECT_EQ(GoToLineStart(*document), 1);
    EXPECT_EQ(GoToLine(*document, "3", prompt), 2);
    EXPECT_EQ(document->Commands().SelectedIndex(), 2);
    EXPECT_EQ(GoToLineStart(*document), 3);
    for (const char* bad : {"0", "4", "", "99999999999"})
        EXPECT_FALSE(GoToLine(*document, bad, prompt)) << bad;
    EXPECT_EQ(prompt.asked.size(), 4u);
    EXPECT_EQ(prompt.asked[0].text, "The line number entered is invalid or out of range.");
}

TEST_F(EditingTest, FindSearchesFromTheRowAfterTheSelection) {
    document->Commands().Insert({ReadCommand(2, "x"), false}, -1, false, false);
    link::CGPIBCommandInfo readStb;
    readStb.SetActionCode(link::actionReadStb);
    document->Commands().Insert({readStb, false}, -1, false, false);
    document->Commands().Select(3, false);
    const FindRequest request{"  read ", false};
    EXPECT_EQ(FindNext(*document, request, prompt), 4) << "READSTB after the selected READ";
    EXPECT_EQ(document->Commands().SelectedIndex(), 4);
    EXPECT_TRUE(prompt.asked.empty());

    prompt.answers = {MsgAnswer::Yes};
    EXPECT_EQ(FindNext(*document, request, prompt), 3);
    EXPECT_EQ(prompt.Captions(), std::vector<std::string>{"Continue from top?"});
    EXPECT_EQ(prompt.asked[0].text, "No more matches found.\r\nContinue from top?");

    EXPECT_EQ(FindNext(*document, FindRequest{"READ", true}, prompt), 4);
    EXPECT_EQ(FindNext(*document, FindRequest{"Read", true}, prompt), -1);
    EXPECT_EQ(prompt.asked.back().text, "No more matches found.");
    EXPECT_EQ(prompt.asked.back().caption, "No more matches found.");
}

TEST_F(EditingTest, FindLooksIntoEveryBlockInBothForms) {
    const double values[] = {1.5, 2.5};
    const link::CCopyDataBlock doubles(values, 2, link::CCopyDataBlock::Double);
    const link::CGPIBCommandInfo read(0, 17, link::actionRead, nullptr, nullptr, &doubles);
    EXPECT_TRUE(CommandMatches(read, {"2.5000e+00", false}));
    EXPECT_TRUE(CommandMatches(read, {"element, double", false}));
    EXPECT_TRUE(CommandMatches(read, {"17", false}));
    EXPECT_FALSE(CommandMatches(read, {"WRITE", false}));
}

TEST_F(EditingTest, ReplaceWithTheChosenFieldsOnly) {
    document->Commands().Insert({ReadCommand(1, "R"), false}, -1, false, false);
    const link::CCopyDataBlock parameters =
        testing::ValueBlock<std::uint32_t>(7, link::CCopyDataBlock::Dword);
    link::CGPIBCommandInfo replacement = ReadCommand(30, "new");
    replacement.Parameters() = parameters;
    replacement.SetActionFlags(replacement.ActionFlags() | link::CGPIBCommandInfo::parametersPresent);
    ReplaceOptions options;
    options.match = {false, false, true, false, false, false};   // action
    options.replace = {false, false, false, false, false, true}; // parameters
    const int replaced = ReplaceAll(*document, WriteCommand(5, "ignored"), replacement, options, prompt);
    EXPECT_EQ(replaced, 3);
    for (int row = 0; row < 3; ++row) {
        const link::CGPIBCommandInfo& command = document->Commands().At(row)->command;
        EXPECT_EQ(command.Parameters().GetString(true, 20), "0x00000007");
        EXPECT_EQ(command.BusAddress(), 1) << "the address is not replaced";
        EXPECT_EQ(command.ActionCode(), link::actionWrite);
    }
    EXPECT_EQ(document->Commands().At(3)->command.Parameters().Type(), link::CCopyDataBlock::Empty);
    EXPECT_TRUE(document->IsModified());
    ASSERT_EQ(prompt.asked.size(), 1u);
    EXPECT_EQ(prompt.asked[0].text, "A total of 3 items have been replaced using the options specified.");
    EXPECT_EQ(prompt.asked[0].caption, "Replace Successfull");
}

TEST_F(EditingTest, ReplaceWithoutMatchFieldsReplacesNothing) {
    ReplaceOptions options;
    options.match = {false, false, false, false, false, false};
    EXPECT_EQ(ReplaceAll(*document, WriteCommand(1, "A"), WriteCommand(2, "Z"), options, prompt), 0);
    EXPECT_EQ(prompt.asked[0].text, "A total of 0 items have been replaced using the options specified.");
    EXPECT_FALSE(document->IsModified());
}

TEST_F(EditingTest, ReplaceAllMatchesWholeCommands) {
    link::CGPIBCommandInfo pattern = WriteCommand(1, "B");
    EXPECT_EQ(ReplaceAll(*document, pattern, ReadCommand(6, "Q"), ReplaceOptions{}, prompt), 1);
    const link::CGPIBCommandInfo& replaced = document->Commands().At(1)->command;
    EXPECT_EQ(replaced.ActionCode(), link::actionRead);
    EXPECT_EQ(replaced.BusAddress(), 6);
    EXPECT_EQ(replaced.Received().GetString(true, 10), "Q");
    EXPECT_EQ(replaced.Sent().Type(), link::CCopyDataBlock::Empty);
    EXPECT_EQ(replaced.ActionFlags(), link::actionRead | link::CGPIBCommandInfo::receivedPresent);
}

} // namespace
} // namespace corvid::debugger
