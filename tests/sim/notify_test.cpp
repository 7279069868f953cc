// ibnotify: callbacks on a library thread for service requests, completed transfers
// and time-outs, with the mask the callback returns deciding what comes next.
#include "sim_client.h"

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

namespace corvid::sim::testing {
namespace {

using corvid::testing::WaitUntil;

// What callbacks saw, shared with the library's thread.
struct Recorder {
    struct Call {
        int ud, sta, err;
        long cnt;
        std::thread::id thread;
    };
    std::mutex mutex;
    std::vector<Call> calls;
    int rearm = 0; // mask the callback returns
    bool pollInCallback = false;
    IbLibrary* ib = nullptr;
    unsigned char polled = 0;

    size_t Count() {
        std::lock_guard<std::mutex> lock(mutex);
        return calls.size();
    }
    Call At(size_t i) {
        std::lock_guard<std::mutex> lock(mutex);
        return calls.at(i);
    }
};

int Callback(int ud, int sta, int err, long cnt, void* data) {
    auto* r = static_cast<Recorder*>(data);
    if (r->pollInCallback) {
        char spr = 0;
        r->ib->rsp(ud, &spr);
        r->polled = static_cast<unsigned char>(spr);
    }
    std::lock_guard<std::mutex> lock(r->mutex);
    r->calls.push_back({ud, sta, err, cnt, std::this_thread::get_id()});
    return r->rearm;
}

class NotifyTest : public SimTest {
protected:
    void TearDown() override {
        // Callbacks must not outlive the recorder.
        for (int ud : armed_) {
            ib.notify(ud, 0, nullptr, nullptr);
        }
    }
    void Arm(int ud, int mask) {
        recorder.ib = &ib;
        armed_.push_back(ud);
        ASSERT_EQ(ib.notify(ud, mask, &Callback, &recorder) & ERR, 0);
    }

    Recorder recorder;
    std::vector<int> armed_;
};

TEST_F(NotifyTest, ServiceRequestCallsBackOnALibraryThread) {
    int ud = Open(5);
    recorder.pollInCallback = true;
    Arm(ud, RQS);
    EXPECT_EQ(recorder.Count(), 0u);
    Write(ud, "*CLS;*SRE 32;*ESE 1;*OPC\n");
    ASSERT_TRUE(WaitUntil([&] { return recorder.Count() == 1; }));
    Recorder::Call call = recorder.At(0);
    EXPECT_EQ(call.ud, ud);
    EXPECT_EQ(call.sta & RQS, RQS);
    EXPECT_NE(call.thread, std::this_thread::get_id());
    EXPECT_EQ(recorder.polled, 0x60);
    // The callback returned 0: no more calls, even for a new request.
    EXPECT_EQ(Query(ud, "*ESR?"), "1");
    Write(ud, "*OPC\n");
    char spr = 0;
    ib.rsp(ud, &spr);
    EXPECT_EQ(static_cast<unsigned char>(spr), 0x60);
    EXPECT_EQ(recorder.Count(), 1u);
}

TEST_F(NotifyTest, KeptNotificationFiresAgainOnlyForANewRequest) {
    int ud = Open(5);
    recorder.rearm = RQS;
    Arm(ud, RQS);
    Write(ud, "*CLS;*SRE 32;*ESE 1;*OPC\n");
    ASSERT_TRUE(WaitUntil([&] { return recorder.Count() == 1; }));
    // The request stays (nobody polled), but it is the same request.
    Write(ud, "*IDN?\n");
    EXPECT_EQ(Read(ud), "Test,Source,1,1.0\n");
    EXPECT_EQ(recorder.Count(), 1u);
    char spr = 0;
    ib.rsp(ud, &spr);
    EXPECT_EQ(Query(ud, "*ESR?"), "1"); // so that the next *OPC is a new event
    Write(ud, "*OPC\n");
    ASSERT_TRUE(WaitUntil([&] { return recorder.Count() == 2; }));
}

TEST_F(NotifyTest, BoardNotificationForTheSrqLine) {
    int ud = Open(22);
    Arm(0, SRQI);
    Write(ud, "*CLS;*SRE 32;*ESE 1;*OPC\n");
    ASSERT_TRUE(WaitUntil([&] { return recorder.Count() == 1; }));
    EXPECT_EQ(recorder.At(0).ud, 0);
    EXPECT_EQ(recorder.At(0).sta & SRQI, SRQI);
}

TEST_F(NotifyTest, CompletionOfAnAsynchronousReadCallsBack) {
    int ud = Open(7, 0, T3s);
    Write(ud, "*IDN?\n");
    char buffer[64] = {};
    ib.rda(ud, buffer, sizeof buffer);
    Arm(ud, CMPL);
    ASSERT_TRUE(WaitUntil([&] { return recorder.Count() == 1; }));
    Recorder::Call call = recorder.At(0);
    EXPECT_EQ(call.sta & (CMPL | END | ERR), CMPL | END);
    EXPECT_EQ(call.cnt, 16);
    // The results are still there for ibwait.
    EXPECT_EQ(ib.wait(ud, CMPL) & END, END);
    EXPECT_EQ(ib.threadIbcntl(), 16);
    EXPECT_EQ(std::string(buffer), "Test,Slow,3,1.0\n");
}

TEST_F(NotifyTest, TimeoutCallsBackWithTimo) {
    int ud = Open(5, 0, T30ms);
    Arm(ud, RQS | TIMO);
    ASSERT_TRUE(WaitUntil([&] { return recorder.Count() == 1; }));
    EXPECT_EQ(recorder.At(0).sta & (TIMO | RQS), TIMO);
}

TEST_F(NotifyTest, InvalidMasksAreRefused) {
    int ud = Open(5);
    EXPECT_EQ(ib.notify(ud, SRQI, &Callback, &recorder) & ERR, ERR);
    EXPECT_EQ(ib.threadIberr(), EARG);
    EXPECT_EQ(ib.notify(0, RQS, &Callback, &recorder) & ERR, ERR);
    EXPECT_EQ(ib.notify(ud, RQS, nullptr, nullptr) & ERR, ERR);
}

// A callback may use the library, including ibnotify on its own descriptor.
struct Rearming {
    IbLibrary* ib;
    std::atomic<int> calls{0};
};

int RearmFromInside(int ud, int, int, long, void* data) {
    auto* r = static_cast<Rearming*>(data);
    char spr = 0;
    r->ib->rsp(ud, &spr);
    if (++r->calls < 2) {
        r->ib->notify(ud, RQS, &RearmFromInside, r);
    }
    return 0; // ignored: the callback registered anew
}

TEST_F(NotifyTest, CallbackMayRegisterAgain) {
    int ud = Open(5);
    Rearming rearming{&ib};
    armed_.push_back(ud);
    ib.notify(ud, RQS, &RearmFromInside, &rearming);
    Write(ud, "*CLS;*SRE 32;*ESE 1;*OPC\n");
    ASSERT_TRUE(WaitUntil([&] { return rearming.calls == 1; }));
    EXPECT_EQ(Query(ud, "*ESR?"), "1");
    Write(ud, "*OPC\n");
    ASSERT_TRUE(WaitUntil([&] { return rearming.calls == 2; }));
    ib.notify(ud, 0, nullptr, nullptr);
}

} // namespace
} // namespace corvid::sim::testing
