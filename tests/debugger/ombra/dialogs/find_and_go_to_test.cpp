// The Find window, the Replace Options dialog and the Goto Line Number dialog.
#include "debugger/document.h"
#include "ombra/find_window.h"
#include "ombra/go_to_line_dialog.h"
#include "ombra/replace_options_dialog.h"
#include "test_support.h"
#include "testsupport/qt_application.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QValidator>
#include <gtest/gtest.h>

namespace corvid::ombra {
namespace {

using debugger::testing::ReadCommand;
using debugger::testing::ScriptedPrompt;

class FindAndGoToTest : public ::testing::Test {
protected:
    void SetUp() override { corvid::testing::Application(); }
};

TEST_F(FindAndGoToTest, FindNextNeedsTextOtherThanBlanks) {
    FindWindow window;
    EXPECT_EQ(window.windowTitle(), "Find");
    EXPECT_FALSE(window.isModal());
    EXPECT_FALSE(window.findNextButton()->isEnabled());
    window.findEdit()->setText(" \t ");
    EXPECT_FALSE(window.findNextButton()->isEnabled());
    window.findEdit()->setText(" read ");
    EXPECT_TRUE(window.findNextButton()->isEnabled());
    window.findEdit()->clear();
    EXPECT_FALSE(window.findNextButton()->isEnabled());
}

TEST_F(FindAndGoToTest, FindNextHandsOnTheRequestAndSelectsTheText) {
    FindWindow window;
    std::vector<debugger::FindRequest> requests;
    QObject::connect(&window, &FindWindow::findNext,
                     [&requests](const debugger::FindRequest& request) { requests.push_back(request); });
    window.findEdit()->setText("READ");
    window.matchCaseBox()->setChecked(true);
    window.findNextButton()->click();
    window.matchCaseBox()->setChecked(false);
    window.findNextButton()->click();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].text, "READ");
    EXPECT_TRUE(requests[0].matchCase);
    EXPECT_FALSE(requests[1].matchCase);
    EXPECT_EQ(window.findEdit()->selectedText(), "READ");
}

TEST_F(FindAndGoToTest, CloseOnlyHidesTheFindWindow) {
    FindWindow window;
    window.ShowAndFocus();
    EXPECT_TRUE(window.isVisible());
    window.findEdit()->setText("kept");
    window.closeButton()->click();
    EXPECT_TRUE(window.isHidden());
    window.ShowAndFocus();
    EXPECT_EQ(window.findEdit()->selectedText(), "kept");
}

TEST_F(FindAndGoToTest, ReplaceOptionsStartWithAllAndReadTheChoicesBack) {
    ReplaceOptionsDialog dialog;
    EXPECT_EQ(dialog.windowTitle(), "Replace Options");
    EXPECT_EQ(dialog.matchBox(ReplaceField::busAddress)->text(), "Bus Address");
    EXPECT_EQ(dialog.replaceBox(ReplaceField::parameters)->text(), "Parameters");
    debugger::ReplaceOptions options = dialog.Options();
    EXPECT_TRUE(options.match.all);
    EXPECT_TRUE(options.replace.all);
    EXPECT_FALSE(options.match.action || options.match.busAddress || options.replace.parameters);

    dialog.matchBox(ReplaceField::all)->setChecked(false);
    dialog.matchBox(ReplaceField::action)->setChecked(true);
    dialog.replaceBox(ReplaceField::all)->setChecked(false);
    dialog.replaceBox(ReplaceField::parameters)->setChecked(true);
    dialog.replaceBox(ReplaceField::received)->setChecked(true);
    options = dialog.Options();
    EXPECT_FALSE(options.match.all);
    EXPECT_TRUE(options.match.action);
    EXPECT_FALSE(options.match.parameters);
    EXPECT_FALSE(options.replace.all);
    EXPECT_TRUE(options.replace.parameters);
    EXPECT_TRUE(options.replace.received);
    EXPECT_FALSE(options.replace.sent);
}

class GoToLineTest : public FindAndGoToTest {
protected:
    void SetUp() override {
        FindAndGoToTest::SetUp();
        for (int row = 0; row < 3; ++row)
            document.Commands().Insert({ReadCommand(1, "row"), false}, row, false, false);
    }

    debugger::RecordingDocument document;
    ScriptedPrompt prompt;
};

TEST_F(GoToLineTest, StartsAtTheSelectedRowsNumber) {
    {
        GoToLineDialog dialog(document, prompt);
        EXPECT_EQ(dialog.windowTitle(), "Goto Line Number...");
        EXPECT_EQ(dialog.lineEdit()->text(), "1");
        EXPECT_EQ(dialog.lineEdit()->selectedText(), "1");
    }
    document.Commands().Select(1, false);
    GoToLineDialog dialog(document, prompt);
    EXPECT_EQ(dialog.lineEdit()->text(), "2");
}

TEST_F(GoToLineTest, TakesDigitsOnly) {
    GoToLineDialog dialog(document, prompt);
    QString text = QStringLiteral("1a");
    int position = 2;
    EXPECT_EQ(dialog.lineEdit()->validator()->validate(text, position), QValidator::Invalid);
    text = QStringLiteral("12");
    EXPECT_EQ(dialog.lineEdit()->validator()->validate(text, position), QValidator::Acceptable);
}

TEST_F(GoToLineTest, ALineOutOfRangeKeepsTheDialogOpen) {
    GoToLineDialog dialog(document, prompt);
    for (const char* typed : {"4", "0", ""}) {
        dialog.lineEdit()->setText(QString::fromLatin1(typed));
        dialog.goButton()->click();
        EXPECT_NE(dialog.result(), QDialog::Accepted) << typed;
        EXPECT_EQ(dialog.lineEdit()->selectedText(), QString::fromLatin1(typed)) << typed;
    }
    EXPECT_EQ(prompt.Texts(),
              std::vector<std::string>(3, "The line number entered is invalid or out of range."));
    EXPECT_FALSE(dialog.Row());
    EXPECT_EQ(document.Commands().SelectedIndex(), -1);
}

TEST_F(GoToLineTest, ALineInRangeSelectsItsRow) {
    GoToLineDialog dialog(document, prompt);
    dialog.lineEdit()->setText("3");
    dialog.goButton()->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.Row(), 2);
    EXPECT_EQ(document.Commands().SelectedIndex(), 2);
    EXPECT_TRUE(prompt.asked.empty());
}

} // namespace
} // namespace corvid::ombra
