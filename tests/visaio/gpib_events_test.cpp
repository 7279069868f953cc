// Asynchronous transfers and terminate, service requests by queue and by handler, in the
// polling and the notification mode, and exception events.
#include "visa_fixture.h"

#include <atomic>
#include <cstring>

namespace corvid::visaio::testing {
namespace {

using corvid::testing::WaitUntil;

struct Completion {
    ViStatus status = 0;
    ViJobId job = 0;
    ViUInt32 count = 0;
    void* buffer = nullptr;
    std::string operation;
};

// Waits for the next completion event of the session and reads its attributes.
Completion NextCompletion(ViSession vi, ViUInt32 timeout = 5000) {
    Completion c;
    ViEventType type = 0;
    ViEvent event = VI_NULL;
    EXPECT_GE(viWaitOnEvent(vi, VI_EVENT_IO_COMPLETION, timeout, &type, &event), VI_SUCCESS);
    if (event == VI_NULL) {
        return c;
    }
    EXPECT_EQ(type, static_cast<ViEventType>(VI_EVENT_IO_COMPLETION));
    char name[VI_FIND_BUFLEN] = {};
    EXPECT_EQ(viGetAttribute(event, VI_ATTR_STATUS, &c.status), VI_SUCCESS);
    EXPECT_EQ(viGetAttribute(event, VI_ATTR_JOB_ID, &c.job), VI_SUCCESS);
    EXPECT_EQ(viGetAttribute(event, VI_ATTR_RET_COUNT_32, &c.count), VI_SUCCESS);
    EXPECT_EQ(viGetAttribute(event, VI_ATTR_BUFFER, &c.buffer), VI_SUCCESS);
    EXPECT_EQ(viGetAttribute(event, VI_ATTR_OPER_NAME, name), VI_SUCCESS);
    EXPECT_EQ(viSetAttribute(event, VI_ATTR_STATUS, 0), VI_ERROR_ATTR_READONLY);
    c.operation = name;
    EXPECT_EQ(viClose(event), VI_SUCCESS);
    return c;
}

class GpibEvents : public VisaTest {
protected:
    void SetUp() override { Configure(); }
};

TEST_F(GpibEvents, AnAsynchronousReadCompletesWithAnEvent) {
    InChild([] {
        fakegpib_add_device(0, 22, 0, "Fake,DMM,1,1.0");
        OpenSession s("GPIB0::22::INSTR");
        ASSERT_EQ(viEnableEvent(s.vi, VI_EVENT_IO_COMPLETION, VI_QUEUE, VI_NULL), VI_SUCCESS);
        ViUInt32 count = 0;
        ViJobId job = 0;
        ASSERT_EQ(viWriteAsync(s.vi, reinterpret_cast<ViConstBuf>("*IDN?"), 5, &job), VI_SUCCESS);
        Completion written = NextCompletion(s.vi);
        EXPECT_EQ(written.job, job);
        EXPECT_EQ(written.count, 5u);
        EXPECT_EQ(written.operation, "viWriteAsync");
        char buffer[64] = {};
        ASSERT_EQ(viReadAsync(s.vi, reinterpret_cast<ViBuf>(buffer), sizeof buffer, &job), VI_SUCCESS);
        Completion read = NextCompletion(s.vi);
        EXPECT_EQ(read.status, VI_SUCCESS);
        EXPECT_EQ(read.job, job);
        EXPECT_EQ(read.count, 15u);
        EXPECT_EQ(read.buffer, buffer);
        EXPECT_EQ(read.operation, "viReadAsync");
        EXPECT_EQ(std::string(buffer, read.count), "Fake,DMM,1,1.0\n");
        // The board is free again for synchronous transfers.
        EXPECT_EQ(viWrite(s.vi, reinterpret_cast<ViConstBuf>("X"), 1, &count), VI_SUCCESS);
    });
}

TEST_F(GpibEvents, AnEmptyAsynchronousReadIsDoneAtOnce) {
    InChild([] {
        fakegpib_add_device(0, 22, 0, "x");
        OpenSession s("GPIB0::22::INSTR");
        ASSERT_EQ(viEnableEvent(s.vi, VI_EVENT_IO_COMPLETION, VI_QUEUE, VI_NULL), VI_SUCCESS);
        char buffer[4];
        ViJobId job = 0;
        EXPECT_EQ(viReadAsync(s.vi, reinterpret_cast<ViBuf>(buffer), 0, &job), VI_SUCCESS_SYNC);
        Completion c = NextCompletion(s.vi, 0);
        EXPECT_EQ(c.job, job);
        EXPECT_EQ(c.count, 0u);
    });
}

TEST_F(GpibEvents, OneTransferPerBoardAndTerminate) {
    InChild([] {
        fakegpib_add_device(0, 22, 0, "x");
        fakegpib_add_device(0, 23, 0, "y");
        fakegpib_hold_async(1);
        OpenSession a("GPIB0::22::INSTR");
        ViSession b = VI_NULL;
        ASSERT_EQ(viOpen(a.rm, "GPIB0::23::INSTR", VI_NO_LOCK, 0, &b), VI_SUCCESS);
        ASSERT_EQ(viEnableEvent(a.vi, VI_EVENT_IO_COMPLETION, VI_QUEUE, VI_NULL), VI_SUCCESS);
        char buffer[16];
        ViJobId job = 0, other = 0;
        ASSERT_EQ(viReadAsync(a.vi, reinterpret_cast<ViBuf>(buffer), sizeof buffer, &job), VI_SUCCESS);
        EXPECT_EQ(viReadAsync(b, reinterpret_cast<ViBuf>(buffer), sizeof buffer, &other),
                  VI_ERROR_IN_PROGRESS);
        EXPECT_EQ(viTerminate(b, VI_NULL, job), VI_ERROR_INV_JOB_ID);
        EXPECT_EQ(viTerminate(a.vi, VI_NULL, job + 100), VI_ERROR_INV_JOB_ID);
        EXPECT_EQ(viTerminate(a.vi, 1, job), VI_ERROR_INV_DEGREE);
        ASSERT_EQ(viTerminate(a.vi, VI_NULL, job), VI_SUCCESS);
        Completion c = NextCompletion(a.vi, 0);
        EXPECT_EQ(c.status, VI_ERROR_ABORT);
        EXPECT_EQ(c.job, job);
        EXPECT_EQ(viReadAsync(b, reinterpret_cast<ViBuf>(buffer), sizeof buffer, &other), VI_SUCCESS);
    });
}

TEST_F(GpibEvents, AnAsynchronousTransferChecksTheListenerOnce) {
    InChild([] {
        OpenSession s("GPIB0::9::INSTR");
        ASSERT_EQ(s.openStatus, VI_SUCCESS_DEV_NPRESENT);
        char buffer[4];
        ViJobId job = 0;
        EXPECT_EQ(viReadAsync(s.vi, reinterpret_cast<ViBuf>(buffer), sizeof buffer, &job),
                  VI_ERROR_NLISTENERS);
    });
}

TEST_F(GpibEvents, ServiceRequestsArriveInTheQueue) {
    InChild([] {
        fakegpib_add_device(0, 22, 0, "x");
        OpenSession s("GPIB0::22::INSTR");
        ASSERT_EQ(viEnableEvent(s.vi, VI_EVENT_SERVICE_REQ, VI_QUEUE, VI_NULL), VI_SUCCESS);
        ViEventType type = 0;
        ViEvent event = VI_NULL;
        EXPECT_EQ(viWaitOnEvent(s.vi, VI_EVENT_SERVICE_REQ, 50, &type, &event), VI_ERROR_TMO);
        fakegpib_request_service(0, 22, 0, 0x40 | 0x10);
        ASSERT_EQ(viWaitOnEvent(s.vi, VI_EVENT_SERVICE_REQ, 5000, &type, &event), VI_SUCCESS);
        EXPECT_EQ(type, static_cast<ViEventType>(VI_EVENT_SERVICE_REQ));
        ViEventType seen = 0;
        EXPECT_EQ(viGetAttribute(event, VI_ATTR_EVENT_TYPE, &seen), VI_SUCCESS);
        EXPECT_EQ(seen, type);
        EXPECT_EQ(viClose(event), VI_SUCCESS);
        ViUInt16 stb = 0;
        ASSERT_EQ(viReadSTB(s.vi, &stb), VI_SUCCESS);
        EXPECT_EQ(stb, 0x50);
        // Nothing more until the device asks again.
        EXPECT_EQ(viWaitOnEvent(s.vi, VI_EVENT_SERVICE_REQ, 50, &type, nullptr), VI_ERROR_TMO);
        fakegpib_request_service(0, 22, 0, 0x40);
        EXPECT_EQ(viWaitOnEvent(s.vi, VI_EVENT_SERVICE_REQ, 5000, &type, nullptr), VI_SUCCESS);
        EXPECT_EQ(viDisableEvent(s.vi, VI_EVENT_SERVICE_REQ, VI_QUEUE), VI_SUCCESS);
    });
}

std::atomic<int> g_requests{0};
std::atomic<ViSession> g_requestSession{VI_NULL};

ViStatus OnServiceRequest(ViSession vi, ViEventType type, ViEvent event, ViAddr userHandle) {
    ViEventType seen = 0;
    if (type == VI_EVENT_SERVICE_REQ && viGetAttribute(event, VI_ATTR_EVENT_TYPE, &seen) == VI_SUCCESS &&
        seen == type && userHandle == &g_requests) {
        ViUInt16 stb = 0;
        viReadSTB(vi, &stb);
        g_requestSession = vi;
        ++g_requests;
    }
    return VI_SUCCESS;
}

TEST_F(GpibEvents, ServiceRequestsCallTheHandler) {
    InChild([] {
        fakegpib_add_device(0, 22, 0, "x");
        OpenSession s("GPIB0::22::INSTR");
        EXPECT_EQ(viEnableEvent(s.vi, VI_EVENT_SERVICE_REQ, VI_HNDLR, VI_NULL), VI_ERROR_HNDLR_NINSTALLED);
        ASSERT_EQ(viInstallHandler(s.vi, VI_EVENT_SERVICE_REQ, OnServiceRequest, &g_requests), VI_SUCCESS);
        ASSERT_EQ(viEnableEvent(s.vi, VI_EVENT_SERVICE_REQ, VI_HNDLR, VI_NULL), VI_SUCCESS);
        fakegpib_request_service(0, 22, 0, 0x41);
        EXPECT_TRUE(WaitUntil([] { return g_requests == 1; }));
        EXPECT_EQ(g_requestSession, s.vi);
        fakegpib_request_service(0, 22, 0, 0x41);
        EXPECT_TRUE(WaitUntil([] { return g_requests == 2; }));
        EXPECT_EQ(viUninstallHandler(s.vi, VI_EVENT_SERVICE_REQ, OnServiceRequest, &g_requests), VI_SUCCESS);
    });
}

TEST_F(GpibEvents, EventsOfOtherResourceClassesAreRefused) {
    InChild([] {
        fakegpib_add_device(0, 22, 0, "x");
        OpenSession s("GPIB0::22::INSTR");
        EXPECT_EQ(viEnableEvent(s.vi, VI_EVENT_TRIG, VI_QUEUE, VI_NULL), VI_ERROR_INV_EVENT);
        EXPECT_EQ(viEnableEvent(s.vi, VI_EVENT_SERVICE_REQ, VI_QUEUE, 5), VI_ERROR_INV_CONTEXT);
        EXPECT_EQ(viEnableEvent(s.vi, VI_EVENT_SERVICE_REQ, 0x40, VI_NULL), VI_ERROR_INV_MECH);
        EXPECT_EQ(viWaitOnEvent(s.vi, VI_EVENT_SERVICE_REQ, 0, nullptr, nullptr), VI_ERROR_NENABLED);
    });
}

std::atomic<ViStatus> g_exceptionStatus{0};
char g_exceptionOperation[VI_FIND_BUFLEN];

ViStatus OnException(ViSession, ViEventType, ViEvent event, ViAddr) {
    ViStatus status = 0;
    viGetAttribute(event, VI_ATTR_OPER_NAME, g_exceptionOperation);
    viGetAttribute(event, VI_ATTR_STATUS, &status);
    g_exceptionStatus = status;
    return VI_SUCCESS;
}

TEST_F(GpibEvents, FailuresRaiseExceptionEvents) {
    InChild([] {
        fakegpib_add_device(0, 22, 0, "x");
        OpenSession s("GPIB0::22::INSTR");
        ASSERT_EQ(viInstallHandler(s.vi, VI_EVENT_EXCEPTION, OnException, nullptr), VI_SUCCESS);
        ASSERT_EQ(viEnableEvent(s.vi, VI_EVENT_EXCEPTION, VI_HNDLR, VI_NULL), VI_SUCCESS);
        char buffer[8];
        ViUInt32 count = 0;
        EXPECT_EQ(viRead(s.vi, reinterpret_cast<ViBuf>(buffer), sizeof buffer, &count), VI_ERROR_TMO);
        EXPECT_EQ(g_exceptionStatus, VI_ERROR_TMO);
        EXPECT_STREQ(g_exceptionOperation, "viRead");
    });
}

class GpibNotifications : public VisaTest {
protected:
    void SetUp() override { Configure("[VISA]\nNotifyMode=1\n"); }
};

TEST_F(GpibNotifications, ServiceRequestsAndCompletionsComeFromTheDriver) {
    InChild([] {
        fakegpib_add_device(0, 22, 0, "Fake,DMM,1,1.0");
        OpenSession s("GPIB0::22::INSTR");
        ASSERT_EQ(viEnableEvent(s.vi, VI_EVENT_SERVICE_REQ, VI_QUEUE, VI_NULL), VI_SUCCESS);
        ASSERT_NE(FakeLog().find("ibnotify 100 " + std::to_string(RQS)), std::string::npos);
        fakegpib_request_service(0, 22, 0, 0x40);
        EXPECT_EQ(viWaitOnEvent(s.vi, VI_EVENT_SERVICE_REQ, 5000, nullptr, nullptr), VI_SUCCESS);
        ViUInt16 stb = 0;
        ASSERT_EQ(viReadSTB(s.vi, &stb), VI_SUCCESS);
        fakegpib_request_service(0, 22, 0, 0x40);
        EXPECT_EQ(viWaitOnEvent(s.vi, VI_EVENT_SERVICE_REQ, 5000, nullptr, nullptr), VI_SUCCESS);
        // No polling thread asks the device in this mode.
        EXPECT_EQ(fakegpib_calls("ibwait"), 1); // the board's controller question at open
        ASSERT_EQ(viReadSTB(s.vi, &stb), VI_SUCCESS);

        ASSERT_EQ(viEnableEvent(s.vi, VI_EVENT_IO_COMPLETION, VI_QUEUE, VI_NULL), VI_SUCCESS);
        ViJobId job = 0;
        ASSERT_EQ(viWriteAsync(s.vi, reinterpret_cast<ViConstBuf>("*IDN?"), 5, &job), VI_SUCCESS);
        Completion c = NextCompletion(s.vi);
        EXPECT_EQ(c.job, job);
        EXPECT_EQ(c.status, VI_SUCCESS);
    });
}

} // namespace
} // namespace corvid::visaio::testing
