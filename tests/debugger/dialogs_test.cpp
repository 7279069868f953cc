// The value checks and the two editing dialogs without their windows.
#include "debugger/command_dialog.h"
#include "debugger/data_dialog.h"
#include "debugger/value_checks.h"
#include "test_support.h"

#include <gtest/gtest.h>

namespace corvid::debugger {
namespace {

using link::CCopyDataBlock;
using testing::ScriptedPrompt;

constexpr const char* kValueRefused = "The value entered is not correct for the data type chosen.\r\n\r\n"
                                      "Please ensure the value entered matches the data type and try again.";

TEST(ValueChecks, BusAddresses) {
    EXPECT_EQ(ParseBusAddress(" 7 "), 7);
    EXPECT_EQ(ParseBusAddress("07"), 7);
    EXPECT_EQ(ParseBusAddress("007"), 7);
    EXPECT_EQ(ParseBusAddress(" 0031"), 31);
    EXPECT_EQ(ParseBusAddress(std::string(40, '0') + "9"), 9);
    EXPECT_EQ(ParseBusAddress("0"), 0);
    EXPECT_EQ(ParseBusAddress("31"), 31);
    for (const char* bad : {"32", "-1", "00", "000", "0032", "", "7a", "+7", "1 2", "0x7"})
        EXPECT_FALSE(ParseBusAddress(bad)) << bad;
}

TEST(ValueChecks, Integers) {
    EXPECT_EQ(IntegerCheck(" 42 "), 42);
    EXPECT_EQ(IntegerCheck("-0"), 0);
    EXPECT_EQ(IntegerCheck("00"), 0);
    EXPECT_EQ(IntegerCheck("-17"), -17);
    for (const char* bad : {"0x10", "1.5", "1,5", "1e3", "--5", "5 5", "99999999999999999999"})
        EXPECT_FALSE(IntegerCheck(bad)) << bad;
}

TEST(ValueChecks, Reals) {
    EXPECT_EQ(RealCheck("1.5e3"), 1500.0);
    EXPECT_EQ(RealCheck("-0.0"), 0.0);
    EXPECT_EQ(RealCheck("+2.5"), 2.5);
    EXPECT_EQ(RealCheck(".5"), 0.5);
    for (const char* bad : {"1,5", "e5", "abc", "1e999", "0x1p3"})
        EXPECT_FALSE(RealCheck(bad)) << bad;
}

class DataDialogTest : public ::testing::Test {
protected:
    // Opens the dialog on a block, chooses a type and a value, and presses OK.
    std::optional<CCopyDataBlock> Enter(unsigned type, const std::string& value) {
        const CCopyDataBlock start;
        DataDialog dialog(&start);
        dialog.Open(prompt);
        for (std::size_t i = 0; i < DataDialog::TypeChoices().size(); ++i)
            if (DataDialog::TypeChoices()[i].type == type)
                dialog.ChooseType(static_cast<int>(i));
        dialog.valueText = value;
        if (!dialog.Accept(prompt))
            return std::nullopt;
        return dialog.Result();
    }
    ScriptedPrompt prompt;
};

TEST_F(DataDialogTest, BuildsOneElementOfTheChosenType) {
    auto byte = Enter(CCopyDataBlock::Byte, "255");
    ASSERT_TRUE(byte);
    EXPECT_EQ(byte->Type(), CCopyDataBlock::Byte);
    EXPECT_EQ(byte->GetString(false, 10), "255");
    auto real = Enter(CCopyDataBlock::Double, "1.5e3");
    ASSERT_TRUE(real);
    EXPECT_EQ(real->GetString(false, 20), "1.5000e+03");
    auto text = Enter(CCopyDataBlock::Char, "abc");
    ASSERT_TRUE(text);
    EXPECT_EQ(text->Count(), 4);
    EXPECT_EQ(text->GetString(false, 20), "abc");
    auto empty = Enter(CCopyDataBlock::Empty, "whatever");
    ASSERT_TRUE(empty);
    EXPECT_EQ(empty->Type(), CCopyDataBlock::Empty);
    EXPECT_TRUE(prompt.asked.empty());
}

TEST_F(DataDialogTest, RefusesValuesThatDoNotFit) {
    EXPECT_FALSE(Enter(CCopyDataBlock::Byte, "256"));
    EXPECT_FALSE(Enter(CCopyDataBlock::Integer, "0x10"));
    EXPECT_FALSE(Enter(CCopyDataBlock::Long, "3000000000"));
    EXPECT_FALSE(Enter(CCopyDataBlock::Float, "1e39"));
    EXPECT_FALSE(Enter(CCopyDataBlock::Double, "1,5"));
    ASSERT_EQ(prompt.asked.size(), 5u);
    for (const Question& question : prompt.asked)
        EXPECT_EQ(question.text, kValueRefused);
}

TEST_F(DataDialogTest, DwordsWarnFirst) {
    prompt.answers = {MsgAnswer::No};
    EXPECT_FALSE(Enter(CCopyDataBlock::Dword, "255"));
    ASSERT_EQ(prompt.asked.size(), 1u);
    EXPECT_EQ(prompt.asked[0].caption, "Warning");
    EXPECT_EQ(prompt.asked[0].buttons, MsgButtons::YesNo);
    EXPECT_EQ(prompt.asked[0].text.substr(0, 40), "Because I'm lame, the DWORD value entere");

    prompt.answers = {MsgAnswer::Yes};
    auto dword = Enter(CCopyDataBlock::Dword, "3221168138");
    ASSERT_TRUE(dword);
    EXPECT_EQ(dword->GetString(false, 20), "0xBFFF200A");
}

TEST_F(DataDialogTest, ArraysOpenAsListsAndCannotBeEdited) {
    const std::uint32_t values[] = {255, 16};
    const CCopyDataBlock dwords(values, 2, CCopyDataBlock::Dword);
    DataDialog dialog(&dwords);
    dialog.Open(prompt);
    EXPECT_TRUE(dialog.ArrayMode());
    EXPECT_FALSE(dialog.ValueEnabled());
    EXPECT_EQ(dialog.ElementLines(), (std::vector<std::string>{"0x000000FF", "0x00000010"}));
    EXPECT_EQ(dialog.TypeIndex(), 6);

    dialog.ChooseSingleElement();
    dialog.ChooseArrayMode(prompt);
    EXPECT_FALSE(dialog.ArrayMode());
    ASSERT_EQ(prompt.asked.size(), 1u);
    EXPECT_EQ(prompt.asked[0].caption, "Not supported");
    EXPECT_EQ(prompt.asked[0].text,
              "Sorry, the code required for saving or editing arrays of data has not been "
              "completed.\r\nYou can only set or modify single elements");
}

TEST_F(DataDialogTest, OpeningShowsWhatItCannotShow) {
    DataDialog none(nullptr);
    none.Open(prompt);
    const CCopyDataBlock unknown("x", 1, CCopyDataBlock::Unknown);
    DataDialog odd(&unknown);
    odd.Open(prompt);
    EXPECT_EQ(prompt.Texts(), (std::vector<std::string>{"CDB NULL", "Error selecting data type"}));

    const CCopyDataBlock empty;
    DataDialog emptyDialog(&empty);
    emptyDialog.Open(prompt);
    EXPECT_FALSE(emptyDialog.ModeChoiceEnabled());
    EXPECT_FALSE(emptyDialog.ValueEnabled());
}

TEST(CommandDialog, OpensOnTheCommandAndChecksItsFields) {
    ScriptedPrompt prompt;
    link::CGPIBCommandInfo command = testing::WriteCommand(22, "*IDN?");
    CommandDialog dialog(command);
    dialog.Open(prompt);
    EXPECT_EQ(dialog.busAddressText, "22");
    EXPECT_EQ(dialog.ActionIndex(), 2);
    EXPECT_FALSE(dialog.CommentsShown());
    EXPECT_EQ(dialog.BlockText(BlockRole::sent), "*IDN?");
    EXPECT_EQ(dialog.BlockTypeLabel(BlockRole::sent), "Data type: string/char");
    EXPECT_EQ(dialog.BlockTypeLabel(BlockRole::received), "Data type: empty/null");
    EXPECT_EQ(dialog.Title(), "Edit/Change Command");

    dialog.busAddressText = "32";
    EXPECT_FALSE(dialog.Accept(prompt));
    EXPECT_EQ(prompt.asked.back().text,
              "You have entered an invalid bus address.\r\n\r\nPlease enter a number between 0 and 31");
    dialog.busAddressText = " 7 ";
    dialog.SelectAction(std::nullopt);
    EXPECT_FALSE(dialog.Accept(prompt));
    EXPECT_EQ(prompt.asked.back().text, "There was an error getting the selected data type");

    dialog.SelectAction(5);
    dialog.comment = "checked";
    dialog.SetBlock(BlockRole::received, testing::ValueBlock<std::uint8_t>(0x40, CCopyDataBlock::Byte));
    dialog.SetBlock(BlockRole::sent, CCopyDataBlock());
    ASSERT_TRUE(dialog.Accept(prompt));
    const link::CGPIBCommandInfo& result = dialog.Result();
    EXPECT_EQ(result.BusAddress(), 7);
    EXPECT_EQ(result.ActionCode(), link::actionReadStb);
    EXPECT_EQ(result.Comments(), "checked");
    EXPECT_EQ(result.ActionFlags(), link::actionReadStb | link::CGPIBCommandInfo::receivedPresent);
}

TEST(CommandDialog, ButtonClicksAreNotInTheList) {
    ScriptedPrompt prompt;
    link::CGPIBCommandInfo click;
    click.SetActionCode(link::actionButtonClick);
    click.SetComments("pressed");
    CommandDialog dialog(click, CommandDialog::Mode::replace);
    dialog.Open(prompt);
    EXPECT_FALSE(dialog.ActionIndex());
    EXPECT_TRUE(dialog.CommentsShown());
    EXPECT_EQ(dialog.Title(), "Replacing Command With...");
    EXPECT_EQ(prompt.Texts(),
              std::vector<std::string>{"Error selecting command type, button clicks are supported yet."});
    EXPECT_EQ(CommandDialog::ActionChoices().size(), 17u);
    EXPECT_EQ(CommandDialog::ActionChoices()[16].name, "CLOSE");
}

} // namespace
} // namespace corvid::debugger
