// The main window's construction, its link to the drivers, window state and closing.
#include "ombra/main_frame.h"

#include "debugger/calibration_reset.h"
#include "debugger/controller_window.h"
#include "debugger/engine.h"
#include "debugger/options.h"
#include "ombra/command_ids.h"
#include "ombra/command_list_view.h"
#include "ombra/document_window.h"
#include "ombra/find_window.h"
#include "ombra/open_request.h"
#include "ombra/qt_prompt.h"
#include "platform/registry.h"
#include "status_progress.h"
#include "wait_cursor.h"
#include "window_state.h"

#include <QCloseEvent>
#include <QDockWidget>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QMdiArea>
#include <QMimeData>
#include <QScopedValueRollback>
#include <QScreen>
#include <QSocketNotifier>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QUrl>
#include <algorithm>
#include <chrono>
#include <stdexcept>

namespace corvid::ombra {
namespace {

constexpr const char* kSettingsSection = "Settings";
constexpr const char* kPlacementEntry = "MainFrmPos";
constexpr const char* kBarStateSection = "barstate";
constexpr const char* kDockStateSection = "dockstate";
constexpr const char* kStateEntry = "State";

} // namespace

MainFrame::MainFrame(QWidget* parent) : MainFrame(static_cast<debugger::Prompt*>(nullptr), parent) {}

MainFrame::MainFrame(debugger::Prompt& prompt, QWidget* parent) : MainFrame(&prompt, parent) {}

MainFrame::MainFrame(debugger::Prompt* prompt, QWidget* parent) : QMainWindow(parent) {
    if (!prompt) {
        ownPrompt_ = std::make_unique<QtPrompt>(*this);
        prompt = ownPrompt_.get();
    }
    prompt_ = prompt;
    runDialog_ = [](QDialog& dialog) {
        return dialog.exec();
    };
    setObjectName(QStringLiteral("MainFrame"));
    setWindowTitle(QStringLiteral("OMBRA"));
    setAcceptDrops(true);

    CreateEngine();
    mdi_ = new QMdiArea(this);
    setCentralWidget(mdi_);
    CreateStatusBar();
    setDockOptions(dockOptions() | QMainWindow::AllowNestedDocks);
    // Without a stored placement the window takes most of the screen, as a desktop's
    // default placement of a main window would.
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        resize(screen->availableGeometry().size() * 4 / 5);
    RestorePlacement();
    CreateActions();
    CreateMenus();
    CreateToolBars();
    CreateTraceWindow();
    RestoreBarState();
    find_ = new FindWindow(this);
    find_->hide();
    LoadRecentFiles();
    ConnectCommands();
    connect(mdi_, &QMdiArea::subWindowActivated, this, [this] { RefreshCommandStates(); });
    RefreshCommandStates();
}

MainFrame::~MainFrame() {
    destroying_ = true;
    // The windows over the engine's lists go before the engine.
    for (QMdiSubWindow* window : mdi_->subWindowList())
        delete window;
    delete traceDock_;
    traceDock_ = nullptr;
    trace_ = nullptr;
    delete notifier_;
    controller_.reset();
    engine_.reset();
}

void MainFrame::CreateEngine() {
    debugger::EngineHooks hooks;
    hooks.resetCalibrationQuietly = [this] {
        const WaitCursor wait;
        return debugger::ResetCalibrationDatabase(true, *prompt_);
    };
    hooks.bringToFront = [this] {
        raise();
        activateWindow();
    };
    hooks.commandStatesChanged = [this] {
        RefreshCommandStates();
    };
    engine_ = std::make_unique<debugger::Engine>(
        *prompt_, debugger::LoadOptions(debugger::DebuggerSettings()), std::move(hooks));
    CreateControllerWindow();
}

void MainFrame::CreateControllerWindow() {
    try {
        controller_ =
            debugger::ControllerWindow::Create(*engine_, [this](const platform::WindowMessage& message) {
                if (message.message == debugger::kShowControllerMessage && message.wParam == 1)
                    ComeForward(message);
            });
    } catch (const std::exception& error) {
        // Without its window no driver finds the debugger; the documents still work.
        prompt_->Ask(error.what(), "Error registering controller", debugger::MsgButtons::Ok,
                     debugger::MsgIcon::Information);
        return;
    }
    if (!controller_)
        throw AnotherDebuggerRunning("another debugger's controller window is alive");
    notifier_ = new QSocketNotifier(controller_->Fd(), QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [this] { PumpMessages(); });
}

void MainFrame::ComeForward(const platform::WindowMessage& message) {
    // Out of the task bar if minimised; a maximised window stays maximised.
    setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
    if (message.lParam != kOpenRequestWaits)
        return;
    // The file a second start was given; opened once the sender has its answer.
    if (std::optional<CommandLine> request = TakeOpenRequest(static_cast<pid_t>(message.senderPid)))
        QTimer::singleShot(0, this, [this, line = std::move(*request)] { OpenFromCommandLine(line); });
}

void MainFrame::OpenFromCommandLine(const CommandLine& line) {
    if (!line.file || !OpenDocument(QString::fromStdString(*line.file)))
        return;
    if (line.play)
        StartPlaybackWithoutDialog();
    else if (line.record)
        StartRecordingWithDialog();
}

void MainFrame::PumpMessages() {
    // Message boxes shown while a message is handled turn the event loop; the notifier
    // stays off meanwhile so that no second message nests.
    notifier_->setEnabled(false);
    handlingMessage_ = true;
    try {
        controller_->Pump(std::chrono::milliseconds(0));
    } catch (const std::exception& error) {
        prompt_->Ask(std::string("Error handling a driver message: ") + error.what(), {},
                     debugger::MsgButtons::Ok, debugger::MsgIcon::Error);
    }
    handlingMessage_ = false;
    notifier_->setEnabled(true);
    if (closePending_) {
        closePending_ = false;
        QTimer::singleShot(0, this, &QWidget::close);
    }
}

void MainFrame::CreateStatusBar() {
    QStatusBar* bar = statusBar();
    linePane_ = new QLabel(bar);
    linePane_->setObjectName(QStringLiteral("LineIndicator"));
    bar->addPermanentWidget(linePane_);
    // The lock indicators keep their places, but the window system does not tell a program
    // the lock states, so they are shown greyed rather than claiming that a lock is on.
    for (const char* key : {"CAP", "NUM", "SCRL"}) {
        auto* pane = new QLabel(QString::fromLatin1(key), bar);
        pane->setObjectName(QString::fromLatin1(key));
        pane->setEnabled(false);
        bar->addPermanentWidget(pane);
    }
    progress_ = std::make_unique<StatusProgress>(*bar);
    // The message pane says "Ready" whenever no command's text is shown.
    connect(bar, &QStatusBar::messageChanged, this, [bar](const QString& message) {
        if (message.isEmpty())
            bar->showMessage(tr("Ready"));
    });
    bar->showMessage(tr("Ready"));
}

void MainFrame::CreateTraceWindow() {
    traceDock_ = new QDockWidget(tr("Trace Window"), this);
    traceDock_->setObjectName(QStringLiteral("TraceWindow"));
    traceDock_->setAllowedAreas(Qt::AllDockWidgetAreas);
    trace_ = new TraceView(engine_->Trace(), traceDock_);
    trace_->List()->SetColourCoding(
        [this] { return engine_ && engine_->GetOptions().automaticColorCoding == 1; });
    traceDock_->setWidget(trace_);
    addDockWidget(Qt::BottomDockWidgetArea, traceDock_);
    resizeDocks({traceDock_}, {300}, Qt::Vertical);
    traceDock_->hide();
    connect(trace_->List(), &CommandListView::editRequested, this, [this] { OnEditRequested(true); });
    connect(traceDock_, &QDockWidget::visibilityChanged, this, [this] { RefreshCommandStates(); });
    connect(traceDock_, &QDockWidget::topLevelChanged, this, [this] { RefreshCommandStates(); });
}

void MainFrame::RestorePlacement() {
    const platform::AppSettings settings = debugger::DebuggerSettings();
    const std::optional<std::string> text = settings.GetString(kSettingsSection, kPlacementEntry);
    if (!text)
        return;
    const std::optional<WindowPlacement> placement = ParsePlacement(*text);
    if (!placement)
        return;
    // A rectangle on a screen that is no longer there is moved onto the primary one.
    QRect normal = placement->normal;
    const QList<QScreen*> screens = QGuiApplication::screens();
    const bool visible = std::any_of(screens.begin(), screens.end(), [&normal](const QScreen* screen) {
        return screen->availableGeometry().intersects(normal);
    });
    if (!visible && QGuiApplication::primaryScreen())
        normal.moveTopLeft(QGuiApplication::primaryScreen()->availableGeometry().topLeft());
    setGeometry(normal);
    if (placement->showCommand == static_cast<int>(ShowCommand::maximised))
        setWindowState(Qt::WindowMaximized);
    // A window closed while minimised opens normally: starting as an icon helps nobody.
}

void MainFrame::SavePlacement() {
    WindowPlacement placement;
    placement.showCommand = static_cast<int>(isMaximized()   ? ShowCommand::maximised
                                             : isMinimized() ? ShowCommand::minimised
                                                             : ShowCommand::normal);
    placement.normal = isMaximized() || isMinimized() ? normalGeometry() : geometry();
    if (!placement.normal.isValid())
        placement.normal = geometry();
    platform::AppSettings settings = debugger::DebuggerSettings();
    settings.SetString(kSettingsSection, kPlacementEntry, FormatPlacement(placement));
}

void MainFrame::RestoreBarState() {
    const platform::AppSettings settings = debugger::DebuggerSettings();
    const std::optional<std::string> text = settings.GetString(kBarStateSection, kStateEntry);
    if (text && !text->empty())
        restoreState(QByteArray::fromBase64(QByteArray::fromStdString(*text)));
}

void MainFrame::SaveBarState() {
    platform::AppSettings settings = debugger::DebuggerSettings();
    const std::string state = saveState().toBase64().toStdString();
    settings.SetString(kBarStateSection, kStateEntry, state);
    settings.SetString(kDockStateSection, kStateEntry, state);
}

debugger::Engine& MainFrame::GetEngine() {
    return *engine_;
}

void MainFrame::SetDialogRunner(DialogRunner runner) {
    if (runner)
        runDialog_ = std::move(runner);
    else
        runDialog_ = [](QDialog& dialog) {
            return dialog.exec();
        };
}

void MainFrame::closeEvent(QCloseEvent* event) {
    // The trace turns the event loop while a driver message is handled; the window must
    // outlive that handler, so the close waits for it to return.
    if (handlingMessage_) {
        closePending_ = true;
        event->ignore();
        return;
    }
    // The save questions below turn the event loop; a second close meanwhile is refused.
    if (closing_) {
        event->ignore();
        return;
    }
    const QScopedValueRollback closing(closing_, true);
    // The save questions come first: a Cancel then leaves the program as it was, with its
    // recording or playback still running.
    const QList<DocumentWindow*> documents = Documents();
    for (DocumentWindow* window : documents) {
        if (!QueryCloseDocument(*window)) {
            event->ignore();
            return;
        }
    }
    SavePlacement();
    platform::AppSettings settings = debugger::DebuggerSettings();
    debugger::SaveOptions(settings, engine_->GetOptions());
    SaveBarState();
    engine_->StopPlayback(false);
    engine_->StopRecording();
    find_->hide();
    for (DocumentWindow* window : documents) {
        window->SkipSaveQuestion();
        window->close();
    }
    event->accept();
}

void MainFrame::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void MainFrame::dropEvent(QDropEvent* event) {
    const QList<QUrl> urls = event->mimeData()->urls();
    event->acceptProposedAction();
    for (const QUrl& url : urls)
        if (url.isLocalFile())
            OpenDocument(url.toLocalFile());
}

} // namespace corvid::ombra
