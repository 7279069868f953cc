// The commands that open dialogs, and the rest of the window's small parts: Replace, Go To
// Line, About, the calibration reset, files dropped on the window and the progress display.
#include "frame_test_support.h"
#include "ombra/about_box.h"
#include "ombra/command_edit_dialog.h"
#include "ombra/go_to_line_dialog.h"
#include "ombra/replace_options_dialog.h"
#include "platform/qt_message_box.h"
#include "status_progress.h"

#include <QCheckBox>
#include <QDropEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>
#include <QUrl>
#include <gtest/gtest.h>

namespace corvid::ombra::testing {
namespace {

using namespace command;

TEST_F(FrameTest, ReplaceChangesTheChosenFieldsOfMatchingRows) {
    Open();
    DocumentWindow* window = DocumentWith(4, 0); // WRITE at 1, READ at 2, WRITE at 3, READ at 4
    answerDialog = [](QDialog& dialog) {
        if (auto* edit = qobject_cast<CommandEditDialog*>(&dialog)) {
            EXPECT_EQ(edit->windowTitle(), "Replacing Command With...");
            edit->busAddressEdit()->setText("9");
            edit->accept();
            return edit->result();
        }
        if (auto* options = qobject_cast<ReplaceOptionsDialog*>(&dialog)) {
            options->matchBox(ReplaceField::all)->setChecked(false);
            options->matchBox(ReplaceField::action)->setChecked(true);
            options->replaceBox(ReplaceField::all)->setChecked(false);
            options->replaceBox(ReplaceField::busAddress)->setChecked(true);
            return int(QDialog::Accepted);
        }
        return int(QDialog::Rejected);
    };
    Act(kReplace).trigger();
    const debugger::CommandList& list = window->Document()->Commands();
    EXPECT_EQ(list.At(0)->command.BusAddress(), 9);
    EXPECT_EQ(list.At(1)->command.BusAddress(), 2);
    EXPECT_EQ(list.At(2)->command.BusAddress(), 9);
    EXPECT_EQ(list.At(3)->command.BusAddress(), 4);
    ASSERT_FALSE(prompt.asked.empty());
    EXPECT_EQ(prompt.asked.back().text, "A total of 2 items have been replaced using the options specified.");
    EXPECT_TRUE(window->Document()->IsModified());
}

TEST_F(FrameTest, CancellingTheReplacementChangesNothing) {
    Open();
    DocumentWindow* window = DocumentWith(2, 0);
    answerDialog = [](QDialog&) {
        return int(QDialog::Rejected);
    };
    Act(kReplace).trigger();
    EXPECT_FALSE(window->Document()->IsModified());
    EXPECT_TRUE(prompt.asked.empty());
}

TEST_F(FrameTest, GoToLineSelectsTheRow) {
    Open();
    DocumentWindow* window = DocumentWith(4, 0);
    answerDialog = [](QDialog& dialog) {
        auto* go = qobject_cast<GoToLineDialog*>(&dialog);
        if (!go)
            return int(QDialog::Rejected);
        go->lineEdit()->setText("3");
        go->accept();
        return go->result();
    };
    Act(kGoToLine).trigger();
    EXPECT_EQ(window->Document()->Commands().SelectedIndex(), 2);
}

TEST_F(FrameTest, AboutShowsTheVersionTheProgramGave) {
    Open();
    frame->SetVersionText("1.1.0.0");
    QString shown;
    answerDialog = [&](QDialog& dialog) {
        if (auto* about = qobject_cast<AboutBox*>(&dialog))
            shown = about->versionLabel()->text();
        return int(QDialog::Accepted);
    };
    Act(kAbout).trigger();
    EXPECT_TRUE(shown.contains("1.1.0.0")) << shown.toStdString();
}

TEST_F(FrameTest, TheResetCommandSaysWhenTheDatabaseCannotBeFound) {
    Open();
    Act(kResetCalibration).trigger();
    ASSERT_EQ(prompt.asked.size(), 1u);
    EXPECT_EQ(prompt.asked[0].caption, "Could not reset database");
}

TEST_F(FrameTest, FilesDroppedOnTheWindowOpen) {
    Open();
    debugger::RecordingDocument document;
    document.Commands().Insert({debugger::testing::WriteCommand(3, "X"), false}, -1, false, false);
    ASSERT_TRUE(document.Save(TempFile("dropped.omr"), prompt));
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QString::fromStdString(TempFile("dropped.omr")))});
    // The drag enters the window first, which makes it the target of the drop.
    QDragEnterEvent enter(QPoint(20, 20), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(frame.get(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(20, 20), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(frame.get(), &drop);
    ASSERT_EQ(frame->Documents().size(), 1);
    EXPECT_EQ(frame->ActiveDocument()->Title(), "dropped.omr");
    EXPECT_EQ(frame->ActiveDocument()->Document()->Commands().Count(), 1);
}

TEST(QtPromptTest, AsksWithABoxOverTheWindowWithTheOrdinaryCursor) {
    Application();
    corvid::testing::Sandbox sandbox;
    MainFrame window; // questions as message boxes
    window.show();
    debugger::RecordingDocument& document = *window.NewDocument()->Document();
    document.Commands().Insert({debugger::testing::WriteCommand(3, "X"), false}, -1, true, false);
    QString text;
    Qt::CursorShape cursor = Qt::WaitCursor;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box)
            return;
        text = box->text();
        cursor = QApplication::overrideCursor() ? QApplication::overrideCursor()->shape() : Qt::ArrowCursor;
        EXPECT_EQ(box->parentWidget(), &window);
        box->button(QMessageBox::Yes)->click();
    });
    QApplication::setOverrideCursor(Qt::WaitCursor);
    window.Action(command::kDelete)->trigger();
    ASSERT_NE(QApplication::overrideCursor(), nullptr); // back after the box
    QApplication::restoreOverrideCursor();
    EXPECT_TRUE(text.startsWith("Once deleted it cannot be undone.")) << text.toStdString();
    EXPECT_EQ(cursor, Qt::ArrowCursor);
    EXPECT_EQ(document.Commands().Count(), 0);
}

