// The bus as a controller sees it: who listens, serial polls of several devices,
// controller and system-controller state, remote enable and the board's diagnostics.
#include "sim_client.h"

namespace corvid::sim::testing {
namespace {

using BusTest = SimTest;

TEST_F(BusTest, FindListenersReportsPrimaryAndSecondaryAddresses) {
    std::vector<Addr4882_t> pads;
    for (unsigned pad = 1; pad <= 30; ++pad) {
        pads.push_back(static_cast<Addr4882_t>(pad));
    }
    pads.push_back(NOADDR);
    Addr4882_t found[32];
    ib.findLstn(0, pads.data(), found, 32);
    ASSERT_EQ(ib.threadIbsta() & ERR, 0);
    ASSERT_EQ(ib.threadIbcntl(), 4);
    EXPECT_EQ(found[0], 5);
    EXPECT_EQ(found[1], 7);
    EXPECT_EQ(found[2], 0x6209); // primary 9, secondary 2
    EXPECT_EQ(found[3], 22);
    EXPECT_EQ(found[4], NOADDR);
    // More listeners than room.
    ib.findLstn(0, pads.data(), found, 2);
    EXPECT_EQ(ib.threadIbsta() & ERR, ERR);
    EXPECT_EQ(ib.threadIberr(), ETAB);
}

TEST_F(BusTest, ListenerQuestions) {
    struct Case {
        int pad, sad;
        short expected;
    } cases[] = {
        {5, NO_SAD, 1}, {6, NO_SAD, 0}, {5, 0x60, 1},    {9, NO_SAD, 0},
        {9, 0x62, 1},   {9, 0x63, 0},   {9, ALL_SAD, 1}, {22, ALL_SAD, 1},
    };
    for (const Case& c : cases) {
        short found = -1;
        EXPECT_EQ(ib.ln(0, c.pad, c.sad, &found) & ERR, 0);
        EXPECT_EQ(found, c.expected) << c.pad << "/" << c.sad;
    }
    short found = 0;
    EXPECT_EQ(ib.ln(0, 31, NO_SAD, &found) & ERR, ERR);
    EXPECT_EQ(ib.threadIberr(), EARG);
    EXPECT_EQ(ib.ln(0, 5, 0x20, &found) & ERR, ERR);
}

TEST_F(BusTest, PollAllReadsEveryStatusByteAndStopsAtAnAbsentDevice) {
    int psu = Open(5);
    Write(psu, "*SRE 16;*IDN?\n");
    const Addr4882_t addresses[] = {5, 22, MakeAddr(9, 0x62), NOADDR};
    short results[3] = {-1, -1, -1};
    ib.allSpoll(0, addresses, results);
    EXPECT_EQ(ib.threadIbsta() & ERR, 0);
    EXPECT_EQ(results[0], 0x50);
    EXPECT_EQ(results[1], 0);
    EXPECT_EQ(results[2], 0);
    int board = 0;
    ib.config(board, IbcSPollTime, T10ms);
    const Addr4882_t withAbsent[] = {22, 12, NOADDR};
    ib.allSpoll(0, withAbsent, results);
    EXPECT_EQ(ib.threadIbsta() & ERR, ERR);
    EXPECT_EQ(ib.threadIberr(), EABO);
    EXPECT_EQ(ib.threadIbcntl(), 1); // the index of the device that did not answer
}

TEST_F(BusTest, SerialPollOfAnAbsentDeviceTimesOut) {
    int ud = Open(12);
    ib.config(ud, IbcSPollTime, T10ms);
    char spr = 0;
    EXPECT_EQ(ib.rsp(ud, &spr) & ERR, ERR);
    EXPECT_EQ(ib.threadIberr(), EABO);
}

TEST_F(BusTest, ControllerAndSystemControllerState) {
    int ud = Open(5);
    EXPECT_EQ(ib.wait(0, 0) & CIC, CIC);
    ib.rsc(0, 0);
    EXPECT_EQ(ib.threadIberr(), 1); // the previous setting
    EXPECT_EQ(ib.wrt(ud, "*IDN?\n", 6) & ERR, ERR);
    EXPECT_EQ(ib.threadIberr(), ECIC);
    EXPECT_EQ(ib.sic(0) & ERR, ERR);
    EXPECT_EQ(ib.threadIberr(), ESAC);
    EXPECT_EQ(ib.sre(0, 1) & ERR, ERR);
    EXPECT_EQ(ib.threadIberr(), ESAC);
    short found = 0;
    EXPECT_EQ(ib.ln(0, 5, NO_SAD, &found) & ERR, ERR);
    EXPECT_EQ(ib.threadIberr(), ECIC);
    ib.rsc(0, 1);
    EXPECT_EQ(ib.sic(0) & (ERR | CIC), CIC);
    EXPECT_EQ(Query(ud, "*IDN?"), "Test,Source,1,1.0");
}

// Commands leave ATN asserted; standby takes it off. Take Control sent to an addressed
// talker passes control away until the system controller sends interface clear.
TEST_F(BusTest, AttentionLineAndPassingControl) {
    auto attention = [this] {
        short lines = 0;
        ib.lines(0, &lines);
        return (lines & BusATN) != 0;
    };
    const unsigned char unlisten[] = {UNL};
    ASSERT_EQ(ib.cmd(0, unlisten, 1) & ERR, 0);
    EXPECT_TRUE(attention());
    EXPECT_EQ(ib.gts(0, 0) & ERR, 0);
    EXPECT_FALSE(attention());
    EXPECT_EQ(ib.cac(0, 1) & ERR, 0);
    EXPECT_TRUE(attention());
    const unsigned char takeControl[] = {UNL, TAD + 5, TCT};
    ASSERT_EQ(ib.cmd(0, takeControl, sizeof takeControl) & ERR, 0);
    EXPECT_EQ(ib.cmd(0, unlisten, 1) & ERR, ERR);
    EXPECT_EQ(ib.threadIberr(), ECIC);
    EXPECT_EQ(ib.cac(0, 1) & ERR, ERR);
    EXPECT_EQ(ib.sic(0) & (ERR | CIC), CIC);
    EXPECT_EQ(ib.cmd(0, unlisten, 1) & ERR, 0);
}

TEST_F(BusTest, RemoteEnableLineAndLocalLockout) {
    short lines = 0;
    ib.lines(0, &lines);
    EXPECT_EQ(lines & (ValidREN | BusREN), ValidREN);
    EXPECT_EQ(ib.sre(0, 1) & ERR, 0);
    EXPECT_EQ(ib.threadIberr(), 0);
    ib.lines(0, &lines);
    EXPECT_EQ(lines & BusREN, BusREN);
    int value = 0;
    ib.ask(0, IbaSRE, &value);
    EXPECT_EQ(value, 1);
    const unsigned char lockout[] = {UNL, LAD + 5, LLO, UNL};
    EXPECT_EQ(ib.cmd(0, lockout, sizeof lockout) & ERR, 0);
    EXPECT_EQ(ib.threadIbcntl(), 4);
    int ud = Open(5);
    EXPECT_EQ(ib.loc(ud) & ERR, 0);
    ib.sre(0, 0);
    EXPECT_EQ(ib.threadIberr(), 1);
    ib.lines(0, &lines);
    EXPECT_EQ(lines & BusREN, 0);
    // Device-level descriptors do not send interface commands.
    EXPECT_EQ(ib.cmd(ud, lockout, sizeof lockout) & ERR, ERR);
    EXPECT_EQ(ib.threadIberr(), EARG);
}

TEST_F(BusTest, BoardAddressAndDiagnostics) {
    LoadBench("board 0 address 3 type 42\nboard 1\n");
    int value = -1;
    EXPECT_EQ(ib.ask(0, IbaPAD, &value) & ERR, 0);
    EXPECT_EQ(value, 3);
    unsigned char data[8] = {};
    EXPECT_EQ(ib.diag(0, data, sizeof data) & ERR, 0);
    EXPECT_EQ(ib.threadIbcntl(), 3);
    EXPECT_EQ(data[0], 0x90);
    EXPECT_EQ(data[1], 42);
    EXPECT_EQ(data[2], 0);
    int ud = ib.dev(1, 4, 0, T1s, 1, 0);
    ASSERT_GE(ud, 0);
    ib.diag(ud, data, sizeof data);
    EXPECT_EQ(data[1], 0);
    EXPECT_EQ(data[2], 1);
    EXPECT_EQ(ib.ask(5, IbaPAD, &value) & ERR, ERR);
    EXPECT_EQ(ib.threadIberr(), ENEB);
    EXPECT_EQ(ib.find("gpib1"), 1);
    EXPECT_EQ(ib.find("gpib2"), -1);
    EXPECT_EQ(ib.find("voltmeter"), -1);
}

TEST_F(BusTest, EmptyBoardRefusesCommandsForLackOfListeners) {
    LoadBench("board 0\n");
    int ud = Open(5);
    EXPECT_EQ(ib.clr(ud) & ERR, ERR);
    EXPECT_EQ(ib.threadIberr(), ENOL);
    EXPECT_EQ(ib.trg(ud) & ERR, ERR);
    EXPECT_EQ(ib.threadIberr(), ENOL);
    const Addr4882_t pads[] = {1, 2, 3, NOADDR};
    Addr4882_t found[4];
    ib.findLstn(0, pads, found, 4);
    EXPECT_EQ(ib.threadIbsta() & ERR, 0);
    EXPECT_EQ(ib.threadIbcntl(), 0);
}

} // namespace
} // namespace corvid::sim::testing
