// The GPIB sessions against the simulated driver library and its demo bench (no visa.ini):
// time-outs from a delayed reply, asynchronous transfers and terminate, service requests
// by queue and by handler, the listener check and remote-enable control.
#include "testsupport/sandbox.h"

#include <atomic>
#include <fstream>
#include <string>
#include <sys/syscall.h>
#include <thread>
#include <unistd.h>
#include <visa.h>

namespace {

using corvid::testing::WaitUntil;

constexpr const char* kMultimeter = "GPIB0::22::INSTR";
constexpr const char* kCalibrator = "GPIB0::5::INSTR"; // "*CAL?" answers after 1500 ms

class DemoBench : public corvid::testing::SandboxTest {
protected:
    void SetUp() override { ASSERT_EQ(viOpenDefaultRM(&rm), VI_SUCCESS); }
    void TearDown() override { viClose(rm); }

    ViSession Open(const char* name, ViStatus expected = VI_SUCCESS) {
        ViSession vi = VI_NULL;
        EXPECT_EQ(viOpen(rm, name, VI_NO_LOCK, 0, &vi), expected) << name;
        return vi;
    }

    static ViStatus Write(ViSession vi, const std::string& text) {
        ViUInt32 count = 0;
        return viWrite(vi, reinterpret_cast<ViConstBuf>(text.data()), static_cast<ViUInt32>(text.size()),
                       &count);
    }

    static std::string Read(ViSession vi, ViStatus expected = VI_SUCCESS) {
        char buffer[256];
        ViUInt32 count = 0;
        EXPECT_EQ(viRead(vi, reinterpret_cast<ViBuf>(buffer), sizeof buffer, &count), expected);
        return std::string(buffer, count);
    }

