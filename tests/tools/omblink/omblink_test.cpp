// omblink as a user runs it: the listener and the sender in separate processes.
#include "testsupport/sandbox.h"

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <set>

namespace corvid::testing {
namespace {

const std::string kOmblink = OMBLINK_PATH;
const std::string kIdnWrite =
    R"({"action":2,"board":0,"address":22,"sent":{"type":5,"count":6,"hex":"2a49444e3f00"}})";

class OmblinkTest : public SandboxTest {
protected:
    std::filesystem::path socketPath() const { return sandbox.runtime() / "wnd" / "OMBRADEBUGCONTROLLER"; }

    ChildProcess StartListener(std::vector<std::string> options) {
        options.insert(options.begin(), {kOmblink, "listen"});
        ChildProcess listener = ChildProcess::Spawn(options);
        EXPECT_TRUE(WaitUntil([&] { return std::filesystem::exists(socketPath()); })) << "no listener";
        return listener;
    }

    // Runs omblink to its end; returns the exit status and the standard output lines.
    int Run(const std::vector<std::string>& args, std::vector<std::string>* lines = nullptr) {
        std::vector<std::string> argv{kOmblink};
        argv.insert(argv.end(), args.begin(), args.end());
        ChildProcess tool = ChildProcess::Spawn(argv);
        std::string line;
        while (tool.ReadLine(line))
            if (lines)
                lines->push_back(line);
        return tool.Wait();
    }
};

// A record as our own link serialises it (a WRITE of "*IDN?" at a fixed time).
const std::string kFixedWrite = R"({"action":2,"board":0,"address":22,"time":{"status":0,"date":46363.5},)"
                                R"("sent":{"type":5,"count":6,"hex":"2a49444e3f00"}})";
const std::string kFixedWriteRaw = "02160082000000000000000070a3e6400002060005002a49444e3f00";

ChildProcess StartContractPeer(const std::string& role, const std::string& hex) {
    return ChildProcess::Spawn({"/usr/bin/python3", CONTRACT_PEER, role, hex});
}

TEST_F(OmblinkTest, APeerThatFollowsOnlyTheContractReportsToOurDebugger) {
    ChildProcess listener = StartListener({"--count", "1"});
    ChildProcess peer = StartContractPeer("send", kFixedWriteRaw);
    std::string line;
    ASSERT_TRUE(peer.ReadLine(line));
    EXPECT_EQ(line, "1");
    EXPECT_EQ(peer.Wait(), 0);
    ASSERT_TRUE(listener.ReadLine(line));
    EXPECT_EQ(nlohmann::json::parse(line)["raw"], kFixedWriteRaw);
    EXPECT_EQ(listener.Wait(), 0);
}

TEST_F(OmblinkTest, OurDriverSideWorksWithADebuggerThatFollowsOnlyTheContract) {
    ChildProcess peer = StartContractPeer("debugger", kFixedWriteRaw);
    std::string line;
    ASSERT_TRUE(peer.ReadLine(line));
    ASSERT_EQ(line, "ready");
    std::vector<std::string> fetched;
    EXPECT_EQ(Run({"fetch"}, &fetched), 0);
    ASSERT_EQ(fetched.size(), 1u);
    EXPECT_EQ(nlohmann::json::parse(fetched[0])["raw"], kFixedWriteRaw) << "the replay record";
    std::vector<std::string> answer;
    EXPECT_EQ(Run({"send", kFixedWrite}, &answer), 0);
    EXPECT_EQ(answer, std::vector<std::string>{R"({"answer":1})"});
    ASSERT_TRUE(peer.ReadLine(line));
    EXPECT_EQ(line, kFixedWriteRaw) << "the record as the peer read it from the mapping";
    EXPECT_EQ(peer.Wait(), 0);
}

TEST_F(OmblinkTest, TheBenchListenerEndsWithTheBench) {
    ChildProcess bench = ChildProcess::Spawn({kOmblink, "bench", "--count", "100000000"});
    ASSERT_TRUE(WaitUntil([&] { return std::filesystem::exists(socketPath()); })) << "no bench listener";
    bench.Kill(SIGKILL);
    bench.Wait();
    EXPECT_TRUE(WaitUntil([&] { return !std::filesystem::exists(socketPath()); }))
        << "the forked listener outlived the bench";
}

TEST_F(OmblinkTest, SentRecordsArePrintedByTheListenerWithTheirBytes) {
    ChildProcess listener = StartListener({"--count", "2"});
    std::vector<std::string> answer;
    EXPECT_EQ(Run({"send", kIdnWrite}, &answer), 0);
    EXPECT_EQ(answer, std::vector<std::string>{R"({"answer":1})"});
    EXPECT_EQ(Run({"send", R"({"action":6,"board":1,"address":9,"comments":"clear"})"}), 0);

    std::string line;
    ASSERT_TRUE(listener.ReadLine(line));
    auto first = nlohmann::json::parse(line);
    EXPECT_EQ(first["name"], "WRITE");
    EXPECT_EQ(first["flags"], 0x82);
    EXPECT_EQ(first["sent"]["hex"], "2a49444e3f00");
    EXPECT_EQ(first["raw"].get<std::string>().substr(0, 8), "02160082"); // version, address, board, flags
    ASSERT_TRUE(listener.ReadLine(line));
    auto second = nlohmann::json::parse(line);
    EXPECT_EQ(second["name"], "CLEAR");
    EXPECT_EQ(second["comments"], "clear");
    EXPECT_EQ(listener.Wait(), 0) << "the listener did not stop after --count records";
    EXPECT_FALSE(std::filesystem::exists(socketPath()));
}

// Hex of a Char block's text, without its zero byte.
std::string TextOfHex(const std::string& hex) {
    std::string text;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        text += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
    return text.substr(0, text.find('\0'));
}

TEST_F(OmblinkTest, ReportsOfManyProcessesAndThreadsArriveEachExactlyOnce) {
    constexpr int kProcesses = 4, kPerProcess = 1000, kThreads = 2;
    ChildProcess listener = StartListener({"--count", std::to_string(kProcesses * kPerProcess)});
    std::vector<ChildProcess> reporters;
    std::multiset<std::string> expected;
    for (int p = 0; p < kProcesses; ++p) {
        const std::string tag = "p" + std::to_string(p);
        reporters.push_back(ChildProcess::Spawn(
            {FLOOD_REPORTER, tag, std::to_string(kPerProcess), std::to_string(kThreads)}));
        for (int n = 0; n < kPerProcess; ++n)
            expected.insert(tag + "-" + std::to_string(n % kThreads) + "-" + std::to_string(n));
    }
    std::multiset<std::string> received;
    std::string line;
    while (listener.ReadLine(line))
        received.insert(TextOfHex(nlohmann::json::parse(line)["sent"]["hex"]));
    for (ChildProcess& reporter : reporters)
        EXPECT_EQ(reporter.Wait(), 0) << "a report was not answered 1";
    EXPECT_EQ(listener.Wait(), 0);
    std::vector<std::string> missing, extra;
    std::ranges::set_difference(expected, received, std::back_inserter(missing));
    std::ranges::set_difference(received, expected, std::back_inserter(extra));
    EXPECT_TRUE(missing.empty()) << missing.size() << " lost, the first " << missing.front();
    EXPECT_TRUE(extra.empty()) << extra.size() << " duplicated or foreign, the first " << extra.front();
}

TEST_F(OmblinkTest, PlaybackRecordsAreHandedOutInOrderThenNone) {
    std::filesystem::path file = sandbox.home() / "playback.jsonl";
    std::ofstream(file) << R"({"action":1,"received":{"type":5,"count":3,"hex":"4f4b00"}})"
                        << "\n\n"
                        << R"({"action":5,"received":{"type":4,"count":1,"hex":"40"}})"
                        << "\n";
    ChildProcess listener = StartListener({"--playback", file.string()});
    std::vector<std::string> first, second, third;
    EXPECT_EQ(Run({"fetch"}, &first), 0);
    EXPECT_EQ(Run({"fetch"}, &second), 0);
    EXPECT_EQ(Run({"fetch"}, &third), 1);
    ASSERT_EQ(first.size(), 1u);
    EXPECT_EQ(nlohmann::json::parse(first[0])["received"]["hex"], "4f4b00");
    ASSERT_EQ(second.size(), 1u);
    EXPECT_EQ(nlohmann::json::parse(second[0])["name"], "READSTB");
    EXPECT_TRUE(third.empty());
}

TEST_F(OmblinkTest, HeldSenderWaitsForTheHoldQueriesToRunOut) {
    ChildProcess listener = StartListener({"--hold", "2", "--count", "1"});
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Run({"send", kIdnWrite}), 0);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500));
    EXPECT_EQ(listener.Wait(), 0);
}

