// omr as a program: the file subcommands, and record and play against a driver in another
// process.
#include "link/debugger_link.h"
#include "test_support.h"
#include "testsupport/sandbox.h"

#include <csignal>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <nlohmann/json.hpp>

namespace corvid::debugger {
namespace {

using corvid::testing::ChildProcess;
using Bytes = std::vector<std::uint8_t>;
using Json = nlohmann::json;

constexpr const char* kWriteIdnRaw = "02160082000000000000000070a3e6400002060005002a49444e3f00";
constexpr const char* kReadFlukeRaw = "02160021000000000000000070a3e640000206000500464c554b4500";

Bytes FromHex(std::string_view hex) {
    Bytes bytes;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        bytes.push_back(static_cast<std::uint8_t>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16)));
    return bytes;
}

Bytes Header(std::uint16_t schema, std::uint32_t count) {
    Bytes bytes = {0xFF, 0xFF, static_cast<std::uint8_t>(schema), 0x00, 0x0F, 0x00};
    for (char c : std::string_view("CArchiveVersion"))
        bytes.push_back(static_cast<std::uint8_t>(c));
    for (int i = 0; i < 4; ++i)
        bytes.push_back(static_cast<std::uint8_t>(count >> (8 * i)));
    return bytes;
}

Bytes Concat(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

class OmrTest : public corvid::testing::SandboxTest {
protected:
    std::string PathOf(const std::string& name) const { return (sandbox.home() / name).string(); }

    void WriteBytes(const std::string& name, const Bytes& bytes) const {
        std::ofstream out(PathOf(name), std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
    Bytes ReadBytes(const std::string& name) const {
        std::ifstream in(PathOf(name), std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    static ChildProcess Omr(std::vector<std::string> args) {
        args.insert(args.begin(), OMR_PATH);
        return ChildProcess::Spawn(args);
    }

    // Runs omr to its end; returns the exit status and fills the JSON lines printed.
    static int Run(std::vector<std::string> args, std::vector<Json>* lines = nullptr) {
        ChildProcess omr = Omr(std::move(args));
        std::string line;
        while (omr.ReadLine(line))
            if (lines)
                lines->push_back(Json::parse(line));
        return omr.Wait();
    }

    static Json NextLine(ChildProcess& omr) {
        std::string line;
        if (!omr.ReadLine(line))
            return Json();
        return Json::parse(line);
    }

    // The recording WRITE "A", WRITE "B", WRITE "C" at address 22.
    void BuildThreeWrites() const {
        std::ofstream(PathOf("three.jsonl"))
            << "{\"action\":2,\"address\":22,\"sent\":{\"type\":5,\"count\":2,\"hex\":\"4100\"}}\n"
            << "{\"action\":2,\"address\":22,\"sent\":{\"type\":5,\"count\":2,\"hex\":\"4200\"}}\n"
            << "{\"action\":2,\"address\":22,\"sent\":{\"type\":5,\"count\":2,\"hex\":\"4300\"}}\n";
        ASSERT_EQ(Run({"build", PathOf("three.jsonl"), PathOf("three.omr")}), 0);
    }

    // The two-command recording WRITE "*IDN?", READ "FLUKE" at address 22.
    std::string BuildIdnRecording() const {
        std::ofstream(PathOf("idn.jsonl"))
            << "{\"raw\":\"" << kWriteIdnRaw << "\"}\n\n{\"raw\":\"" << kReadFlukeRaw << "\"}\n";
        EXPECT_EQ(Run({"build", PathOf("idn.jsonl"), PathOf("idn.omr")}), 0);
        return PathOf("idn.omr");
    }
};

TEST_F(OmrTest, HelpAndUsage) {
    ChildProcess help = Omr({"--help"});
    std::string text, line;
    while (help.ReadLine(line))
        text += line + "\n";
    EXPECT_EQ(help.Wait(), 0);
    EXPECT_NE(text.find("SIGUSR1"), std::string::npos);
    EXPECT_NE(text.find("omr play FILE"), std::string::npos);
    EXPECT_EQ(Run({}), 2);
    EXPECT_EQ(Run({"frobnicate"}), 2);
    EXPECT_EQ(Run({"info"}), 2);
    EXPECT_EQ(Run({"play", "x.omr", "--on-difference", "maybe"}), 2);
    EXPECT_EQ(Run({"record", "x.omr", "--count", "-3"}), 2);
}

TEST_F(OmrTest, BuildWritesExactBytesThatInfoAndDumpReadBack) {
    std::vector<Json> lines;
    BuildIdnRecording();
    EXPECT_EQ(ReadBytes("idn.omr"), Concat({Header(2, 2), FromHex(kWriteIdnRaw), FromHex(kReadFlukeRaw)}));

    ASSERT_EQ(Run({"info", PathOf("idn.omr")}, &lines), 0);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0]["version"], 2);
    EXPECT_EQ(lines[0]["records"], 2);

    lines.clear();
    ASSERT_EQ(Run({"dump", PathOf("idn.omr")}, &lines), 0);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0]["raw"], kWriteIdnRaw);
    EXPECT_EQ(lines[0]["name"], "WRITE");
    EXPECT_EQ(lines[1]["raw"], kReadFlukeRaw);
}

TEST_F(OmrTest, BuildRefusesMalformedLines) {
    std::ofstream(PathOf("bad.jsonl")) << "{\"raw\":\"" << kWriteIdnRaw << "\"}\n{\"address\":3}\n";
    EXPECT_EQ(Run({"build", PathOf("bad.jsonl"), PathOf("bad.omr")}), 1);
    EXPECT_FALSE(std::filesystem::exists(PathOf("bad.omr")));
}

TEST_F(OmrTest, ConvertTurnsVersion1IntoVersion2) {
    // The version-1 form of the WRITE record: no record or block version bytes, no comment.
    const Bytes v1Write = FromHex("160082"
                                  "00000000"
                                  "0000000070a3e640"
                                  "06000500"
                                  "2a49444e3f00");
    WriteBytes("old.omr", Concat({Header(1, 1), v1Write}));
    std::vector<Json> lines;
    ASSERT_EQ(Run({"convert", PathOf("old.omr"), PathOf("new.omr")}, &lines), 0);
    EXPECT_EQ(ReadBytes("new.omr"), Concat({Header(2, 1), FromHex(kWriteIdnRaw)}));
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0]["from_version"], 1);
    EXPECT_EQ(lines[0]["version"], 2);
}

