// The command list of a recording document or of the trace window: a table view over a
// debugger::CommandList. Rows hold no text; cell texts, icons and colours are computed from
// the commands when the view paints them.
#pragma once

#include "debugger/command_list.h"
#include "ombra/command_icons.h"
#include "ombra/trace_view.h"

#include <QColor>
#include <QString>
#include <QTableView>
#include <chrono>
#include <functional>
#include <optional>
#include <vector>

class QTimer;

namespace corvid::ombra {

enum class ListLayout { document, trace };

// How often the screen follows a list that the engine fills: rows recorded or traced reach
// the view in batches, so that a driver never waits for the window to draw.
inline constexpr std::chrono::milliseconds kListRefreshInterval{100};

class CommandListModel;

// The view is the list's observer: it follows every insertion, removal, reset, selection
// and scroll request of the list, and hands the user's selection back to the list.
class CommandListView : public QTableView, private debugger::ListObserver {
    Q_OBJECT
public:
    CommandListView(debugger::CommandList& list, ListLayout layout, QWidget* parent = nullptr);
    ~CommandListView() override; // detaches itself from the list

    debugger::CommandList& List() const { return list_; }
    ListLayout Layout() const { return layout_; }

    // Asked on every row painted: true while automatic colour coding is on (default: on).
    void SetColourCoding(std::function<bool()> query);
    // After an option change.
    void RepaintRows();

    // While the list is recorded into (or is the trace), rows inserted and removed reach
    // the view on a timer; this brings the view up to date at once.
    void CatchUp();
    bool CaughtUp() const { return pending_.empty() && !pendingScroll_; }

    // The text, icon index, foreground and background of a cell as painted.
    QString CellText(int row, int column) const;
    int CellIcon(int row) const; // 0..7
    QColor CellForeground(int row) const;
    QColor CellBackground(int row) const;

    // Rows are scrolled into view up or down only: the horizontal position stays the user's.
    void scrollTo(const QModelIndex& index, ScrollHint hint = QAbstractItemView::EnsureVisible) override;

signals:
    // Double click on an editable cell while the list is neither played nor recorded.
    void editRequested();
    // The new selected index or -1, on every selection change.
    void selectedRowChanged(int row);
    // A row was inserted and the view knows it (the trace window scrolls and paints then).
    void rowInserted(int row);
    // Rows were inserted, removed or replaced all at once (the line indicator counts them).
    void rowCountChanged();

protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    // Keys move between rows, as in a list: Home and End (with or without Ctrl) go to the
    // first and last row, Left and Right scroll sideways.
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;

private:
    // debugger::ListObserver
    void RowInserted(int index) override;
    void RowRemoved(int index) override;
    void RowsReset() override;
    void RowChanged(int index) override;
    void Repaint() override;
    void SelectionChanged(int index) override;
    void EnsureVisible(int index, bool centred) override;

    struct RowChange {
        int index;
        bool inserted;
    };
    struct ScrollRequest {
        int index;
        bool centred;
    };
    bool Batching() const;
    void Queue(RowChange change);
    void Apply(const std::vector<RowChange>& changes);
    void ScrollNow(ScrollRequest request);

    void SetUpColumns();
    void SetUpRows();
    void UserSelectionChanged();
    void ShowListSelection();
    void ShowListSelectionIfDifferent();
    int ViewSelectedRow() const;
    int RowsPerPage() const;
    void ScrollToRow(int row);

    debugger::CommandList& list_;
    ListLayout layout_;
    CommandListModel* model_;
    // Set while the view follows the list, so that its own changes are not handed back.
    bool followingList_ = false;
    // Changes of the list the model has not been told of yet, in order, and the latest
    // scroll request that came with them.
    std::vector<RowChange> pending_;
    std::optional<ScrollRequest> pendingScroll_;
    QTimer* refresh_;
};

} // namespace corvid::ombra
