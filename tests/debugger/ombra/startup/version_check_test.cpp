#include "ombra/startup.h"
#include "ombra/version_check.h"
#include "startup_fixture.h"

#include <fstream>
#include <gtest/gtest.h>

namespace corvid::ombra::testing {
namespace {

using debugger::MsgAnswer;
using debugger::MsgButtons;
using debugger::MsgIcon;

const std::string kUnknownVersionText =
    "Ombra was unable to determine it's product version correctly. The\r\n"
    "version information provided by Ombra will not be correct.\r\n\r\n"
    "If using shortcuts to launch Ombra, make sure that the working\r\n"
    "directory is correctly set to the path that Ombra.exe resides.";

std::string DriverInformation(const std::string& failure) {
    return "Ombra was unable to correctly determine the location or version\r\n"
           "of the required I/O driver. Either the driver is not correctly\r\n"
           "registered, an incorrect driver is registered, or the registered\r\n"
           "driver could not be found on your system.\r\n\r\nMore information:\r\n" +
           failure;
}

fs::path WriteFile(const fs::path& file, const std::string& text) {
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << text;
    return file;
}

// ---- own version ----

TEST_F(StartupTest, OwnVersionComesFromTheExecutable) {
    const OwnVersion own = DetermineOwnVersion(StampedProgram());
    ASSERT_TRUE(own.record.has_value());
    EXPECT_EQ(own.text, "1.1.0.0");
    EXPECT_EQ(own.record->info.fileVersionMS, 0x00010001u);
}

TEST_F(StartupTest, UnknownOwnVersionIsReportedAndStartupGoesOn) {
    const fs::path program = WriteFile(Scratch() / "ombra", "#!/bin/sh\n");
    const StartupResult result = RunStartupChecks(program, prompt);
    EXPECT_EQ(result.versionText, "?.?.?.?");
    EXPECT_TRUE(result.proceed);
    ASSERT_EQ(prompt.asked.size(), 2u); // the version, then the missing driver
    EXPECT_EQ(prompt.asked[0].text, kUnknownVersionText);
    EXPECT_EQ(prompt.asked[0].caption, "Unknown product version");
    EXPECT_EQ(prompt.asked[0].buttons, MsgButtons::Ok);
    EXPECT_EQ(prompt.asked[0].icon, MsgIcon::Error);
    EXPECT_EQ(prompt.asked[1].caption, "Could not get driver information");
}

TEST_F(StartupTest, OwnVersionFallsBackToTheRegisteredOpenCommand) {
    // The first "/ombra" names a directory; names keep their case.
    const fs::path program = LinkTo("Ombra Build/ombra-1.1/bin/ombra", NEWER_MODULE);
    ASSERT_TRUE(platform::RegistrySetString(platform::RegistryRoot::ClassesRoot,
                                            "OMBRA.Document\\shell\\open\\command", "",
                                            "\"" + program.string() + "\" \"%1\""));
    const OwnVersion own = DetermineOwnVersion(PLAIN_MODULE);
    ASSERT_TRUE(own.record.has_value());
    EXPECT_EQ(own.record->file, program);
    EXPECT_EQ(own.text, "1.1.0.1");
}

TEST_F(StartupTest, OpenCommandThatNamesNoProgramGivesNoVersion) {
    ASSERT_TRUE(platform::RegistrySetString(platform::RegistryRoot::ClassesRoot,
                                            "OMBRA.Document\\shell\\open\\command", "",
                                            "\"" + std::string(NEWER_MODULE) + "\" \"%1\""));
    EXPECT_EQ(DetermineOwnVersion(PLAIN_MODULE).text, "?.?.?.?");
}

TEST(OpenCommand, ProgramIsTheTextUpToTheName) {
    EXPECT_EQ(ProgramFromOpenCommand("\"/opt/corvid/bin/ombra\" \"%1\""), fs::path("/opt/corvid/bin/ombra"));
    EXPECT_EQ(ProgramFromOpenCommand("/opt/Corvid/OMBRA %1"), fs::path("/opt/Corvid/OMBRA"));
    EXPECT_EQ(ProgramFromOpenCommand("/usr/bin/ombra"), fs::path("/usr/bin/ombra"));
    EXPECT_FALSE(ProgramFromOpenCommand("/usr/bin/ombrax \"%1\"").has_value());
    EXPECT_FALSE(ProgramFromOpenCommand("ombra \"%1\"").has_value());
    // In a quoted command the name ends at the closing quote, blanks belong to the path.
    EXPECT_EQ(ProgramFromOpenCommand("\"/srv/Ombra Tools/ombra\" \"%1\""),
              fs::path("/srv/Ombra Tools/ombra"));
    EXPECT_FALSE(ProgramFromOpenCommand("\"/usr/bin/viewer\" \"/data/ombra\"").has_value());
}

// ---- the driver ----

TEST_F(StartupTest, WithoutTypeLibrariesTheClassesRootKeyIsMissing) {
    const DriverLookup driver = FindDriver();
    EXPECT_FALSE(driver);
    EXPECT_EQ(driver.failure, "HKEY_CLASSES_ROOT\\TypeLib registry key not found");

    const StartupResult result = RunStartupChecks(StampedProgram(), prompt);
    EXPECT_TRUE(result.proceed);
    EXPECT_EQ(result.versionText, "1.1.0.0");
    ASSERT_EQ(prompt.asked.size(), 1u);
    EXPECT_EQ(prompt.asked[0].text, DriverInformation("HKEY_CLASSES_ROOT\\TypeLib registry key not found"));
    EXPECT_EQ(prompt.asked[0].caption, "Could not get driver information");
    EXPECT_EQ(prompt.asked[0].buttons, MsgButtons::Ok);
    EXPECT_EQ(prompt.asked[0].icon, MsgIcon::Information);
}

TEST_F(StartupTest, OtherTypeLibrariesAreNoRegistration) {
    ASSERT_TRUE(platform::RegistrySetString(platform::RegistryRoot::ClassesRoot,
                                            "TypeLib\\{00000000-0000-0000-0000-000000000001}\\1.0", "", "x"));
    EXPECT_EQ(FindDriver().failure, "No Ombra driver registration could be found in the system registry.");
    // The key without its default value is no registration either.
    ASSERT_TRUE(
        platform::RegistrySetString(platform::RegistryRoot::LocalMachine, kRegistrationKey, "Other", "x"));
    EXPECT_EQ(FindDriver().failure, "No Ombra driver registration could be found in the system registry.");
}

TEST_F(StartupTest, RegistrationMustFitTheValueBuffer) {
    // 511 bytes and the terminating zero fit; one byte more does not.
    const std::string directory = "/opt/" + std::string(511 - 5 - 11, 'd');
    RegisterDriverValue(directory + "/farlink.so");
    EXPECT_EQ(FindDriver().failure, "The driver registered as:\r\n" + directory +
                                        "/farlink.so\r\ncould not be opened from the specified location.");
    RegisterDriverValue(directory + "d/farlink.so");
    EXPECT_EQ(FindDriver().failure, "No Ombra driver registration could be found in the system registry.");
}

TEST_F(StartupTest, RegisteredValueWithoutSlashIsAnInvalidFileName) {
    RegisterDriverValue("farlink.so");
    EXPECT_EQ(FindDriver().failure, "An invalid filename (farlink.so) was registered for the Ombra driver.");
}

TEST_F(StartupTest, OtherFileNameIsNotAValidDriver) {
    RegisterDriverValue("/opt/corvid-halcyon/bin/farlink.so.old");
    EXPECT_EQ(FindDriver().failure,
              "The registered driver found at:\r\n/opt/corvid-halcyon/bin/farlink.so.old\r\nis not a valid "
              "Ombra driver.");
}

TEST_F(StartupTest, FileNameDifferingOnlyInCaseIsAccepted) {
    const fs::path driver = LinkTo("lib/FarLink.SO", StampedProgram());
    RegisterDriverValue(driver.string());
    const DriverLookup lookup = FindDriver();
    ASSERT_TRUE(lookup) << lookup.failure;
    EXPECT_EQ(lookup.path, driver);
    EXPECT_EQ(VersionText(lookup.record), "1.1.0.0");

    // Same version as ours: no question, no message.
    const StartupResult result = RunStartupChecks(StampedProgram(), prompt);
    EXPECT_TRUE(result.proceed);
    EXPECT_TRUE(prompt.asked.empty());
}

TEST_F(StartupTest, MissingDriverFileCannotBeOpened) {
    const fs::path missing = Scratch() / "gone" / "farlink.so";
    RegisterDriverValue(missing.string());
    EXPECT_EQ(FindDriver().failure, "The driver registered as:\r\n" + missing.string() +
                                        "\r\ncould not be opened from the specified location.");
    // A directory of that name is no file either.
    fs::create_directories(missing);
    EXPECT_EQ(FindDriver().failure, "The driver registered as:\r\n" + missing.string() +
                                        "\r\ncould not be opened from the specified location.");
}

TEST_F(StartupTest, DriverWithoutVersionRecordGivesNoInformation) {
    const fs::path driver = LinkTo("farlink.so", PLAIN_MODULE);
    RegisterDriverValue(driver.string());
    const std::string failure =
        "Unable to determine driver information for the Ombra driver located at:\r\n" + driver.string();
    EXPECT_EQ(FindDriver().failure, failure);

    const StartupResult result = RunStartupChecks(StampedProgram(), prompt);
    EXPECT_TRUE(result.proceed);
    ASSERT_EQ(prompt.asked.size(), 1u);
    EXPECT_EQ(prompt.asked[0].text, DriverInformation(failure));
    EXPECT_EQ(prompt.asked[0].caption, "Could not get driver information");
}

std::string IncompatibleText(const std::string& path, const std::string& driverVersion,
                             const std::string& ownVersion) {
    return "The driver currently registered at:\r\n\"" + path +
           "\"\r\nis not compatible with this version of Ombra.\r\n\r\nDriver version:\t" + driverVersion +
           "\r\nOmbra version:\t" + ownVersion +
           "\r\n\r\nOperation is not guaranteed with this configuration and\r\nyour system could become "
           "unstable if you attempt to run\r\nCorvid Halcyon simultaneously with Ombra.\r\n\r\nDo you still "
           "want to open Ombra?\r\n(Pressing \"No\" will exit the program)\r\n";
}

TEST_F(StartupTest, LastNumberDifferingAsksAndNoEndsTheProgram) {
    const fs::path driver = LinkTo("farlink.so", NEWER_MODULE);
    RegisterDriverValue(driver.string());
    prompt.answers = {MsgAnswer::No};
    const StartupResult result = RunStartupChecks(StampedProgram(), prompt);
    EXPECT_FALSE(result.proceed);
    ASSERT_EQ(prompt.asked.size(), 1u);
    EXPECT_EQ(prompt.asked[0].text, IncompatibleText(driver.string(), "1.1.0.1", "1.1.0.0"));
    EXPECT_EQ(prompt.asked[0].caption, "Continue loading Ombra?");
    EXPECT_EQ(prompt.asked[0].buttons, MsgButtons::YesNo);
    EXPECT_EQ(prompt.asked[0].icon, MsgIcon::Information);
}

TEST_F(StartupTest, YesToTheQuestionGoesOn) {
    RegisterDriverValue(LinkTo("farlink.so", NEWER_MODULE).string());
    prompt.answers = {MsgAnswer::Yes};
    EXPECT_TRUE(RunStartupChecks(StampedProgram(), prompt).proceed);
    EXPECT_EQ(prompt.Captions(), std::vector<std::string>{"Continue loading Ombra?"});
}

TEST_F(StartupTest, UnknownOwnVersionNeverMatchesTheDriver) {
    const fs::path driver = LinkTo("farlink.so", StampedProgram());
    RegisterDriverValue(driver.string());
    prompt.answers = {MsgAnswer::Ok, MsgAnswer::Yes};
    const StartupResult result = RunStartupChecks(WriteFile(Scratch() / "ombra", ""), prompt);
    EXPECT_TRUE(result.proceed);
    ASSERT_EQ(prompt.asked.size(), 2u);
    EXPECT_EQ(prompt.asked[0].caption, "Unknown product version");
    EXPECT_EQ(prompt.asked[1].text, IncompatibleText(driver.string(), "1.1.0.0", "?.?.?.?"));
}

TEST(VersionComparison, BothWordsCountAndMissingIsAllBitsSet) {
    const VersionRecord base{"a", {0x00010001, 0x00000000, 0, 0, 0x0409, 0x04B0}};
    VersionRecord minor = base;
    minor.info.fileVersionMS = 0x00010002;
    VersionRecord allSet = base;
    allSet.info.fileVersionMS = allSet.info.fileVersionLS = 0xFFFFFFFF;
    EXPECT_FALSE(VersionsDiffer(base, base));
    EXPECT_TRUE(VersionsDiffer(base, minor));
    EXPECT_TRUE(VersionsDiffer(base, std::nullopt));
    EXPECT_FALSE(VersionsDiffer(std::nullopt, std::nullopt));
    EXPECT_FALSE(VersionsDiffer(allSet, std::nullopt));
}

} // namespace
} // namespace corvid::ombra::testing
