// The debugger's options in the per-user settings.
#include "debugger/options.h"
#include "platform/registry.h"
#include "testsupport/sandbox.h"

#include <gtest/gtest.h>

namespace corvid::debugger {
namespace {

class OptionsTest : public corvid::testing::SandboxTest {};

TEST_F(OptionsTest, MissingValuesGiveTheDefaults) {
    const Options options = LoadOptions(DebuggerSettings());
    EXPECT_EQ(options.automaticColorCoding, 1);
    EXPECT_EQ(options.validateBusAddresses, 1);
    EXPECT_TRUE(options.ignoreTimeoutChanges);
    EXPECT_FALSE(options.validateCommandTypeOnly);
    EXPECT_FALSE(options.autoscrollPlayback);
    EXPECT_FALSE(options.autoscrollRecord);
    EXPECT_FALSE(options.resetBeforePlayback);
    EXPECT_FALSE(options.resetBeforeRecording);
}

TEST_F(OptionsTest, SavedOptionsComeBackAndDeletingTheSectionRestoresDefaults) {
    platform::AppSettings settings = DebuggerSettings();
    Options changed;
    changed.validateBusAddresses = 0;
    changed.ignoreTimeoutChanges = false;
    changed.resetBeforeRecording = true;
    changed.automaticColorCoding = 0;
    ASSERT_TRUE(SaveOptions(settings, changed));
    EXPECT_EQ(settings.GetInt("Options", "Validate Bus Addresses", -1), 0);
    EXPECT_EQ(platform::RegistryGetDword(platform::RegistryRoot::CurrentUser,
                                         "Software\\OMBRA\\ombra\\Options",
                                         "Reset Calibration Database Before Recording"),
              1u);
    const Options loaded = LoadOptions(settings);
    EXPECT_EQ(loaded.validateBusAddresses, 0);
    EXPECT_FALSE(loaded.ignoreTimeoutChanges);
    EXPECT_TRUE(loaded.resetBeforeRecording);
    EXPECT_EQ(loaded.automaticColorCoding, 0);

    settings.DeleteSection("Options");
    EXPECT_EQ(LoadOptions(settings).validateBusAddresses, 1);
    EXPECT_TRUE(LoadOptions(settings).ignoreTimeoutChanges);
}

} // namespace
} // namespace corvid::debugger
