// The Edit/Change Command dialog: the bus address check, the action list, the comment
// area and the replacement of a data block.
#include "ombra/command_edit_dialog.h"
#include "ombra/data_edit_dialog.h"
#include "test_support.h"
#include "testsupport/qt_application.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <gtest/gtest.h>

namespace corvid::ombra {
namespace {

using debugger::BlockRole;
using debugger::CommandDialog;
using debugger::testing::ScriptedPrompt;
using debugger::testing::ValueBlock;
using debugger::testing::WriteCommand;
using link::CCopyDataBlock;

constexpr const char* kBadAddress =
    "You have entered an invalid bus address.\r\n\r\nPlease enter a number between 0 and 31";

class CommandEditDialogTest : public ::testing::Test {
protected:
    void SetUp() override { corvid::testing::Application(); }
    ScriptedPrompt prompt;
};

TEST_F(CommandEditDialogTest, ShowsTheCommandItEdits) {
    CommandEditDialog dialog(WriteCommand(5, "*IDN?"), CommandDialog::Mode::edit, prompt);
    EXPECT_EQ(dialog.windowTitle(), "Edit/Change Command");
    EXPECT_TRUE(prompt.asked.empty());
    EXPECT_EQ(dialog.busAddressEdit()->text(), "5");
    EXPECT_EQ(dialog.actionBox()->count(), 17);
    EXPECT_EQ(dialog.actionBox()->itemText(0), "UNKNOWN");
    EXPECT_EQ(dialog.actionBox()->currentText(), "WRITE");
    EXPECT_EQ(dialog.blockText(BlockRole::sent)->text(), "*IDN?");
    EXPECT_TRUE(dialog.blockText(BlockRole::sent)->isReadOnly());
    EXPECT_EQ(dialog.typeLabel(BlockRole::sent)->text(), "Data type: string/char");
    EXPECT_EQ(dialog.typeLabel(BlockRole::received)->text(), "Data type: empty/null");
    EXPECT_EQ(dialog.editButton(BlockRole::parameters)->text(), "Edit");
}

TEST_F(CommandEditDialogTest, ReplaceModeHasItsOwnTitle) {
    CommandEditDialog dialog(WriteCommand(5, "x"), CommandDialog::Mode::replace, prompt);
    EXPECT_EQ(dialog.windowTitle(), "Replacing Command With...");
}

TEST_F(CommandEditDialogTest, AcceptsBusAddressesFromZeroToThirtyOne) {
    for (const auto& [typed, address] : {std::pair{" 7 ", 7}, {"07", 7}, {"007", 7}, {"0", 0}, {"31", 31}}) {
        CommandEditDialog dialog(WriteCommand(5, "x"), CommandDialog::Mode::edit, prompt);
        dialog.busAddressEdit()->setText(QString::fromLatin1(typed));
        dialog.accept();
        EXPECT_EQ(dialog.result(), QDialog::Accepted) << typed;
        EXPECT_EQ(dialog.Result().BusAddress(), address) << typed;
    }
    EXPECT_TRUE(prompt.asked.empty());
}

TEST_F(CommandEditDialogTest, RefusesOtherBusAddressesAndStaysOpenWithTheFieldSelected) {
    for (const char* typed : {"00", "32", "-1", "", "7a"}) {
        ScriptedPrompt refusal;
        CommandEditDialog dialog(WriteCommand(5, "x"), CommandDialog::Mode::edit, refusal);
        dialog.busAddressEdit()->setText(QString::fromLatin1(typed));
        dialog.accept();
        EXPECT_EQ(refusal.Texts(), std::vector<std::string>{kBadAddress}) << typed;
        EXPECT_NE(dialog.result(), QDialog::Accepted) << typed;
        EXPECT_EQ(dialog.busAddressEdit()->selectedText(), QString::fromLatin1(typed)) << typed;
        EXPECT_EQ(dialog.Result().BusAddress(), 5) << typed;
    }
}

TEST_F(CommandEditDialogTest, AButtonClickHasNoActionToSelectUntilOneIsChosen) {
    link::CGPIBCommandInfo click = WriteCommand(3, "x");
    click.SetActionCode(18);
    CommandEditDialog dialog(click, CommandDialog::Mode::edit, prompt);
    EXPECT_EQ(prompt.Texts(),
              std::vector<std::string>{"Error selecting command type, button clicks are supported yet."});
    EXPECT_EQ(dialog.actionBox()->currentIndex(), -1);

    dialog.accept();
    EXPECT_EQ(prompt.Texts().back(), "There was an error getting the selected data type");
    EXPECT_NE(dialog.result(), QDialog::Accepted);

    dialog.actionBox()->setCurrentIndex(dialog.actionBox()->findText("READ"));
    dialog.accept();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.Result().ActionCode(), link::actionRead);
}

TEST_F(CommandEditDialogTest, ACommentIsShownAndKeptAsItCame) {
    link::CGPIBCommandInfo command = WriteCommand(3, "x");
    command.SetComments("first line\r\nsecond line");
    CommandEditDialog dialog(command, CommandDialog::Mode::edit, prompt);
    EXPECT_FALSE(dialog.commentArea()->isHidden());
    EXPECT_TRUE(dialog.commentEdit()->isEnabled());
    EXPECT_TRUE(dialog.showCommentsButton()->isHidden());
    EXPECT_FALSE(dialog.hideCommentsButton()->isHidden());
    EXPECT_EQ(dialog.commentEdit()->toPlainText(), "first line\nsecond line");
    dialog.accept();
    EXPECT_EQ(dialog.Result().Comments(), "first line\r\nsecond line");
}

TEST_F(CommandEditDialogTest, WithoutACommentTheAreaIsHiddenUntilAskedFor) {
    CommandEditDialog dialog(WriteCommand(3, "x"), CommandDialog::Mode::edit, prompt);
    EXPECT_TRUE(dialog.commentArea()->isHidden());
    EXPECT_FALSE(dialog.commentEdit()->isEnabled());
    EXPECT_FALSE(dialog.showCommentsButton()->isHidden());
    const int narrow = dialog.width();

    dialog.showCommentsButton()->click();
    EXPECT_FALSE(dialog.commentArea()->isHidden());
    EXPECT_TRUE(dialog.commentEdit()->isEnabled());
    EXPECT_TRUE(dialog.showCommentsButton()->isHidden());
    EXPECT_GT(dialog.width(), narrow);
    dialog.commentEdit()->setPlainText("typed\nhere");
    dialog.accept();
    EXPECT_EQ(dialog.Result().Comments(), "typed\r\nhere");

    dialog.hideCommentsButton()->click();
    EXPECT_TRUE(dialog.commentArea()->isHidden());
    EXPECT_FALSE(dialog.commentEdit()->isEnabled());
    EXPECT_EQ(dialog.width(), narrow);
}

TEST_F(CommandEditDialogTest, AnEditedBlockReplacesTheCommandsBlock) {
    CommandEditDialog dialog(WriteCommand(3, "x"), CommandDialog::Mode::edit, prompt);
    dialog.ReplaceBlock(BlockRole::parameters, ValueBlock<std::int32_t>(42, CCopyDataBlock::Long));
    EXPECT_EQ(dialog.blockText(BlockRole::parameters)->text(), "42");
    EXPECT_EQ(dialog.typeLabel(BlockRole::parameters)->text(), "Data type: VT_I4 (long)");
    dialog.accept();
    const link::CGPIBCommandInfo& result = dialog.Result();
    EXPECT_EQ(result.Parameters().Type(), CCopyDataBlock::Long);
    EXPECT_TRUE(result.ActionFlags() & link::CGPIBCommandInfo::parametersPresent);
    EXPECT_EQ(result.Sent().GetString(false, 100), "x");
}

TEST_F(CommandEditDialogTest, EditRunsTheDataDialogOnTheBlock) {
    CommandEditDialog dialog(WriteCommand(3, "old"), CommandDialog::Mode::edit, prompt);
    QString shownValue;
    // The data dialog runs modally; answer it from the event loop it starts.
    QTimer::singleShot(0, &dialog, [&] {
        auto* editor = dialog.findChild<DataEditDialog*>();
        ASSERT_NE(editor, nullptr);
        shownValue = editor->valueEdit()->text();
        editor->valueEdit()->setText("new text");
        editor->accept();
    });
    dialog.editButton(BlockRole::sent)->click();
    EXPECT_EQ(shownValue, "old");
    EXPECT_EQ(dialog.blockText(BlockRole::sent)->text(), "new text");
    dialog.accept();
    EXPECT_EQ(dialog.Result().Sent().Count(), 9);
}

TEST_F(CommandEditDialogTest, ACancelledDataDialogLeavesTheBlock) {
    CommandEditDialog dialog(WriteCommand(3, "old"), CommandDialog::Mode::edit, prompt);
    QTimer::singleShot(0, &dialog, [&] {
        auto* editor = dialog.findChild<DataEditDialog*>();
        ASSERT_NE(editor, nullptr);
        editor->valueEdit()->setText("new text");
        editor->reject();
    });
    dialog.editButton(BlockRole::sent)->click();
    EXPECT_EQ(dialog.blockText(BlockRole::sent)->text(), "old");
}

} // namespace
} // namespace corvid::ombra
