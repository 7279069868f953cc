// The "Goto Line Number..." dialog: a line number of the active document to select.
#pragma once

#include <QDialog>
#include <optional>

class QLineEdit;
class QPushButton;

namespace corvid::debugger {
class Prompt;
class RecordingDocument;
} // namespace corvid::debugger

namespace corvid::ombra {

class GoToLineDialog : public QDialog {
    Q_OBJECT
public:
    // Starts with the selected row's number (1 without a selection), selected.
    GoToLineDialog(debugger::RecordingDocument& document, debugger::Prompt& prompt,
                   QWidget* parent = nullptr);

    // The row selected by Go (zero-based), after the dialog was accepted.
    std::optional<int> Row() const { return row_; }

    // Go: selects the row and closes, or says the number is out of range and stays open.
    void accept() override;

    QLineEdit* lineEdit() const { return line_; }
    QPushButton* goButton() const { return go_; }
    QPushButton* cancelButton() const { return cancel_; }

private:
    debugger::RecordingDocument& document_;
    debugger::Prompt& prompt_;
    QLineEdit* line_;
    QPushButton* go_;
    QPushButton* cancel_;
    std::optional<int> row_;
};

} // namespace corvid::ombra
