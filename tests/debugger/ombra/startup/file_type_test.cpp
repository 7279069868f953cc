#include "ombra/startup.h"
#include "startup_fixture.h"

#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <sys/stat.h>

namespace corvid::ombra::testing {
namespace {

using platform::RegistryRoot;

std::string ReadText(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string ClassesString(const std::string& key) {
    return platform::RegistryGetString(RegistryRoot::ClassesRoot, key, "").value_or("<missing>");
}

// Identity of a file: a rewrite by rename gives it a new inode.
ino_t Inode(const fs::path& file) {
    struct stat info {};
    return ::stat(file.c_str(), &info) == 0 ? info.st_ino : 0;
}

TEST_F(StartupTest, FileTypeIsRegisteredWithTheShell) {
    ASSERT_TRUE(RegisterFileType("/opt/corvid-halcyon/bin/ombra"));
    EXPECT_EQ(ClassesString(".omr"), "OMBRA.Document");
    EXPECT_EQ(ClassesString("OMBRA.Document"), "OMBRA Document");
    EXPECT_EQ(ClassesString("OMBRA.Document\\DefaultIcon"), "/opt/corvid-halcyon/bin/ombra,0");
    EXPECT_EQ(ClassesString("OMBRA.Document\\shell\\open\\command"),
              "\"/opt/corvid-halcyon/bin/ombra\" \"%1\"");
    EXPECT_EQ(ClassesString("OMBRA.Document\\shell\\print\\command"),
              "\"/opt/corvid-halcyon/bin/ombra\" /p \"%1\"");
    EXPECT_EQ(ClassesString("OMBRA.Document\\shell\\printto\\command"),
              "\"/opt/corvid-halcyon/bin/ombra\" /pt \"%1\" \"%2\" \"%3\" \"%4\"");
    // The same keys seen from the machine root.
    EXPECT_EQ(platform::RegistryGetString(RegistryRoot::LocalMachine, "SOFTWARE\\Classes\\.omr", ""),
              "OMBRA.Document");
}

TEST_F(StartupTest, FileTypeIsRegisteredWithTheDesktop) {
    ASSERT_TRUE(RegisterFileType("/opt/corvid-halcyon/bin/ombra"));
    const std::string entry = ReadText(DataHome() / "applications" / "ombra.desktop");
    EXPECT_EQ(entry.rfind("[Desktop Entry]\n", 0), 0u);
    EXPECT_NE(entry.find("\nType=Application\n"), std::string::npos);
    EXPECT_NE(entry.find("\nExec=/opt/corvid-halcyon/bin/ombra %f\n"), std::string::npos);
    EXPECT_NE(entry.find("\nMimeType=application/x-ombra-recording;\n"), std::string::npos);

    const std::string mime = ReadText(DataHome() / "mime" / "packages" / "ombra.xml");
    EXPECT_NE(mime.find("<mime-type type=\"application/x-ombra-recording\">"), std::string::npos);
    EXPECT_NE(mime.find("<glob pattern=\"*.omr\"/>"), std::string::npos);
}

TEST_F(StartupTest, RegisteringAgainRewritesNothing) {
    ASSERT_TRUE(RegisterFileType("/opt/corvid-halcyon/bin/ombra"));
    const fs::path entry = DataHome() / "applications" / "ombra.desktop";
    const fs::path mime = DataHome() / "mime" / "packages" / "ombra.xml";
    const fs::path hive = platform::RegistryHivePath(RegistryRoot::ClassesRoot);
    const ino_t entryInode = Inode(entry), mimeInode = Inode(mime), hiveInode = Inode(hive);
    const std::string hiveText = ReadText(hive);

    ASSERT_TRUE(RegisterFileType("/opt/corvid-halcyon/bin/ombra"));
    EXPECT_EQ(Inode(entry), entryInode);
    EXPECT_EQ(Inode(mime), mimeInode);
    EXPECT_EQ(Inode(hive), hiveInode);
    EXPECT_EQ(ReadText(hive), hiveText);

    // A moved program is registered anew.
    ASSERT_TRUE(RegisterFileType("/usr/local/bin/ombra"));
    EXPECT_NE(Inode(entry), entryInode);
    EXPECT_EQ(Inode(mime), mimeInode);
    EXPECT_NE(ReadText(entry).find("\nExec=/usr/local/bin/ombra %f\n"), std::string::npos);
    EXPECT_EQ(ClassesString("OMBRA.Document\\shell\\open\\command"), "\"/usr/local/bin/ombra\" \"%1\"");
    // No temporary file is left behind.
    EXPECT_EQ(
        std::distance(fs::directory_iterator(entry.parent_path()), fs::directory_iterator()),
        std::count_if(fs::directory_iterator(entry.parent_path()), fs::directory_iterator(),
                      [](const fs::directory_entry& e) { return e.path().filename().string()[0] != '.'; }));
}

TEST_F(StartupTest, ExecLineQuotesAndEscapesTheProgram) {
    ASSERT_TRUE(RegisterFileType("/home/lab user/100% \"tools\"/ombra"));
    const std::string entry = ReadText(DataHome() / "applications" / "ombra.desktop");
    // Quoted for the blank, %% for the percent sign, \" inside the quotes, each backslash
    // doubled once more for the key's string escapes.
    EXPECT_NE(entry.find("\nExec=\"/home/lab user/100%% \\\\\"tools\\\\\"/ombra\" %f\n"), std::string::npos)
        << entry;
}

TEST_F(StartupTest, ExtensionOwnedByAnotherProgramIsLeftToIt) {
    ASSERT_TRUE(platform::RegistrySetString(RegistryRoot::ClassesRoot, ".omr", "", "Other.Document"));
    ASSERT_TRUE(RegisterFileType("/opt/corvid-halcyon/bin/ombra"));
    EXPECT_EQ(ClassesString(".omr"), "Other.Document");
    EXPECT_EQ(ClassesString("OMBRA.Document\\shell\\open\\command"),
              "\"/opt/corvid-halcyon/bin/ombra\" \"%1\"");
}

TEST_F(StartupTest, UnwritableDataDirectoryFailsQuietly) {
    const fs::path blocker = Scratch() / "not-a-directory";
    std::ofstream(blocker) << "x";
    ::setenv("XDG_DATA_HOME", blocker.c_str(), 1);
    EXPECT_FALSE(RegisterFileType("/opt/corvid-halcyon/bin/ombra"));
    // The registry part is done regardless.
    EXPECT_EQ(ClassesString(".omr"), "OMBRA.Document");
}

TEST_F(StartupTest, RegisteredOpenCommandLeadsBackToTheProgram) {
    const fs::path program = LinkTo("Tools/ombra", NEWER_MODULE);
    ASSERT_TRUE(RegisterFileType(program));
    EXPECT_EQ(DetermineOwnVersion(PLAIN_MODULE).text, "1.1.0.1");
}

} // namespace
} // namespace corvid::ombra::testing
