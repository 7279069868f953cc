// The Recording and Playback dialogs: which start choices are enabled and preselected, and
// the choice read back.
#include "ombra/recording_dialogs.h"
#include "testsupport/qt_application.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QRadioButton>
#include <gtest/gtest.h>

namespace corvid::ombra {
namespace {

using debugger::PlaybackStart;
using debugger::RecordingStart;

class RecordingDialogsTest : public ::testing::Test {
protected:
    void SetUp() override { corvid::testing::Application(); }
};

TEST_F(RecordingDialogsTest, RecordingIntoAnEmptyDocumentOffersOnlyReset) {
    RecordingDialog dialog({.appendEnabled = false,
                            .insertEnabled = false,
                            .preselected = RecordingStart::reset,
                            .resetDatabase = false});
    EXPECT_EQ(dialog.windowTitle(), "Recording");
    EXPECT_EQ(dialog.appendButton()->text(), "Continue recording from the end. (append)");
    EXPECT_EQ(dialog.insertButton()->text(), "Start recording from the selected item. (insert)");
    EXPECT_EQ(dialog.resetButton()->text(), "Reset contents and start from scratch. (reset)");
    EXPECT_EQ(dialog.resetDatabaseBox()->text(), "Reset Calibration Database (Calibration.mdb)");
    EXPECT_FALSE(dialog.appendButton()->isEnabled());
    EXPECT_FALSE(dialog.insertButton()->isEnabled());
    EXPECT_TRUE(dialog.resetButton()->isEnabled());
    EXPECT_TRUE(dialog.resetButton()->isChecked());
    EXPECT_FALSE(dialog.resetDatabaseBox()->isChecked());
    EXPECT_EQ(dialog.Choice().start, RecordingStart::reset);
    EXPECT_FALSE(dialog.Choice().resetDatabase);
}

TEST_F(RecordingDialogsTest, RecordingWithASelectionPreselectsAppendAndReadsTheChoiceBack) {
    RecordingDialog dialog({.appendEnabled = true,
                            .insertEnabled = true,
                            .preselected = RecordingStart::append,
                            .resetDatabase = true});
    EXPECT_TRUE(dialog.appendButton()->isChecked());
    EXPECT_TRUE(dialog.insertButton()->isEnabled());
    EXPECT_TRUE(dialog.resetDatabaseBox()->isChecked());
    EXPECT_EQ(dialog.Choice().start, RecordingStart::append);
    EXPECT_TRUE(dialog.Choice().resetDatabase);

    dialog.insertButton()->click(); // one group: the others are cleared
    EXPECT_FALSE(dialog.appendButton()->isChecked());
    dialog.resetDatabaseBox()->click();
    EXPECT_EQ(dialog.Choice().start, RecordingStart::insert);
    EXPECT_FALSE(dialog.Choice().resetDatabase);

    dialog.buttons()->button(QDialogButtonBox::Ok)->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

TEST_F(RecordingDialogsTest, RecordingNeverPreselectsADisabledChoice) {
    RecordingDialog dialog({.appendEnabled = false,
                            .insertEnabled = true,
                            .preselected = RecordingStart::append,
                            .resetDatabase = false});
    EXPECT_FALSE(dialog.appendButton()->isChecked());
    EXPECT_EQ(dialog.Choice().start, RecordingStart::reset);
}

TEST_F(RecordingDialogsTest, PlaybackStartsFromTheBeginningWhenNothingElseIsPossible) {
    PlaybackDialog dialog({.atSelectedEnabled = false, .continueEnabled = false, .resetDatabase = false});
    EXPECT_EQ(dialog.windowTitle(), "Playback");
    EXPECT_EQ(dialog.beginningButton()->text(), "Start from the beginning");
    EXPECT_EQ(dialog.atSelectedButton()->text(), "Start at the selected item");
    EXPECT_EQ(dialog.continueButton()->text(), "Continue where last left off");
    EXPECT_EQ(dialog.resetDatabaseBox()->text(), "Reset Calibration Database (Calibration.mdb)");
    EXPECT_TRUE(dialog.beginningButton()->isChecked());
    EXPECT_FALSE(dialog.atSelectedButton()->isEnabled());
    EXPECT_FALSE(dialog.continueButton()->isEnabled());
    EXPECT_EQ(dialog.Choice().start, PlaybackStart::fromBeginning);
    EXPECT_FALSE(dialog.Choice().resetDatabase);

    dialog.buttons()->button(QDialogButtonBox::Cancel)->click();
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
}

TEST_F(RecordingDialogsTest, PlaybackReadsTheChosenStartBack) {
    PlaybackDialog dialog({.atSelectedEnabled = true, .continueEnabled = true, .resetDatabase = true});
    EXPECT_TRUE(dialog.beginningButton()->isChecked()); // preselected even when the others are possible
    EXPECT_TRUE(dialog.resetDatabaseBox()->isChecked());
    EXPECT_TRUE(dialog.Choice().resetDatabase);

    dialog.continueButton()->click();
    EXPECT_EQ(dialog.Choice().start, PlaybackStart::continueWhereLeft);
    dialog.atSelectedButton()->click();
    EXPECT_FALSE(dialog.continueButton()->isChecked());
    EXPECT_EQ(dialog.Choice().start, PlaybackStart::atSelected);
}

} // namespace
} // namespace corvid::ombra