    ViSession rm = VI_NULL;
};

// Whether a thread of this process sleeps in the kernel, as /proc shows it.
bool Sleeping(long tid) {
    std::ifstream stat("/proc/self/task/" + std::to_string(tid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    auto state = text.rfind(')');
    return state != std::string::npos && text.compare(state, 3, ") S") == 0;
}

TEST_F(DemoBench, ClosingASessionEndsAReadOfAnotherThread) {
    ViSession dmm = Open(kMultimeter);
    ASSERT_EQ(viSetAttribute(dmm, VI_ATTR_TMO_VALUE, VI_TMO_INFINITE), VI_SUCCESS);
    std::atomic<long> tid{0};
    ViStatus status = VI_SUCCESS;
    std::thread reader([&] {
        tid = syscall(SYS_gettid);
        char buffer[64];
        ViUInt32 count = 0;
        status = viRead(dmm, reinterpret_cast<ViBuf>(buffer), sizeof buffer, &count); // nothing to say
    });
    // The reader waits inside the driver for a reply that never comes.
    ASSERT_TRUE(WaitUntil([&] { return tid != 0 && Sleeping(tid); }));
    EXPECT_EQ(viClose(dmm), VI_SUCCESS);
    reader.join();
    EXPECT_EQ(status, VI_ERROR_ABORT);
    // The instrument is still there for a new session.
    ViSession again = Open(kMultimeter);
    ASSERT_EQ(Write(again, "*IDN?\n"), VI_SUCCESS);
    EXPECT_EQ(Read(again).rfind("Larkspur Instruments,", 0), 0u);
}

// Buffers of 4 bytes: messages go out in pieces (END on the last only) and replies are read
// in pieces as the conversions need them.
TEST_F(DemoBench, FormattedIoThroughSmallBuffers) {
    ViSession dmm = Open(kMultimeter);
    ASSERT_EQ(viSetBuf(dmm, VI_READ_BUF | VI_WRITE_BUF, 4), VI_SUCCESS);
    ASSERT_EQ(viPrintf(dmm, "%s\n", "*IDN?"), VI_SUCCESS);
    char maker[64] = {};
    char model[64] = {};
    ASSERT_EQ(viScanf(dmm, "%[^,],%[^,]", maker, model), VI_SUCCESS);
    EXPECT_STREQ(maker, "Larkspur Instruments");
    EXPECT_STREQ(model, "LM-4065");
    ASSERT_EQ(viFlush(dmm, VI_READ_BUF), VI_SUCCESS); // the rest of the reply goes
    double reading = -1;
    ASSERT_EQ(viQueryf(dmm, "MEAS:VOLT:DC? %s,%s\n", "%lf", "DEF", "DEF", &reading), VI_SUCCESS);
    EXPECT_LT(reading < 0 ? -reading : reading, 0.01);
    // Without a line feed of the format the end of the message waits for viFlush.
    ASSERT_EQ(viPrintf(dmm, "*OPC?"), VI_SUCCESS);
    ASSERT_EQ(viFlush(dmm, VI_WRITE_BUF), VI_SUCCESS);
    int done = 0;
    ASSERT_EQ(viScanf(dmm, "%d", &done), VI_SUCCESS);
    EXPECT_EQ(done, 1);
    char errors[64] = {};
    ASSERT_EQ(viQueryf(dmm, "SYST:ERR?\n", "%t", errors), VI_SUCCESS);
    EXPECT_STREQ(errors, "0,\"No error\"\n");
    ASSERT_EQ(viSetBuf(dmm, VI_READ_BUF | VI_WRITE_BUF, 4096), VI_SUCCESS);
    ASSERT_EQ(viSetAttribute(dmm, VI_ATTR_TMO_VALUE, 300), VI_SUCCESS);
    EXPECT_EQ(viScanf(dmm, "%d", &done), VI_ERROR_TMO); // nothing to read
}

TEST_F(DemoBench, ADelayedReplyTimesOutAndClearRecovers) {
    ViSession cal = Open(kCalibrator);
    ASSERT_EQ(viSetAttribute(cal, VI_ATTR_TMO_VALUE, 200), VI_SUCCESS);
    ViUInt32 timeout = 0;
    ASSERT_EQ(viGetAttribute(cal, VI_ATTR_TMO_VALUE, &timeout), VI_SUCCESS);
    EXPECT_EQ(timeout, 300u);
    ASSERT_EQ(Write(cal, "*CAL?\n"), VI_SUCCESS);
    Read(cal, VI_ERROR_TMO);
    EXPECT_EQ(viClear(cal), VI_SUCCESS);
    ASSERT_EQ(Write(cal, "*IDN?\n"), VI_SUCCESS);
    EXPECT_EQ(Read(cal).rfind("Vantor Calibration,", 0), 0u);
}

TEST_F(DemoBench, AnAsynchronousReadCompletesAndATerminatedOneAborts) {
    ViSession dmm = Open(kMultimeter);
    ViSession cal = Open(kCalibrator);
    ASSERT_EQ(viEnableEvent(dmm, VI_EVENT_IO_COMPLETION, VI_QUEUE, VI_NULL), VI_SUCCESS);
    ASSERT_EQ(viEnableEvent(cal, VI_EVENT_IO_COMPLETION, VI_QUEUE, VI_NULL), VI_SUCCESS);
    ASSERT_EQ(Write(dmm, "*IDN?\n"), VI_SUCCESS);
    char buffer[128];
    ViJobId job = 0;
    ASSERT_EQ(viReadAsync(dmm, reinterpret_cast<ViBuf>(buffer), sizeof buffer, &job), VI_SUCCESS);
    ViEvent event = VI_NULL;
    ASSERT_GE(viWaitOnEvent(dmm, VI_EVENT_IO_COMPLETION, 5000, nullptr, &event), VI_SUCCESS);
    ViUInt32 count = 0;
    ViJobId completed = 0;
    EXPECT_EQ(viGetAttribute(event, VI_ATTR_RET_COUNT_32, &count), VI_SUCCESS);
    EXPECT_EQ(viGetAttribute(event, VI_ATTR_JOB_ID, &completed), VI_SUCCESS);
    EXPECT_EQ(completed, job);
    EXPECT_EQ(std::string(buffer, count), "Larkspur Instruments,LM-4065,LK4065-01123,2.07\n");
    viClose(event);

    ASSERT_EQ(Write(cal, "*CAL?\n"), VI_SUCCESS);
    ASSERT_EQ(viReadAsync(cal, reinterpret_cast<ViBuf>(buffer), sizeof buffer, &job), VI_SUCCESS);
    ViJobId other = 0;
    EXPECT_EQ(viReadAsync(dmm, reinterpret_cast<ViBuf>(buffer), sizeof buffer, &other), VI_ERROR_IN_PROGRESS);
    ASSERT_EQ(viTerminate(cal, VI_NULL, job), VI_SUCCESS);
    ASSERT_GE(viWaitOnEvent(cal, VI_EVENT_IO_COMPLETION, 0, nullptr, &event), VI_SUCCESS);
    ViStatus status = VI_SUCCESS;
    EXPECT_EQ(viGetAttribute(event, VI_ATTR_STATUS, &status), VI_SUCCESS);
    EXPECT_EQ(status, VI_ERROR_ABORT);
    viClose(event);
}

TEST_F(DemoBench, ServiceRequestsArriveByQueue) {
    ViSession dmm = Open(kMultimeter);
    ASSERT_EQ(viEnableEvent(dmm, VI_EVENT_SERVICE_REQ, VI_QUEUE, VI_NULL), VI_SUCCESS);
    ASSERT_EQ(Write(dmm, "*CLS\n"), VI_SUCCESS); // a request left by an earlier test goes
    ASSERT_EQ(Write(dmm, "*SRE 32;*ESE 1;*OPC\n"), VI_SUCCESS);
    ASSERT_EQ(viWaitOnEvent(dmm, VI_EVENT_SERVICE_REQ, 5000, nullptr, nullptr), VI_SUCCESS);
    ViUInt16 stb = 0;
    ASSERT_EQ(viReadSTB(dmm, &stb), VI_SUCCESS);
    EXPECT_EQ(stb, 0x60);
    ASSERT_EQ(viReadSTB(dmm, &stb), VI_SUCCESS);
    EXPECT_EQ(stb, 0x20);
}

std::atomic<int> g_requests{0};

ViStatus OnRequest(ViSession vi, ViEventType, ViEvent, ViAddr) {
    ViUInt16 stb = 0;
    if (viReadSTB(vi, &stb) == VI_SUCCESS && (stb & 0x40)) {
        ++g_requests;
    }
    return VI_SUCCESS;
}

TEST_F(DemoBench, ServiceRequestsCallTheHandler) {
    ViSession dmm = Open(kMultimeter);
    ASSERT_EQ(viInstallHandler(dmm, VI_EVENT_SERVICE_REQ, OnRequest, nullptr), VI_SUCCESS);
    ASSERT_EQ(viEnableEvent(dmm, VI_EVENT_SERVICE_REQ, VI_HNDLR, VI_NULL), VI_SUCCESS);
    ASSERT_EQ(Write(dmm, "*CLS\n"), VI_SUCCESS); // a request left by an earlier test goes
    ASSERT_EQ(Write(dmm, "*SRE 32;*ESE 1;*OPC\n"), VI_SUCCESS);
    EXPECT_TRUE(WaitUntil([] { return g_requests == 1; }));
    ASSERT_EQ(viDisableEvent(dmm, VI_EVENT_SERVICE_REQ, VI_HNDLR), VI_SUCCESS);
}

TEST_F(DemoBench, ListenerCheckAndRemoteEnable) {
    ViSession empty = Open("GPIB0::9::INSTR", VI_SUCCESS_DEV_NPRESENT);
    EXPECT_EQ(viClear(empty), VI_ERROR_NLISTENERS);
    EXPECT_EQ(viAssertTrigger(empty, VI_TRIG_PROT_DEFAULT), VI_ERROR_NLISTENERS);
    EXPECT_EQ(viGpibControlREN(empty, VI_GPIB_REN_ASSERT_ADDRESS), VI_ERROR_NLISTENERS);
    ViSession dmm = Open(kMultimeter);
    for (ViUInt16 mode = VI_GPIB_REN_DEASSERT; mode <= VI_GPIB_REN_ADDRESS_GTL; ++mode) {
        EXPECT_EQ(viGpibControlREN(dmm, mode), VI_SUCCESS) << mode;
    }
    EXPECT_EQ(viGpibControlREN(dmm, VI_GPIB_REN_ASSERT), VI_SUCCESS);
    ViInt16 state = VI_STATE_UNKNOWN;
    ASSERT_EQ(viGetAttribute(dmm, VI_ATTR_GPIB_REN_STATE, &state), VI_SUCCESS);
    EXPECT_EQ(state, VI_STATE_ASSERTED);
    EXPECT_EQ(viGpibControlREN(dmm, VI_GPIB_REN_DEASSERT), VI_SUCCESS);
    ASSERT_EQ(viGetAttribute(dmm, VI_ATTR_GPIB_REN_STATE, &state), VI_SUCCESS);
    EXPECT_EQ(state, VI_STATE_UNASSERTED);
}

TEST_F(DemoBench, SecondaryAddressesAreListedAndReached) {
    ViFindList list = VI_NULL;
    ViUInt32 count = 0;
    char name[VI_FIND_BUFLEN];
    ASSERT_EQ(viFindRsrc(rm, "GPIB0::?*::?*::INSTR", &list, &count, name), VI_SUCCESS);
    EXPECT_EQ(count, 1u);
    EXPECT_STREQ(name, "GPIB0::15::1::INSTR");
    viClose(list);
    ViSession mux = Open(name);
    ASSERT_EQ(Write(mux, "*IDN?\n"), VI_SUCCESS);
    EXPECT_FALSE(Read(mux).empty());
}

} // namespace
