#include "ombra/command_edit_dialog.h"

#include "debugger/prompt.h"
#include "debugger/value_checks.h"
#include "ombra/data_edit_dialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace corvid::ombra {
namespace {

using debugger::BlockRole;

QString Text(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// Comments are kept with CR LF line breaks, as the recording files have them; the text
// field works with line feeds.
QString CommentForEditing(const std::string& comment) {
    return QString::fromStdString(comment).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

std::string CommentForStoring(const QString& text) {
    QString stored = text;
    return stored.replace(QStringLiteral("\n"), QStringLiteral("\r\n")).toStdString();
}

} // namespace

CommandEditDialog::CommandEditDialog(const link::CGPIBCommandInfo& command,
                                     debugger::CommandDialog::Mode mode, debugger::Prompt& prompt,
                                     QWidget* parent)
    : QDialog(parent), logic_(command, mode), prompt_(prompt) {
    setWindowTitle(Text(logic_.Title()));
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(BuildFields(), 0, Qt::AlignTop);
    layout->addWidget(BuildCommentArea());

    logic_.Open(prompt_);
    busAddress_->setText(QString::fromStdString(logic_.busAddressText));
    action_->setCurrentIndex(logic_.ActionIndex().value_or(-1));
    for (BlockRole role : {BlockRole::sent, BlockRole::received, BlockRole::parameters})
        RefreshBlock(role);
    comment_->setPlainText(CommentForEditing(logic_.comment));
    SetCommentsShown(logic_.CommentsShown());
}

QWidget* CommandEditDialog::BuildFields() {
    auto* fields = new QWidget(this);
    auto* column = new QVBoxLayout(fields);
    column->setContentsMargins(0, 0, 0, 0);
    auto* grid = new QGridLayout;
    busAddress_ = new QLineEdit(fields);
    grid->addWidget(new QLabel(QStringLiteral("Bus Address:"), fields), 0, 0);
    grid->addWidget(busAddress_, 0, 1);
    action_ = new QComboBox(fields);
    for (const debugger::CommandDialog::ActionChoice& choice : debugger::CommandDialog::ActionChoices())
        action_->addItem(Text(choice.name), choice.code);
    grid->addWidget(new QLabel(QStringLiteral("Action:"), fields), 1, 0);
    grid->addWidget(action_, 1, 1);
    AddBlockRow(grid, 2, "Data Sent:", BlockRole::sent);
    AddBlockRow(grid, 4, "Data Received", BlockRole::received);
    AddBlockRow(grid, 6, "Parameters:", BlockRole::parameters);
    column->addLayout(grid);

    auto* bottom = new QHBoxLayout;
    showComments_ = new QPushButton(QStringLiteral("Show Comments >>"), fields);
    connect(showComments_, &QPushButton::clicked, this, &CommandEditDialog::ShowComments);
    bottom->addWidget(showComments_);
    buttons_ = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, fields);
    connect(buttons_, &QDialogButtonBox::accepted, this, &CommandEditDialog::accept);
    connect(buttons_, &QDialogButtonBox::rejected, this, &CommandEditDialog::reject);
    bottom->addWidget(buttons_);
    column->addLayout(bottom);
    return fields;
}

void CommandEditDialog::AddBlockRow(QGridLayout* grid, int row, const char* label, BlockRole role) {
    BlockRow& controls = rows_[static_cast<std::size_t>(role)];
    controls.text = new QLineEdit(this);
    controls.text->setReadOnly(true);
    controls.edit = new QPushButton(QStringLiteral("Edit"), this);
    controls.type = new QLabel(this);
    connect(controls.edit, &QPushButton::clicked, this, [this, role] { EditBlock(role); });
    grid->addWidget(new QLabel(QString::fromLatin1(label), this), row, 0);
    grid->addWidget(controls.text, row, 1);
    grid->addWidget(controls.edit, row, 2);
    grid->addWidget(controls.type, row + 1, 1);
}

QWidget* CommandEditDialog::BuildCommentArea() {
    commentArea_ = new QWidget(this);
    auto* column = new QVBoxLayout(commentArea_);
    column->setContentsMargins(0, 0, 0, 0);
    column->addWidget(new QLabel(QStringLiteral("Comments:"), commentArea_));
    comment_ = new QPlainTextEdit(commentArea_);
    column->addWidget(comment_);
    hideComments_ = new QPushButton(QStringLiteral("<< Hide Comments"), commentArea_);
    connect(hideComments_, &QPushButton::clicked, this, &CommandEditDialog::HideComments);
    column->addWidget(hideComments_, 0, Qt::AlignRight);
    return commentArea_;
}

void CommandEditDialog::RefreshBlock(BlockRole role) {
    rows_[static_cast<std::size_t>(role)].text->setText(QString::fromStdString(logic_.BlockText(role)));
    rows_[static_cast<std::size_t>(role)].type->setText(QString::fromStdString(logic_.BlockTypeLabel(role)));
}

void CommandEditDialog::EditBlock(BlockRole role) {
    DataEditDialog editor(&logic_.Block(role), prompt_, this);
    if (editor.exec() == QDialog::Accepted)
        ReplaceBlock(role, editor.Result());
}

void CommandEditDialog::ReplaceBlock(BlockRole role, const link::CCopyDataBlock& block) {
    logic_.SetBlock(role, block);
    RefreshBlock(role);
}

void CommandEditDialog::ShowComments() {
    logic_.ShowComments();
    SetCommentsShown(true);
}

void CommandEditDialog::HideComments() {
    logic_.HideComments();
    SetCommentsShown(false);
}

// The dialog widens to show the comment area and narrows to hide it.
void CommandEditDialog::SetCommentsShown(bool shown) {
    showComments_->setVisible(!shown);
    hideComments_->setVisible(shown);
    comment_->setEnabled(shown);
    commentArea_->setVisible(shown);
    adjustSize();
}

std::string CommandEditDialog::CommentText() const {
    // An untouched comment is handed back exactly as it came.
    const std::string& original = logic_.Result().Comments();
    const QString text = comment_->toPlainText();
    return text == CommentForEditing(original) ? original : CommentForStoring(text);
}

void CommandEditDialog::accept() {
    logic_.busAddressText = busAddress_->text().toStdString();
    const int action = action_->currentIndex();
    logic_.SelectAction(action >= 0 ? std::optional<int>(action) : std::nullopt);
    logic_.comment = CommentText();
    if (logic_.Accept(prompt_)) {
        QDialog::accept();
        return;
    }
    if (!debugger::ParseBusAddress(logic_.busAddressText)) {
        busAddress_->setFocus();
        busAddress_->selectAll();
    }
}

} // namespace corvid::ombra
