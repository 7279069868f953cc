// The "About Ombra" box: the program's icon, its version and a contact link.
#pragma once

#include <QDialog>
#include <QPixmap>

class QLabel;
class QPushButton;

namespace corvid::ombra {

class AboutBox : public QDialog {
    Q_OBJECT
public:
    // versionText empty: the version is unknown.
    explicit AboutBox(const QString& versionText, QWidget* parent = nullptr);

    // "OMBRA v" and the version, or "OMBRA Version Unknown".
    static QString VersionLine(const QString& versionText);

    QLabel* iconLabel() const { return icon_; }
    QLabel* versionLabel() const { return version_; }
    QLabel* creditsLabel() const { return credits_; }
    QLabel* contactLabel() const { return contact_; }
    QPushButton* okButton() const { return ok_; }

private:
    QLabel* icon_;
    QLabel* version_;
    QLabel* credits_;
    QLabel* contact_;
    QPushButton* ok_;
};

// The program's icon: the application's window icon, or one drawn here when it has none.
QPixmap ProgramIcon(int size);

} // namespace corvid::ombra
