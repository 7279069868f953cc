// The list view over a command list: cell texts, columns, selection in both directions,
// scrolling, double clicks, and the model following every change of the list.
#include "list_test_support.h"
#include "ombra/command_list_view.h"

#include <QAbstractItemModelTester>
#include <QHeaderView>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>
#include <set>
#include <tuple>

namespace corvid::ombra::testing {
namespace {

class CommandListViewTest : public ::testing::Test {
protected:
    void SetUp() override { Application(); }

    // Shows the view with room for a few rows, laid out and ready for clicks.
    static void Show(CommandListView& view) {
        view.resize(700, 200);
        view.show();
        QApplication::processEvents();
    }
    static QPoint CellCentre(CommandListView& view, int row, int column) {
        return view.visualRect(view.model()->index(row, column)).center();
    }
    static bool RowVisible(CommandListView& view, int row) {
        const QRect cell = view.visualRect(view.model()->index(row, 1));
        return view.viewport()->rect().contains(cell);
    }

    debugger::CommandList list;
};

TEST_F(CommandListViewTest, CellTextsOfValueBlocks) {
    const link::CCopyDataBlock dword = ValueBlock<std::uint32_t>(255, link::CCopyDataBlock::Dword);
    const link::CCopyDataBlock real = ValueBlock<double>(1.5, link::CCopyDataBlock::Double);
    const std::int32_t longs[3] = {1, 2, 3};
    const link::CCopyDataBlock array(longs, 3, link::CCopyDataBlock::Long);
    const link::CCopyDataBlock text = TextBlock(std::string(300, 'x'));
    list.Insert(Item(link::CGPIBCommandInfo(0, 13, link::actionSetAttribute, &dword, &array, &real)), -1,
                false, false);
    list.Insert(Item(link::CGPIBCommandInfo(0, 7, link::actionWrite, nullptr, &text, nullptr)), -1, false,
                false);
    list.Insert(Item(link::CGPIBCommandInfo(0, 7, 17, nullptr, nullptr, nullptr)), -1, false, false);
    list.Insert(Item(WriteCommand(7, "*CLS\n")), -1, false, false);
    CommandListView view(list, ListLayout::document);

    EXPECT_EQ(view.CellText(0, 0), QString());
    EXPECT_EQ(view.CellText(0, 1), "13");
    EXPECT_EQ(view.CellText(0, 2), "SETATTRIBUTE");
    EXPECT_EQ(view.CellText(0, 3), "3 element, long array");
    EXPECT_EQ(view.CellText(0, 4), "1.5000e+00");
    EXPECT_EQ(view.CellText(0, 5), "0x000000FF");
    EXPECT_EQ(view.CellText(1, 3), QString(252, 'x') + "...");
    EXPECT_EQ(view.CellText(1, 4), QString());
    EXPECT_EQ(view.CellText(2, 2), "UNKNOWN");
    EXPECT_FALSE(view.CellText(0, 6).isEmpty()); // the time of day
    // A terminator would make the cell two lines, drawn cut with an ellipsis.
    EXPECT_EQ(view.CellText(3, 3), "*CLS\\n");
    EXPECT_EQ(view.CellText(4, 1), QString()); // no such row
}

TEST_F(CommandListViewTest, ColumnsOfTheDocumentLayout) {
    CommandListView view(list, ListLayout::document);
    const int widths[7] = {36, 80, 130, 130, 130, 130, 0};
    const char* headings[7] = {"", "Bus Address", "Action", "Sent", "Received", "Parameters", "Time"};
    ASSERT_EQ(view.model()->columnCount(), 7);
    for (int column = 0; column < 7; ++column) {
        SCOPED_TRACE(column);
        EXPECT_EQ(view.model()->headerData(column, Qt::Horizontal).toString(), headings[column]);
        EXPECT_EQ(view.isColumnHidden(column), widths[column] == 0);
        if (widths[column] > 0) {
            EXPECT_EQ(view.columnWidth(column), widths[column]);
        }
    }
    QHeaderView* header = view.horizontalHeader();
    EXPECT_EQ(header->sectionResizeMode(0), QHeaderView::Fixed); // locked
    for (int column = 1; column < 7; ++column)
        EXPECT_EQ(header->sectionResizeMode(column), QHeaderView::Interactive) << column;
    EXPECT_FALSE(view.isSortingEnabled());
    EXPECT_EQ(view.selectionMode(), QAbstractItemView::SingleSelection);
    EXPECT_EQ(view.selectionBehavior(), QAbstractItemView::SelectRows);
    EXPECT_FALSE(view.verticalHeader()->isVisible());
    EXPECT_EQ(view.verticalHeader()->sectionResizeMode(0), QHeaderView::Fixed);
    // The selection stays as visible without the focus.
    EXPECT_EQ(view.palette().color(QPalette::Inactive, QPalette::Highlight),
              view.palette().color(QPalette::Active, QPalette::Highlight));
}

TEST_F(CommandListViewTest, ColumnsOfTheTraceLayout) {
    CommandListView view(list, ListLayout::trace);
    EXPECT_TRUE(view.isColumnHidden(0));
    const int widths[7] = {0, 80, 130, 130, 130, 130, 130};
    for (int column = 1; column < 7; ++column) {
        EXPECT_FALSE(view.isColumnHidden(column)) << column;
        EXPECT_EQ(view.columnWidth(column), widths[column]) << column;
    }
}

TEST_F(CommandListViewTest, LockedIconColumnKeepsItsWidthWhenDragged) {
    Fill(list, 3);
    CommandListView view(list, ListLayout::document);
    Show(view);
    QHeaderView* header = view.horizontalHeader();
    const int divider = header->sectionViewportPosition(0) + header->sectionSize(0) - 1;
    const int y = header->height() / 2;
    QTest::mousePress(header->viewport(), Qt::LeftButton, {}, QPoint(divider, y));
    QTest::mouseMove(header->viewport(), QPoint(divider + 40, y));
    QTest::mouseRelease(header->viewport(), Qt::LeftButton, {}, QPoint(divider + 40, y));
    EXPECT_EQ(view.columnWidth(0), 36);
}

TEST_F(CommandListViewTest, UserSelectionGoesToTheList) {
    Fill(list, 5);
    CommandListView view(list, ListLayout::document);
    Show(view);
    QSignalSpy changed(&view, &CommandListView::selectedRowChanged);

    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, CellCentre(view, 2, 2));
    EXPECT_EQ(list.SelectedIndex(), 2);
    ASSERT_EQ(changed.count(), 1);
    EXPECT_EQ(changed.takeFirst().at(0).toInt(), 2);

