#include "ombra/document_window.h"

#include "debugger/document.h"
#include "ombra/command_list_view.h"
#include "ombra/main_frame.h"

#include <QCloseEvent>
#include <QMenu>

namespace corvid::ombra {

DocumentWindow::DocumentWindow(MainFrame& frame, std::shared_ptr<debugger::RecordingDocument> document,
                               const QString& untitledName)
    : frame_(frame), document_(std::move(document)), untitledName_(untitledName) {
    setAttribute(Qt::WA_DeleteOnClose);
    list_ = new CommandListView(document_->Commands(), ListLayout::document, this);
    setWidget(list_);
    // The frame's keys (Ctrl+F4 is an option there) win over the child window's own.
    if (QMenu* menu = systemMenu())
        for (QAction* action : menu->actions())
            action->setShortcuts({});
    if (document_->Commands().Count() > 0)
        list_->scrollToTop();
    UpdateTitle();
    resize(640, 360);
}

DocumentWindow::~DocumentWindow() {
    // The list view leaves the document's list before the document goes.
    delete list_;
    list_ = nullptr;
    if (!closed_)
        frame_.DocumentClosed(*this);
}

QString DocumentWindow::Title() const {
    const std::filesystem::path& path = document_->PathName();
    return path.empty() ? untitledName_ : QString::fromStdString(path.filename().string());
}

void DocumentWindow::UpdateTitle() {
    setWindowTitle(Title());
}

void DocumentWindow::closeEvent(QCloseEvent* event) {
    if (!skipSaveQuestion_ && !frame_.QueryCloseDocument(*this)) {
        event->ignore();
        return;
    }
    skipSaveQuestion_ = false;
    closed_ = true;
    frame_.DocumentClosed(*this);
    QMdiSubWindow::closeEvent(event);
}

} // namespace corvid::ombra
