#include "platform/registry.h"
#include "testsupport/sandbox.h"

#include <gtest/gtest.h>

namespace corvid::platform {
namespace {

class AppSettingsTest : public corvid::testing::SandboxTest {
protected:
    AppSettings settings{"OMBRA", "ombra"};
};

TEST_F(AppSettingsTest, SectionsAreKeysUnderTheUsersSoftwareKey) {
    EXPECT_EQ(AppSettingsKey("OMBRA", "ombra", "Settings"), "Software\\OMBRA\\ombra\\Settings");
    EXPECT_EQ(settings.SectionKey("Options"), "Software\\OMBRA\\ombra\\Options");
    ASSERT_TRUE(settings.SetString("Settings", "MainFrmPos", "0 1 -1 -1 -1 -1 10 10 800 600"));
    EXPECT_EQ(RegistryGetString(RegistryRoot::CurrentUser, "Software\\OMBRA\\ombra\\Settings", "MainFrmPos"),
              "0 1 -1 -1 -1 -1 10 10 800 600");
    EXPECT_EQ(settings.GetString("settings", "mainfrmpos"), "0 1 -1 -1 -1 -1 10 10 800 600");
    EXPECT_EQ(settings.GetString("Settings", "Missing", "none"), "none");
}

TEST_F(AppSettingsTest, IntegersAreDwordsAndKeepTheirSign) {
    ASSERT_TRUE(settings.SetInt("Options", "Automatic Color Coding", 0));
    ASSERT_TRUE(settings.SetInt("Options", "Offset", -5));
    EXPECT_EQ(settings.GetInt("Options", "Automatic Color Coding", 1), 0);
    EXPECT_EQ(settings.GetInt("Options", "Offset", 0), -5);
    EXPECT_EQ(RegistryGetDword(RegistryRoot::CurrentUser, settings.SectionKey("Options"), "Offset"),
              0xFFFFFFFBu);
    EXPECT_EQ(settings.GetInt("Options", "Ignore Timeout Changes", 1), 1);
}

TEST_F(AppSettingsTest, StringEntriesReadAsIntegersOnlyWhenNumeric) {
    settings.SetString("Options", "Number", "42");
    settings.SetString("Options", "Negative", "-7");
    settings.SetString("Options", "Text", "42 apples");
    settings.SetString("Options", "Empty", "");
    EXPECT_EQ(settings.GetInt("Options", "Number", 0), 42);
    EXPECT_EQ(settings.GetInt("Options", "Negative", 0), -7);
    EXPECT_EQ(settings.GetInt("Options", "Text", 3), 3);
    EXPECT_EQ(settings.GetInt("Options", "Empty", 3), 3);
}

TEST_F(AppSettingsTest, EntriesAndDeletion) {
    settings.SetString("Recent File List", "File1", "/a.omr");
    settings.SetString("Recent File List", "File2", "/b.omr");
    auto entries = settings.Entries("Recent File List");
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[1].first, "File2");
    EXPECT_TRUE(settings.DeleteEntry("Recent File List", "file1"));
    EXPECT_FALSE(settings.DeleteEntry("Recent File List", "file1"));
    EXPECT_TRUE(settings.DeleteSection("Recent File List"));
    EXPECT_TRUE(settings.Entries("Recent File List").empty());
    EXPECT_FALSE(settings.DeleteSection(""));
    EXPECT_TRUE(RegistryKeyExists(RegistryRoot::CurrentUser, "Software\\OMBRA\\ombra"));
}

} // namespace
} // namespace corvid::platform
