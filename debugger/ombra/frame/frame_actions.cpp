// The main window's commands: one table gives each its menu text, keys, status text, tool
// tip and image; the menus and toolbars are built from the actions it makes.
#include "frame_icons.h"
#include "ombra/command_ids.h"
#include "ombra/main_frame.h"

#include <QAction>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>

namespace corvid::ombra {
namespace {

struct CommandSpec {
    int id;
    const char* text;
    const char* keys; // portable key sequences separated by "; "
    const char* status;
    const char* tip; // null: the status text
    Glyph glyph;
    bool checkable;
};

using namespace command;

// clang-format off
constexpr CommandSpec kCommands[] = {
    {kNew, "&New", "Ctrl+N", "Create a new document", "New", Glyph::newFile, false},
    {kOpen, "&Open...", "Ctrl+O", "Open an existing document", "Open", Glyph::open, false},
    {kClose, "&Close", "", "Close the active document", "Close", Glyph::none, false},
    {kSave, "&Save", "Ctrl+S", "Save the active document", "Save", Glyph::save, false},
    {kSaveAs, "Save &As...", "", "Save the active document with a new name", "Save As", Glyph::none, false},
    {kExport, "&Export to Text File", "", "Exports the selected file to a text document", nullptr, Glyph::none, false},
    {kExit, "E&xit", "", "Quit the application; prompts to save documents", "Exit", Glyph::none, false},
    {kUndo, "&Undo", "Ctrl+Z; Alt+Backspace", "Undo the last action", "Undo", Glyph::none, false},
    {kProperties, "Command &Properties", "Ctrl+E", "Edit the currently selected item", nullptr, Glyph::properties, false},
    {kCut, "Cu&t", "Ctrl+X; Shift+Del", "Cut the selection and put it on the Clipboard", "Cut", Glyph::cut, false},
    {kCopy, "&Copy", "Ctrl+C; Ctrl+Ins", "Copy the selection and put it on the Clipboard", "Copy", Glyph::copy, false},
    {kPaste, "&Paste", "Ctrl+V; Shift+Ins", "Insert Clipboard contents", "Paste", Glyph::paste, false},
    {kFind, "&Find", "Ctrl+F", "Find", nullptr, Glyph::find, false},
    {kReplace, "&Replace all occurrences with...", "Ctrl+Shift+R", "Searches for identical items to the one selected and replaces them with the value of your choice.", nullptr, Glyph::none, false},
    {kGoToLine, "&Goto line number...", "Ctrl+G", "Goto line number", nullptr, Glyph::goToLine, false},
    {kDelete, "&Delete", "Del", "Delete the selected item", nullptr, Glyph::deleteRow, false},
    {kNewCommand, "&New Command", "Ins", "Create and Insert a new command", nullptr, Glyph::newCommand, false},
    {kPlayback, "Start Playback", "Ctrl+P", "Start or Stop Playback on the current file", nullptr, Glyph::play, true},
    {kRecording, "Start Recording", "Ctrl+R", "Start or Stop Recording on the current file", nullptr, Glyph::record, true},
    {kStop, "Stop", "", "Stop Playback or Recording", nullptr, Glyph::stop, false},
    {kPause, "&Pause", "Pause", "Pause immediately after the next command is received", nullptr, Glyph::pause, true},
    {kStep, "&Step", "Space", "Process next command (Step Mode)", nullptr, Glyph::step, false},
    {kBreakpoint, "Enable/Disable &Breakpoint", "F9", "Enable/Disable Breakpoint", nullptr, Glyph::breakpoint, false},
    {kCascade, "&Cascade", "", "Arrange windows so they overlap", "Cascade Windows", Glyph::none, false},
    {kTile, "&Tile", "", "Arrange windows as non-overlapping tiles", "Tile Windows", Glyph::none, false},
    {kArrange, "&Arrange Icons", "", "Arrange icons at the bottom of the window", "Arrange Icons", Glyph::none, false},
    {kTraceWindow, "Show/Hide &Trace Window", "", "Show/Hide Trace Window", nullptr, Glyph::none, true},
    {kControlsToolBar, "Show/Hide &Controls Toolbar", "", "Show/Hide Controls Toolbar", nullptr, Glyph::none, true},
    {kNextPane, "Next Pane", "F6", "Switch to the next window pane", "Next Pane", Glyph::none, false},
    {kPreviousPane, "Previous Pane", "Shift+F6", "Switch back to the previous window pane", "Previous Pane", Glyph::none, false},
    {kValidateTypesOnly, "&Validate command types only", "Ctrl+F1", "Ignores all data and only validates that the commands are in sequence", nullptr, Glyph::none, true},
    {kIgnoreBusAddresses, "Ignore &bus addresses", "Ctrl+F2", "Ignores Bus Addresses when playing back", nullptr, Glyph::none, true},
    {kIgnoreTimeouts, "Ignore &timeout differences", "Ctrl+F3", "Ignores any differences in timeout values when playing back a file.", nullptr, Glyph::none, true},
    {kAutoscrollPlayback, "&Automatically scroll into view", "Ctrl+F4", "Automatically scrolls the next playback item into view", nullptr, Glyph::none, true},
    {kAutoscrollRecord, "&Automatically scroll into view", "Ctrl+F5", "Automatically scrolls new items into view during recording.", nullptr, Glyph::none, true},
    {kColourCoding, "Automatic &Color Coding", "Ctrl+F6", "Will automatically color each command according to the bus address.", nullptr, Glyph::none, true},
    {kResetCalibration, "&Reset Calibration Database (Calibration.mdb)", "Ctrl+Alt+Home", "Removes all entries from the Calibration.mdb database.", nullptr, Glyph::none, false},
    {kAbout, "&About Ombra...", "", "Display program information, version number and copyright", "About", Glyph::about, false},
};
// clang-format on

} // namespace

QAction* MainFrame::AddAction(int id) {
    for (const CommandSpec& spec : kCommands) {
        if (spec.id != id)
            continue;
        auto* action = new QAction(QString::fromUtf8(spec.text), this);
        action->setData(id);
        if (*spec.keys)
            action->setShortcuts(QKeySequence::listFromString(QString::fromLatin1(spec.keys)));
        // Window shortcuts: Space and Delete never reach the frame while a dialog has the focus.
        action->setShortcutContext(Qt::WindowShortcut);
        action->setStatusTip(QString::fromUtf8(spec.status));
        action->setToolTip(QString::fromUtf8(spec.tip ? spec.tip : spec.status));
        action->setIcon(GlyphIcon(spec.glyph, *style()));
        action->setCheckable(spec.checkable);
        addAction(action); // the keys work whichever menus are shown
        actions_[id] = action;
        return action;
    }
    return nullptr;
}

void MainFrame::CreateActions() {
    for (const CommandSpec& spec : kCommands)
        AddAction(spec.id);
    actions_[kUndo]->setEnabled(false);
}

void MainFrame::CreateMenus() {
    auto add = [this](QMenu* menu, std::initializer_list<int> ids) {
        for (int id : ids) {
            if (id == 0)
                menu->addSeparator();
            else
                menu->addAction(actions_.at(id));
        }
    };
    // Menus shown always, only without a document, or only with one (the two menu
    // resources of an MDI program, merged into one bar).
    auto menu = [this](const QString& title, MenuShown shown) {
        QMenu* created = menuBar()->addMenu(title);
        menus_.push_back({QString(title).remove(QLatin1Char('&')), created, shown});
        connect(created, &QMenu::aboutToShow, this, [this] {
            DockHiddenFloatingBars();
            RefreshCommandStates();
        });
        return created;
    };
    auto fileMenu = [&](MenuShown shown) {
        QMenu* file = menu(tr("&File"), shown);
        if (shown == MenuShown::withDocument)
            add(file, {kNew, kOpen, kClose, kSave, kSaveAs, 0, kExport, 0});
        else
            add(file, {kNew, kOpen, 0});
        recentSeparators_.push_back(file->addSeparator());
        add(file, {kExit});
    };
    fileMenu(MenuShown::withoutDocument);
    fileMenu(MenuShown::withDocument);
    add(menu(tr("&Edit"), MenuShown::withDocument),
        {kProperties, 0, kCut, kCopy, kPaste, 0, kFind, kReplace, 0, kGoToLine, 0, kDelete});
    add(menu(tr("&Insert"), MenuShown::withDocument), {kNewCommand});
    add(menu(tr("&Playback"), MenuShown::withDocument), {kPlayback});
    add(menu(tr("&Recording"), MenuShown::withDocument), {kRecording});
    add(menu(tr("&Debug"), MenuShown::always), {kPause, kStep, kBreakpoint});
    add(menu(tr("&Window"), MenuShown::withoutDocument), {kTraceWindow, kControlsToolBar});
    add(menu(tr("&Window"), MenuShown::withDocument),
        {kCascade, kTile, kArrange, 0, kTraceWindow, kControlsToolBar});
    QMenu* options = menu(tr("&Options"), MenuShown::always);
    add(options->addMenu(tr("&Display Options")), {kColourCoding});
    add(options->addMenu(tr("&Playback Options")),
        {kValidateTypesOnly, kIgnoreBusAddresses, kIgnoreTimeouts, kAutoscrollPlayback});
    add(options->addMenu(tr("&Recording Options")), {kAutoscrollRecord});
    add(options, {kResetCalibration});
    add(menu(tr("&Help"), MenuShown::always), {kAbout});
}

QMenu* MainFrame::Menu(const QString& title) const {
    for (const MenuEntry& entry : menus_)
        if (entry.title == title && entry.menu->menuAction()->isVisible())
            return entry.menu;
    return nullptr;
}

void MainFrame::CreateToolBars() {
    auto bar = [this](const QString& title, const QString& name, std::initializer_list<int> ids) {
        auto* created = new QToolBar(title, this);
        created->setObjectName(name);
        created->setMovable(true);
        created->setAllowedAreas(Qt::AllToolBarAreas);
        created->setIconSize(QSize(16, 16));
        for (int id : ids) {
            if (id == 0)
                created->addSeparator();
            else
                created->addAction(actions_.at(id));
        }
        addToolBar(Qt::TopToolBarArea, created);
        return created;
    };
    mainBar_ = bar(tr("Toolbar"), QStringLiteral("Toolbar"),
                   {kNew, kOpen, kSave, 0, kCut, kCopy, kPaste, 0, kFind, kGoToLine, 0, kNewCommand, 0,
                    kDelete, 0, kProperties, 0, kAbout});
    controlsBar_ = bar(tr("Recording Controls"), QStringLiteral("RecordingControls"),
                       {kRecording, kPlayback, kStop, kPause, 0, kStep, kBreakpoint});
}

QAction* MainFrame::Action(int commandId) const {
    const auto found = actions_.find(commandId);
    if (found != actions_.end())
        return found->second;
    const int recent = commandId - kRecentFile1;
    return recent >= 0 && recent < recentActions_.size() ? recentActions_[recent] : nullptr;
}

} // namespace corvid::ombra