TEST_F(OmblinkTest, WithoutListenerSendAndFetchFindNoDebugger) {
    std::vector<std::string> lines;
    EXPECT_EQ(Run({"send", kIdnWrite}, &lines), 1);
    EXPECT_EQ(lines, std::vector<std::string>{R"({"answer":0})"});
    lines.clear();
    EXPECT_EQ(Run({"fetch"}, &lines), 1);
    EXPECT_TRUE(lines.empty());
}

TEST_F(OmblinkTest, ListenerStopsOnSignalsAndRemovesItsSocket) {
    for (int signal : {SIGTERM, SIGINT}) {
        ChildProcess listener = StartListener({});
        listener.Kill(signal);
        EXPECT_EQ(listener.Wait(), 0);
        EXPECT_FALSE(std::filesystem::exists(socketPath()));
    }
}

TEST_F(OmblinkTest, SecondListenerIsRefused) {
    ChildProcess first = StartListener({});
    EXPECT_EQ(Run({"listen"}), 1);
    EXPECT_TRUE(std::filesystem::exists(socketPath()));
}

TEST_F(OmblinkTest, BadInputGetsAnErrorAndUsageStatus) {
    EXPECT_EQ(Run({"send", "{not json"}), 2);
    EXPECT_EQ(Run({"send", R"({"board":1})"}), 2); // no action
    EXPECT_EQ(Run({"send", R"({"action":2,"sent":{"type":5,"count":9,"hex":"00"}})"}), 2);
    EXPECT_EQ(Run({"send"}), 2);
    EXPECT_EQ(Run({"listen", "--count", "many"}), 2);
    EXPECT_EQ(Run({"frobnicate"}), 2);
    std::filesystem::path file = sandbox.home() / "bad.jsonl";
    std::ofstream(file) << R"({"action":1})"
                        << "\n"
                        << "[1,2]\n";
    EXPECT_EQ(Run({"listen", "--playback", file.string()}), 2);
}

} // namespace
} // namespace corvid::testing
