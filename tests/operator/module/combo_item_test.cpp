// The list entries of the operator pages: a name and a database identifier in one text.
#include "operatortabs/combo_item.h"

#include <gtest/gtest.h>

namespace corvid::operatortabs {
namespace {

TEST(ComboItem, NameAndIdComeBackFromTheEncodedText) {
    std::string item = EncodeItem("Demo Bench", 12);
    EXPECT_EQ(item.size(), 10u + 135u + 2u);
    EXPECT_EQ(ItemName(item), "Demo Bench");
    EXPECT_EQ(ItemId(item), 12);
    EXPECT_EQ(ItemName(EncodeItem("Bench 2 ", -3)), "Bench 2 "); // its own blanks stay
    EXPECT_EQ(ItemId(EncodeItem("Bench 2 ", -3)), -3);
    // A text without the padding has no identifier.
    EXPECT_EQ(ItemId("Demo Bench 12"), -1);
    EXPECT_EQ(ItemId(EncodeItem("", 7)), -1); // the last blank sits at position 134
    EXPECT_EQ(ItemName("plain"), "plain");
    EXPECT_EQ(ItemName(" --ALL--"), " --ALL--");
}

TEST(ComboItem, ListsKeepOneOfEachEntryAndSelectByPrefix) {
    ComboList list;
    list.AddUnique(EncodeItem("LM-4065", 2));
    list.AddUnique(EncodeItem("LM-4065", 2));
    list.AddUnique(EncodeItem("LM-4065", 3)); // another identifier is another entry
    list.AddUnique(EncodeItem("FC-3120", 4));
    EXPECT_EQ(list.items.size(), 3u);
    EXPECT_TRUE(list.SelectPrefix("fc-"));
    EXPECT_EQ(list.SelectedName(), "FC-3120");
    EXPECT_EQ(list.SelectedId(), 4);
    EXPECT_FALSE(list.SelectPrefix("VC"));
    EXPECT_EQ(list.selected, -1);
    EXPECT_EQ(list.SelectedName(), "");
    EXPECT_EQ(list.SelectedId(), -1);
}

} // namespace
} // namespace corvid::operatortabs
