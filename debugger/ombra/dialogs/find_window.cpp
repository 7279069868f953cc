#include "ombra/find_window.h"

#include "debugger/value_checks.h"
#include "platform/text.h"

#include <QApplication>
#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace corvid::ombra {

FindWindow::FindWindow(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Find"));
    setModal(false);
    auto* layout = new QHBoxLayout(this);
    auto* fields = new QVBoxLayout;
    auto* line = new QHBoxLayout;
    text_ = new QLineEdit(this);
    line->addWidget(new QLabel(QStringLiteral("Find what:"), this));
    line->addWidget(text_);
    fields->addLayout(line);
    matchCase_ = new QCheckBox(QStringLiteral("Match case"), this);
    fields->addWidget(matchCase_);
    layout->addLayout(fields);

    auto* buttons = new QVBoxLayout;
    findNext_ = new QPushButton(QStringLiteral("Find Next"), this);
    findNext_->setDefault(true);
    close_ = new QPushButton(QStringLiteral("Close"), this);
    buttons->addWidget(findNext_);
    buttons->addWidget(close_);
    buttons->addStretch();
    layout->addLayout(buttons);

    connect(text_, &QLineEdit::textChanged, this, &FindWindow::RefreshFindNext);
    connect(findNext_, &QPushButton::clicked, this, &FindWindow::OnFindNext);
    connect(close_, &QPushButton::clicked, this, &FindWindow::hide);
    RefreshFindNext();
}

void FindWindow::ShowAndFocus() {
    show();
    raise();
    activateWindow();
    text_->setFocus();
    text_->selectAll();
}

void FindWindow::RefreshFindNext() {
    findNext_->setEnabled(!platform::Trim(text_->text().toStdString()).empty());
}

void FindWindow::OnFindNext() {
    if (!findNext_->isEnabled())
        return; // Return in the text with nothing to find
    const debugger::FindRequest request{text_->text().toStdString(), matchCase_->isChecked()};
    emit findNext(request);
    text_->selectAll();
}

void FindWindow::KeepFocus() {
    activateWindow();
    text_->setFocus();
    text_->selectAll();
}

} // namespace corvid::ombra
