#include "ombra/go_to_line_dialog.h"

#include "debugger/editing.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

namespace corvid::ombra {

GoToLineDialog::GoToLineDialog(debugger::RecordingDocument& document, debugger::Prompt& prompt,
                               QWidget* parent)
    : QDialog(parent), document_(document), prompt_(prompt) {
    setWindowTitle(QStringLiteral("Goto Line Number..."));
    auto* layout = new QVBoxLayout(this);
    line_ = new QLineEdit(this);
    line_->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), line_));
    line_->setText(QString::number(debugger::GoToLineStart(document_)));
    line_->selectAll();
    layout->addWidget(line_);

    auto* buttons = new QHBoxLayout;
    go_ = new QPushButton(QStringLiteral("Go"), this);
    go_->setDefault(true);
    cancel_ = new QPushButton(QStringLiteral("Cancel"), this);
    buttons->addStretch();
    buttons->addWidget(go_);
    buttons->addWidget(cancel_);
    layout->addLayout(buttons);
    connect(go_, &QPushButton::clicked, this, &GoToLineDialog::accept);
    connect(cancel_, &QPushButton::clicked, this, &GoToLineDialog::reject);
}

void GoToLineDialog::accept() {
    row_ = debugger::GoToLine(document_, line_->text().toStdString(), prompt_);
    if (row_) {
        QDialog::accept();
        return;
    }
    line_->setFocus();
    line_->selectAll();
}

} // namespace corvid::ombra