TEST_F(OmrTest, ExportProposesTheTextName) {
    BuildIdnRecording();
    std::vector<Json> lines;
    ASSERT_EQ(Run({"export", PathOf("idn.omr")}, &lines), 0);
    std::ifstream in(PathOf("idn.txt"), std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(text, "22\tWRITE\t\t*IDN?\t\r\n22\tREAD\tFLUKE\t\t\r\n");
}

TEST_F(OmrTest, DamagedFilesFailWithoutOutput) {
    WriteBytes("three.omr", Header(3, 0));
    std::vector<Json> lines;
    EXPECT_EQ(Run({"info", PathOf("three.omr")}, &lines), 1);
    EXPECT_EQ(Run({"dump", PathOf("missing.omr")}, &lines), 1);
    EXPECT_EQ(Run({"record", PathOf("missing/rec.omr")}, &lines), 1) << "refused before recording";
    EXPECT_TRUE(lines.empty());
}

// A driver in its own process, reporting through the real link.
ChildProcess Driver(std::function<int(link::CDebuggerLink&)> body) {
    return ChildProcess::Fork([body] {
        link::CDebuggerLink debugger;
        return body(debugger);
    });
}

int Write(link::CDebuggerLink& debugger, std::string_view text) {
    const link::CCopyDataBlock sent = testing::TextBlock(text);
    return debugger.ReportCommand(0, 22, nullptr, nullptr, &sent, link::actionWrite);
}

// Reads the replayed answer and echoes it, as the driver's reads do in playback.
std::string ReplayedRead(link::CDebuggerLink& debugger) {
    link::CGPIBCommandInfo record;
    bool error = false;
    if (debugger.GetGPIBCommandInfo(record, error) != 1 || error)
        return "<none>";
    debugger.SendGPIBCommandInfo(&record);
    return record.Received().GetString(true, 100);
}

TEST_F(OmrTest, RecordCapturesUntilTheCount) {
    ChildProcess omr = Omr({"record", PathOf("rec.omr"), "--count", "2"});
    EXPECT_EQ(NextLine(omr)["event"], "listening");
    ChildProcess driver = Driver([](link::CDebuggerLink& debugger) {
        Write(debugger, "*IDN?");
        const link::CCopyDataBlock received = testing::TextBlock("FLUKE");
        debugger.ReportCommand(0, 22, nullptr, &received, nullptr, link::actionRead);
        return 0;
    });
    EXPECT_EQ(driver.Wait(), 0);
    const Json saved = NextLine(omr);
    EXPECT_EQ(omr.Wait(), 0);
    EXPECT_EQ(saved["event"], "saved");
    EXPECT_EQ(saved["recorded"], 2);
    std::vector<Json> lines;
    ASSERT_EQ(Run({"dump", PathOf("rec.omr")}, &lines), 0);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0]["sent"]["hex"], "2a49444e3f00");
    EXPECT_EQ(lines[1]["received"]["hex"], "464c554b4500");
}

