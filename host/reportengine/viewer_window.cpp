#include "viewer_window.h"

#include "operatordb/database.h"
#include "report_render.h"
#include "run_catalog.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QTextBrowser>
#include <QVBoxLayout>
#include <exception>

namespace corvid::reportengine {
namespace {

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

} // namespace

ViewerWindow::ViewerWindow(ViewerSettings settings)
    : settings_(std::move(settings)), runs_(new QListWidget(this)), templates_(new QComboBox(this)),
      report_(new QTextBrowser(this)), status_(new QLabel(this)) {
    setObjectName("ReportViewer");
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(Q("Stored Reports - " + settings_.model));
    auto* layout = new QHBoxLayout(this);
    auto* side = new QVBoxLayout;
    side->addWidget(new QLabel("Runs:", this));
    side->addWidget(runs_, 1);
    side->addWidget(new QLabel("Report template:", this));
    side->addWidget(templates_);
    side->addWidget(status_);
    layout->addLayout(side, 1);
    layout->addWidget(report_, 3);
    resize(1100, 800);

    try {
        operatordb::Database db(settings_.databasePath);
        for (const StoredRun& run : ListRuns(db, settings_.uutModelId)) {
            runIds_.push_back(run.uniqueId);
            runs_->addItem(Q(run.serialNumber + "  " + run.testDate + "  " +
                             FormatValue(operatordb::Value(run.overallResult), ValueFormat::Result) + "\n" +
                             run.plan + " / " + run.variant));
        }
    } catch (const std::exception& error) {
        status_->setText(Q(std::string("The runs cannot be read: ") + error.what()));
    }
    for (const std::string& name : ListTemplates(settings_.reportsDirectory))
        templates_->addItem(Q(name));
    if (runIds_.empty() && status_->text().isEmpty())
        status_->setText("No run of this model is stored.");

    connect(runs_, &QListWidget::currentRowChanged, this, [this] { ShowSelected(); });
    connect(templates_, &QComboBox::currentIndexChanged, this, [this] { ShowSelected(); });
    if (!runIds_.empty())
        runs_->setCurrentRow(0);
}

QString ViewerWindow::shownText() const {
    return report_->toPlainText();
}

void ViewerWindow::SelectRun(int row) {
    runs_->setCurrentRow(row);
}

void ViewerWindow::SelectTemplate(const QString& name) {
    templates_->setCurrentIndex(templates_->findText(name));
}

void ViewerWindow::ShowSelected() {
    int row = runs_->currentRow();
    if (row < 0 || templates_->currentIndex() < 0) {
        report_->clear();
        return;
    }
    try {
        std::string path = settings_.reportsDirectory + "/" + templates_->currentText().toStdString();
        ReportTemplate report = LoadTemplate(path);
        operatordb::Database db(settings_.databasePath);
        report_->setHtml(Q(RenderReport(report, db, {{"UniqueID", runIds_[static_cast<size_t>(row)]}},
                                        runIds_[static_cast<size_t>(row)])));
        status_->clear();
    } catch (const std::exception& error) {
        report_->clear();
        status_->setText(Q(error.what()));
    }
}

} // namespace corvid::reportengine
