// The main window's documents: new, open, save, close, the recent-file list and the export.
#include "debugger/document.h"
#include "debugger/engine.h"
#include "debugger/options.h"
#include "debugger/prompt.h"
#include "debugger/text_export.h"
#include "ombra/command_ids.h"
#include "ombra/command_list_view.h"
#include "ombra/document_window.h"
#include "ombra/main_frame.h"
#include "platform/registry.h"
#include "status_progress.h"
#include "wait_cursor.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMdiArea>
#include <QMenu>

namespace corvid::ombra {
namespace {

constexpr const char* kRecentSection = "Recent File List";
constexpr int kRecentCount = 4;
const QString kOmbraFilter = QStringLiteral("OMBRA Files (*.omr);;All Files (*)");

std::filesystem::path PathOf(const QString& path) {
    return std::filesystem::path(path.toStdString());
}

QString SamePath(const QString& path) {
    const QFileInfo info(path);
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? info.absoluteFilePath() : canonical;
}

} // namespace

DocumentWindow* MainFrame::ActiveDocument() const {
    // The current window even while the program is not the active one.
    return qobject_cast<DocumentWindow*>(mdi_->currentSubWindow());
}

debugger::RecordingDocument* MainFrame::ActiveRecording() const {
    DocumentWindow* window = ActiveDocument();
    return window ? window->Document().get() : nullptr;
}

QList<DocumentWindow*> MainFrame::Documents() const {
    QList<DocumentWindow*> documents;
    for (QMdiSubWindow* window : mdi_->subWindowList())
        if (auto* document = qobject_cast<DocumentWindow*>(window))
            documents.push_back(document);
    return documents;
}

DocumentWindow* MainFrame::AddDocumentWindow(std::shared_ptr<debugger::RecordingDocument> document) {
    auto* window =
        new DocumentWindow(*this, std::move(document), QStringLiteral("OMBRA%1").arg(++untitledCount_));
    window->List()->SetColourCoding(
        [this] { return engine_ && engine_->GetOptions().automaticColorCoding == 1; });
    connect(window->List(), &CommandListView::selectedRowChanged, this, [this] { SelectionChanged(); });
    connect(window->List(), &CommandListView::rowCountChanged, this, [this] { UpdateLineIndicator(); });
    connect(window->List(), &CommandListView::editRequested, this, [this] { OnEditRequested(false); });
    mdi_->addSubWindow(window);
    window->show();
    mdi_->setActiveSubWindow(window);
    RefreshCommandStates();
    return window;
}

DocumentWindow* MainFrame::NewDocument() {
    return AddDocumentWindow(std::make_shared<debugger::RecordingDocument>());
}

DocumentWindow* MainFrame::WindowOfFile(const QString& path) const {
    const QString wanted = SamePath(path);
    for (DocumentWindow* window : Documents()) {
        const std::filesystem::path& open = window->Document()->PathName();
        if (!open.empty() && SamePath(QString::fromStdString(open.string())) == wanted)
            return window;
    }
    return nullptr;
}

DocumentWindow* MainFrame::OpenDocument(const QString& path) {
    if (DocumentWindow* window = WindowOfFile(path)) {
        mdi_->setActiveSubWindow(window);
        return window;
    }
    auto document = std::make_shared<debugger::RecordingDocument>();
    bool opened = false;
    {
        WaitCursor wait;
        // Absolute, so that the recent-file list works from wherever the program starts.
        opened = document->Open(PathOf(QFileInfo(path).absoluteFilePath()), *prompt_, progress_.get());
    }
    if (!opened)
        return nullptr;
    DocumentWindow* window = AddDocumentWindow(std::move(document));
    AddRecentFile(QString::fromStdString(window->Document()->PathName().string()));
    return window;
}

QString MainFrame::AskFileName(bool save, const QString& caption, const QString& proposed,
                               const QString& filter, const QString& suffix) {
    QFileDialog dialog(this, caption);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setNameFilter(filter);
    dialog.setDefaultSuffix(suffix);
    if (!proposed.isEmpty() && !proposed.startsWith(QLatin1Char('*'))) {
        const QFileInfo info(proposed);
        if (info.isAbsolute())
            dialog.setDirectory(info.absolutePath());
        dialog.selectFile(info.fileName());
    }
    if (runDialog_(dialog) != QDialog::Accepted)
        return {};
    const QStringList chosen = dialog.selectedFiles();
    return chosen.isEmpty() ? QString() : chosen.front();
}

void MainFrame::OnOpen() {
    const QString path = AskFileName(false, tr("Open"), {}, kOmbraFilter, QStringLiteral("omr"));
    if (!path.isEmpty())
        OpenDocument(path);
}

bool MainFrame::SaveDocument(DocumentWindow& window, bool askName) {
    debugger::RecordingDocument& document = *window.Document();
    QString path = QString::fromStdString(document.PathName().string());
    if (askName || path.isEmpty()) {
        const QString proposed = path.isEmpty() ? window.Title() + QStringLiteral(".omr") : path;
        path = AskFileName(true, tr("Save As"), proposed, kOmbraFilter, QStringLiteral("omr"));
        if (path.isEmpty())
            return false;
        if (DocumentWindow* other = WindowOfFile(path); other && other != &window) {
            prompt_->Ask("The file " + path.toStdString() +
                             " is open in another window.\r\nClose that window first or choose another name.",
                         "OMBRA", debugger::MsgButtons::Ok, debugger::MsgIcon::Warning);
            return false;
        }
    }
    bool saved = false;
    {
        WaitCursor wait;
        saved = document.Save(PathOf(path), *prompt_, progress_.get());
    }
    if (!saved)
        return false;
    window.UpdateTitle();
    AddRecentFile(QString::fromStdString(document.PathName().string()));
    RefreshCommandStates();
    return true;
}

bool MainFrame::QueryCloseDocument(DocumentWindow& window) {
    if (!window.Document()->IsModified())
        return true;
    const std::string text = "Save changes to " + window.Title().toStdString() + "?";
    switch (prompt_->Ask(text, "OMBRA", debugger::MsgButtons::YesNoCancel, debugger::MsgIcon::Warning)) {
    case debugger::MsgAnswer::Yes:
        return SaveDocument(window, false);
    case debugger::MsgAnswer::No:
        return true;
    default:
        return false;
    }
}

void MainFrame::DocumentClosed(DocumentWindow& window) {
    if (engine_)
        engine_->OnViewClosed(window.Document().get());
}

void MainFrame::LoadRecentFiles() {
    const platform::AppSettings settings = debugger::DebuggerSettings();
    recentFiles_.clear();
    for (int index = 1; index <= kRecentCount; ++index) {
        const std::optional<std::string> path =
            settings.GetString(kRecentSection, "File" + std::to_string(index));
        if (path && !path->empty())
            recentFiles_.push_back(QString::fromStdString(*path));
    }
    RebuildRecentMenu();
}

void MainFrame::SaveRecentFiles() {
    platform::AppSettings settings = debugger::DebuggerSettings();
    for (int index = 1; index <= kRecentCount; ++index) {
        const std::string entry = "File" + std::to_string(index);
        if (index <= recentFiles_.size())
            settings.SetString(kRecentSection, entry, recentFiles_[index - 1].toStdString());
        else
            settings.DeleteEntry(kRecentSection, entry);
    }
}

void MainFrame::AddRecentFile(const QString& path) {
    recentFiles_.removeAll(path);
    recentFiles_.prepend(path);
    while (recentFiles_.size() > kRecentCount)
        recentFiles_.removeLast();
    SaveRecentFiles();
    RebuildRecentMenu();
}

void MainFrame::RemoveRecentFile(const QString& path) {
    recentFiles_.removeAll(path);
    SaveRecentFiles();
    RebuildRecentMenu();
}

void MainFrame::RebuildRecentMenu() {
    for (QAction* action : recentActions_)
        delete action;
    recentActions_.clear();
    for (int index = 0; index < recentFiles_.size(); ++index) {
        const QString path = recentFiles_[index];
        auto* action =
            new QAction(QStringLiteral("&%1 %2").arg(index + 1).arg(QDir::toNativeSeparators(path)), this);
        action->setData(command::kRecentFile1 + index);
        action->setStatusTip(tr("Open this document"));
        connect(action, &QAction::triggered, this, [this, path] {
            if (!OpenDocument(path))
                RemoveRecentFile(path);
        });
        recentActions_.push_back(action);
    }
    if (recentActions_.isEmpty()) {
        auto* placeholder = new QAction(tr("Recent File"), this);
        placeholder->setEnabled(false);
        recentActions_.push_back(placeholder);
    }
    for (QAction* separator : recentSeparators_) {
        QMenu* menu = qobject_cast<QMenu*>(separator->parent());
        if (!menu)
            continue;
        // The list sits before the separator above Exit, after one of its own.
        for (QAction* action : recentActions_)
            menu->insertAction(separator, action);
    }
}

void MainFrame::OnExport() {
    debugger::RecordingDocument* document = ActiveRecording();
    if (!document)
        return;
    const QString proposed =
        QString::fromStdString(debugger::ProposedExportName(document->PathName()).string());
    const QString path =
        AskFileName(true, tr("Export to Text File"), proposed, QStringLiteral("Text Files (*.txt)"), "txt");
    if (path.isEmpty())
        return;
    WaitCursor wait;
    debugger::ExportToText(document->Commands(), PathOf(path), *prompt_, progress_.get());
}

void MainFrame::StartPlaybackWithoutDialog() {
    DocumentWindow* window = ActiveDocument();
    if (window)
        engine_->StartPlayback(window->Document(), std::nullopt, true);
}

void MainFrame::StartRecordingWithDialog() {
    if (ActiveDocument() && !engine_->IsRecording())
        OnRecording();
}

} // namespace corvid::ombra