TEST_F(FrameTest, ABoxWithoutACaptionIsTitledWithTheProgramsName) {
    Application();
    const QString previous = QCoreApplication::applicationName();
    QCoreApplication::setApplicationName(QStringLiteral("ombra")); // as the program names itself
    const auto box = platform::MakeQtMessageBox(debugger::Question{"Failed to load toolbar", ""});
    EXPECT_EQ(box->windowTitle(), "ombra");
    EXPECT_EQ(box->text(), "Failed to load toolbar");
    EXPECT_EQ(platform::MakeQtMessageBox(debugger::Question{"text", "Notice"})->windowTitle(), "Notice");
    QCoreApplication::setApplicationName(previous);
}

TEST_F(FrameTest, TheProgressDisplayTakesFortyPercentOfTheBar) {
    Application();
    QStatusBar bar;
    bar.resize(500, 20);
    auto* permanent = new QLabel(QStringLiteral("Ln 0, of 0"), &bar);
    bar.addPermanentWidget(permanent);
    bar.show();
    {
        StatusProgress progress(bar);
        EXPECT_EQ(progress.Bar(), nullptr) << "nothing shown before an operation";
        progress.Begin("Opening file...", 10);
        ASSERT_NE(progress.Bar(), nullptr);
        EXPECT_EQ(progress.Text()->text(), "Opening file...");
        EXPECT_EQ(progress.Bar()->maximum(), 10);
        EXPECT_EQ(progress.Bar()->width(), 200);
        progress.Step();
        progress.Step();
        EXPECT_EQ(progress.Bar()->value(), 2);
        progress.End();
        EXPECT_EQ(progress.Bar(), nullptr);
        EXPECT_TRUE(permanent->isVisible()) << "the permanent pane stays";
        progress.Begin("Saving file...", 1);
        EXPECT_EQ(progress.Bar()->value(), 0) << "a new operation starts afresh";
    } // the display goes with its owner
    EXPECT_TRUE(bar.findChildren<QProgressBar*>().isEmpty());
    EXPECT_TRUE(permanent->isVisible());
}

} // namespace
} // namespace corvid::ombra::testing
