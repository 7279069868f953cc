// The "Edit/Change Data" dialog: one data block's type and single value. The checks and
// messages are the core's DataDialog; this window only shows and collects.
#pragma once

#include "debugger/data_dialog.h"
#include "link/copy_data_block.h"

#include <QDialog>

class QComboBox;
class QDialogButtonBox;
class QLineEdit;
class QListWidget;
class QRadioButton;

namespace corvid::debugger {
class Prompt;
}

namespace corvid::ombra {

class DataEditDialog : public QDialog {
    Q_OBJECT
public:
    // block null: opened without a block ("CDB NULL").
    DataEditDialog(const link::CCopyDataBlock* block, debugger::Prompt& prompt, QWidget* parent = nullptr);

    // The new block, after the dialog was accepted.
    const link::CCopyDataBlock& Result() const { return logic_.Result(); }

    // OK: closes only when the value fits the chosen type.
    void accept() override;

    QComboBox* typeBox() const { return typeBox_; }
    QRadioButton* singleButton() const { return single_; }
    QRadioButton* arrayButton() const { return array_; }
    QLineEdit* valueEdit() const { return value_; }
    QListWidget* elementList() const { return elements_; }
    QDialogButtonBox* buttons() const { return buttons_; }

private:
    void BuildControls();
    void FillFromLogic();
    void Refresh();

    debugger::DataDialog logic_;
    debugger::Prompt& prompt_;
    QComboBox* typeBox_ = nullptr;
    QRadioButton* single_ = nullptr;
    QRadioButton* array_ = nullptr;
    QLineEdit* value_ = nullptr;
    QListWidget* elements_ = nullptr;
    QDialogButtonBox* buttons_ = nullptr;
};

} // namespace corvid::ombra