    QTest::keyClick(view.viewport(), Qt::Key_Down);
    EXPECT_EQ(list.SelectedIndex(), 3);
    ASSERT_EQ(changed.count(), 1);
    EXPECT_EQ(changed.takeFirst().at(0).toInt(), 3);

    view.clearSelection();
    EXPECT_EQ(list.SelectedIndex(), -1);
    ASSERT_EQ(changed.count(), 1);
    EXPECT_EQ(changed.takeFirst().at(0).toInt(), -1);
}

TEST_F(CommandListViewTest, KeysMoveBetweenRowsAndNeverScrollTheIconColumnAway) {
    Fill(list, 50);
    CommandListView view(list, ListLayout::document);
    view.resize(300, 200); // narrower than the columns: the list scrolls sideways
    view.show();
    QApplication::processEvents();
    QScrollBar& sideways = *view.horizontalScrollBar();
    ASSERT_GT(sideways.maximum(), 0);
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, CellCentre(view, 2, 1));
    ASSERT_EQ(list.SelectedIndex(), 2);

    for (const auto& [key, modifiers, row] : {std::tuple{Qt::Key_End, Qt::NoModifier, 49},
                                              {Qt::Key_Home, Qt::NoModifier, 0},
                                              {Qt::Key_End, Qt::ControlModifier, 49},
                                              {Qt::Key_Home, Qt::ControlModifier, 0}}) {
        SCOPED_TRACE(QKeySequence(key | modifiers).toString().toStdString());
        QTest::keyClick(view.viewport(), key, modifiers);
        EXPECT_EQ(list.SelectedIndex(), row);
        EXPECT_TRUE(RowVisible(view, row));
        EXPECT_EQ(sideways.value(), 0) << "the icon column stays in view";
    }
    // Left and Right scroll sideways; the rows keep their place and the selection.
    QTest::keyClick(view.viewport(), Qt::Key_Right);
    EXPECT_GT(sideways.value(), 0);
    EXPECT_EQ(list.SelectedIndex(), 0);
    const int scrolled = sideways.value();
    QTest::keyClick(view.viewport(), Qt::Key_Down);
    EXPECT_EQ(list.SelectedIndex(), 1);
    EXPECT_EQ(sideways.value(), scrolled) << "moving a row does not scroll sideways";
    QTest::keyClick(view.viewport(), Qt::Key_Left);
    EXPECT_LT(sideways.value(), scrolled);
}

TEST_F(CommandListViewTest, ListSelectionShowsInTheView) {
    Fill(list, 5);
    CommandListView view(list, ListLayout::trace);
    QSignalSpy changed(&view, &CommandListView::selectedRowChanged);

    list.Select(4, false);
    const QModelIndexList selected = view.selectionModel()->selectedIndexes();
    ASSERT_FALSE(selected.isEmpty());
    for (const QModelIndex& index : selected)
        EXPECT_EQ(index.row(), 4);
    ASSERT_EQ(changed.count(), 1);
    EXPECT_EQ(changed.takeFirst().at(0).toInt(), 4);
    EXPECT_EQ(list.SelectedIndex(), 4);

    list.ClearSelection();
    EXPECT_FALSE(view.selectionModel()->hasSelection());
    ASSERT_EQ(changed.count(), 1);
    EXPECT_EQ(changed.takeFirst().at(0).toInt(), -1);
}