TEST_F(OmrTest, RecordAppendsAndStopsOnSigterm) {
    BuildIdnRecording();
    ChildProcess omr = Omr({"record", PathOf("idn.omr"), "--append"});
    EXPECT_EQ(NextLine(omr)["event"], "listening");
    ChildProcess driver =
        Driver([](link::CDebuggerLink& debugger) { return Write(debugger, "*RST") == 1 ? 0 : 1; });
    EXPECT_EQ(driver.Wait(), 0);
    omr.Kill(SIGTERM);
    const Json saved = NextLine(omr);
    EXPECT_EQ(omr.Wait(), 0);
    EXPECT_EQ(saved["records"], 3);
    EXPECT_EQ(saved["recorded"], 1);
}

TEST_F(OmrTest, RecordInsertsBeforeTheCommandNamed) {
    BuildIdnRecording(); // *IDN?, FLUKE
    for (const auto& [at, text] : {std::pair{"0", "*RST"}, {"2", "*CLS"}}) {
        ChildProcess omr = Omr({"record", PathOf("idn.omr"), "--insert", at, "--count", "1"});
        EXPECT_EQ(NextLine(omr)["event"], "listening");
        ChildProcess driver = Driver([text = std::string(text)](link::CDebuggerLink& debugger) {
            return Write(debugger, text) == 1 ? 0 : 1;
        });
        EXPECT_EQ(driver.Wait(), 0);
        EXPECT_EQ(NextLine(omr)["event"], "saved");
        EXPECT_EQ(omr.Wait(), 0);
    }
    std::vector<Json> lines;
    ASSERT_EQ(Run({"dump", PathOf("idn.omr")}, &lines), 0);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0]["sent"]["hex"], "2a52535400") << "*RST before command 0";
    EXPECT_EQ(lines[1]["sent"]["hex"], "2a49444e3f00");
    EXPECT_EQ(lines[2]["sent"]["hex"], "2a434c5300") << "*CLS before command 2 (FLUKE)";
    EXPECT_EQ(lines[3]["received"]["hex"], "464c554b4500");
}

TEST_F(OmrTest, PlayExitsZeroWhenTheDriverMatches) {
    ChildProcess omr = Omr({"play", BuildIdnRecording(), "--idle-timeout", "60"});
    EXPECT_EQ(NextLine(omr)["event"], "listening");
    ChildProcess driver = Driver([](link::CDebuggerLink& debugger) {
        if (debugger.IsPlaybackActive() != 1)
            return 10;
        Write(debugger, "*IDN?");
        return ReplayedRead(debugger) == "FLUKE" ? 0 : 11;
    });
    EXPECT_EQ(driver.Wait(), 0);
    const Json complete = NextLine(omr);
    EXPECT_EQ(complete["caption"], "Playback Complete");
    EXPECT_EQ(complete["answer"], "No");
    const Json end = NextLine(omr);
    EXPECT_EQ(end["event"], "end");
    EXPECT_EQ(end["result"], "complete");
    EXPECT_EQ(omr.Wait(), 0);
}

