// simserial as a program: its announcement, the link it makes and removes, where the
// bench comes from, and how it refuses what it cannot serve.
#include "serial_client.h"

#include <csignal>
#include <fstream>
#include <gtest/gtest.h>
#include <regex>
#include <sys/stat.h>

namespace corvid::testing {
namespace {

namespace fs = std::filesystem;

constexpr const char* kOtherBench = "board 0\n"
                                    "instrument probe at 0 3\n"
                                    "    identity \"Test,Probe,3,1\"\n"
                                    "end\n";

using ProgramTest = SimSerialTest;

bool IsCharacterDevice(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISCHR(info.st_mode);
}

std::string FileText(const fs::path& file) {
    std::ifstream in(file);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST_F(ProgramTest, AnnouncesTheDeviceAndItsLink) {
    std::string link = (scratch.path() / "ttySIM0").string();
    SimSerial server({"--link", link, "dmm"});
    std::string device = server.Member("device");
    EXPECT_EQ(server.announcement(),
              "{\"instrument\":\"dmm\",\"device\":\"" + device + "\",\"link\":\"" + link + "\"}");
    EXPECT_TRUE(std::regex_match(device, std::regex("/dev/pts/[0-9]+"))) << device;
    EXPECT_TRUE(IsCharacterDevice(device));
    EXPECT_EQ(fs::read_symlink(link), device);
}

TEST_F(ProgramTest, WithoutLinkTheDeviceIsUsedDirectly) {
    SimSerial server({"counter"});
    EXPECT_EQ(server.Member("link"), "null") << server.announcement();
    SerialClient line(server.Member("device"));
    ASSERT_TRUE(line.is_open());
    EXPECT_EQ(line.Query("*IDN?"), "Orbis Metrology,FC-3120,OM3120-2291,4.01");
    EXPECT_TRUE(fs::is_empty(scratch.path()));
}

TEST_F(ProgramTest, StopSignalsRemoveTheLinkAndExitZero) {
    for (int signal : {SIGTERM, SIGINT, SIGHUP}) {
        fs::path link = scratch.path() / "ttySIM0";
        SimSerial server({"--link", link.string(), "cal"});
        ASSERT_TRUE(fs::is_symlink(link)) << server.announcement();
        server.process().Kill(signal);
        EXPECT_EQ(server.process().Wait(), 0) << "signal " << signal;
        EXPECT_FALSE(fs::exists(fs::symlink_status(link))) << "signal " << signal;
    }
}

TEST_F(ProgramTest, ExistingSymbolicLinkIsReplaced) {
    fs::path link = scratch.path() / "ttySIM0";
    fs::create_symlink("/dev/null", link);
    SimSerial server({"--link", link.string(), "cal"});
    EXPECT_EQ(fs::read_symlink(link), server.Member("device"));
    SerialClient line(link);
    EXPECT_EQ(line.Query("*IDN?"), "Vantor Calibration,VC-9100,VC91-004417,1.12");
}

TEST_F(ProgramTest, ExistingRegularFileAtTheLinkIsNotReplaced) {
    fs::path link = scratch.path() / "ttySIM0";
    std::ofstream(link) << "keep me";
    std::vector<std::string> lines;
    EXPECT_EQ(RunSimSerial({"--link", link.string(), "cal"}, lines), 1);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find(link.string()), std::string::npos) << lines[0];
    EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(link)));
    EXPECT_EQ(FileText(link), "keep me");
}

TEST_F(ProgramTest, UnknownInstrumentExitsOneWithOneLine) {
    fs::path link = scratch.path() / "ttySIM0";
    std::vector<std::string> lines;
    EXPECT_EQ(RunSimSerial({"--link", link.string(), "nosuch"}, lines), 1);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find("nosuch"), std::string::npos) << lines[0];
    EXPECT_FALSE(fs::exists(fs::symlink_status(link)));
}

TEST_F(ProgramTest, UnreadableOrMalformedBenchExitsOne) {
    std::vector<std::string> lines;
    EXPECT_EQ(RunSimSerial({"--bench", (scratch.path() / "missing.bench").string(), "cal"}, lines), 1);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find("missing.bench"), std::string::npos) << lines[0];

    lines.clear();
    fs::path bad = WriteBench("board 0\ninstrument x at 0 40\nend\n");
    EXPECT_EQ(RunSimSerial({"--bench", bad.string(), "x"}, lines), 1);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find(bad.string() + ":2:"), std::string::npos) << lines[0];
}

TEST_F(ProgramTest, BadUsageExitsTwoWithTheUsage) {
    const std::vector<std::vector<std::string>> cases = {{},
                                                         {"--link"},
                                                         {"--frobnicate", "cal"},
                                                         {"cal", "dmm"},
                                                         {"--bench", "", "cal"},
                                                         {"--link", "a", "--link", "b", "cal"}};
    for (const auto& arguments : cases) {
        std::vector<std::string> lines;
        EXPECT_EQ(RunSimSerial(arguments, lines), 2) << ::testing::PrintToString(arguments);
        ASSERT_GE(lines.size(), 2u);
        EXPECT_EQ(lines[1], "usage: simserial [--bench FILE] [--link PATH] INSTRUMENT");
    }
}

TEST_F(ProgramTest, BenchComesFromTheEnvironmentThenTheConfiguration) {
    fs::path bench = WriteBench(kOtherBench);
    {
        std::ofstream(sandbox.home() / "visa.ini") << "[SIMGPIB]\nBenchFile=" << bench.string() << "\n";
        SimSerial server({"probe"});
        SerialClient line(server.Member("device"));
        EXPECT_EQ(line.Query("*IDN?"), "Test,Probe,3,1");
    }
    // The environment comes before the configuration; --bench before both.
    ::setenv("CORVID_SIM_BENCH", (scratch.path() / "missing.bench").string().c_str(), 1);
    std::vector<std::string> lines;
    EXPECT_EQ(RunSimSerial({"probe"}, lines), 1);
    SimSerial server({"--bench", bench.string(), "probe"});
    EXPECT_EQ(server.Member("instrument"), "probe");
}

} // namespace
} // namespace corvid::testing
