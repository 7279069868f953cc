// A recording document's window in the main frame's MDI area (COMBRAView in its child
// frame): a command list in document layout over the document's commands. The window owns
// the document; closing it asks to save a modified document and tells the engine.
#pragma once

#include <QMdiSubWindow>
#include <memory>

namespace corvid::debugger {
class RecordingDocument;
}

namespace corvid::ombra {

class CommandListView;
class MainFrame;

class DocumentWindow : public QMdiSubWindow {
    Q_OBJECT
public:
    // untitledName: the title while the document has no file ("OMBRA1").
    DocumentWindow(MainFrame& frame, std::shared_ptr<debugger::RecordingDocument> document,
                   const QString& untitledName);
    ~DocumentWindow() override;

    const std::shared_ptr<debugger::RecordingDocument>& Document() const { return document_; }
    CommandListView* List() const { return list_; }
    // The file name, or the untitled name.
    QString Title() const;
    void UpdateTitle();
    // The next close does not ask to save (the frame asked already).
    void SkipSaveQuestion() { skipSaveQuestion_ = true; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    MainFrame& frame_;
    std::shared_ptr<debugger::RecordingDocument> document_;
    CommandListView* list_ = nullptr;
    QString untitledName_;
    bool skipSaveQuestion_ = false;
    bool closed_ = false;
};

} // namespace corvid::ombra
