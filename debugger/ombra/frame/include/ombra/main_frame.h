// CMainFrame: the debugger's main window. It owns the engine and the controller window that
// drivers send their messages to, the document windows in its MDI area, the menus, the two
// toolbars, the status bar and the docking trace window, and keeps options and window state
// in the per-user settings.
#pragma once

#include "debugger/editing.h"
#include "ombra/startup.h"
#include "platform/window_message.h"

#include <QMainWindow>
#include <QStringList>
#include <functional>
#include <map>
#include <memory>
#include <stdexcept>
#include <vector>

class QDialog;
class QDockWidget;
class QLabel;
class QMdiArea;
class QMenu;
class QSocketNotifier;
class QToolBar;

namespace corvid::debugger {
class ControllerWindow;
class Engine;
class Prompt;
class RecordingDocument;
struct FindRequest;
} // namespace corvid::debugger

namespace corvid::ombra {

class DocumentWindow;
class FindWindow;
class StatusProgress;
class TraceView;

// Thrown by the frame's constructor when another debugger's controller window is alive.
class AnotherDebuggerRunning : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class MainFrame : public QMainWindow {
    Q_OBJECT
public:
    // Questions are shown as message boxes over the frame.
    explicit MainFrame(QWidget* parent = nullptr);
    // Questions go to prompt (which must outlive the frame); a null prompt shows boxes.
    explicit MainFrame(debugger::Prompt& prompt, QWidget* parent = nullptr);
    explicit MainFrame(debugger::Prompt* prompt, QWidget* parent = nullptr);
    ~MainFrame() override;

    // Documents. OpenDocument gives null when the file could not be opened (the reason has
    // been shown); a file already open activates its window.
    DocumentWindow* NewDocument();
    DocumentWindow* OpenDocument(const QString& path);
    DocumentWindow* ActiveDocument() const;
    QList<DocumentWindow*> Documents() const;
    // Save (askName: Save As, and always for a document without a file).
    bool SaveDocument(DocumentWindow& window, bool askName);
    QStringList RecentFiles() const { return recentFiles_; }

    // Opens the command line's file, then plays it without the dialog (/PLAY) or starts
    // recording into it (/RECORD).
    void OpenFromCommandLine(const CommandLine& line);
    // The command line's actions on the opened document.
    void StartPlaybackWithoutDialog();
    void StartRecordingWithDialog();

    debugger::Engine& GetEngine();
    debugger::Clipboard& GetClipboard() { return clipboard_; }
    debugger::Prompt& GetPrompt() { return *prompt_; }
    // The actions by command id (0xE100, 0x8028, ...); null for an unknown id.
    QAction* Action(int commandId) const;
    void RefreshCommandStates();
    void SetVersionText(const QString& text) { versionText_ = text; }

    // Every dialog the frame opens (the editing dialogs, the file dialogs, About) is run
    // through this function; it returns the dialog's result. By default exec().
    using DialogRunner = std::function<int(QDialog&)>;
    void SetDialogRunner(DialogRunner runner);

    // Parts of the window, for the program's start-up and for tests.
    QMdiArea* MdiArea() const { return mdi_; }
    TraceView* Trace() const { return trace_; }
    QDockWidget* TraceDock() const { return traceDock_; }
    QToolBar* MainToolBar() const { return mainBar_; }
    QToolBar* ControlsToolBar() const { return controlsBar_; }
    QLabel* LineIndicatorPane() const { return linePane_; }
    FindWindow* Find() const { return find_; }
    // The menu of that title ("File", "Edit", ...) as the menu bar shows it now; null when
    // it is not shown.
    QMenu* Menu(const QString& title) const;

    // Called by the document windows.
    bool QueryCloseDocument(DocumentWindow& window);
    void DocumentClosed(DocumentWindow& window);
    void SelectionChanged();

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // Construction (main_frame.cpp, frame_actions.cpp).
    void CreateEngine();
    void CreateControllerWindow();
    void ComeForward(const platform::WindowMessage& message);
    void CreateActions();
    void CreateMenus();
    void CreateToolBars();
    void CreateStatusBar();
    void CreateTraceWindow();
    void ConnectCommands();
    QAction* AddAction(int id);

    // Window state (main_frame.cpp).
    void RestorePlacement();
    void SavePlacement();
    void RestoreBarState();
    void SaveBarState();
    void PumpMessages();

    // Command states (frame_states.cpp).
    void UpdateMenuVisibility(bool hasDocument);
    void UpdateLineIndicator();
    void ApplyEngineState(int id, bool enabled, bool checked, const char* text);
    void DockHiddenFloatingBars();

    // Documents (frame_documents.cpp).
    // The window of an open document with that file, or null.
    DocumentWindow* WindowOfFile(const QString& path) const;
    DocumentWindow* AddDocumentWindow(std::shared_ptr<debugger::RecordingDocument> document);
    void AddRecentFile(const QString& path);
    void RemoveRecentFile(const QString& path);
    void LoadRecentFiles();
    void SaveRecentFiles();
    void RebuildRecentMenu();
    QString AskFileName(bool save, const QString& caption, const QString& proposed, const QString& filter,
                        const QString& suffix);
    void OnOpen();
    void OnExport();

    // Commands (frame_commands.cpp).
    void OnRecording();
    void OnPlayback();
    void OnProperties();
    void OnEditRequested(bool fromTrace);
    void OnCut();
    void OnCopy();
    void OnPaste();
    void OnDelete();
    void OnNewCommand();
    void OnFind();
    void OnFindNext(const debugger::FindRequest& request);
    void OnReplace();
    void OnGoToLine();
    void OnBreakpoint();
    void OnAbout();
    void OnToggleOption(int id);
    void OnToggleTraceWindow();
    void OnToggleControls();
    void RepaintAllLists();
    bool Editable(debugger::EditCommand command) const;
    debugger::RecordingDocument* ActiveRecording() const;

    std::unique_ptr<debugger::Prompt> ownPrompt_;
    debugger::Prompt* prompt_ = nullptr;
    std::unique_ptr<debugger::Engine> engine_;
    std::unique_ptr<debugger::ControllerWindow> controller_;
    QSocketNotifier* notifier_ = nullptr;
    debugger::Clipboard clipboard_;
    std::map<int, QAction*> actions_;
    enum class MenuShown { always, withoutDocument, withDocument };
    struct MenuEntry {
        QString title;
        QMenu* menu;
        MenuShown shown;
    };
    std::vector<MenuEntry> menus_;
    std::vector<QAction*> recentSeparators_;
    QMdiArea* mdi_ = nullptr;
    QDockWidget* traceDock_ = nullptr;
    TraceView* trace_ = nullptr;
    QToolBar* mainBar_ = nullptr;
    QToolBar* controlsBar_ = nullptr;
    QLabel* linePane_ = nullptr;
    std::unique_ptr<StatusProgress> progress_;
    FindWindow* find_ = nullptr;
    QList<QAction*> recentActions_;
    QStringList recentFiles_;
    QString versionText_;
    DialogRunner runDialog_;
    int untitledCount_ = 0;
    bool handlingMessage_ = false;
    bool closePending_ = false;
    bool closing_ = false;
    bool destroying_ = false;
};

} // namespace corvid::ombra