TEST_F(CommandListViewTest, SelectionFollowsRowsInsertedAndRemoved) {
    Fill(list, 5);
    CommandListView view(list, ListLayout::document);
    list.Select(3, false);
    list.Insert(Item(WriteCommand(1, "new")), 0, false, false);
    EXPECT_EQ(list.SelectedIndex(), 4);
    EXPECT_EQ(view.selectionModel()->selectedRows(1).value(0).row(), 4);

    list.Delete(4, true, false); // the next row takes the selection
    EXPECT_EQ(list.SelectedIndex(), 4);
    EXPECT_EQ(view.selectionModel()->selectedRows(1).value(0).row(), 4);
    EXPECT_EQ(view.CellText(4, 3), "5");

    list.DeleteAll();
    EXPECT_EQ(view.model()->rowCount(), 0);
    EXPECT_FALSE(view.selectionModel()->hasSelection());
}

TEST_F(CommandListViewTest, SelectingWithoutScrollLeavesTheViewWhereItIs) {
    Fill(list, 200);
    CommandListView view(list, ListLayout::document);
    Show(view);
    list.Select(150, false);
    EXPECT_EQ(view.verticalScrollBar()->value(), 0);
    EXPECT_FALSE(RowVisible(view, 150));
    list.Select(150, true);
    EXPECT_TRUE(RowVisible(view, 150));
}

TEST_F(CommandListViewTest, CentredScrollingLandsTheRowNearTheMiddle) {
    Fill(list, 1000);
    CommandListView view(list, ListLayout::document);
    Show(view);
    const int page = view.viewport()->height() / view.verticalHeader()->defaultSectionSize();
    ASSERT_GE(page, 4);

    list.Select(500, true, true);
    EXPECT_TRUE(RowVisible(view, 500));
    EXPECT_TRUE(RowVisible(view, 500 + page / 2));
    const int top = view.rowAt(0);
    EXPECT_GT(500, top + 1); // not on the top or bottom edge
    EXPECT_LT(500, top + page - 1);

    // Near the start there is no middle to aim for: the row is only made visible.
    view.scrollToBottom();
    list.Select(1, true, true);
    EXPECT_TRUE(RowVisible(view, 1));
    EXPECT_EQ(view.rowAt(0), 1);

    // Without centring a row below the page ends at the bottom.
    list.Select(300, true, false);
    EXPECT_TRUE(RowVisible(view, 300));
    EXPECT_FALSE(RowVisible(view, 301));
}

TEST_F(CommandListViewTest, DoubleClickOnAnIdleRowAsksForTheEditor) {
    Fill(list, 3);
    CommandListView view(list, ListLayout::document);
    Show(view);
    QSignalSpy edit(&view, &CommandListView::editRequested);

    QTest::mouseDClick(view.viewport(), Qt::LeftButton, {}, CellCentre(view, 1, 3));
    EXPECT_EQ(list.SelectedIndex(), 1);
    EXPECT_EQ(edit.count(), 1);

    QTest::mouseDClick(view.viewport(), Qt::LeftButton, {}, CellCentre(view, 1, 0));
    EXPECT_EQ(edit.count(), 2); // the icon column is editable too

    // Below the last row there is no row to edit.
    QTest::mouseDClick(view.viewport(), Qt::LeftButton, {}, QPoint(100, view.viewport()->height() - 3));
    EXPECT_EQ(edit.count(), 2);
}

TEST_F(CommandListViewTest, DoubleClickDoesNothingWhilePlayingOrRecording) {
    Fill(list, 3);
    CommandListView view(list, ListLayout::document);
    Show(view);
    QSignalSpy edit(&view, &CommandListView::editRequested);

    list.ShowAsPlaying();
    list.SetPlaybackPosition(0);
    QTest::mouseDClick(view.viewport(), Qt::LeftButton, {}, CellCentre(view, 1, 2));
    list.ShowAsRecording();
    QTest::mouseDClick(view.viewport(), Qt::LeftButton, {}, CellCentre(view, 1, 2));
    EXPECT_EQ(edit.count(), 0);

    list.ShowAsIdle(); // paused
    QTest::mouseDClick(view.viewport(), Qt::LeftButton, {}, CellCentre(view, 1, 2));
    EXPECT_EQ(edit.count(), 1);
}

