#include "ombra/recording_dialogs.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QRadioButton>
#include <QVBoxLayout>

namespace corvid::ombra {
namespace {

constexpr const char* kResetDatabase = "Reset Calibration Database (Calibration.mdb)";

QRadioButton* AddChoice(QDialog* dialog, QButtonGroup* group, QVBoxLayout* layout, const char* text,
                        bool enabled) {
    auto* button = new QRadioButton(QString::fromLatin1(text), dialog);
    button->setEnabled(enabled);
    group->addButton(button);
    layout->addWidget(button);
    return button;
}

// The check box and OK/Cancel, common to both dialogs.
QDialogButtonBox* FinishLayout(QDialog* dialog, QVBoxLayout* layout, QCheckBox*& resetDatabase,
                               bool checked) {
    resetDatabase = new QCheckBox(QString::fromLatin1(kResetDatabase), dialog);
    resetDatabase->setChecked(checked);
    layout->addSpacing(8);
    layout->addWidget(resetDatabase);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    layout->addWidget(buttons);
    return buttons;
}

} // namespace

RecordingDialog::RecordingDialog(const debugger::RecordingDialogSetup& setup, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(QStringLiteral("Recording"));
    auto* layout = new QVBoxLayout(this);
    auto* group = new QButtonGroup(this);
    append_ =
        AddChoice(this, group, layout, "Continue recording from the end. (append)", setup.appendEnabled);
    insert_ = AddChoice(this, group, layout, "Start recording from the selected item. (insert)",
                        setup.insertEnabled);
    reset_ = AddChoice(this, group, layout, "Reset contents and start from scratch. (reset)", true);
    buttons_ = FinishLayout(this, layout, resetDatabase_, setup.resetDatabase);

    // One choice is always selected; a preselection that is not enabled falls back to reset.
    QRadioButton* preselected = reset_;
    if (setup.preselected == debugger::RecordingStart::append && setup.appendEnabled)
        preselected = append_;
    else if (setup.preselected == debugger::RecordingStart::insert && setup.insertEnabled)
        preselected = insert_;
    preselected->setChecked(true);
}

debugger::RecordingChoice RecordingDialog::Choice() const {
    debugger::RecordingChoice choice;
    choice.start = append_->isChecked()   ? debugger::RecordingStart::append
                   : insert_->isChecked() ? debugger::RecordingStart::insert
                                          : debugger::RecordingStart::reset;
    choice.resetDatabase = resetDatabase_->isChecked();
    return choice;
}

PlaybackDialog::PlaybackDialog(const debugger::PlaybackDialogSetup& setup, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(QStringLiteral("Playback"));
    auto* layout = new QVBoxLayout(this);
    auto* group = new QButtonGroup(this);
    beginning_ = AddChoice(this, group, layout, "Start from the beginning", true);
    atSelected_ = AddChoice(this, group, layout, "Start at the selected item", setup.atSelectedEnabled);
    continue_ = AddChoice(this, group, layout, "Continue where last left off", setup.continueEnabled);
    buttons_ = FinishLayout(this, layout, resetDatabase_, setup.resetDatabase);
    beginning_->setChecked(true);
}

debugger::PlaybackChoice PlaybackDialog::Choice() const {
    debugger::PlaybackChoice choice;
    choice.start = atSelected_->isChecked() ? debugger::PlaybackStart::atSelected
                   : continue_->isChecked() ? debugger::PlaybackStart::continueWhereLeft
                                            : debugger::PlaybackStart::fromBeginning;
    choice.resetDatabase = resetDatabase_->isChecked();
    return choice;
}

} // namespace corvid::ombra
