#include "platform/registry.h"

#include <gtest/gtest.h>

namespace corvid::platform {
namespace {

using Strings = std::vector<std::string>;

TEST(RegistryKeyTree, KeyAndValueNamesIgnoreCaseButKeepIt) {
    RegistryKeyTree tree;
    ASSERT_TRUE(tree.SetString("SOFTWARE\\Classes\\VisaGpib.VisaGpib.1", "", "VisaGpib Class"));
    ASSERT_TRUE(tree.SetString("software\\CLASSES\\visagpib.visagpib.1\\CLSID", "", "{X}"));
    ASSERT_TRUE(tree.SetDword("Software\\Classes\\VisaGpib.VisaGpib.1", "Count", 3));
    ASSERT_TRUE(tree.SetDword("SOFTWARE\\CLASSES\\VISAGPIB.VISAGPIB.1", "COUNT", 4));

    EXPECT_EQ(tree.SubKeys(""), Strings{"SOFTWARE"});
    EXPECT_EQ(tree.SubKeys("software\\classes"), Strings{"VisaGpib.VisaGpib.1"});
    EXPECT_EQ(tree.GetString("SOFTWARE\\Classes\\VisaGpib.VisaGpib.1", ""), "VisaGpib Class");
    auto values = tree.Values("SOFTWARE\\Classes\\VisaGpib.VisaGpib.1");
    ASSERT_EQ(values.size(), 2u);
    EXPECT_EQ(values[1].first, "Count"); // replaced in place, first spelling kept
    EXPECT_EQ(values[1].second, RegistryValue::Dword(4));
    EXPECT_EQ(tree.GetDword("SOFTWARE\\Classes\\VisaGpib.VisaGpib.1", "count"), 4u);
}

TEST(RegistryKeyTree, TypedGettersRejectTheOtherKind) {
    RegistryKeyTree tree;
    tree.SetDword("A", "n", 10);
    tree.SetString("A", "s", "10");
    EXPECT_FALSE(tree.GetString("A", "n"));
    EXPECT_FALSE(tree.GetDword("A", "s"));
    EXPECT_FALSE(tree.GetValue("A", "missing"));
    EXPECT_FALSE(tree.GetValue("B", "n"));
}

TEST(RegistryKeyTree, SubKeysKeepCreationOrderAndEmptyKeysExist) {
    RegistryKeyTree tree;
    tree.CreateKey("CLSID\\{B}\\Programmable");
    tree.CreateKey("CLSID\\{A}");
    tree.SetString("CLSID\\{C}\\InprocServer32", "ThreadingModel", "Apartment");
    EXPECT_EQ(tree.SubKeys("CLSID"), (Strings{"{B}", "{A}", "{C}"}));
    EXPECT_TRUE(tree.KeyExists("clsid\\{b}\\programmable"));
    EXPECT_TRUE(tree.Values("CLSID\\{B}\\Programmable").empty());
    EXPECT_FALSE(tree.KeyExists("CLSID\\{D}"));
    EXPECT_TRUE(tree.SubKeys("CLSID\\{D}").empty());
}

TEST(RegistryKeyTree, DeleteKeyTakesSubkeysAndLeavesSiblings) {
    RegistryKeyTree tree;
    tree.SetString("CLSID\\{A}\\InprocServer32", "", "/a.so");
    tree.SetString("CLSID\\{B}", "", "b");
    EXPECT_TRUE(tree.DeleteKey("clsid\\{a}"));
    EXPECT_FALSE(tree.KeyExists("CLSID\\{A}\\InprocServer32"));
    EXPECT_FALSE(tree.KeyExists("CLSID\\{A}"));
    EXPECT_TRUE(tree.KeyExists("CLSID"));
    EXPECT_EQ(tree.GetString("CLSID\\{B}", ""), "b");
    EXPECT_FALSE(tree.DeleteKey("CLSID\\{A}"));
    EXPECT_FALSE(tree.DeleteKey(""));
    EXPECT_TRUE(tree.DeleteKey("CLSID"));
    EXPECT_TRUE(tree.Empty());
}

TEST(RegistryKeyTree, DeleteValue) {
    RegistryKeyTree tree;
    tree.SetString("K", "", "default");
    tree.SetString("K", "Other", "x");
    EXPECT_TRUE(tree.DeleteValue("k", ""));
    EXPECT_FALSE(tree.DeleteValue("k", ""));
    EXPECT_FALSE(tree.DeleteValue("missing", "Other"));
    EXPECT_EQ(tree.Values("K").size(), 1u);
    EXPECT_TRUE(tree.KeyExists("K"));
}

TEST(RegistryKeyTree, InvalidPathsFindNothingAndChangeNothing) {
    RegistryKeyTree tree;
    tree.CreateKey("A\\B");
    const std::string_view badPaths[] = {"A\\\\B", "\\A", "A\\", "A\\B\nC", std::string_view("A\0B", 3)};
    for (std::string_view bad : badPaths) {
        EXPECT_FALSE(tree.KeyExists(bad)) << bad;
        EXPECT_FALSE(tree.CreateKey(bad)) << bad;
        EXPECT_FALSE(tree.SetString(bad, "v", "x")) << bad;
        EXPECT_FALSE(tree.DeleteKey(bad)) << bad;
    }
    EXPECT_EQ(tree.SubKeys(""), Strings{"A"});
    EXPECT_EQ(tree.SubKeys("A"), Strings{"B"});
}

TEST(RegistryKeyTree, CopiesAreIndependentAndMovedFromTreesStayUsable) {
    RegistryKeyTree tree;
    tree.SetString("A", "v", "1");
    RegistryKeyTree copy = tree;
    copy.SetString("A", "v", "2");
    EXPECT_EQ(tree.GetString("A", "v"), "1");
    EXPECT_FALSE(tree == copy);
    RegistryKeyTree moved = std::move(copy);
    EXPECT_EQ(moved.GetString("A", "v"), "2");
    EXPECT_TRUE(copy.Empty()); // NOLINT(bugprone-use-after-move): documented behaviour
    copy.SetString("B", "", "x");
    EXPECT_TRUE(copy.KeyExists("B"));
}

} // namespace
} // namespace corvid::platform
