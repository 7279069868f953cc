// The "Replace Options" dialog: which fields a row must match and which are replaced.
#pragma once

#include "debugger/find_replace.h"

#include <QDialog>
#include <array>

class QCheckBox;
class QDialogButtonBox;
class QGroupBox;

namespace corvid::ombra {

enum class ReplaceField { all, busAddress, action, sent, received, parameters };

class ReplaceOptionsDialog : public QDialog {
    Q_OBJECT
public:
    explicit ReplaceOptionsDialog(QWidget* parent = nullptr);

    debugger::ReplaceOptions Options() const;

    QCheckBox* matchBox(ReplaceField field) const { return match_[static_cast<std::size_t>(field)]; }
    QCheckBox* replaceBox(ReplaceField field) const { return replace_[static_cast<std::size_t>(field)]; }
    QDialogButtonBox* buttons() const { return buttons_; }

private:
    using Boxes = std::array<QCheckBox*, 6>;
    QGroupBox* BuildGroup(const QString& title, Boxes& boxes);
    static debugger::ReplaceFields Fields(const Boxes& boxes);

    Boxes match_{};
    Boxes replace_{};
    QDialogButtonBox* buttons_;
};

} // namespace corvid::ombra
