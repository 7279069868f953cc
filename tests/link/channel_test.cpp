// The driver's and the debugger's sides of the link, each against a peer in another process.
#include "debugger_peer.h"
#include "link/debugger_channel.h"
#include "link/debugger_link.h"
#include "link/shared_memory.h"
#include "platform/message_box.h"

#include <chrono>
#include <csignal>
#include <cstring>
#include <future>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace std::chrono_literals;

namespace corvid::link {

using testing::DebuggerPeer;
using testing::Hex;
using testing::PeerScript;

namespace {

// Counts the message boxes shown; answers OK.
class LinkTest : public testing::SandboxTest {
protected:
    void SetUp() override {
        previous_ = platform::SetMessageBoxHandler([this](const platform::MessageBoxRequest& request) {
            boxes.push_back(request.text);
            return platform::MsgAnswer::Ok;
        });
    }
    void TearDown() override { platform::SetMessageBoxHandler(previous_); }

    std::vector<std::string> boxes;

private:
    platform::MessageBoxHandler previous_;
};

CGPIBCommandInfo RecordWithBlocksOfType(unsigned type) {
    std::uint8_t bytes[64];
    for (std::size_t i = 0; i < sizeof bytes; ++i)
        bytes[i] = static_cast<std::uint8_t>(i * 37 + type);
    if (type == 5)
        bytes[7] = 0;
    CCopyDataBlock sent(bytes, 8 / std::max<std::size_t>(1, CCopyDataBlock::GetByteSize(type)), type);
    CCopyDataBlock received(bytes + 8, 3, type);
    CCopyDataBlock parameters(type == 8 ? nullptr : bytes + 16, 1, type);
    CGPIBCommandInfo record(1, 22, actionWrite, &parameters, &sent, &received);
    record.SetComments("type " + std::to_string(type));
    return record;
}

double Seconds(std::chrono::steady_clock::duration duration) {
    return std::chrono::duration<double>(duration).count();
}

} // namespace

TEST_F(LinkTest, WithoutDebuggerEveryOperationIsSilentAndLive) {
    CDebuggerLink debugger;
    CGPIBCommandInfo record = RecordWithBlocksOfType(5);
    bool error = true;
    EXPECT_EQ(debugger.WaitWhileHeld(), 1);
    EXPECT_EQ(debugger.IsPlaybackActive(), 0);
    EXPECT_EQ(debugger.SendGPIBCommandInfo(&record), 0);
    EXPECT_EQ(debugger.GetGPIBCommandInfo(record, error), 0);
    EXPECT_FALSE(error);
    EXPECT_EQ(debugger.ReportCommand(0, 22, nullptr, nullptr, nullptr, actionClear), 1);
    EXPECT_TRUE(boxes.empty());
}

TEST_F(LinkTest, EveryBlockTypeCrossesByteForByte) {
    DebuggerPeer peer({});
    CDebuggerLink debugger;
    for (unsigned type = 0; type <= 8; ++type) {
        SCOPED_TRACE(type);
        CGPIBCommandInfo record = RecordWithBlocksOfType(type);
        EXPECT_EQ(debugger.SendGPIBCommandInfo(&record), 1);
        EXPECT_EQ(peer.NextEvent(), "sends " + Hex(record.Serialize()));
    }
    EXPECT_TRUE(boxes.empty());
}

TEST_F(LinkTest, DriverMappingDeletedByHandIsCreatedAgainForTheNextRecord) {
    DebuggerPeer peer({});
    CDebuggerLink debugger;
    CGPIBCommandInfo record = RecordWithBlocksOfType(5);
    EXPECT_EQ(debugger.SendGPIBCommandInfo(&record), 1);
    EXPECT_EQ(peer.NextEvent(), "sends " + Hex(record.Serialize()));
    std::filesystem::remove(sandbox.runtime() / "map" / kDriverRecordMapping);
    EXPECT_EQ(debugger.SendGPIBCommandInfo(&record), 1);
    EXPECT_EQ(peer.NextEvent(), "sends " + Hex(record.Serialize()));
}

TEST_F(LinkTest, ALargeRecordFitsTheMappingAnotherDriverCreated) {
    DebuggerPeer peer({});
    int gate[2];
    ASSERT_EQ(::pipe(gate), 0);
    // Another driver process reports first and keeps the mapping it created.
    auto other = testing::ChildProcess::Fork([&] {
        CDebuggerLink debugger;
        CGPIBCommandInfo small = RecordWithBlocksOfType(5);
        if (debugger.SendGPIBCommandInfo(&small) != 1)
            return 1;
        char released = 0;
        return ::read(gate[0], &released, 1) == 1 ? 0 : 2;
    });
    EXPECT_EQ(peer.NextEvent().substr(0, 6), "sends ");
    std::vector<double> values(30000, 1.5);
    CCopyDataBlock received(values.data(), static_cast<std::uint16_t>(values.size()), CCopyDataBlock::Double);
    CGPIBCommandInfo large(0, 22, actionRead, nullptr, nullptr, &received);
    CDebuggerLink debugger;
    EXPECT_EQ(debugger.SendGPIBCommandInfo(&large), 1);
    EXPECT_TRUE(peer.NextEvent() == "sends " + Hex(large.Serialize())) << "the record did not arrive whole";
    EXPECT_TRUE(boxes.empty()) << boxes.front();
    EXPECT_EQ(::write(gate[1], "x", 1), 1);
    EXPECT_EQ(other.Wait(), 0);
    ::close(gate[0]);
    ::close(gate[1]);
}

TEST_F(LinkTest, ReportCommandHoldsSendsAndHoldsAgain) {
    DebuggerPeer peer({});
    CDebuggerLink debugger;
    const char text[] = "*RST";
    CCopyDataBlock sent(text, sizeof text, 5);
    EXPECT_EQ(debugger.ReportCommand(2, 9, nullptr, nullptr, &sent, actionWrite), 1);
    EXPECT_EQ(peer.NextEvent(), "hold");
    std::string sends = peer.NextEvent();
    ASSERT_EQ(sends.rfind("sends ", 0), 0u);
    CGPIBCommandInfo expected(2, 9, actionWrite, nullptr, &sent, nullptr);
    // Everything but the time must agree; the time is the 8 bytes at offset 8.
    std::string expectedHex = Hex(expected.Serialize());
    std::string gotHex = sends.substr(6);
    ASSERT_EQ(gotHex.size(), expectedHex.size());
    EXPECT_EQ(gotHex.substr(0, 16), expectedHex.substr(0, 16));
    EXPECT_EQ(gotHex.substr(32), expectedHex.substr(32));
    EXPECT_EQ(peer.NextEvent(), "hold");
}

TEST_F(LinkTest, HoldAnswersOfOneKeepTheDriverWaiting) {
    DebuggerPeer peer(PeerScript{.holdAnswers = {1, 1, 0}});
    auto start = std::chrono::steady_clock::now();
    CDebuggerLink().WaitWhileHeld();
    EXPECT_GE(Seconds(std::chrono::steady_clock::now() - start), 0.5);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(peer.NextEvent(), "hold");
}

TEST_F(LinkTest, HoldAnswerOfTwoSleepsOnceThenGoesOn) {
    DebuggerPeer peer(PeerScript{.holdAnswers = {2, 1, 1}});
    auto start = std::chrono::steady_clock::now();
    CDebuggerLink().WaitWhileHeld();
    EXPECT_GE(Seconds(std::chrono::steady_clock::now() - start), 0.25);
    EXPECT_EQ(peer.NextEvent(), "hold");
    // The next message is the playback query of the probe below, not a second hold query.
    CDebuggerLink().IsPlaybackActive();
    EXPECT_EQ(peer.NextEvent(), "playback");
}

TEST_F(LinkTest, DebuggerThatDiesWhileHoldingReleasesTheDriver) {
    DebuggerPeer peer(PeerScript{.holdAnswers = std::vector<platform::MessageResult>(100000, 1)});
    auto held = std::async(std::launch::async, [] { return CDebuggerLink().WaitWhileHeld(); });
    EXPECT_EQ(peer.NextEvent(), "hold");
    EXPECT_EQ(held.wait_for(300ms), std::future_status::timeout) << "the driver was not held";
    peer.process().Kill(SIGKILL);
    peer.process().Wait();
    ASSERT_EQ(held.wait_for(5s), std::future_status::ready) << "the driver stayed held by a dead debugger";
    EXPECT_EQ(held.get(), 1);
}

TEST_F(LinkTest, ReplayRecordIsReadFromTheAnnouncedBytes) {
    CGPIBCommandInfo replay = RecordWithBlocksOfType(5);
    DebuggerPeer peer(PeerScript{.playbackAnswer = 1, .replays = {replay}});
    CDebuggerLink debugger;
    EXPECT_NE(debugger.IsPlaybackActive(), 0);
    CGPIBCommandInfo got;
    bool error = true;
    EXPECT_EQ(debugger.GetGPIBCommandInfo(got, error), 1);
    EXPECT_FALSE(error);
    EXPECT_EQ(got.Serialize(), replay.Serialize());
    EXPECT_TRUE(boxes.empty());
}

TEST_F(LinkTest, ReplayRecordAnnouncedShortFailsInsteadOfReadingOn) {
    CGPIBCommandInfo replay = RecordWithBlocksOfType(3);
    auto size = static_cast<platform::MessageResult>(replay.Serialize().size());
    DebuggerPeer peer(PeerScript{.replays = {replay}, .announcedSize = size - 1});
    CGPIBCommandInfo got;
    got.SetComments("untouched");
    bool error = false;
    EXPECT_EQ(CDebuggerLink().GetGPIBCommandInfo(got, error), 1);
    EXPECT_TRUE(error);
    EXPECT_EQ(got.Comments(), "untouched");
}

TEST_F(LinkTest, ReplayMappingNotCreatedByTheDebuggerIsAnError) {
    DebuggerPeer peer(PeerScript{.announcedSize = 40});
    CGPIBCommandInfo got;
    got.SetComments("untouched");
    bool error = false;
    EXPECT_EQ(CDebuggerLink().GetGPIBCommandInfo(got, error), 1);
    EXPECT_TRUE(error);
    EXPECT_EQ(got.Comments(), "untouched");
    EXPECT_FALSE(std::filesystem::exists(sandbox.runtime() / "map" / kReplayRecordMapping))
        << "the driver left the mapping it created";
}

TEST_F(LinkTest, ReplayChannelReplacesItsMappingPerRecord) {
    ReplayChannel channel;
    CGPIBCommandInfo first = RecordWithBlocksOfType(3), second = RecordWithBlocksOfType(8);
    auto firstSize = channel.Publish(first);
    EXPECT_EQ(firstSize, static_cast<std::int64_t>(first.Serialize().size()));
    auto secondSize = channel.Publish(second);
    EXPECT_EQ(secondSize, static_cast<std::int64_t>(second.Serialize().size()));
    EXPECT_EQ(std::filesystem::file_size(sandbox.runtime() / "map" / kReplayRecordMapping),
              static_cast<std::uintmax_t>(secondSize));
    channel.Close();
    EXPECT_FALSE(std::filesystem::exists(sandbox.runtime() / "map" / kReplayRecordMapping));
}

TEST_F(LinkTest, IncomingRecordNeedsTheDriversMappingOfEnoughBytes) {
    EXPECT_EQ(ReadIncomingRecord(17).status, IncomingRecord::Status::channelUnavailable);
    EXPECT_TRUE(boxes.empty());

    CGPIBCommandInfo record = RecordWithBlocksOfType(1);
    std::vector<std::uint8_t> bytes = record.Serialize();
    CSharedMemory driverSide;
    ASSERT_TRUE(driverSide.Create(kDriverRecordMapping, bytes.size()));
    std::memcpy(driverSide.View(), bytes.data(), bytes.size());

    EXPECT_EQ(ReadIncomingRecord(bytes.size() + 100).status, IncomingRecord::Status::channelUnavailable);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].rfind("MapViewOfFile failed. This is a potentially critical error\r\n\r\n", 0), 0u);

    IncomingRecord incoming = ReadIncomingRecord(bytes.size());
    ASSERT_TRUE(incoming.ok());
    EXPECT_EQ(incoming.record.Serialize(), bytes);

    std::memset(driverSide.View(), 0x07, bytes.size()); // version 7
    incoming = ReadIncomingRecord(bytes.size());
    EXPECT_EQ(incoming.status, IncomingRecord::Status::unreadable);
    EXPECT_FALSE(incoming.archiveError.empty());
}

TEST_F(LinkTest, MutexOfADeadHolderIsTakenOver) {
    auto holder = testing::ChildProcess::Fork([] {
        CSharedMemory memory;
        if (!memory.Create(kDriverRecordMapping, 64) || !memory.Lock())
            return 1;
        ::kill(::getpid(), SIGKILL); // dies holding the mutex
        return 2;
    });
    EXPECT_EQ(holder.Wait(), 128 + SIGKILL);
    CSharedMemory memory;
    ASSERT_TRUE(memory.Create(kDriverRecordMapping, 64));
    auto locked = std::async(std::launch::async, [&] {
        bool held = memory.Lock();
        if (held)
            memory.Unlock();
        return held;
    });
    ASSERT_EQ(locked.wait_for(5s), std::future_status::ready) << "waited forever on a dead holder";
    EXPECT_TRUE(locked.get());
}

} // namespace corvid::link
