#include "ombra/command_list_view.h"

#include "command_list_model.h"
#include "debugger/list_text.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QMouseEvent>
#include <QScopedValueRollback>
#include <QScrollBar>
#include <QTimer>
#include <algorithm>
#include <utility>

namespace corvid::ombra {
namespace {

// The columns a double click may edit: all but "Time".
constexpr int kLastEditableColumn = 5;

// More changes than this at once: the trace's 500 rows are read afresh rather than moved
// one by one.
constexpr std::size_t kTraceResetThreshold = 16;

// Any column that is shown, for indices that must be visible to scroll or select.
int FirstShownColumn(const QTableView& view) {
    const int columns = view.model()->columnCount();
    for (int column = 0; column < columns; ++column) {
        if (!view.isColumnHidden(column))
            return column;
    }
    return 0;
}

} // namespace

CommandListView::CommandListView(debugger::CommandList& list, ListLayout layout, QWidget* parent)
    : QTableView(parent), list_(list), layout_(layout), model_(new CommandListModel(list, *this, this)),
      refresh_(new QTimer(this)) {
    refresh_->setSingleShot(true);
    refresh_->setInterval(kListRefreshInterval);
    connect(refresh_, &QTimer::timeout, this, [this] { CatchUp(); });
    setModel(model_);
    SetUpColumns();
    SetUpRows();
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSortingEnabled(false);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setShowGrid(false);
    setWordWrap(false);
    setIconSize(QSize(kCommandIconWidth, kCommandIconHeight));
    setTabKeyNavigation(false); // Tab leaves the list; there are no cells to step through

    // The selection stays as visible when the list loses the focus.
    QPalette colours = palette();
    for (const QPalette::ColorRole role : {QPalette::Highlight, QPalette::HighlightedText})
        colours.setColor(QPalette::Inactive, role, colours.color(QPalette::Active, role));
    setPalette(colours);

    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { UserSelectionChanged(); });
    list_.SetObserver(this);
    ShowListSelection();
}

CommandListView::~CommandListView() {
    list_.SetObserver(nullptr);
}

void CommandListView::SetUpColumns() {
    QHeaderView* header = horizontalHeader();
    header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    header->setStretchLastSection(false);
    header->setSectionsMovable(false);
    header->setSectionsClickable(false);
    header->setSectionResizeMode(QHeaderView::Interactive);
    // The icon column is locked: no dragging its divider, no resize cursor over it.
    header->setSectionResizeMode(0, QHeaderView::Fixed);
    const auto& columns = debugger::ListColumns();
    for (int column = 0; column < static_cast<int>(columns.size()); ++column) {
        const debugger::ListColumn& info = columns[static_cast<std::size_t>(column)];
        const int width = layout_ == ListLayout::document ? info.documentWidth : info.traceWidth;
        if (width <= 0) {
            setColumnHidden(column, true);
        } else {
            header->resizeSection(column, width);
        }
    }
}

void CommandListView::SetUpRows() {
    // One fixed height for every row keeps a list of a million rows cheap to lay out.
    QHeaderView* rows = verticalHeader();
    rows->hide();
    rows->setSectionResizeMode(QHeaderView::Fixed);
    const int height = std::max(fontMetrics().height() + 4, kCommandIconHeight + 2);
    rows->setMinimumSectionSize(height);
    rows->setDefaultSectionSize(height);
}

void CommandListView::SetColourCoding(std::function<bool()> query) {
    model_->SetColourCoding(std::move(query));
    RepaintRows();
}

void CommandListView::RepaintRows() {
    viewport()->update();
}

QString CommandListView::CellText(int row, int column) const {
    return model_->data(model_->index(row, column), Qt::DisplayRole).toString();
}

int CommandListView::CellIcon(int row) const {
    const debugger::CommandItem* item = list_.At(row);
    return item ? debugger::IconIndex(*item, row == list_.PlaybackPosition()) : 0;
}

QColor CommandListView::CellForeground(int row) const {
    return model_->data(model_->index(row, 1), Qt::ForegroundRole).value<QBrush>().color();
}

QColor CommandListView::CellBackground(int row) const {
    return model_->data(model_->index(row, 1), Qt::BackgroundRole).value<QBrush>().color();
}

void CommandListView::mouseDoubleClickEvent(QMouseEvent* event) {
    QTableView::mouseDoubleClickEvent(event);
    // Only an idle list (or a paused one) is edited.
    if (list_.PlaybackHighlight() || list_.RecordingHighlight())
        return;
    const QModelIndex cell = indexAt(event->position().toPoint());
    if (!cell.isValid() || cell.column() > kLastEditableColumn)
        return;
    if (!list_.At(list_.SelectedIndex()))
        return;
    emit editRequested();
}

void CommandListView::scrollTo(const QModelIndex& index, ScrollHint hint) {
    const int left = horizontalScrollBar()->value();
    QTableView::scrollTo(index, hint);
    horizontalScrollBar()->setValue(left);
}

QModelIndex CommandListView::moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) {
    const int rows = model_->rowCount();
    if (rows == 0)
        return {};
    const int column = FirstShownColumn(*this);
    switch (action) {
    case MoveHome:
        return model_->index(0, column);
    case MoveEnd:
        return model_->index(rows - 1, column);
    case MoveLeft:
    case MoveRight:
        horizontalScrollBar()->triggerAction(action == MoveLeft ? QAbstractSlider::SliderSingleStepSub
                                                                : QAbstractSlider::SliderSingleStepAdd);
        return currentIndex();
    default:
        break;
    }
    const QModelIndex next = QTableView::moveCursor(action, modifiers);
    return next.isValid() ? model_->index(next.row(), column) : next;
}

