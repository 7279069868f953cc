#include "operatorwindow/reports_page.h"

#include "operatorwindow/report_printer.h"

#include <QApplication>
#include <QButtonGroup>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QFontInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace corvid::operatorwindow {
namespace {

using operatortabs::ReportKind;
using operatortabs::ReportResult;

QString Text(const std::string& text) {
    return QString::fromStdString(text);
}

} // namespace

bool ViewerFont(QFont& font) {
    const std::pair<const char*, double> wanted[] = {{"Courier New", 8.5}, {"Courier", 10}};
    for (const auto& [family, points] : wanted) {
        if (!QFontDatabase::hasFamily(family))
            continue;
        font = QFont(family);
        font.setPointSizeF(points);
        return true;
    }
    font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPointSizeF(10);
    return QFontInfo(font).fixedPitch();
}

FileViewerDialog::FileViewerDialog(const QString& title, const QString& text,
                                   const std::function<void()>& fontProblem, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(title);
    setSizeGripEnabled(true);
    auto* layout = new QVBoxLayout(this);
    text_ = new QPlainTextEdit(this);
    text_->setReadOnly(true);
    text_->setLineWrapMode(QPlainTextEdit::NoWrap);
    QFont font;
    if (ViewerFont(font))
        text_->setFont(font);
    else
        fontProblem();
    text_->setPlainText(text);
    layout->addWidget(text_, 1);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    resize(760, 560);
}

ReportsPage::ReportsPage(operatortabs::ModuleContext context, QWidget* parent)
    : QWidget(parent), context_(std::move(context)),
      tab_(std::make_unique<operatortabs::CTabReports>(context_, *this)) {
    Build();
    Connect();
}

ReportsPage::~ReportsPage() = default;

void ReportsPage::Build() {
    auto* columns = new QHBoxLayout(this);
    auto* left = new QVBoxLayout;
    auto* unit = new QGroupBox(tr("Unit"), this);
    auto* unitLayout = new QVBoxLayout(unit);
    model_ = new QComboBox(unit);
    serial_ = new QComboBox(unit);
    unitLayout->addWidget(new QLabel(tr("UUT Model:"), unit));
    unitLayout->addWidget(model_);
    unitLayout->addWidget(new QLabel(tr("Serial #:"), unit));
    unitLayout->addWidget(serial_);
    left->addWidget(unit);
    auto radioGroup = [this, left](const QString& caption, QButtonGroup*& group,
                                   std::initializer_list<std::pair<const char*, int>> buttons) {
        auto* box = new QGroupBox(caption, this);
        auto* layout = new QVBoxLayout(box);
        group = new QButtonGroup(box);
        for (const auto& [text, id] : buttons) {
            auto* radio = new QRadioButton(tr(text), box);
            group->addButton(radio, id);
            layout->addWidget(radio);
        }
        left->addWidget(box);
    };
    radioGroup(tr("Report Kind"), kinds_,
               {{"Summary Reports", int(ReportKind::Summary)},
                {"Detailed Reports", int(ReportKind::Detail)},
                {"Trace Log Reports", int(ReportKind::Trace)},
                {"All Reports", int(ReportKind::All)}});
    radioGroup(tr("Result"), results_,
               {{"Passed Results", int(ReportResult::Passed)},
                {"Failed Results", int(ReportResult::Failed)},
                {"Aborted Results", int(ReportResult::Aborted)},
                {"All Results", int(ReportResult::All)}});
    left->addStretch(1);
    columns->addLayout(left, 1);
    auto* right = new QVBoxLayout;
    files_ = new QListWidget(this);
    right->addWidget(files_, 1);
    auto* buttons = new QHBoxLayout;
    view_ = new QPushButton(tr("&View Report"), this);
    delete_ = new QPushButton(tr("&Delete Report"), this);
    print_ = new QPushButton(tr("&Print Report"), this);
    generate_ = new QPushButton(tr("Generate Crystal Reports From Data"), this);
    for (QPushButton* button : {view_, delete_, print_, generate_})
        buttons->addWidget(button);
    right->addLayout(buttons);
    columns->addLayout(right, 3);
}

void ReportsPage::Connect() {
    connect(model_, &QComboBox::activated, this, [this](int index) { tab_->SelectModel(index); });
    connect(serial_, &QComboBox::activated, this, [this](int index) { tab_->SelectSerial(index); });
    connect(kinds_, &QButtonGroup::idClicked, this, [this](int id) { tab_->SetKind(ReportKind(id)); });
    connect(results_, &QButtonGroup::idClicked, this, [this](int id) { tab_->SetResult(ReportResult(id)); });
    connect(files_, &QListWidget::currentRowChanged, this, [this](int row) {
        if (!updating_)
            tab_->SelectFile(row);
    });
    connect(view_, &QPushButton::clicked, this, [this] { tab_->ViewReport(); });
    connect(delete_, &QPushButton::clicked, this, [this] { tab_->DeleteReport(); });
    connect(print_, &QPushButton::clicked, this, [this] { tab_->PrintReport(); });
    connect(generate_, &QPushButton::clicked, this, [this] { tab_->GenerateFromData(); });
}

void ReportsPage::PageShown() {
    tab_->OnShow();
}

void ReportsPage::FormChanged() {
    const auto& form = tab_->form();
    updating_ = true;
    model_->clear();
    for (const std::string& item : form.models.items)
        model_->addItem(Text(operatortabs::ItemName(item)));
    model_->setCurrentIndex(form.models.selected);
    serial_->clear();
    for (const std::string& serial : form.serials)
        serial_->addItem(Text(serial));
    serial_->setCurrentIndex(form.selectedSerial);
    kinds_->button(int(form.kind))->setChecked(true);
    results_->button(int(form.result))->setChecked(true);
    files_->clear();
    for (const std::string& file : form.files)
        files_->addItem(Text(file));
    files_->setCurrentRow(form.selectedFile);
    for (QPushButton* button : {view_, delete_, print_})
        button->setEnabled(form.fileActionsEnabled());
    generate_->setEnabled(form.generateEnabled);
    updating_ = false;
}

void ReportsPage::BusyChanged(bool busy) {
    if (busy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

void ReportsPage::ShowText(const std::string& title, const std::string& text) {
    QString shown = Text(text);
    shown.replace("\r\n", "\n");
    if (shown.endsWith('\n'))
        shown.chop(1);
    delete viewer_;
    viewer_ = new FileViewerDialog(
        Text(title), shown,
        [this] { context_.prompt.Notify("could not create Courier or Courier New Fonts for viewer"); }, this);
    if (viewerModal_)
        viewer_->exec();
    else
        viewer_->show();
}

std::unique_ptr<operatortabs::ReportPrinter> ReportsPage::ChoosePrinter() {
    auto printer = std::make_shared<QPrinter>(QPrinter::HighResolution);
    QPrintDialog dialog(printer.get(), this);
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, false);
    dialog.setOption(QAbstractPrintDialog::PrintSelection, false);
    dialog.setOption(QAbstractPrintDialog::PrintToFile, false);
    if (dialog.exec() != QDialog::Accepted)
        return nullptr;
    return MakeReportPrinter(printer);
}

} // namespace corvid::operatorwindow
