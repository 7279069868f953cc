// Attributes, the 488.2 strings over serial, exclusive use of a port across processes,
// and terminating an asynchronous read.
#include "serial_fixture.h"
#include "testsupport/thread_state.h"

#include <atomic>
#include <sys/wait.h>
#include <thread>

namespace corvid::visaio::testing {
namespace {

using corvid::testing::FutexCalls;
using corvid::testing::PollCalls;
using corvid::testing::ThisThreadId;
using corvid::testing::ThreadBlockedIn;
using corvid::testing::ThreadsBlockedIn;
using corvid::testing::WaitUntil;
using SerialAttributes = SerialTest;

TEST_F(SerialAttributes, LineSettingsTakeOnlyTheirRanges) {
    InChild([](Pty&) {
        SerialSession s;
        ASSERT_EQ(s.openStatus, VI_SUCCESS);
        EXPECT_EQ(s.Set(VI_ATTR_ASRL_BAUD, 12345), VI_ERROR_NSUP_ATTR_STATE);
        EXPECT_EQ(s.Get<ViUInt32>(VI_ATTR_ASRL_BAUD), 9600u);
        for (ViUInt32 baud : {256000u, 14400u, 115200u}) {
            EXPECT_EQ(s.Set(VI_ATTR_ASRL_BAUD, baud), VI_SUCCESS);
            EXPECT_EQ(s.Get<ViUInt32>(VI_ATTR_ASRL_BAUD), baud);
        }
        EXPECT_EQ(s.Set(VI_ATTR_ASRL_DATA_BITS, 4), VI_ERROR_NSUP_ATTR_STATE);
        EXPECT_EQ(s.Set(VI_ATTR_ASRL_DATA_BITS, 7), VI_SUCCESS);
        EXPECT_EQ(s.Set(VI_ATTR_ASRL_PARITY, 5), VI_ERROR_NSUP_ATTR_STATE);
        EXPECT_EQ(s.Set(VI_ATTR_ASRL_PARITY, VI_ASRL_PAR_MARK), VI_SUCCESS);
        EXPECT_EQ(s.Set(VI_ATTR_ASRL_STOP_BITS, 12), VI_ERROR_NSUP_ATTR_STATE);
        EXPECT_EQ(s.Set(VI_ATTR_ASRL_STOP_BITS, VI_ASRL_STOP_ONE5), VI_SUCCESS);
        EXPECT_EQ(s.Get<ViUInt16>(VI_ATTR_ASRL_DATA_BITS), 7);
        EXPECT_EQ(s.Get<ViUInt16>(VI_ATTR_ASRL_PARITY), VI_ASRL_PAR_MARK);
        EXPECT_EQ(s.Get<ViUInt16>(VI_ATTR_ASRL_STOP_BITS), VI_ASRL_STOP_ONE5);
        EXPECT_EQ(s.Set(VI_ATTR_ASRL_FLOW_CNTRL, 8), VI_ERROR_NSUP_ATTR_STATE);
        EXPECT_EQ(s.Set(VI_ATTR_ASRL_FLOW_CNTRL, VI_ASRL_FLOW_XON_XOFF | VI_ASRL_FLOW_DTR_DSR), VI_SUCCESS);
        EXPECT_EQ(s.Get<ViUInt16>(VI_ATTR_ASRL_FLOW_CNTRL), VI_ASRL_FLOW_XON_XOFF | VI_ASRL_FLOW_DTR_DSR);
    });
}

TEST_F(SerialAttributes, SessionValuesReadOnlyOnesAndOthers) {
    InChild([](Pty&) {
        SerialSession s;
        ASSERT_EQ(s.openStatus, VI_SUCCESS);
        EXPECT_EQ(s.Set(VI_ATTR_ASRL_END_IN, 3), VI_ERROR_NSUP_ATTR_STATE);
        EXPECT_EQ(s.Set(VI_ATTR_ASRL_END_OUT, 4), VI_ERROR_NSUP_ATTR_STATE);
        EXPECT_EQ(s.Set(VI_ATTR_IO_PROT, VI_PROT_FDC), VI_ERROR_NSUP_ATTR_STATE);
        EXPECT_EQ(s.Set(VI_ATTR_RD_BUF_OPER_MODE, VI_FLUSH_WHEN_FULL), VI_ERROR_NSUP_ATTR_STATE);
        EXPECT_EQ(s.Set(VI_ATTR_WR_BUF_OPER_MODE, VI_FLUSH_DISABLE), VI_ERROR_NSUP_ATTR_STATE);
        EXPECT_EQ(s.Set(VI_ATTR_ASRL_DTR_STATE, 2), VI_ERROR_NSUP_ATTR_STATE);
        EXPECT_EQ(s.Set(VI_ATTR_ASRL_DTR_STATE, VI_STATE_UNASSERTED), VI_SUCCESS);
        EXPECT_EQ(s.Get<ViInt16>(VI_ATTR_ASRL_DTR_STATE), VI_STATE_UNASSERTED);
        EXPECT_EQ(s.Set(VI_ATTR_ASRL_XON_CHAR, 0x11), VI_SUCCESS);
        EXPECT_EQ(s.Set(VI_ATTR_ASRL_XOFF_CHAR, 0x13), VI_SUCCESS);
        EXPECT_EQ(s.Get<ViUInt8>(VI_ATTR_ASRL_XOFF_CHAR), 0x13);
        for (ViAttr readOnly : {VI_ATTR_ASRL_CTS_STATE, VI_ATTR_ASRL_DCD_STATE, VI_ATTR_ASRL_RI_STATE,
                                VI_ATTR_ASRL_AVAIL_NUM, VI_ATTR_RSRC_NAME}) {
            EXPECT_EQ(s.Set(readOnly, 0), VI_ERROR_ATTR_READONLY) << std::hex << readOnly;
        }
        // A pseudo-terminal has no modem lines to read.
        EXPECT_EQ(s.Get<ViInt16>(VI_ATTR_ASRL_CTS_STATE), VI_STATE_UNKNOWN);
        EXPECT_EQ(s.Set(VI_ATTR_GPIB_READDR_EN, VI_TRUE), VI_ERROR_NSUP_ATTR);
        ViUInt16 address = 0;
        EXPECT_EQ(viGetAttribute(s.vi, VI_ATTR_GPIB_PRIMARY_ADDR, &address), VI_ERROR_NSUP_ATTR);
    });
}

using Serial4882 = SerialTest;

TEST_F(Serial4882, StringsNeedThe4882Protocol) {
    InChild([](Pty& pty) {
        SerialSession s;
        ASSERT_EQ(s.openStatus, VI_SUCCESS);
        ViUInt16 stb = 0;
        EXPECT_EQ(viAssertTrigger(s.vi, VI_TRIG_PROT_DEFAULT), VI_ERROR_INV_SETUP);
        EXPECT_EQ(viReadSTB(s.vi, &stb), VI_ERROR_INV_SETUP);
        EXPECT_EQ(viClear(s.vi), VI_ERROR_INV_SETUP);
        EXPECT_EQ(pty.Receive(), "");
        ASSERT_EQ(s.Set(VI_ATTR_IO_PROT, VI_PROT_4882_STRS), VI_SUCCESS);
        EXPECT_EQ(viAssertTrigger(s.vi, VI_TRIG_PROT_DEFAULT), VI_SUCCESS);
        EXPECT_EQ(pty.Receive(), "*TRG\n");
        EXPECT_EQ(viAssertTrigger(s.vi, VI_TRIG_PROT_SYNC), VI_ERROR_INV_PROT);
        EXPECT_EQ(viClear(s.vi), VI_SUCCESS);
        EXPECT_EQ(pty.Receive(), "*CLS\n");
    });
}

TEST_F(Serial4882, TheStatusByteIsTheWholeReply) {
    InChild([](Pty& pty) {
        SerialSession s;
        ASSERT_EQ(s.openStatus, VI_SUCCESS);
        ASSERT_EQ(s.Set(VI_ATTR_IO_PROT, VI_PROT_4882_STRS), VI_SUCCESS);
        ASSERT_EQ(s.Set(VI_ATTR_TMO_VALUE, 300), VI_SUCCESS);
        ViUInt16 stb = 0;
        pty.Send("64\n");
        EXPECT_EQ(viReadSTB(s.vi, &stb), VI_SUCCESS);
        EXPECT_EQ(stb, 64);
        EXPECT_EQ(pty.Receive(), "*STB?\n");
        pty.Send("128\n");
        EXPECT_EQ(viReadSTB(s.vi, &stb), VI_SUCCESS);
        EXPECT_EQ(stb, 128);
        std::string rest;
        EXPECT_EQ(s.Read(rest), VI_ERROR_TMO); // nothing of the reply was left behind
        EXPECT_EQ(rest, "");
        // Signed and real forms, and a reply longer than the part kept: its tail is
        // dropped with it.
        for (const auto& [reply, expected] : {std::pair<std::string, int>{"+32\n", 32},
                                              {"+3.2E+01\r\n", 32},
                                              {"+16,\"a reply far longer than a status byte\"\n", 16}}) {
            pty.Send(reply);
            EXPECT_EQ(viReadSTB(s.vi, &stb), VI_SUCCESS) << reply;
            EXPECT_EQ(stb, expected) << reply;
            EXPECT_EQ(s.Read(rest), VI_ERROR_TMO) << reply;
        }
        pty.Send("-5\n");
        EXPECT_EQ(viReadSTB(s.vi, &stb), VI_ERROR_IO);
        pty.Send("no number\n");
        EXPECT_EQ(viReadSTB(s.vi, &stb), VI_ERROR_IO);
        EXPECT_EQ(viReadSTB(s.vi, &stb), VI_ERROR_TMO); // no reply at all
    });
}

using SerialSharing = SerialTest;

// A process of its own, forked before this one starts the library: it waits for a byte
// on go, tries to open the port and writes the status back.
struct Prober {
    Prober() {
        EXPECT_EQ(::pipe(go), 0);
        EXPECT_EQ(::pipe(answer), 0);
        pid = ::fork();
        if (pid == 0) {
            ::close(go[1]); // so that the parent's close ends the loop
            ::close(answer[0]);
            char command = 0;
            while (::read(go[0], &command, 1) == 1) {
                SerialSession other;
                ViStatus status = other.openStatus;
                [[maybe_unused]] ssize_t sent = ::write(answer[1], &status, sizeof status);
            }
            ::_exit(0);
        }
        ::close(go[0]);
        ::close(answer[1]);
    }
    ~Prober() {
        ::close(go[1]);
        int status = 0;
        ::waitpid(pid, &status, 0);
        ::close(answer[0]);
    }
    ViStatus TryOpen() const {
        char command = 'o';
        EXPECT_EQ(::write(go[1], &command, 1), 1);
        ViStatus status = VI_SUCCESS;
        EXPECT_EQ(::read(answer[0], &status, sizeof status), static_cast<ssize_t>(sizeof status));
        return status;
    }
    int go[2] = {-1, -1};
    int answer[2] = {-1, -1};
    pid_t pid = -1;
};

TEST_F(SerialSharing, OneProcessSharesThePortAndKeepsOthersOut) {
    InChild([](Pty& pty) {
        Prober prober;
        {
            SerialSession first;
            ASSERT_EQ(first.openStatus, VI_SUCCESS);
            ViSession second = VI_NULL;
            ASSERT_EQ(viOpen(first.rm, "ASRL100::INSTR", VI_NO_LOCK, 0, &second), VI_SUCCESS);
            EXPECT_EQ(prober.TryOpen(), VI_ERROR_RSRC_BUSY);
            EXPECT_EQ(viClose(second), VI_SUCCESS);
            EXPECT_EQ(first.Write("still open"), VI_SUCCESS); // the first session keeps the port
            EXPECT_EQ(pty.Receive(), "still open");
            EXPECT_EQ(prober.TryOpen(), VI_ERROR_RSRC_BUSY);
        }
        EXPECT_EQ(prober.TryOpen(), VI_SUCCESS); // the last close freed it
    });
}

// Runs body in a forked child of this process, with what this process has open; answers
// whether the child's body returned true.
bool InForkedChild(const std::function<bool()>& body) {
    return corvid::testing::ChildProcess::Fork([&] { return body() ? 0 : 1; }).Wait() == 0;
}

// A child forked while the port is open inherits the descriptor but not the port: its
// open finds it busy, and closing its copy of the session leaves the parent's lock.
TEST_F(SerialSharing, AChildForkedWithThePortOpenDoesNotShareIt) {
    InChild([](Pty& pty) {
        SerialSession first;
        ASSERT_EQ(first.openStatus, VI_SUCCESS);
        EXPECT_TRUE(InForkedChild([&] {
            ViSession other = VI_NULL;
            bool busy = viOpen(first.rm, "ASRL100::INSTR", VI_NO_LOCK, 0, &other) == VI_ERROR_RSRC_BUSY;
            return busy && viClose(first.vi) == VI_SUCCESS;
        }));
        EXPECT_TRUE(InForkedChild([&] {
            ViSession other = VI_NULL;
            return viOpen(first.rm, "ASRL100::INSTR", VI_NO_LOCK, 0, &other) == VI_ERROR_RSRC_BUSY;
        }));
        EXPECT_EQ(first.Write("still mine"), VI_SUCCESS);
        EXPECT_EQ(pty.Receive(), "still mine");
    });
}

using SerialAsync = SerialTest;

struct Completion {
    ViStatus status = 0;
    ViJobId job = 0;
    ViUInt32 count = 0;
};

Completion NextCompletion(ViSession vi) {
    Completion c;
    ViEventType type = 0;
    ViEvent event = VI_NULL;
    EXPECT_EQ(viWaitOnEvent(vi, VI_EVENT_IO_COMPLETION, 5000, &type, &event), VI_SUCCESS);
    if (event != VI_NULL) {
        EXPECT_EQ(viGetAttribute(event, VI_ATTR_STATUS, &c.status), VI_SUCCESS);
        EXPECT_EQ(viGetAttribute(event, VI_ATTR_JOB_ID, &c.job), VI_SUCCESS);
        EXPECT_EQ(viGetAttribute(event, VI_ATTR_RET_COUNT_32, &c.count), VI_SUCCESS);
        viClose(event);
    }
    return c;
}

TEST_F(SerialAsync, AnAsynchronousReadCompletesWithAnEvent) {
    InChild([](Pty& pty) {
        SerialSession s;
        ASSERT_EQ(s.openStatus, VI_SUCCESS);
        ASSERT_EQ(viEnableEvent(s.vi, VI_EVENT_IO_COMPLETION, VI_QUEUE, VI_NULL), VI_SUCCESS);
        char buffer[32] = {};
        ViJobId job = 0;
        ASSERT_EQ(viReadAsync(s.vi, reinterpret_cast<ViBuf>(buffer), sizeof buffer, &job), VI_SUCCESS);
        pty.Send("hello\n");
        Completion done = NextCompletion(s.vi);
        EXPECT_EQ(done.status, VI_SUCCESS);
        EXPECT_EQ(done.job, job);
        EXPECT_EQ(std::string(buffer, done.count), "hello\n");
        EXPECT_EQ(viTerminate(s.vi, VI_NULL, job), VI_ERROR_INV_JOB_ID); // already over
    });
}

TEST_F(SerialAsync, TerminateEndsAPendingReadWithAbort) {
    InChild([](Pty&) {
        SerialSession s;
        ASSERT_EQ(s.openStatus, VI_SUCCESS);
        ASSERT_EQ(s.Set(VI_ATTR_TMO_VALUE, VI_TMO_INFINITE), VI_SUCCESS);
        ASSERT_EQ(viEnableEvent(s.vi, VI_EVENT_IO_COMPLETION, VI_QUEUE, VI_NULL), VI_SUCCESS);
        char buffer[32] = {};
        ViJobId job = 0;
        ASSERT_EQ(viReadAsync(s.vi, reinterpret_cast<ViBuf>(buffer), sizeof buffer, &job), VI_SUCCESS);
        EXPECT_EQ(viTerminate(s.vi, VI_NULL, job + 1), VI_ERROR_INV_JOB_ID);
        EXPECT_EQ(viTerminate(s.vi, VI_NULL, job), VI_SUCCESS);
        Completion done = NextCompletion(s.vi);
        EXPECT_EQ(done.status, VI_ERROR_ABORT);
        EXPECT_EQ(done.job, job);
        EXPECT_EQ(done.count, 0u);
        // The request does not linger: the next read runs normally.
        ASSERT_EQ(s.Set(VI_ATTR_TMO_VALUE, 50), VI_SUCCESS);
        std::string text;
        EXPECT_EQ(s.Read(text), VI_ERROR_TMO);
    });
}

// Two sessions share the port; terminating one's job leaves the other's read alone.
TEST_F(SerialAsync, TerminateEndsOnlyTheJobOfItsSession) {
    InChild([](Pty& pty) {
        SerialSession first;
        SerialSession second;
        ASSERT_EQ(first.openStatus, VI_SUCCESS);
        ASSERT_EQ(second.openStatus, VI_SUCCESS);
        ASSERT_EQ(first.Set(VI_ATTR_TMO_VALUE, VI_TMO_INFINITE), VI_SUCCESS);
        ASSERT_EQ(second.Set(VI_ATTR_TMO_VALUE, 10000), VI_SUCCESS);
        ASSERT_EQ(viEnableEvent(first.vi, VI_EVENT_IO_COMPLETION, VI_QUEUE, VI_NULL), VI_SUCCESS);
        char buffer[8] = {};
        ViJobId job = 0;
        int polling = ThreadsBlockedIn(PollCalls());
        ASSERT_EQ(viReadAsync(first.vi, reinterpret_cast<ViBuf>(buffer), sizeof buffer, &job), VI_SUCCESS);
        std::string text;
        ViStatus secondStatus = VI_ERROR_SYSTEM_ERROR;
        std::thread reader([&] { secondStatus = second.Read(text); });
        // The job's worker and the reader both wait on the port.
        EXPECT_TRUE(WaitUntil([&] { return ThreadsBlockedIn(PollCalls()) >= polling + 2; }));
        EXPECT_EQ(viTerminate(first.vi, VI_NULL, job), VI_SUCCESS);
        Completion done = NextCompletion(first.vi);
        EXPECT_EQ(done.status, VI_ERROR_ABORT);
        pty.Send("late\n");
        reader.join();
        EXPECT_EQ(secondStatus, VI_SUCCESS);
        EXPECT_EQ(text, "late\n");
    });
}

TEST_F(SerialAsync, ClosingTheSessionEndsAPendingRead) {
    InChild([](Pty&) {
        SerialSession s;
        ASSERT_EQ(s.openStatus, VI_SUCCESS);
        ASSERT_EQ(s.Set(VI_ATTR_TMO_VALUE, VI_TMO_INFINITE), VI_SUCCESS);
        char buffer[8] = {};
        ViJobId job = 0;
        ASSERT_EQ(viReadAsync(s.vi, reinterpret_cast<ViBuf>(buffer), sizeof buffer, &job), VI_SUCCESS);
        EXPECT_EQ(viClose(s.vi), VI_SUCCESS);
        EXPECT_TRUE(InForkedChild([&] { // the port is free again
            ViSession again = VI_NULL;
            return viOpen(s.rm, "ASRL100::INSTR", VI_NO_LOCK, 0, &again) == VI_SUCCESS;
        }));
    });
}

// A read of another thread holds the session; closing it ends that read, and the port is
// released when the read returns.
TEST_F(SerialAsync, ClosingTheSessionEndsAReadOfAnotherThread) {
    InChild([](Pty&) {
        SerialSession s;
        ASSERT_EQ(s.openStatus, VI_SUCCESS);
        ASSERT_EQ(s.Set(VI_ATTR_TMO_VALUE, VI_TMO_INFINITE), VI_SUCCESS);
        std::string text;
        ViStatus status = VI_SUCCESS;
        std::atomic<pid_t> readerId{0};
        std::thread reader([&] {
            readerId = ThisThreadId();
            status = s.Read(text);
        });
        EXPECT_TRUE(WaitUntil([&] { return readerId != 0 && ThreadBlockedIn(readerId, PollCalls()); }));
        EXPECT_EQ(viClose(s.vi), VI_SUCCESS);
        reader.join();
        EXPECT_EQ(status, VI_ERROR_ABORT);
        EXPECT_TRUE(InForkedChild([&] {
            ViSession again = VI_NULL;
            return viOpen(s.rm, "ASRL100::INSTR", VI_NO_LOCK, 0, &again) == VI_SUCCESS;
        }));
    });
}

std::atomic<int> g_restarts{0};
std::atomic<pid_t> g_testThread{0};

// The first completion starts the next job from the handler, once the test's own start of
// one is waiting on the session.
ViStatus _VI_FUNCH StartAnotherJob(ViSession vi, ViEventType, ViEvent, ViAddr) {
    if (g_restarts.fetch_add(1) == 0) {
        WaitUntil([] { return ThreadBlockedIn(g_testThread, FutexCalls()); });
        static char buffer[8];
        ViJobId job = 0;
        viReadAsync(vi, reinterpret_cast<ViBuf>(buffer), sizeof buffer, &job);
    }
    return VI_SUCCESS;
}

TEST_F(SerialAsync, AHandlerStartingTheNextJobDoesNotBlockTheSession) {
    InChild([](Pty&) {
        SerialSession s;
        ASSERT_EQ(s.openStatus, VI_SUCCESS);
        ASSERT_EQ(s.Set(VI_ATTR_TMO_VALUE, 20), VI_SUCCESS);
        ASSERT_EQ(viInstallHandler(s.vi, VI_EVENT_IO_COMPLETION, StartAnotherJob, nullptr), VI_SUCCESS);
        ASSERT_EQ(viEnableEvent(s.vi, VI_EVENT_IO_COMPLETION, VI_HNDLR, VI_NULL), VI_SUCCESS);
        char buffer[8] = {};
        ViJobId job = 0;
        g_testThread = ThisThreadId();
        ASSERT_EQ(viReadAsync(s.vi, reinterpret_cast<ViBuf>(buffer), sizeof buffer, &job), VI_SUCCESS);
        // The first job has timed out and its handler runs.
        ASSERT_TRUE(WaitUntil([] { return g_restarts.load() >= 1; }));
        ViStatus next = viReadAsync(s.vi, reinterpret_cast<ViBuf>(buffer), sizeof buffer, &job);
        EXPECT_TRUE(next == VI_SUCCESS || next == VI_ERROR_IN_PROGRESS) << next;
        EXPECT_EQ(viClose(s.vi), VI_SUCCESS);
        EXPECT_GE(g_restarts.load(), 1);
    });
}

} // namespace
} // namespace corvid::visaio::testing
