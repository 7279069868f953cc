// The report viewer's window: the runs of a UUT model in the results database, the
// report templates of the reports directory, and the selected run rendered with the
// selected template.
#pragma once

#include <QWidget>
#include <cstdint>
#include <string>
#include <vector>

class QComboBox;
class QLabel;
class QListWidget;
class QTextBrowser;

namespace corvid::reportengine {

struct ViewerSettings {
    std::string model;
    int32_t uutModelId = 0;
    std::string databasePath;
    std::string reportsDirectory;
};

class ViewerWindow final : public QWidget {
    Q_OBJECT
public:
    explicit ViewerWindow(ViewerSettings settings);

    // The runs listed (their unique IDs) and the text of the report shown.
    std::vector<std::string> runIds() const { return runIds_; }
    QString shownText() const;
    void SelectRun(int row);
    void SelectTemplate(const QString& name);

private:
    void ShowSelected();

    ViewerSettings settings_;
    std::vector<std::string> runIds_;
    QListWidget* runs_;
    QComboBox* templates_;
    QTextBrowser* report_;
    QLabel* status_;
};

} // namespace corvid::reportengine
