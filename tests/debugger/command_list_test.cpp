// The command list's rows, selection and positions, and what the views show of them.
#include "debugger/command_list.h"
#include "debugger/list_text.h"
#include "test_support.h"

#include <gtest/gtest.h>

namespace corvid::debugger {
namespace {

using testing::WriteCommand;

std::string SentOf(const CommandList& list, int row) {
    return list.At(row)->command.Sent().GetString(true, 50);
}

TEST(CommandList, SelectionFollowsItsRow) {
    CommandList list;
    list.Insert({WriteCommand(1, "A"), false}, -1, false, false);
    list.Insert({WriteCommand(1, "B"), false}, -1, true, false);
    EXPECT_EQ(list.SelectedIndex(), 1);
    list.Insert({WriteCommand(1, "C"), false}, 0, false, false);
    EXPECT_EQ(list.SelectedIndex(), 2);
    EXPECT_EQ(SentOf(list, 2), "B");
    list.Delete(0, false, false);
    EXPECT_EQ(list.SelectedIndex(), 1);
    list.Delete(1, false, false);
    EXPECT_EQ(list.SelectedIndex(), -1);
    list.Select(-1, false);
    EXPECT_EQ(list.SelectedIndex(), 0) << "-1 selects the last row";
    list.Select(5, false);
    EXPECT_EQ(list.SelectedIndex(), 0);
    EXPECT_EQ(list.At(5), nullptr);
}

TEST(CommandList, TheTraceDropsItsOldestRow) {
    CommandList trace(3);
    for (const char* text : {"1", "2", "3", "4"})
        trace.Insert({WriteCommand(1, text), false}, -1, false, true);
    ASSERT_EQ(trace.Count(), 3);
    EXPECT_EQ(SentOf(trace, 0), "2");
    EXPECT_EQ(SentOf(trace, 2), "4");
}

TEST(CommandList, RecordPositionMinusOneMeansTheEnd) {
    CommandList list;
    list.Insert({WriteCommand(1, "A"), false}, -1, false, false);
    list.SetRecordPosition(-1, false);
    EXPECT_EQ(list.RecordPosition(), 1);
}

TEST(CommandList, RowsEditedInAboveThePositionsMoveThemWithTheirRows) {
    CommandList list;
    for (const char* text : {"A", "B", "C", "D"})
        list.Insert({WriteCommand(1, text), false}, -1, false, false);
    list.SetPlaybackPosition(2); // "C" is played next
    list.SetRecordPosition(3, false);
    list.Insert({WriteCommand(1, "pasted"), false}, 0, false, false);
    EXPECT_EQ(SentOf(list, list.PlaybackPosition()), "C");
    EXPECT_EQ(list.RecordPosition(), 4);
    list.Delete(1, false, false); // "A"
    EXPECT_EQ(SentOf(list, list.PlaybackPosition()), "C");
    EXPECT_EQ(list.RecordPosition(), 3);
    // A row put in at the position itself is the one played next.
    list.Insert({WriteCommand(1, "next"), false}, list.PlaybackPosition(), false, false);
    EXPECT_EQ(SentOf(list, list.PlaybackPosition()), "next");
}

TEST(ListText, ControlCharactersShowAsEscapesOnOneLine) {
    EXPECT_EQ(CellText(WriteCommand(1, "*CLS\n"), 3), "*CLS\\n");
    EXPECT_EQ(CellText(testing::ReadCommand(1, "1.0\r\n"), 4), "1.0\\r\\n");
    EXPECT_EQ(OneLineText("a\tb\x01\x7F\xB5"), "a\\tb\\x01\\x7F\xB5") << "bytes above 127 stay";
    EXPECT_EQ(OneLineText("no breaks"), "no breaks");
}

TEST(ListText, CellsIconsAndColours) {
    CommandItem item{WriteCommand(13, std::string(300, 'x')), false};
    EXPECT_EQ(CellText(item.command, 0), "");
    EXPECT_EQ(CellText(item.command, 1), "13");
    EXPECT_EQ(CellText(item.command, 2), "WRITE");
    EXPECT_EQ(CellText(item.command, 3), std::string(252, 'x') + "...");
    EXPECT_EQ(BusAddressColour(13), 0xC8C8C8u);
    EXPECT_EQ(BusAddressColour(0), 0xFFFFFFu);
    EXPECT_FALSE(BusAddressColour(32));
    EXPECT_EQ(IconIndex(item, false), 0);
    item.breakpoint = true;
    item.command.SetComments("note");
    EXPECT_EQ(IconIndex(item, true), 7);
}

TEST(ListText, OnlyThePlaybackRowIsBlackWhilePlaying) {
    CommandList list;
    for (const char* text : {"A", "B", "C"})
        list.Insert({WriteCommand(1, text), false}, -1, false, false);
    list.SetPlaybackPosition(1);
    list.ShowAsPlaying();
    EXPECT_EQ(RowTextStyle(list, 0), RowText::grey);
    EXPECT_EQ(RowTextStyle(list, 1), RowText::normal);
    list.ShowAsRecording();
    EXPECT_EQ(RowTextStyle(list, 1), RowText::grey);
    list.ShowAsIdle();
    EXPECT_EQ(RowTextStyle(list, 2), RowText::normal);
}

TEST(ListText, LineIndicator) {
    CommandList list;
    EXPECT_EQ(LineIndicator(nullptr), "Ln 0, of 0                   ");
    list.Insert({WriteCommand(1, "A"), false}, -1, false, false);
    list.Insert({WriteCommand(1, "B"), false}, -1, true, false);
    EXPECT_EQ(LineIndicator(&list), "Ln 2, of 2                   ");
}

} // namespace
} // namespace corvid::debugger
