// The "Recording" and "Playback" dialogs shown when a recording or a playback starts:
// where to start and whether to reset the calibration database first.
#pragma once

#include "debugger/engine.h"

#include <QDialog>

class QCheckBox;
class QDialogButtonBox;
class QRadioButton;

namespace corvid::ombra {

class RecordingDialog : public QDialog {
    Q_OBJECT
public:
    RecordingDialog(const debugger::RecordingDialogSetup& setup, QWidget* parent = nullptr);

    debugger::RecordingChoice Choice() const;

    QRadioButton* appendButton() const { return append_; }
    QRadioButton* insertButton() const { return insert_; }
    QRadioButton* resetButton() const { return reset_; }
    QCheckBox* resetDatabaseBox() const { return resetDatabase_; }
    QDialogButtonBox* buttons() const { return buttons_; }

private:
    QRadioButton* append_;
    QRadioButton* insert_;
    QRadioButton* reset_;
    QCheckBox* resetDatabase_;
    QDialogButtonBox* buttons_;
};

class PlaybackDialog : public QDialog {
    Q_OBJECT
public:
    PlaybackDialog(const debugger::PlaybackDialogSetup& setup, QWidget* parent = nullptr);

    debugger::PlaybackChoice Choice() const;

    QRadioButton* beginningButton() const { return beginning_; }
    QRadioButton* atSelectedButton() const { return atSelected_; }
    QRadioButton* continueButton() const { return continue_; }
    QCheckBox* resetDatabaseBox() const { return resetDatabase_; }
    QDialogButtonBox* buttons() const { return buttons_; }

private:
    QRadioButton* beginning_;
    QRadioButton* atSelected_;
    QRadioButton* continue_;
    QCheckBox* resetDatabase_;
    QDialogButtonBox* buttons_;
};

} // namespace corvid::ombra
