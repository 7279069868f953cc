// Data transfers: time-outs against a slow instrument, asynchronous reads and writes
// with ibwait and ibstop, partial reads, end-of-string handling, and the status words.
#include "sim_client.h"

#include <atomic>
#include <thread>

namespace corvid::sim::testing {
namespace {

using TransferTest = SimTest;

TEST_F(TransferTest, ReadTimesOutBeforeASlowReplyAndGetsItLater) {
    int ud = Open(7, 0, T100ms);
    Write(ud, "*IDN?\n");
    char buffer[64];
    int sta = ib.rd(ud, buffer, sizeof buffer);
    EXPECT_EQ(sta & (ERR | TIMO), ERR | TIMO);
    EXPECT_EQ(ib.threadIberr(), EABO);
    EXPECT_EQ(ib.threadIbcntl(), 0);
    // The reply is still on its way; a longer time-out sees it.
    ib.tmo(ud, T3s);
    EXPECT_EQ(Read(ud), "Test,Slow,3,1.0\n");
    EXPECT_EQ(NextError(ud), "0,\"No error\"");
}

TEST_F(TransferTest, PartialReadsEndWithEnd) {
    int ud = Open(5);
    Write(ud, "*IDN?\n");
    char buffer[8];
    int sta = ib.rd(ud, buffer, 5);
    EXPECT_EQ(sta & (END | CMPL | ERR), CMPL);
    EXPECT_EQ(std::string(buffer, 5), "Test,");
    sta = ib.rd(ud, buffer, sizeof buffer);
    EXPECT_EQ(sta & (END | ERR), 0);
    EXPECT_EQ(ib.threadIbcnt(), 8);
    EXPECT_EQ(Read(ud), ",1.0\n");
    EXPECT_EQ(*ib.ibsta & END, END);
}

TEST_F(TransferTest, ReadStopsAtTheEndOfStringCharacter) {
    int ud = ib.dev(0, 5, 0, T1s, 1, REOS | ',');
    Write(ud, "*IDN?\n");
    char buffer[64];
    EXPECT_EQ(ib.rd(ud, buffer, sizeof buffer) & END, END);
    EXPECT_EQ(std::string(buffer, static_cast<size_t>(ib.threadIbcntl())), "Test,");
    // Eight-bit comparison: 0xAC is ',' with the top bit set, which only matches on 7 bits.
    ib.config(ud, IbcEOSchar, 0xac);
    EXPECT_EQ(ib.rd(ud, buffer, sizeof buffer) & END, END);
    EXPECT_EQ(std::string(buffer, static_cast<size_t>(ib.threadIbcntl())), "Source,");
    ib.config(ud, IbcEOScmp, 1);
    EXPECT_EQ(Read(ud), "1,1.0\n");
}

TEST_F(TransferTest, AsynchronousReadCompletesForIbwait) {
    int ud = Open(7, 0, T3s);
    Write(ud, "*IDN?\n");
    char buffer[64] = {};
    int sta = ib.rda(ud, buffer, sizeof buffer);
    EXPECT_EQ(sta & (ERR | CMPL), 0);
    sta = ib.wait(ud, CMPL | TIMO);
    EXPECT_EQ(sta & (CMPL | END | TIMO | ERR), CMPL | END);
    EXPECT_EQ(ib.threadIbcntl(), 16);
    EXPECT_EQ(std::string(buffer), "Test,Slow,3,1.0\n");
    // The results were handed over once.
    EXPECT_EQ(ib.wait(ud, 0) & (CMPL | END), CMPL);
}

TEST_F(TransferTest, AsynchronousReadOfAReadyReplyIsCompleteAtOnce) {
    int ud = Open(5);
    Write(ud, "*IDN?\n");
    char buffer[64] = {};
    EXPECT_EQ(ib.rda(ud, buffer, sizeof buffer) & CMPL, CMPL);
    EXPECT_EQ(ib.wait(ud, CMPL) & END, END);
    EXPECT_EQ(std::string(buffer, static_cast<size_t>(ib.threadIbcntl())), "Test,Source,1,1.0\n");
}

TEST_F(TransferTest, AsynchronousReadTimesOut) {
    int ud = Open(5, 0, T30ms);
    char buffer[16];
    ib.rda(ud, buffer, sizeof buffer);
    int sta = ib.wait(ud, CMPL);
    EXPECT_EQ(sta & (CMPL | ERR | TIMO), CMPL | ERR | TIMO);
    EXPECT_EQ(ib.threadIberr(), EABO);
}

TEST_F(TransferTest, StopAbortsAnAsynchronousReadAndFreesTheBoard) {
    int slow = Open(7, 0, T3s);
    int other = Open(5);
    Write(slow, "*IDN?\n");
    char buffer[64];
    ib.rda(slow, buffer, sizeof buffer);
    // One transfer at a time per board.
    EXPECT_EQ(ib.wrt(other, "*IDN?\n", 6) & ERR, ERR);
    EXPECT_EQ(ib.threadIberr(), EOIP);
    EXPECT_EQ(ib.rda(slow, buffer, sizeof buffer) & ERR, ERR);
    EXPECT_EQ(ib.threadIberr(), EOIP);
    int sta = ib.stop(slow);
    EXPECT_EQ(sta & ERR, ERR);
    EXPECT_EQ(ib.threadIberr(), EABO);
    EXPECT_EQ(ib.wait(slow, 0) & CMPL, CMPL);
    EXPECT_EQ(Query(other, "*IDN?"), "Test,Source,1,1.0");
    // Nothing left to stop.
    EXPECT_EQ(ib.stop(slow) & ERR, 0);
}

TEST_F(TransferTest, StopEndsASynchronousReadWaitingInAnotherThread) {
    int ud = Open(5, 0, TNONE);
    int sta = 0;
    int err = 0;
    std::atomic<bool> done{false};
    std::thread reader([&] {
        char buffer[16];
        sta = ib.rd(ud, buffer, sizeof buffer);
        err = ib.threadIberr();
        done = true;
    });
    // The read has no time limit: only ibstop ends it.
    while (!done) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        ib.stop(ud);
    }
    reader.join();
    EXPECT_EQ(sta & ERR, ERR);
    EXPECT_EQ(err, EABO);
}

TEST_F(TransferTest, AsynchronousWriteReportsItsCountOnCompletion) {
    int ud = Open(5);
    const char command[] = "VOLT 7\n";
    ib.wrta(ud, command, 7);
    EXPECT_EQ(ib.wait(ud, CMPL | TIMO) & (CMPL | ERR), CMPL);
    EXPECT_EQ(ib.threadIbcntl(), 7);
    EXPECT_EQ(Query(ud, "VOLT?"), "7");
}

TEST_F(TransferTest, AbsentDevicesAndBadDescriptors) {
    int ud = Open(12, 0, T30ms);
    EXPECT_EQ(ib.wrt(ud, "*IDN?\n", 6) & ERR, ERR);
    EXPECT_EQ(ib.threadIberr(), ENOL);
    char buffer[8];
    EXPECT_EQ(ib.rd(ud, buffer, sizeof buffer) & (ERR | TIMO), ERR | TIMO);
    EXPECT_EQ(ib.wrt(3999, "x", 1) & ERR, ERR);
    EXPECT_EQ(ib.threadIberr(), EDVR);
    EXPECT_EQ(ib.dev(2, 5, 0, T1s, 1, 0), -1);
    EXPECT_EQ(ib.threadIberr(), ENEB);
    EXPECT_EQ(ib.dev(0, 31, 0, T1s, 1, 0), -1);
    EXPECT_EQ(ib.threadIberr(), EARG);
    EXPECT_EQ(ib.dev(0, 5, 0x5f, T1s, 1, 0), -1);
    EXPECT_EQ(ib.dev(0, 5, 0, 18, 1, 0), -1);
    // Board descriptors do not transfer data themselves.
    EXPECT_EQ(ib.wrt(0, "x", 1) & ERR, ERR);
    EXPECT_EQ(ib.threadIberr(), ECAP);
    EXPECT_EQ(ib.rd(Open(5), nullptr, 10) & ERR, ERR);
    EXPECT_EQ(ib.threadIberr(), EARG);
    EXPECT_EQ(ib.onl(ud, 0) & ERR, 0);
    EXPECT_EQ(ib.wrt(ud, "x", 1) & ERR, ERR);
    EXPECT_EQ(ib.threadIberr(), EDVR);
}

TEST_F(TransferTest, PrimaryOnlyDeviceAnswersWhateverSecondaryAddressIsSent) {
    int ud = ib.dev(0, 5, 0x60, T1s, 1, 0);
    EXPECT_EQ(Query(ud, "*IDN?"), "Test,Source,1,1.0");
    int card = Open(9, 0x62);
    EXPECT_EQ(Query(card, "*IDN?"), "Test,Card,4,1.0");
    int primaryOfCard = Open(9, 0);
    EXPECT_EQ(ib.wrt(primaryOfCard, "*IDN?\n", 6) & ERR, ERR);
    EXPECT_EQ(ib.threadIberr(), ENOL);
}

TEST_F(TransferTest, StatusWordsArePerThreadAndGlobal) {
    int ud = Open(5);
    Write(ud, "*IDN?\n"); // succeeds in this thread
    std::thread other([&] {
        ib.wrt(3999, "x", 1);
        EXPECT_EQ(ib.threadIberr(), EDVR);
        EXPECT_EQ(ib.threadIbsta() & ERR, ERR);
    });
    other.join();
    EXPECT_EQ(ib.threadIbsta() & ERR, 0);
    EXPECT_EQ(ib.threadIbcnt(), 6);
    // The process-wide words hold the last call of any thread.
    EXPECT_EQ(*ib.ibsta & ERR, ERR);
    EXPECT_EQ(*ib.iberr, EDVR);
}

TEST_F(TransferTest, ConfigurationReturnsThePreviousSettingAndReadsBack) {
    int ud = Open(5, 0, T1s);
    EXPECT_EQ(ib.config(ud, IbcTMO, T100ms) & ERR, 0);
    EXPECT_EQ(ib.threadIberr(), T1s);
    int value = 0;
    ib.ask(ud, IbaTMO, &value);
    EXPECT_EQ(value, T100ms);
    ib.tmo(ud, T3s);
    EXPECT_EQ(ib.threadIberr(), T100ms);
    EXPECT_EQ(ib.config(ud, IbcREADDR, 1) & ERR, 0);
    ib.ask(ud, IbaREADDR, &value);
    EXPECT_EQ(value, 1);
    ib.eos(ud, REOS | BIN | '\n');
    ib.ask(ud, IbaEOSchar, &value);
    EXPECT_EQ(value, '\n');
    ib.ask(ud, IbaEOScmp, &value);
    EXPECT_EQ(value, 1);
    ib.ask(ud, IbaEOSwrt, &value);
    EXPECT_EQ(value, 0);
    ib.ask(ud, IbaBNA, &value);
    EXPECT_EQ(value, 0);
    EXPECT_EQ(ib.config(ud, IbcTMO, 18) & ERR, ERR);
    EXPECT_EQ(ib.threadIberr(), EARG);
    EXPECT_EQ(ib.config(ud, IbcSAD, 0x50) & ERR, ERR);
    EXPECT_EQ(ib.config(ud, 0x7777, 0) & ERR, ERR);
    EXPECT_EQ(ib.threadIberr(), ECAP);
    // ibonl(ud, 1) restores what ibdev set.
    ib.onl(ud, 1);
    ib.ask(ud, IbaTMO, &value);
    EXPECT_EQ(value, T1s);
}

} // namespace
} // namespace corvid::sim::testing
