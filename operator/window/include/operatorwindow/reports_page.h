// The Test Reports page: model and serial number, the report kind and result buttons,
// the file list and View, Delete, Print and Generate. It shows CTabReports' form and
// passes the operator's input in; text reports open in the File Viewer dialog.
#pragma once

#include "operatortabs/tab_reports.h"

#include <QDialog>
#include <QWidget>
#include <memory>

class QButtonGroup;
class QComboBox;
class QListWidget;
class QPlainTextEdit;
class QPushButton;

namespace corvid::operatorwindow {

// "File Viewer": a report's text, read-only, in a fixed-pitch font; the text grows with
// the dialog and OK and Cancel follow its lower edge.
class FileViewerDialog final : public QDialog {
    Q_OBJECT

public:
    // fontProblem is told when no fixed-pitch font exists (the text keeps the dialog's).
    FileViewerDialog(const QString& title, const QString& text, const std::function<void()>& fontProblem,
                     QWidget* parent = nullptr);
    QPlainTextEdit& textBox() { return *text_; }

private:
    QPlainTextEdit* text_;
};

// The viewer's font: "Courier New" 8.5 point, else "Courier" 10 point, else the
// system's fixed-pitch font; false when there is none.
bool ViewerFont(QFont& font);

class ReportsPage final : public QWidget, public operatortabs::ReportsTabView {
    Q_OBJECT

public:
    ReportsPage(operatortabs::ModuleContext context, QWidget* parent = nullptr);
    ~ReportsPage() override;

    operatortabs::CTabReports& tab() { return *tab_; }
    void PageShown();

    QComboBox& modelCombo() { return *model_; }
    QComboBox& serialCombo() { return *serial_; }
    QListWidget& fileList() { return *files_; }
    QButtonGroup& kindButtons() { return *kinds_; }
    QButtonGroup& resultButtons() { return *results_; }
    QPushButton& viewButton() { return *view_; }
    QPushButton& deleteButton() { return *delete_; }
    QPushButton& printButton() { return *print_; }
    QPushButton& generateButton() { return *generate_; }
    // The viewer last opened (null before), for tests; it is modal otherwise.
    FileViewerDialog* lastViewer() { return viewer_; }
    void setViewerModal(bool modal) { viewerModal_ = modal; }

    // ReportsTabView
    void FormChanged() override;
    void BusyChanged(bool busy) override;
    void ShowText(const std::string& title, const std::string& text) override;
    std::unique_ptr<operatortabs::ReportPrinter> ChoosePrinter() override;

private:
    void Build();
    void Connect();

    operatortabs::ModuleContext context_;
    std::unique_ptr<operatortabs::CTabReports> tab_;
    QComboBox *model_, *serial_;
    QButtonGroup *kinds_, *results_;
    QListWidget* files_;
    QPushButton *view_, *delete_, *print_, *generate_;
    FileViewerDialog* viewer_ = nullptr;
    bool viewerModal_ = true;
    bool updating_ = false;
};

} // namespace corvid::operatorwindow
