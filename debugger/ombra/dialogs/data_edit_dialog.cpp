#include "ombra/data_edit_dialog.h"

#include "debugger/prompt.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QVBoxLayout>

namespace corvid::ombra {
namespace {

QString Text(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

DataEditDialog::DataEditDialog(const link::CCopyDataBlock* block, debugger::Prompt& prompt, QWidget* parent)
    : QDialog(parent), logic_(block), prompt_(prompt) {
    setWindowTitle(QStringLiteral("Edit/Change Data"));
    BuildControls();
    logic_.Open(prompt_);
    FillFromLogic();

    connect(typeBox_, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index >= 0)
            logic_.ChooseType(index);
        Refresh();
    });
    // clicked: only the user's choice, not the dialog's own updates.
    connect(array_, &QRadioButton::clicked, this, [this] {
        logic_.ChooseArrayMode(prompt_);
        Refresh();
    });
    connect(single_, &QRadioButton::clicked, this, [this] {
        logic_.ChooseSingleElement();
        Refresh();
    });
}

void DataEditDialog::BuildControls() {
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    typeBox_ = new QComboBox(this);
    for (const debugger::DataDialog::TypeChoice& choice : debugger::DataDialog::TypeChoices())
        typeBox_->addItem(Text(choice.label), choice.type);
    form->addRow(QStringLiteral("Change Data Type:"), typeBox_);
    layout->addLayout(form);

    auto* modes = new QHBoxLayout;
    auto* group = new QButtonGroup(this);
    single_ = new QRadioButton(QStringLiteral("Single element"), this);
    array_ = new QRadioButton(QStringLiteral("Array of elements"), this);
    group->addButton(single_);
    group->addButton(array_);
    modes->addWidget(single_);
    modes->addWidget(array_);
    layout->addLayout(modes);

    value_ = new QLineEdit(this);
    layout->addWidget(value_);
    elements_ = new QListWidget(this);
    layout->addWidget(elements_);

    buttons_ = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons_, &QDialogButtonBox::accepted, this, &DataEditDialog::accept);
    connect(buttons_, &QDialogButtonBox::rejected, this, &DataEditDialog::reject);
    layout->addWidget(buttons_);
}

void DataEditDialog::FillFromLogic() {
    typeBox_->setCurrentIndex(logic_.TypeIndex().value_or(-1));
    value_->setText(QString::fromStdString(logic_.valueText));
    for (const std::string& line : logic_.ElementLines())
        elements_->addItem(QString::fromStdString(line));
    Refresh();
}

void DataEditDialog::Refresh() {
    (logic_.ArrayMode() ? array_ : single_)->setChecked(true);
    single_->setEnabled(logic_.ModeChoiceEnabled());
    array_->setEnabled(logic_.ModeChoiceEnabled());
    value_->setEnabled(logic_.ValueEnabled());
    elements_->setEnabled(logic_.ElementListEnabled());
}

void DataEditDialog::accept() {
    logic_.valueText = value_->text().toStdString();
    if (logic_.Accept(prompt_))
        QDialog::accept();
}

} // namespace corvid::ombra
