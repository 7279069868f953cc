// The Edit/Change Data dialog: the value checks reached through its window, the array
// mode it refuses and the enabling of its controls.
#include "ombra/data_edit_dialog.h"
#include "test_support.h"
#include "testsupport/qt_application.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <cstring>
#include <gtest/gtest.h>

namespace corvid::ombra {
namespace {

using debugger::testing::ScriptedPrompt;
using debugger::testing::TextBlock;
using debugger::testing::ValueBlock;
using link::CCopyDataBlock;
using platform::MsgAnswer;

constexpr const char* kValueRefused = "The value entered is not correct for the data type chosen.\r\n\r\n"
                                      "Please ensure the value entered matches the data type and try again.";

class DataEditDialogTest : public ::testing::Test {
protected:
    void SetUp() override { corvid::testing::Application(); }

    static void ChooseType(DataEditDialog& dialog, const char* label) {
        const int index = dialog.typeBox()->findText(QString::fromLatin1(label));
        ASSERT_GE(index, 0) << label;
        dialog.typeBox()->setCurrentIndex(index);
    }

    ScriptedPrompt prompt;
};

TEST_F(DataEditDialogTest, OpensASingleValueInSingleMode) {
    const CCopyDataBlock block = ValueBlock<std::uint8_t>(5, CCopyDataBlock::Byte);
    DataEditDialog dialog(&block, prompt);
    EXPECT_EQ(dialog.windowTitle(), "Edit/Change Data");
    EXPECT_EQ(dialog.typeBox()->count(), 8);
    EXPECT_EQ(dialog.typeBox()->currentText(), "VT_UI1 (byte)");
    EXPECT_TRUE(dialog.singleButton()->isChecked());
    EXPECT_TRUE(dialog.valueEdit()->isEnabled());
    EXPECT_FALSE(dialog.elementList()->isEnabled());
    EXPECT_EQ(dialog.valueEdit()->text(), "5");
    EXPECT_TRUE(prompt.asked.empty());
}

TEST_F(DataEditDialogTest, AByteAbove255IsRefusedAndTheDialogStaysOpen) {
    const CCopyDataBlock block = ValueBlock<std::uint8_t>(5, CCopyDataBlock::Byte);
    DataEditDialog dialog(&block, prompt);
    dialog.valueEdit()->setText("256");
    dialog.buttons()->button(QDialogButtonBox::Ok)->click();
    EXPECT_EQ(prompt.Texts(), std::vector<std::string>{kValueRefused});
    EXPECT_NE(dialog.result(), QDialog::Accepted);

    dialog.valueEdit()->setText("255");
    dialog.accept();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    ASSERT_EQ(dialog.Result().Type(), CCopyDataBlock::Byte);
    EXPECT_EQ(dialog.Result().Data()[0], 255);
}

TEST_F(DataEditDialogTest, AStringKeepsItsTerminatingZeroAndShowsAgainAsTyped) {
    const CCopyDataBlock block = ValueBlock<std::int32_t>(1, CCopyDataBlock::Long);
    DataEditDialog dialog(&block, prompt);
    ChooseType(dialog, "string/char");
    dialog.valueEdit()->setText("abc");
    dialog.accept();
    ASSERT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.Result().Type(), CCopyDataBlock::Char);
    EXPECT_EQ(dialog.Result().Count(), 4);

    DataEditDialog again(&dialog.Result(), prompt);
    EXPECT_EQ(again.typeBox()->currentText(), "string/char");
    EXPECT_EQ(again.valueEdit()->text(), "abc");
}

TEST_F(DataEditDialogTest, ADeclinedDwordWarningKeepsTheDialogOpen) {
    const CCopyDataBlock block = ValueBlock<std::uint32_t>(0x10, CCopyDataBlock::Dword);
    DataEditDialog dialog(&block, prompt);
    EXPECT_EQ(dialog.typeBox()->currentText(), "dword (32 bit value)");
    dialog.valueEdit()->setText("16");
    prompt.answers = {MsgAnswer::No};
    dialog.accept();
    ASSERT_EQ(prompt.Captions(), std::vector<std::string>{"Warning"});
    EXPECT_NE(dialog.result(), QDialog::Accepted);

    prompt.answers = {MsgAnswer::Yes};
    dialog.accept();
    ASSERT_EQ(dialog.result(), QDialog::Accepted);
    std::uint32_t value = 0;
    std::memcpy(&value, dialog.Result().Data(), sizeof value);
    EXPECT_EQ(value, 16u);
}

TEST_F(DataEditDialogTest, ArraysOpenInArrayModeButCannotBeChosen) {
    const std::int32_t values[] = {1, 2, 3};
    const CCopyDataBlock array(values, 3, CCopyDataBlock::Long);
    DataEditDialog dialog(&array, prompt);
    EXPECT_TRUE(dialog.arrayButton()->isChecked());
    EXPECT_FALSE(dialog.valueEdit()->isEnabled());
    EXPECT_TRUE(dialog.elementList()->isEnabled());
    ASSERT_EQ(dialog.elementList()->count(), 3);
    EXPECT_EQ(dialog.elementList()->item(2)->text(), "3");

    dialog.singleButton()->click();
    EXPECT_TRUE(dialog.valueEdit()->isEnabled());
    dialog.arrayButton()->click();
    ASSERT_EQ(prompt.Captions(), std::vector<std::string>{"Not supported"});
    EXPECT_EQ(prompt.Texts()[0], "Sorry, the code required for saving or editing arrays of data has not been "
                                 "completed.\r\nYou can only set or modify single elements");
    EXPECT_TRUE(dialog.singleButton()->isChecked());
    EXPECT_TRUE(dialog.valueEdit()->isEnabled());
    EXPECT_FALSE(dialog.elementList()->isEnabled());
}

TEST_F(DataEditDialogTest, EmptyNullDisablesEveryInput) {
    const CCopyDataBlock block = TextBlock("text");
    DataEditDialog dialog(&block, prompt);
    ChooseType(dialog, "empty/null");
    EXPECT_FALSE(dialog.singleButton()->isEnabled());
    EXPECT_FALSE(dialog.arrayButton()->isEnabled());
    EXPECT_FALSE(dialog.valueEdit()->isEnabled());
    EXPECT_FALSE(dialog.elementList()->isEnabled());
    dialog.accept();
    ASSERT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.Result().Type(), CCopyDataBlock::Empty);

    ChooseType(dialog, "VT_R8 (double)"); // and another type enables them again
    EXPECT_TRUE(dialog.valueEdit()->isEnabled());
    EXPECT_TRUE(dialog.singleButton()->isEnabled());
}

TEST_F(DataEditDialogTest, WithoutABlockItSaysSo) {
    DataEditDialog dialog(nullptr, prompt);
    EXPECT_EQ(prompt.Texts(), std::vector<std::string>{"CDB NULL"});
}

} // namespace
} // namespace corvid::ombra
