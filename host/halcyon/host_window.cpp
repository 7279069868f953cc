#include "host_window.h"

#include "halcyon/host_program.h"
#include "halcyon/utacore.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace corvid::host {
namespace {

// The report callback has no context: the one window of the process receives it.
HostWindow* reportWindow = nullptr;

constexpr int kHandleRole = Qt::UserRole + 1;

QString ResultWord(VTestHandle test) {
    if (UtaExcRegIsError(0))
        return "ERROR";
    switch (VTestJudgment(test)) {
    case 0:
        return "PASSED";
    case 1:
        return "FAILED";
    case 2:
        return "INDETERMINATE";
    default:
        return "UNKNOWN";
    }
}

} // namespace

HostWindow::HostWindow(QWidget* parent)
    : QWidget(parent), plan_(new QLabel(tr("No test plan loaded"))), variants_(new QComboBox),
      tests_(new QListWidget), run_(new QPushButton(tr("&Run"))), abort_(new QPushButton(tr("&Abort"))),
      report_(new QPlainTextEdit) {
    setWindowTitle("Corvid Technologies Halcyon");
    tests_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    report_->setReadOnly(true);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(variants_, 1);
    buttons->addWidget(run_);
    buttons->addWidget(abort_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(plan_);
    layout->addLayout(buttons);
    layout->addWidget(tests_, 1);
    layout->addWidget(report_, 2);
    connect(run_, &QPushButton::clicked, this, &HostWindow::RunTests);
    connect(abort_, &QPushButton::clicked, this, &HostWindow::Abort);
    connect(variants_, &QComboBox::currentIndexChanged, this, &HostWindow::SelectVariant);
    reportWindow = this;
    VRegisterSendReportMsg(&HostWindow::OnReport);
    UpdateButtons();
}

HostWindow::~HostWindow() {
    VUnregisterSendReportMsg(&HostWindow::OnReport);
    if (reportWindow == this)
        reportWindow = nullptr;
}

bool HostWindow::LoadPlan(const QString& path) {
    if (running_)
        return false;
    tests_->clear();
    variants_->clear();
    QByteArray file = QFileInfo(path).absoluteFilePath().toUtf8();
    if (!VLoadTestsuite(file.constData())) {
        plan_->setText(tr("No test plan loaded"));
        QMessageBox::warning(this, windowTitle(), QString::fromUtf8(HalcyonLastError()));
        UpdateButtons();
        return false;
    }
    plan_->setText(QFileInfo(path).fileName());
    for (int i = 0; i < HalcyonTestCount(); ++i) {
        VTestHandle test = HalcyonTestAt(i);
        auto* item = new QListWidgetItem(QString::fromUtf8(VGetTestName(test)), tests_);
        item->setData(kHandleRole, QVariant::fromValue<qlonglong>(test));
    }
    const QSignalBlocker block(variants_);
    for (int i = 0; i < HalcyonVariantCount(); ++i)
        variants_->addItem(QString::fromUtf8(HalcyonVariantAt(i)));
    SelectVariant(variants_->count() > 0 ? 0 : -1);
    UpdateButtons();
    return true;
}

void HostWindow::SelectVariant(int index) {
    if (index >= 0)
        VSetSelector(variants_->itemText(index).toUtf8().constData());
    for (int row = 0; row < tests_->count(); ++row) {
        QListWidgetItem* item = tests_->item(row);
        bool inVariant = HalcyonTestInVariant(item->data(kHandleRole).toLongLong()) != 0;
        item->setFlags(inVariant ? item->flags() | Qt::ItemIsEnabled : item->flags() & ~Qt::ItemIsEnabled);
    }
}

void HostWindow::RunTests() {
    if (running_ || tests_->count() == 0)
        return;
    QList<int> rows;
    for (int row = 0; row < tests_->count(); ++row) {
        QListWidgetItem* item = tests_->item(row);
        if ((item->flags() & Qt::ItemIsEnabled) && (item->isSelected() || tests_->selectedItems().isEmpty()))
            rows.append(row);
    }
    running_ = true;
    aborted_ = false;
    UpdateButtons();
    HalcyonSetIdleProc(&HostWindow::GiveTime, this);
    for (int row : rows) {
        if (aborted_)
            break;
        VTestHandle test = tests_->item(row)->data(kHandleRole).toLongLong();
        VRunTest(test);
        ShowResult(row, test);
    }
    VStopSequence();
    HalcyonSetIdleProc(nullptr, nullptr);
    running_ = false;
    UpdateButtons();
}

void HostWindow::Abort() {
    if (!running_)
        return;
    aborted_ = true;
    UtaSetOperatorAbort(1);
}

void HostWindow::closeEvent(QCloseEvent* event) {
    if (running_) { // the run ends first; the window closes when asked again
        Abort();
        event->ignore();
        return;
    }
    event->accept();
}

void HostWindow::ShowResult(int row, VTestHandle test) {
    QListWidgetItem* item = tests_->item(row);
    item->setText(QString::fromUtf8(VGetTestName(test)) + "    " + ResultWord(test));
    if (UtaExcRegIsError(0))
        item->setToolTip(QString::fromUtf8(HalcyonTestError(test)));
}

void HostWindow::UpdateButtons() {
    run_->setEnabled(!running_ && tests_->count() > 0);
    abort_->setEnabled(running_);
    variants_->setEnabled(!running_);
}

unsigned char HostWindow::OnReport(const char* text) {
    if (!reportWindow)
        return 0;
    QString block = QString::fromUtf8(text);
    if (block.endsWith('\n'))
        block.chop(1);
    reportWindow->report_->appendPlainText(block);
    return 1;
}

void HostWindow::GiveTime(void*) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

} // namespace corvid::host
