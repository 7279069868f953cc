// The small widgets and conversions the operator window's pages share.
#pragma once

#include "operatortabs/combo_item.h"

#include <QString>
#include <string>

class QComboBox;
class QLineEdit;
class QSpinBox;
class QWidget;

namespace corvid::operatorwindow {

inline QString Text(const std::string& text) {
    return QString::fromStdString(text);
}

// Shows the list's names (without their identifiers) and its selection.
void FillCombo(QComboBox& combo, const operatortabs::ComboList& list);
QLineEdit* ReadOnlyField(QWidget* parent);
// A GPIB or VXI number, 0 to 255.
QSpinBox* NumberField(QWidget* parent);

} // namespace corvid::operatorwindow