TEST_F(CommandListViewTest, MovingThePlaybackPositionWhilePausedRedrawsBothRows) {
    Fill(list, 3);
    CommandListView view(list, ListLayout::document);
    Show(view);
    list.SetPlaybackPosition(0);
    list.ShowAsIdle(); // a paused playback shows its position without the highlight
    QSignalSpy changed(view.model(), &QAbstractItemModel::dataChanged);

    list.SetPlaybackPosition(1);
    std::set<int> rows;
    for (const QList<QVariant>& signal : changed)
        rows.insert(signal.at(0).toModelIndex().row());
    EXPECT_EQ(rows, (std::set<int>{0, 1}));
    EXPECT_EQ(view.CellIcon(0), 0);
    EXPECT_EQ(view.CellIcon(1), 2);
}

TEST_F(CommandListViewTest, DoubleClickOnTheTimeColumnOfTheTraceDoesNothing) {
    Fill(list, 3);
    CommandListView view(list, ListLayout::trace);
    view.resize(900, 200);
    view.show();
    QApplication::processEvents();
    QSignalSpy edit(&view, &CommandListView::editRequested);

    QTest::mouseDClick(view.viewport(), Qt::LeftButton, {}, CellCentre(view, 2, 6));
    EXPECT_EQ(list.SelectedIndex(), 2); // the click still selects
    EXPECT_EQ(edit.count(), 0);
    QTest::mouseDClick(view.viewport(), Qt::LeftButton, {}, CellCentre(view, 2, 5));
    EXPECT_EQ(edit.count(), 1);
}

TEST_F(CommandListViewTest, ModelFollowsEveryChangeOfTheList) {
    CommandListView view(list, ListLayout::document);
    QAbstractItemModelTester tester(view.model(), QAbstractItemModelTester::FailureReportingMode::Fatal);
    const auto consistent = [&] {
        return view.model()->rowCount() == list.Count();
    };

    Fill(list, 4);
    EXPECT_TRUE(consistent());
    list.Insert(Item(WriteCommand(2, "middle")), 2, true, true);
    EXPECT_TRUE(consistent());
    EXPECT_EQ(view.CellText(2, 3), "middle");
    list.Delete(0, false, false);
    EXPECT_TRUE(consistent());
    EXPECT_EQ(view.CellText(0, 3), "2");

    QSignalSpy changed(view.model(), &QAbstractItemModel::dataChanged);
    ASSERT_TRUE(list.ReplaceCommand(1, WriteCommand(5, "replaced")));
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(view.CellText(1, 3), "replaced");
    EXPECT_EQ(view.CellText(1, 1), "5");

    std::deque<debugger::CommandItem> loaded;
    loaded.push_back(Item(ReadCommand(9, "loaded")));
    list.Assign(std::move(loaded));
    EXPECT_TRUE(consistent());
    EXPECT_EQ(view.CellText(0, 4), "loaded");

    // A capped list drops its first row before it appends.
    list.SetMaximumRows(2);
    Fill(list, 3);
    EXPECT_TRUE(consistent());
    EXPECT_EQ(view.CellText(0, 3), "2");
    EXPECT_EQ(view.CellText(1, 3), "3");
}

TEST_F(CommandListViewTest, HundredThousandRowsInsertedOneByOneAndReset) {
    CommandListView view(list, ListLayout::document);
    Show(view);
    for (int number = 0; number < 100'000; ++number)
        list.Insert(Item(WriteCommand(1, "x")), -1, false, number % 1000 == 0);
    EXPECT_EQ(view.model()->rowCount(), 100'000);
    list.Insert(Item(WriteCommand(1, "last")), -1, true, true);
    EXPECT_EQ(view.model()->rowCount(), 100'001);
    EXPECT_TRUE(RowVisible(view, 100'000));

    std::deque<debugger::CommandItem> items;
    for (int number = 0; number < 100'000; ++number)
        items.push_back(Item(WriteCommand(2, "y")));
    list.Assign(std::move(items));
    EXPECT_EQ(view.model()->rowCount(), 100'000);
    EXPECT_EQ(view.CellText(99'999, 1), "2");
    list.DeleteAll();
    EXPECT_EQ(view.model()->rowCount(), 0);
}

TEST_F(CommandListViewTest, DestroyedViewLeavesTheListUnobserved) {
    Fill(list, 2);
    {
        CommandListView view(list, ListLayout::document);
        list.Select(1, true);
    }
    // Nothing may reach the destroyed view.
    list.Insert(Item(WriteCommand(1, "after")), -1, true, true);
    list.Delete(0, true, true);
    list.Repaint();
    EXPECT_EQ(list.Count(), 2);
    CommandListView again(list, ListLayout::document);
    EXPECT_EQ(again.model()->rowCount(), 2);
    EXPECT_EQ(again.selectionModel()->selectedRows(1).value(0).row(), list.SelectedIndex());
}

} // namespace
} // namespace corvid::ombra::testing