bool CommandListView::Batching() const {
    return layout_ == ListLayout::trace || list_.RecordingHighlight();
}

void CommandListView::Queue(RowChange change) {
    pending_.push_back(change);
    if (!refresh_->isActive())
        refresh_->start();
}

void CommandListView::CatchUp() {
    refresh_->stop();
    if (!pending_.empty())
        Apply(std::exchange(pending_, {}));
    if (pendingScroll_)
        ScrollNow(*std::exchange(pendingScroll_, std::nullopt));
}

void CommandListView::Apply(const std::vector<RowChange>& changes) {
    int lastInserted = -1;
    {
        const QScopedValueRollback following(followingList_, true);
        if (layout_ == ListLayout::trace && changes.size() > kTraceResetThreshold) {
            model_->Reset();
        } else {
            // Runs of rows inserted one after another, or removed at one place, go at once.
            for (std::size_t first = 0; first < changes.size();) {
                const RowChange& change = changes[first];
                int count = 1;
                while (first + count < changes.size()) {
                    const RowChange& next = changes[first + count];
                    const bool continues =
                        next.inserted == change.inserted &&
                        next.index == (change.inserted ? change.index + count : change.index);
                    if (!continues)
                        break;
                    ++count;
                }
                if (change.inserted)
                    model_->InsertRows(change.index, count);
                else
                    model_->RemoveRows(change.index, count);
                first += static_cast<std::size_t>(count);
            }
        }
        for (const RowChange& change : changes)
            lastInserted = change.inserted ? change.index : lastInserted;
    }
    ShowListSelectionIfDifferent();
    if (lastInserted >= 0)
        emit rowInserted(lastInserted);
    emit rowCountChanged();
}

void CommandListView::RowInserted(int index) {
    if (Batching())
        return Queue({index, true});
    CatchUp();
    Apply({{index, true}});
}

void CommandListView::RowRemoved(int index) {
    if (Batching())
        return Queue({index, false});
    CatchUp();
    Apply({{index, false}});
}

void CommandListView::RowsReset() {
    pending_.clear(); // the model reads the list as it is now
    {
        const QScopedValueRollback following(followingList_, true);
        model_->Reset();
    }
    ShowListSelectionIfDifferent();
    emit rowCountChanged();
    CatchUp();
}

void CommandListView::RowChanged(int index) {
    CatchUp();
    model_->RefreshRow(index);
}

void CommandListView::Repaint() {
    CatchUp();
    RepaintRows();
}

void CommandListView::SelectionChanged(int /*index*/) {
    if (followingList_)
        return; // the list took the view's own selection
    CatchUp();
    ShowListSelection();
    emit selectedRowChanged(list_.SelectedIndex());
}

void CommandListView::EnsureVisible(int index, bool centred) {
    if (!pending_.empty()) {
        pendingScroll_ = ScrollRequest{index, centred};
        return;
    }
    ScrollNow({index, centred});
}

void CommandListView::ScrollNow(ScrollRequest request) {
    const int index = request.index;
    if (index < 0 || index >= model_->rowCount())
        return;
    if (request.centred) {
        executeDelayedItemsLayout();
        const int page = RowsPerPage();
        const int top = std::max(rowAt(0), 0);
        // Far enough down: bring the row half a page below it into view, so that the row
        // lands near the middle.
        if (index >= page && index >= top) {
            ScrollToRow(std::min(index + page / 2, model_->rowCount() - 1));
            return;
        }
    }
    ScrollToRow(index);
}

void CommandListView::UserSelectionChanged() {
    if (followingList_)
        return;
    const int row = ViewSelectedRow();
    {
        const QScopedValueRollback following(followingList_, true);
        if (row >= 0)
            list_.Select(row, false);
        else
            list_.ClearSelection();
    }
    emit selectedRowChanged(list_.SelectedIndex());
}

void CommandListView::ShowListSelection() {
    const QScopedValueRollback following(followingList_, true);
    // Selecting for the list scrolls only when the list asks for it.
    const bool autoScrolling = hasAutoScroll();
    setAutoScroll(false);
    const int row = list_.SelectedIndex();
    if (row >= 0 && row < model_->rowCount()) {
        selectionModel()->setCurrentIndex(model_->index(row, FirstShownColumn(*this)),
                                          QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    } else {
        selectionModel()->clearSelection();
    }
    setAutoScroll(autoScrolling);
}

void CommandListView::ShowListSelectionIfDifferent() {
    if (ViewSelectedRow() == list_.SelectedIndex())
        return;
    ShowListSelection();
    emit selectedRowChanged(list_.SelectedIndex());
}

int CommandListView::ViewSelectedRow() const {
    const QItemSelection selection = selectionModel()->selection();
    return selection.isEmpty() ? -1 : selection.first().top();
}

int CommandListView::RowsPerPage() const {
    return std::max(1, viewport()->height() / verticalHeader()->defaultSectionSize());
}

void CommandListView::ScrollToRow(int row) {
    executeDelayedItemsLayout();
    scrollTo(model_->index(row, FirstShownColumn(*this)), QAbstractItemView::EnsureVisible);
}

} // namespace corvid::ombra