TEST_F(OmrTest, PlayPrintsTheDifferenceReportAndExitsOne) {
    ChildProcess omr = Omr({"play", BuildIdnRecording()});
    EXPECT_EQ(NextLine(omr)["event"], "listening");
    ChildProcess driver = Driver([](link::CDebuggerLink& debugger) {
        Write(debugger, "*RST");
        return ReplayedRead(debugger) == "FLUKE" ? 0 : 11;
    });
    EXPECT_EQ(driver.Wait(), 0);
    const Json difference = NextLine(omr);
    EXPECT_EQ(difference["caption"], "Differences found during playback");
    EXPECT_EQ(difference["text"],
              "The command sent by the driver is not the same as the command being played back.\r\n"
              "The differences are as follows:\r\n\r\n"
              "SENT:\r\n\tExpected: *IDN?\r\n\tReceived: *RST\r\n\r\n"
              "\r\nDo you want to continue playback?");
    EXPECT_EQ(difference["answer"], "Yes");
    EXPECT_EQ(NextLine(omr)["caption"], "Playback Complete");
    const Json end = NextLine(omr);
    EXPECT_EQ(end["result"], "differences");
    EXPECT_EQ(end["differences"], 1);
    EXPECT_EQ(omr.Wait(), 1);
}

TEST_F(OmrTest, PlayGivesUpWhenNoDriverComes) {
    std::vector<Json> lines;
    EXPECT_EQ(Run({"play", BuildIdnRecording(), "--idle-timeout", "1"}, &lines), 1);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1]["result"], "idle-timeout");
    EXPECT_EQ(lines[1]["position"], 0);
}

TEST_F(OmrTest, BreakpointsHoldTheDriverUntilSignalled) {
    BuildThreeWrites();
    ChildProcess omr = Omr({"play", PathOf("three.omr"), "--break", "1", "2"});
    EXPECT_EQ(NextLine(omr)["event"], "listening");
    ChildProcess driver = Driver([](link::CDebuggerLink& debugger) {
        Write(debugger, "A");
        Write(debugger, "B");
        Write(debugger, "C");
        return 0;
    });
    // Paused before B: the driver waits after reporting A.
    EXPECT_EQ(NextLine(omr)["caption"], "Breakpoint condition detected");
    EXPECT_EQ(NextLine(omr)["event"], "held");
    // One step ends that wait; the next holds the driver before it reports B.
    omr.Kill(SIGUSR2);
    EXPECT_EQ(NextLine(omr)["event"], "step");
    EXPECT_EQ(NextLine(omr)["event"], "held");
    // Another step lets B through, which reaches the breakpoint before C.
    omr.Kill(SIGUSR2);
    EXPECT_EQ(NextLine(omr)["event"], "step");
    EXPECT_EQ(NextLine(omr)["caption"], "Breakpoint condition detected");
    EXPECT_EQ(NextLine(omr)["event"], "held");
    omr.Kill(SIGUSR1);
    EXPECT_EQ(NextLine(omr)["event"], "resumed");
    EXPECT_EQ(NextLine(omr)["caption"], "Playback Complete");
    EXPECT_EQ(NextLine(omr)["result"], "complete");
    EXPECT_EQ(omr.Wait(), 0);
    EXPECT_EQ(driver.Wait(), 0);
}

TEST_F(OmrTest, ABreakOnTheFirstCommandHoldsTheDriverBeforeItReports) {
    BuildThreeWrites();
    ChildProcess omr = Omr({"play", PathOf("three.omr"), "--break", "0"});
    EXPECT_EQ(NextLine(omr)["event"], "listening");
    EXPECT_EQ(NextLine(omr)["caption"], "Breakpoint condition detected");
    ChildProcess driver = Driver([](link::CDebuggerLink& debugger) {
        Write(debugger, "A");
        Write(debugger, "B");
        Write(debugger, "C");
        return 0;
    });
    EXPECT_EQ(NextLine(omr)["event"], "held") << "before A is reported";
    omr.Kill(SIGUSR1);
    EXPECT_EQ(NextLine(omr)["event"], "resumed");
    EXPECT_EQ(NextLine(omr)["caption"], "Playback Complete");
    const Json end = NextLine(omr);
    EXPECT_EQ(end["result"], "complete");
    EXPECT_EQ(end["differences"], 0);
    EXPECT_EQ(omr.Wait(), 0);
    EXPECT_EQ(driver.Wait(), 0);
}

} // namespace
} // namespace corvid::debugger
