// The modeless "Find" window: the text to find and the match-case choice. Find Next hands
// the request to whoever listens (the main window searches the active document).
#pragma once

#include "debugger/find_replace.h"

#include <QDialog>

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace corvid::ombra {

class FindWindow : public QDialog {
    Q_OBJECT
public:
    explicit FindWindow(QWidget* parent = nullptr);

    // The Find command: shows the window and puts the focus in its text.
    void ShowAndFocus();
    // Nothing was found: the window stays active with its text selected and focused (a match
    // hands the focus to the main window instead).
    void KeepFocus();

    QLineEdit* findEdit() const { return text_; }
    QCheckBox* matchCaseBox() const { return matchCase_; }
    QPushButton* findNextButton() const { return findNext_; }
    QPushButton* closeButton() const { return close_; }

signals:
    void findNext(const corvid::debugger::FindRequest& request);

private:
    void OnFindNext();
    void RefreshFindNext();

    QLineEdit* text_;
    QCheckBox* matchCase_;
    QPushButton* findNext_;
    QPushButton* close_;
};

} // namespace corvid::ombra
