#include "platform/registry.h"
#include "testsupport/sandbox.h"

#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <stdexcept>
#include <sys/stat.h>

namespace corvid::platform {
namespace {

using corvid::testing::ChildProcess;
using corvid::testing::SandboxTest;

std::string ReadText(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void WriteText(const std::filesystem::path& file, const std::string& text) {
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << text;
}

class RegistryHiveTest : public SandboxTest {};

TEST_F(RegistryHiveTest, HivesLiveInTheHomeDirectory) {
    EXPECT_EQ(RegistryHivePath(RegistryRoot::LocalMachine),
              sandbox.home() / "registry/HKEY_LOCAL_MACHINE.reg");
    EXPECT_EQ(RegistryHivePath(RegistryRoot::ClassesRoot),
              sandbox.home() / "registry/HKEY_LOCAL_MACHINE.reg");
    EXPECT_EQ(RegistryHivePath(RegistryRoot::CurrentUser), sandbox.home() / "registry/HKEY_CURRENT_USER.reg");
}

TEST_F(RegistryHiveTest, MissingHiveIsEmpty) {
    EXPECT_FALSE(RegistryKeyExists(RegistryRoot::LocalMachine, "SOFTWARE"));
    EXPECT_TRUE(RegistrySubKeys(RegistryRoot::ClassesRoot, "").empty());
    EXPECT_FALSE(RegistryGetValue(RegistryRoot::CurrentUser, "Software", ""));
    EXPECT_TRUE(RegistrySnapshot(RegistryRoot::LocalMachine).Empty());
}

TEST_F(RegistryHiveTest, ChangesPersistInTheHiveFile) {
    ASSERT_TRUE(RegistrySetString(RegistryRoot::CurrentUser, "Software\\OMBRA", "Name", "value"));
    ASSERT_TRUE(RegistrySetDword(RegistryRoot::CurrentUser, "Software\\OMBRA", "Count", 12));
    EXPECT_EQ(RegistryGetString(RegistryRoot::CurrentUser, "SOFTWARE\\ombra", "name"), "value");
    EXPECT_EQ(RegistryGetDword(RegistryRoot::CurrentUser, "Software\\OMBRA", "Count"), 12u);
    EXPECT_FALSE(RegistryKeyExists(RegistryRoot::LocalMachine, "Software"));

    std::string text = ReadText(RegistryHivePath(RegistryRoot::CurrentUser));
    EXPECT_NE(
        text.find("[HKEY_CURRENT_USER\\Software\\OMBRA]\n\"Name\"=\"value\"\n\"Count\"=dword:0000000c\n"),
        std::string::npos)
        << text;
    struct stat info {};
    ASSERT_EQ(::stat(RegistryHivePath(RegistryRoot::CurrentUser).c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0077, 0u); // private to the user

    EXPECT_TRUE(RegistryDeleteValue(RegistryRoot::CurrentUser, "Software\\OMBRA", "NAME"));
    EXPECT_FALSE(RegistryDeleteValue(RegistryRoot::CurrentUser, "Software\\OMBRA", "NAME"));
    EXPECT_TRUE(RegistryDeleteKey(RegistryRoot::CurrentUser, "Software"));
    EXPECT_FALSE(RegistryKeyExists(RegistryRoot::CurrentUser, "Software\\OMBRA"));
}

TEST_F(RegistryHiveTest, ClassesRootIsTheClassesKeyOfTheMachineHive) {
    ASSERT_TRUE(RegistryModify(RegistryRoot::ClassesRoot, [](RegistryKeyTree& classes) {
        classes.SetString("VisaGpib.VisaGpib.1", "", "VisaGpib Class");
        classes.SetString("VisaGpib.VisaGpib.1\\CLSID", "", "{ADF86D73-9285-11D1-AF74-0060B01A7E89}");
    }));
    EXPECT_EQ(
        RegistryGetString(RegistryRoot::LocalMachine, "SOFTWARE\\Classes\\VisaGpib.VisaGpib.1\\CLSID", ""),
        "{ADF86D73-9285-11D1-AF74-0060B01A7E89}");
    RegistrySetString(RegistryRoot::LocalMachine, "Software\\CLASSES\\TypeLib\\{L}", "", "lib");
    RegistrySetString(RegistryRoot::LocalMachine, "Software\\Vendor", "", "not a class");
    EXPECT_EQ(RegistrySubKeys(RegistryRoot::ClassesRoot, ""),
              (std::vector<std::string>{"VisaGpib.VisaGpib.1", "TypeLib"}));
    EXPECT_EQ(RegistryGetString(RegistryRoot::ClassesRoot, "typelib\\{l}", ""), "lib");
    RegistryKeyTree classes = RegistrySnapshot(RegistryRoot::ClassesRoot);
    EXPECT_TRUE(classes.KeyExists("TypeLib\\{L}"));
    EXPECT_FALSE(classes.KeyExists("Vendor"));

    // Changing the classes root leaves the rest of the machine hive alone.
    ASSERT_TRUE(
        RegistryModify(RegistryRoot::ClassesRoot, [](RegistryKeyTree& tree) { tree.DeleteKey("TypeLib"); }));
    EXPECT_EQ(RegistryGetString(RegistryRoot::LocalMachine, "SOFTWARE\\Vendor", ""), "not a class");
    EXPECT_FALSE(RegistryKeyExists(RegistryRoot::LocalMachine, "SOFTWARE\\Classes\\TypeLib"));
}

TEST_F(RegistryHiveTest, ReadingTheClassesRootCreatesNothing) {
    RegistryModify(RegistryRoot::ClassesRoot, [](RegistryKeyTree& tree) { EXPECT_TRUE(tree.Empty()); });
    EXPECT_FALSE(std::filesystem::exists(RegistryHivePath(RegistryRoot::LocalMachine)));
    RegistrySetString(RegistryRoot::LocalMachine, "SOFTWARE\\Vendor", "", "x");
    RegistryModify(RegistryRoot::ClassesRoot, [](RegistryKeyTree&) {});
    EXPECT_FALSE(RegistryKeyExists(RegistryRoot::LocalMachine, "SOFTWARE\\Classes"));
}

TEST_F(RegistryHiveTest, FailedTransactionLeavesTheHiveAsItWas) {
    RegistrySetString(RegistryRoot::LocalMachine, "SOFTWARE\\A", "v", "before");
    std::string before = ReadText(RegistryHivePath(RegistryRoot::LocalMachine));
    EXPECT_THROW(RegistryModify(RegistryRoot::LocalMachine,
                                [](RegistryKeyTree& tree) {
                                    tree.SetString("SOFTWARE\\A", "v", "after");
                                    tree.DeleteKey("SOFTWARE");
                                    throw std::runtime_error("give up");
                                }),
                 std::runtime_error);
    EXPECT_EQ(ReadText(RegistryHivePath(RegistryRoot::LocalMachine)), before);
    // The hive is not left locked.
    EXPECT_TRUE(RegistrySetString(RegistryRoot::LocalMachine, "SOFTWARE\\A", "v", "again"));
}

TEST_F(RegistryHiveTest, UnchangedHiveKeepsLinesItDoesNotUnderstand) {
    const std::string text = "REGEDIT4\n; kept\n[HKEY_CURRENT_USER\\Software]\n\"Bin\"=hex:00\n\"S\"=\"x\"\n";
    WriteText(RegistryHivePath(RegistryRoot::CurrentUser), text);
    EXPECT_TRUE(RegistrySetString(RegistryRoot::CurrentUser, "Software", "s", "x")); // same value
    EXPECT_EQ(ReadText(RegistryHivePath(RegistryRoot::CurrentUser)), text);
    EXPECT_TRUE(RegistrySetString(RegistryRoot::CurrentUser, "Software", "s", "y"));
    EXPECT_EQ(RegistryGetString(RegistryRoot::CurrentUser, "Software", "S"), "y");
}

TEST_F(RegistryHiveTest, MalformedHiveIsReadAsFarAsItGoes) {
    WriteText(
        RegistryHivePath(RegistryRoot::LocalMachine),
        "REGEDIT4\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\A]\n\"x\"=\"1\"\n\x01\x02\xff\n[HKEY_LOCAL_MACHINE\\SOFT");
    EXPECT_EQ(RegistryGetString(RegistryRoot::LocalMachine, "SOFTWARE\\A", "x"), "1");
    EXPECT_TRUE(RegistrySetString(RegistryRoot::LocalMachine, "SOFTWARE\\B", "", "2"));
    EXPECT_EQ(RegistryGetString(RegistryRoot::LocalMachine, "SOFTWARE\\A", "x"), "1");
}

TEST_F(RegistryHiveTest, InvalidPathIsReportedAndNotWritten) {
    EXPECT_FALSE(RegistrySetString(RegistryRoot::CurrentUser, "Software\\\\X", "v", "x"));
    EXPECT_FALSE(std::filesystem::exists(RegistryHivePath(RegistryRoot::CurrentUser)));
}

TEST_F(RegistryHiveTest, UnusableHomeReportsFailure) {
    WriteText(sandbox.home() / "not-a-directory", "x");
    ::setenv("CORVID_HOME", (sandbox.home() / "not-a-directory").c_str(), 1); // the sandbox restores it
    EXPECT_FALSE(RegistrySetString(RegistryRoot::CurrentUser, "Software", "v", "x"));
    EXPECT_FALSE(
        RegistryModify(RegistryRoot::LocalMachine, [](RegistryKeyTree& tree) { tree.CreateKey("A"); }));
    EXPECT_FALSE(RegistryKeyExists(RegistryRoot::LocalMachine, "A"));
}

// Several processes writing at once: every transaction sees the one before it.
TEST_F(RegistryHiveTest, ConcurrentWritersLoseNothing) {
    constexpr int kWriters = 4;
    constexpr int kRounds = 40;
    std::vector<ChildProcess> children;
    for (int w = 0; w < kWriters; ++w) {
        children.push_back(ChildProcess::Fork([w] {
            for (int i = 0; i < kRounds; ++i) {
                std::string name = "w" + std::to_string(w) + "_" + std::to_string(i);
                if (!RegistrySetDword(RegistryRoot::CurrentUser, "Software\\Test\\Values", name, i))
                    return 1;
                bool counted = RegistryModify(RegistryRoot::ClassesRoot, [](RegistryKeyTree& tree) {
                    tree.SetDword("Counter", "", tree.GetDword("Counter", "").value_or(0) + 1);
                });
                if (!counted)
                    return 2;
            }
            return 0;
        }));
    }
    for (ChildProcess& child : children)
        EXPECT_EQ(child.Wait(std::chrono::seconds(60)), 0);

    auto values = RegistryValues(RegistryRoot::CurrentUser, "Software\\Test\\Values");
    EXPECT_EQ(values.size(), static_cast<std::size_t>(kWriters * kRounds));
    for (int w = 0; w < kWriters; ++w) {
        for (int i = 0; i < kRounds; ++i) {
            std::string name = "w" + std::to_string(w) + "_" + std::to_string(i);
            EXPECT_EQ(RegistryGetDword(RegistryRoot::CurrentUser, "Software\\Test\\Values", name),
                      static_cast<std::uint32_t>(i))
                << name;
        }
    }
    EXPECT_EQ(RegistryGetDword(RegistryRoot::ClassesRoot, "Counter", ""),
              static_cast<std::uint32_t>(kWriters * kRounds));
    // No temporary files are left behind.
    int files = 0;
    for ([[maybe_unused]] const auto& entry :
         std::filesystem::directory_iterator(sandbox.home() / "registry"))
        ++files;
    EXPECT_EQ(files, 2);
}

} // namespace
} // namespace corvid::platform
