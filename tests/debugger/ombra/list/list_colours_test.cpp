// Row colours and icons of the list as they are painted: by bus address, by the list's
// highlight mode, and with colour coding off.
#include "list_test_support.h"
#include "ombra/command_list_view.h"

#include <QPixmap>
#include <gtest/gtest.h>

namespace corvid::ombra::testing {
namespace {

const QColor kBlack(0, 0, 0);
const QColor kGrey(0xAA, 0xAA, 0xAA);

class ListColoursTest : public ::testing::Test {
protected:
    void SetUp() override { Application(); }

    debugger::CommandList list;
};

TEST_F(ListColoursTest, BackgroundComesFromTheBusAddressWhileColourCoding) {
    list.Insert(Item(WriteCommand(13, "A")), -1, false, false);
    list.Insert(Item(WriteCommand(0, "B")), -1, false, false);
    list.Insert(Item(WriteCommand(2, "C")), -1, false, false);
    list.Insert(Item(WriteCommand(40, "D")), -1, false, false);
    CommandListView view(list, ListLayout::document);
    EXPECT_EQ(view.CellBackground(0), QColor(0xC8, 0xC8, 0xC8));
    EXPECT_EQ(view.CellBackground(1), QColor(0xFF, 0xFF, 0xFF));
    EXPECT_EQ(view.CellBackground(2), QColor(0xFF, 0xE1, 0xFF));
    // No table entry beyond address 31: the list's own background.
    EXPECT_EQ(view.CellBackground(3), view.palette().color(QPalette::Base));
}

TEST_F(ListColoursTest, DuringPlaybackOnlyThePlaybackRowIsBlack) {
    Fill(list, 3);
    CommandListView view(list, ListLayout::document);
    list.ShowAsPlaying();
    list.SetPlaybackPosition(1);
    EXPECT_EQ(view.CellForeground(0), kGrey);
    EXPECT_EQ(view.CellForeground(1), kBlack);
    EXPECT_EQ(view.CellForeground(2), kGrey);

    list.SetPlaybackPosition(2);
    EXPECT_EQ(view.CellForeground(1), kGrey);
    EXPECT_EQ(view.CellForeground(2), kBlack);

    list.ShowAsIdle(); // paused
    for (int row = 0; row < 3; ++row)
        EXPECT_EQ(view.CellForeground(row), kBlack) << row;
}

TEST_F(ListColoursTest, WhileRecordingAllRowsAreGrey) {
    Fill(list, 2);
    CommandListView view(list, ListLayout::document);
    list.ShowAsRecording();
    EXPECT_EQ(view.CellForeground(0), kGrey);
    EXPECT_EQ(view.CellForeground(1), kGrey);
}

TEST_F(ListColoursTest, WithoutColourCodingThePaletteColoursAreUsed) {
    list.Insert(Item(WriteCommand(13, "A")), -1, false, false);
    list.Insert(Item(WriteCommand(3, "B")), -1, false, false);
    CommandListView view(list, ListLayout::document);
    QPalette palette = view.palette();
    palette.setColor(QPalette::Active, QPalette::WindowText, QColor(10, 20, 30));
    palette.setColor(QPalette::Disabled, QPalette::Text, QColor(40, 50, 60));
    palette.setColor(QPalette::Active, QPalette::Base, QColor(70, 80, 90));
    view.setPalette(palette);
    bool coding = false;
    view.SetColourCoding([&coding] { return coding; });

    EXPECT_EQ(view.CellForeground(0), QColor(10, 20, 30));
    EXPECT_EQ(view.CellBackground(0), QColor(70, 80, 90));
    list.ShowAsPlaying();
    list.SetPlaybackPosition(1);
    EXPECT_EQ(view.CellForeground(0), QColor(40, 50, 60));
    EXPECT_EQ(view.CellForeground(1), QColor(10, 20, 30));

    coding = true; // the option is read again for every row painted
    EXPECT_EQ(view.CellForeground(0), kGrey);
    EXPECT_EQ(view.CellBackground(0), QColor(0xC8, 0xC8, 0xC8));
}

TEST_F(ListColoursTest, ColourOptionIsAskedWhilePainting) {
    Fill(list, 5);
    CommandListView view(list, ListLayout::document);
    int asked = 0;
    view.SetColourCoding([&asked] {
        ++asked;
        return true;
    });
    view.resize(600, 300);
    view.grab();
    EXPECT_GT(asked, 0);
}

TEST_F(ListColoursTest, IconShowsCommentBreakpointAndPlaybackPosition) {
    link::CGPIBCommandInfo commented = WriteCommand(1, "A");
    commented.SetComments("check this");
    list.Insert(Item(commented, true), -1, false, false);
    list.Insert(Item(WriteCommand(1, "B"), true), -1, false, false);
    list.Insert(Item(WriteCommand(1, "C")), -1, false, false);
    CommandListView view(list, ListLayout::document);
    list.ShowAsPlaying();
    list.SetPlaybackPosition(0);
    EXPECT_EQ(view.CellIcon(0), 7);
    EXPECT_EQ(view.CellIcon(1), 1);
    EXPECT_EQ(view.CellIcon(2), 0);
    // What the icon column paints is that icon.
    const QVariant painted = view.model()->data(view.model()->index(0, 0), Qt::DecorationRole);
    EXPECT_EQ(painted.value<QPixmap>().cacheKey(), CommandIcon(7).cacheKey());
    EXPECT_FALSE(view.model()->data(view.model()->index(0, 1), Qt::DecorationRole).isValid());

    list.SetPlaybackPosition(2);
    EXPECT_EQ(view.CellIcon(0), 5);
    EXPECT_EQ(view.CellIcon(2), 2);
}

} // namespace
} // namespace corvid::ombra::testing
