#include "ombra/replace_options_dialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QVBoxLayout>

namespace corvid::ombra {

ReplaceOptionsDialog::ReplaceOptionsDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Replace Options"));
    auto* layout = new QVBoxLayout(this);
    auto* groups = new QHBoxLayout;
    groups->addWidget(BuildGroup(QStringLiteral("Match the following:"), match_));
    groups->addWidget(BuildGroup(QStringLiteral("When found, replace:"), replace_));
    layout->addLayout(groups);
    buttons_ = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons_, &QDialogButtonBox::accepted, this, &ReplaceOptionsDialog::accept);
    connect(buttons_, &QDialogButtonBox::rejected, this, &ReplaceOptionsDialog::reject);
    layout->addWidget(buttons_);
}

QGroupBox* ReplaceOptionsDialog::BuildGroup(const QString& title, Boxes& boxes) {
    static constexpr std::array<const char*, 6> labels = {"All",  "Bus Address", "Action",
                                                          "Sent", "Received",    "Parameters"};
    auto* group = new QGroupBox(title, this);
    auto* column = new QVBoxLayout(group);
    for (std::size_t i = 0; i < boxes.size(); ++i) {
        boxes[i] = new QCheckBox(QString::fromLatin1(labels[i]), group);
        column->addWidget(boxes[i]);
    }
    boxes[static_cast<std::size_t>(ReplaceField::all)]->setChecked(true);
    return group;
}

debugger::ReplaceFields ReplaceOptionsDialog::Fields(const Boxes& boxes) {
    const auto checked = [&boxes](ReplaceField field) {
        return boxes[static_cast<std::size_t>(field)]->isChecked();
    };
    debugger::ReplaceFields fields;
    fields.all = checked(ReplaceField::all);
    fields.busAddress = checked(ReplaceField::busAddress);
    fields.action = checked(ReplaceField::action);
    fields.sent = checked(ReplaceField::sent);
    fields.received = checked(ReplaceField::received);
    fields.parameters = checked(ReplaceField::parameters);
    return fields;
}

debugger::ReplaceOptions ReplaceOptionsDialog::Options() const {
    return {Fields(match_), Fields(replace_)};
}

} // namespace corvid::ombra
