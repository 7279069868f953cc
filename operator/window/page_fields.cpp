#include "page_fields.h"

#include <QComboBox>
#include <QLineEdit>
#include <QSpinBox>

namespace corvid::operatorwindow {

void FillCombo(QComboBox& combo, const operatortabs::ComboList& list) {
    combo.clear();
    for (const std::string& item : list.items)
        combo.addItem(Text(operatortabs::ItemName(item)));
    combo.setCurrentIndex(list.selected);
}

QLineEdit* ReadOnlyField(QWidget* parent) {
    auto* field = new QLineEdit(parent);
    field->setReadOnly(true);
    return field;
}

QSpinBox* NumberField(QWidget* parent) {
    auto* field = new QSpinBox(parent);
    field->setRange(0, 255);
    return field;
}

} // namespace corvid::operatorwindow
