#include "ombra/startup.h"

#include <gtest/gtest.h>

namespace corvid::ombra {
namespace {

TEST(CommandLine, PlayWithFileOpensAndPlays) {
    const CommandLine line = ParseCommandLine({"/play", "/home/user/recordings/run.omr"});
    EXPECT_EQ(line.file, "/home/user/recordings/run.omr");
    EXPECT_TRUE(line.play);
    EXPECT_FALSE(line.record);
}

TEST(CommandLine, SwitchesIgnoreCaseAndTakeEitherPrefix) {
    const CommandLine line = ParseCommandLine({"-RECORD", "file.omr"});
    EXPECT_EQ(line.file, "file.omr");
    EXPECT_TRUE(line.record);
    EXPECT_FALSE(line.play);
    EXPECT_TRUE(ParseCommandLine({"/PlAy"}).play);
    EXPECT_TRUE(ParseCommandLine({"-pLaY"}).play);
}

TEST(CommandLine, PlayAndRecordCancelEachOther) {
    const CommandLine recordLast = ParseCommandLine({"/play", "a.omr", "/record"});
    EXPECT_TRUE(recordLast.record);
    EXPECT_FALSE(recordLast.play);
    const CommandLine playLast = ParseCommandLine({"-record", "-play", "a.omr"});
    EXPECT_TRUE(playLast.play);
    EXPECT_FALSE(playLast.record);
}

TEST(CommandLine, LogValueIsKeptAndOpensNoFile) {
    const CommandLine line = ParseCommandLine({"/log", "session.log"});
    EXPECT_FALSE(line.file.has_value());
    EXPECT_EQ(line.log, "session.log");

    const CommandLine withFile = ParseCommandLine({"a.omr", "-LOG", "b.omr"});
    EXPECT_EQ(withFile.file, "a.omr");
    EXPECT_EQ(withFile.log, "b.omr");

    // A trailing /log waits for a value that never comes.
    EXPECT_FALSE(ParseCommandLine({"x.omr", "/log"}).log.has_value());
}

TEST(CommandLine, LastFileWins) {
    EXPECT_EQ(ParseCommandLine({"first.omr", "/iba", "second.omr", "-vcto", "/tmp/third.omr"}).file,
              "/tmp/third.omr");
}

TEST(CommandLine, IgnoredAndUnknownSwitchesChangeNothing) {
    const CommandLine line = ParseCommandLine({"/IBA", "-vcto", "/p", "/pt", "/nosuchswitch"});
    EXPECT_FALSE(line.file.has_value());
    EXPECT_FALSE(line.play);
    EXPECT_FALSE(line.record);
    EXPECT_FALSE(line.log.has_value());
    // The registered print command names its file after /p.
    EXPECT_EQ(ParseCommandLine({"/p", "/srv/rec/a.omr"}).file, "/srv/rec/a.omr");
    // The print-to command names the file, then printer, driver and port, which are no files.
    EXPECT_EQ(ParseCommandLine({"/pt", "/srv/rec/a.omr", "Office", "ipp", "lp0"}).file, "/srv/rec/a.omr");
}

TEST(CommandLine, NothingGivenOpensNothing) {
    const CommandLine line = ParseCommandLine({});
    EXPECT_FALSE(line.file.has_value());
    EXPECT_FALSE(line.play);
    EXPECT_FALSE(line.record);
}

} // namespace
} // namespace corvid::ombra
