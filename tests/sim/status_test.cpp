// The IEEE 488.2 status model: event and status registers, service requests raised by
// enabled events and cleared by serial poll, device clear and trigger.
#include "sim_client.h"

namespace corvid::sim::testing {
namespace {

using StatusTest = SimTest;

unsigned char Poll(IbLibrary& ib, int ud) {
    char spr = 0;
    EXPECT_EQ(ib.rsp(ud, &spr) & ERR, 0);
    return static_cast<unsigned char>(spr);
}

bool SrqLine(IbLibrary& ib) {
    short lines = 0;
    ib.lines(0, &lines);
    return (lines & BusSRQ) != 0;
}

TEST_F(StatusTest, OperationCompleteRaisesAServiceRequestThatThePollClears) {
    int ud = Open(5);
    Write(ud, "*CLS\n");
    EXPECT_FALSE(SrqLine(ib));
    Write(ud, "*SRE 32;*ESE 1;*OPC\n");
    EXPECT_TRUE(SrqLine(ib));
    EXPECT_EQ(ib.wait(0, 0) & SRQI, SRQI);
    EXPECT_EQ(ib.wait(ud, 0) & RQS, RQS);
    EXPECT_EQ(Poll(ib, ud), 0x60); // event summary and request service
    EXPECT_FALSE(SrqLine(ib));
    EXPECT_EQ(ib.wait(ud, 0) & RQS, 0);
    // The event is still there, but it is not a new reason for service.
    EXPECT_EQ(Poll(ib, ud), 0x20);
    EXPECT_EQ(Query(ud, "*STB?"), "96"); // the master summary bit in *STB? is not cleared by reading
    EXPECT_EQ(Query(ud, "*ESR?"), "1");
    EXPECT_EQ(Query(ud, "*STB?"), "0");
    // A new event is a new reason.
    Write(ud, "*OPC\n");
    EXPECT_EQ(Poll(ib, ud), 0x60);
    // Clearing and setting the event again within one message is a new reason too.
    Write(ud, "*CLS;*SRE 32;*ESE 1;*OPC\n");
    EXPECT_TRUE(SrqLine(ib));
    EXPECT_EQ(Poll(ib, ud), 0x60);
}

TEST_F(StatusTest, WithdrawingTheReasonWithdrawsTheRequest) {
    int ud = Open(5);
    Write(ud, "*CLS;*SRE 32;*ESE 1;*OPC\n");
    EXPECT_TRUE(SrqLine(ib));
    Write(ud, "*CLS\n");
    EXPECT_FALSE(SrqLine(ib));
    EXPECT_EQ(Poll(ib, ud), 0);
}

TEST_F(StatusTest, ErrorsSetTheirEventBitsAndTheErrorQueueBit) {
    int ud = Open(5, 0, T30ms);
    EXPECT_EQ(Query(ud, "*ESR?"), "128"); // power on
    Write(ud, "BOGUS\n");
    EXPECT_EQ(Query(ud, "*STB?"), "4");  // error queue not empty
    EXPECT_EQ(Query(ud, "*ESR?"), "32"); // command error
    Write(ud, "VOLT 50\n");
    EXPECT_EQ(Query(ud, "*ESR?"), "16"); // execution error
    EXPECT_EQ(Read(ud), "<error 6>");
    EXPECT_EQ(Query(ud, "*ESR?"), "4"); // query error
    Write(ud, "*CLS\n");
    EXPECT_EQ(Query(ud, "*STB?"), "0");
}

TEST_F(StatusTest, EnableRegistersReadBack) {
    int ud = Open(5);
    Write(ud, "*ESE 61;*SRE 255\n");
    EXPECT_EQ(Query(ud, "*ESE?;*SRE?"), "61;191"); // bit 6 of *SRE is ignored
    Write(ud, "*ESE 256\n");
    EXPECT_EQ(NextError(ud), "-222,\"Data out of range\"");
    Write(ud, "*SRE\n");
    EXPECT_EQ(NextError(ud), "-109,\"Missing parameter\"");
    Write(ud, "*IDN? 3\n");
    EXPECT_EQ(NextError(ud), "-108,\"Parameter not allowed\"");
    EXPECT_EQ(Query(ud, "*OPC?;*TST?"), "1;0");
}

TEST_F(StatusTest, MessageAvailableRequestsServiceUntilTheReplyIsRead) {
    int ud = Open(5);
    Write(ud, "*SRE 16\n");
    EXPECT_EQ(Poll(ib, ud), 0);
    Write(ud, "*IDN?\n");
    EXPECT_EQ(Poll(ib, ud), 0x50);
    EXPECT_EQ(Read(ud), "Test,Source,1,1.0\n");
    EXPECT_EQ(Poll(ib, ud), 0);
}

TEST_F(StatusTest, DelayedReplySetsMessageAvailableOnlyWhenReady) {
    int ud = Open(7);
    Write(ud, "*SRE 16\n*IDN?\n");
    EXPECT_EQ(Poll(ib, ud), 0);
    ib.tmo(ud, T3s);
    EXPECT_EQ(ib.wait(ud, RQS | TIMO) & (RQS | TIMO), RQS);
    EXPECT_EQ(Poll(ib, ud), 0x50);
}

TEST_F(StatusTest, DeviceClearEmptiesBuffersButKeepsTheStatusSettings) {
    int ud = Open(5, 0, T30ms);
    Write(ud, "*ESE 4;*IDN?\n");
    EXPECT_EQ(ib.clr(ud) & ERR, 0);
    EXPECT_EQ(Read(ud), "<error 6>");
    // A half-sent message is dropped too.
    ib.config(ud, IbcEOT, 0);
    Write(ud, "VOLT 9");
    ib.clr(ud);
    ib.config(ud, IbcEOT, 1);
    Write(ud, "VOLT?\n"); // "VOLT 9VOLT?" if the first part had stayed
    EXPECT_EQ(Read(ud), "0\n");
    EXPECT_EQ(Query(ud, "*ESE?"), "4");
    EXPECT_EQ(Query(ud, "VOLT?"), "0");
}

TEST_F(StatusTest, TriggerRunsTheInstrumentsTriggerActions) {
    int psu = Open(5);
    int meter = Open(22);
    Write(psu, "VOLT 1.25;OUTP ON\n");
    EXPECT_EQ(Query(meter, "FETC?"), "0");
    EXPECT_EQ(ib.trg(meter) & ERR, 0);
    EXPECT_EQ(Query(meter, "FETC?"), "1.25");
    Write(psu, "VOLT 2\n");
    Write(meter, "*TRG\n");
    EXPECT_EQ(Query(meter, "FETC?"), "2");
    // A group execute trigger addressed with interface commands.
    Write(psu, "VOLT 3\n");
    const unsigned char commands[] = {UNL, LAD + 22, GET, UNL};
    EXPECT_EQ(ib.cmd(0, commands, sizeof commands) & ERR, 0);
    EXPECT_EQ(Query(meter, "FETC?"), "3");
}

TEST_F(StatusTest, InterfaceCommandsReachSecondaryAddresses) {
    int card = Open(9, 0x62, T30ms);
    Write(card, "*IDN?\n");
    const unsigned char commands[] = {UNL, LAD + 9, SAD + 2, SDC, UNL};
    EXPECT_EQ(ib.cmd(0, commands, sizeof commands) & ERR, 0);
    EXPECT_EQ(Read(card), "<error 6>");
}

} // namespace
} // namespace corvid::sim::testing
