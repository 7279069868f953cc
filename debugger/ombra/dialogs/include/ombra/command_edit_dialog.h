// The "Edit/Change Command" dialog (titled "Replacing Command With..." when it asks for
// the replacement of Replace all occurrences). It edits its own copy of a command; the
// checks and messages are the core's CommandDialog, this window only shows and collects.
#pragma once

#include "debugger/command_dialog.h"
#include "debugger/comparison.h"
#include "link/gpib_command_info.h"

#include <QDialog>
#include <array>

class QComboBox;
class QGridLayout;
class QDialogButtonBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace corvid::debugger {
class Prompt;
}

namespace corvid::ombra {

class CommandEditDialog : public QDialog {
    Q_OBJECT
public:
    CommandEditDialog(const link::CGPIBCommandInfo& command, debugger::CommandDialog::Mode mode,
                      debugger::Prompt& prompt, QWidget* parent = nullptr);

    // The edited command, after the dialog was accepted.
    const link::CGPIBCommandInfo& Result() const { return logic_.Result(); }

    // OK: closes only with a valid bus address and an action chosen.
    void accept() override;

    // Edit: the Edit/Change Data dialog on that block; its result replaces the block.
    void EditBlock(debugger::BlockRole role);
    // Puts a block in place of the command's one and shows its text and type.
    void ReplaceBlock(debugger::BlockRole role, const link::CCopyDataBlock& block);

    void ShowComments();
    void HideComments();

    QLineEdit* busAddressEdit() const { return busAddress_; }
    QComboBox* actionBox() const { return action_; }
    QLineEdit* blockText(debugger::BlockRole role) const { return Row(role).text; }
    QPushButton* editButton(debugger::BlockRole role) const { return Row(role).edit; }
    QLabel* typeLabel(debugger::BlockRole role) const { return Row(role).type; }
    QPlainTextEdit* commentEdit() const { return comment_; }
    QWidget* commentArea() const { return commentArea_; }
    QPushButton* showCommentsButton() const { return showComments_; }
    QPushButton* hideCommentsButton() const { return hideComments_; }
    QDialogButtonBox* buttons() const { return buttons_; }

private:
    struct BlockRow {
        QLineEdit* text = nullptr;
        QPushButton* edit = nullptr;
        QLabel* type = nullptr;
    };

    const BlockRow& Row(debugger::BlockRole role) const { return rows_[static_cast<std::size_t>(role)]; }
    QWidget* BuildFields();
    QWidget* BuildCommentArea();
    void AddBlockRow(QGridLayout* grid, int row, const char* label, debugger::BlockRole role);
    void RefreshBlock(debugger::BlockRole role);
    void SetCommentsShown(bool shown);
    std::string CommentText() const;

    debugger::CommandDialog logic_;
    debugger::Prompt& prompt_;
    QLineEdit* busAddress_ = nullptr;
    QComboBox* action_ = nullptr;
    std::array<BlockRow, 3> rows_{};
    QPlainTextEdit* comment_ = nullptr;
    QWidget* commentArea_ = nullptr;
    QPushButton* showComments_ = nullptr;
    QPushButton* hideComments_ = nullptr;
    QDialogButtonBox* buttons_ = nullptr;
};

} // namespace corvid::ombra
