#include "session_events.h"
#include "testsupport/sandbox.h"
#include "testsupport/thread_state.h"

#include <gtest/gtest.h>
#include <thread>

namespace corvid::visa {
namespace {

using corvid::testing::FutexCalls;
using corvid::testing::ThisThreadId;
using corvid::testing::ThreadBlockedIn;
using corvid::testing::WaitUntil;

ViStatus Handler(ViSession, ViEventType, ViEvent, ViAddr) {
    return VI_SUCCESS;
}
ViStatus OtherHandler(ViSession, ViEventType, ViEvent, ViAddr) {
    return VI_SUCCESS;
}

class SessionEventsTest : public ::testing::Test {
protected:
    SessionEvents events{{VI_EVENT_SERVICE_REQ, VI_EVENT_IO_COMPLETION, VI_EVENT_EXCEPTION}};
    std::vector<Ref<EventContext>> released;

    void Raise(ViEventType type, ViStatus status = VI_SUCCESS) {
        SbvisaEventData data{};
        data.status = status;
        events.Accept(type, &data, 7);
    }
};

TEST_F(SessionEventsTest, QueuedEventsAreWaitedForInOrder) {
    ASSERT_EQ(events.Enable(VI_EVENT_IO_COMPLETION, VI_QUEUE, released), VI_SUCCESS);
    Raise(VI_EVENT_IO_COMPLETION, 1);
    Raise(VI_EVENT_IO_COMPLETION, 2);
    Ref<EventContext> event;
    EXPECT_EQ(events.Wait(VI_EVENT_IO_COMPLETION, 0, event), VI_SUCCESS_QUEUE_NEMPTY);
    EXPECT_EQ(event->data().status, 1);
    EXPECT_EQ(event->session(), 7u);
    EXPECT_EQ(events.Wait(VI_ALL_ENABLED_EVENTS, 0, event), VI_SUCCESS);
    EXPECT_EQ(event->data().status, 2);
    EXPECT_EQ(events.Wait(VI_EVENT_IO_COMPLETION, 10, event), VI_ERROR_TMO);
}

TEST_F(SessionEventsTest, WaitingNeedsTheQueueEnabled) {
    Ref<EventContext> event;
    EXPECT_EQ(events.Wait(VI_EVENT_SERVICE_REQ, 0, event), VI_ERROR_NENABLED);
    ASSERT_EQ(events.Install(VI_EVENT_SERVICE_REQ, Handler, nullptr), VI_SUCCESS);
    ASSERT_EQ(events.Enable(VI_EVENT_SERVICE_REQ, VI_HNDLR, released), VI_SUCCESS);
    EXPECT_EQ(events.Wait(VI_EVENT_SERVICE_REQ, 0, event), VI_ERROR_NENABLED);
    EXPECT_EQ(events.Wait(VI_EVENT_TRIG, 0, event), VI_ERROR_INV_EVENT);
}

TEST_F(SessionEventsTest, AWaiterWakesWhenAnEventArrives) {
    ASSERT_EQ(events.Enable(VI_EVENT_SERVICE_REQ, VI_QUEUE, released), VI_SUCCESS);
    std::thread raiser([this, waiter = ThisThreadId()] {
        EXPECT_TRUE(WaitUntil([waiter] { return ThreadBlockedIn(waiter, FutexCalls()); }));
        Raise(VI_EVENT_SERVICE_REQ);
    });
    Ref<EventContext> event;
    EXPECT_EQ(events.Wait(VI_EVENT_SERVICE_REQ, VI_TMO_INFINITE, event), VI_SUCCESS);
    EXPECT_EQ(event->type(), static_cast<ViEventType>(VI_EVENT_SERVICE_REQ));
    raiser.join();
}

TEST_F(SessionEventsTest, ClosingEndsAWait) {
    ASSERT_EQ(events.Enable(VI_EVENT_SERVICE_REQ, VI_QUEUE, released), VI_SUCCESS);
    std::thread closer([this, waiter = ThisThreadId()] {
        EXPECT_TRUE(WaitUntil([waiter] { return ThreadBlockedIn(waiter, FutexCalls()); }));
        events.Close();
    });
    Ref<EventContext> event;
    EXPECT_EQ(events.Wait(VI_EVENT_SERVICE_REQ, VI_TMO_INFINITE, event), VI_ERROR_INV_OBJECT);
    closer.join();
}

TEST_F(SessionEventsTest, EnableChecksTypeMechanismAndHandlers) {
    EXPECT_EQ(events.Enable(VI_EVENT_TRIG, VI_QUEUE, released), VI_ERROR_INV_EVENT);
    EXPECT_EQ(events.Enable(VI_EVENT_SERVICE_REQ, 0, released), VI_ERROR_INV_MECH);
    EXPECT_EQ(events.Enable(VI_EVENT_SERVICE_REQ, VI_HNDLR | VI_SUSPEND_HNDLR, released), VI_ERROR_INV_MECH);
    EXPECT_EQ(events.Enable(VI_EVENT_SERVICE_REQ, VI_HNDLR, released), VI_ERROR_HNDLR_NINSTALLED);
    EXPECT_EQ(events.Enable(VI_EVENT_EXCEPTION, VI_QUEUE, released), VI_ERROR_INV_MECH);
    EXPECT_EQ(events.Enable(VI_EVENT_SERVICE_REQ, VI_QUEUE, released), VI_SUCCESS);
    EXPECT_EQ(events.Enable(VI_EVENT_SERVICE_REQ, VI_QUEUE, released), VI_SUCCESS_EVENT_EN);
    EXPECT_EQ(events.Disable(VI_EVENT_SERVICE_REQ, VI_QUEUE), VI_SUCCESS);
    EXPECT_EQ(events.Disable(VI_EVENT_SERVICE_REQ, VI_QUEUE), VI_SUCCESS_EVENT_DIS);
    EXPECT_EQ(events.Disable(VI_EVENT_SERVICE_REQ, 0x80), VI_ERROR_INV_MECH);
}

TEST_F(SessionEventsTest, HandlersAreReturnedMostRecentFirst) {
    int a = 0, b = 0;
    ASSERT_EQ(events.Install(VI_EVENT_SERVICE_REQ, Handler, &a), VI_SUCCESS);
    ASSERT_EQ(events.Install(VI_EVENT_SERVICE_REQ, OtherHandler, &b), VI_SUCCESS);
    ASSERT_EQ(events.Enable(VI_EVENT_SERVICE_REQ, VI_HNDLR, released), VI_SUCCESS);
    auto handlers = events.Accept(VI_EVENT_SERVICE_REQ, nullptr, 1);
    ASSERT_EQ(handlers.size(), 2u);
    EXPECT_EQ(handlers[0].handler, &OtherHandler);
    EXPECT_EQ(handlers[1].userHandle, &a);
    EXPECT_EQ(events.Uninstall(VI_EVENT_SERVICE_REQ, Handler, &b), VI_ERROR_INV_HNDLR_REF);
    EXPECT_EQ(events.Uninstall(VI_EVENT_SERVICE_REQ, Handler, &a), VI_SUCCESS);
    EXPECT_EQ(events.Accept(VI_EVENT_SERVICE_REQ, nullptr, 1).size(), 1u);
    EXPECT_EQ(events.Uninstall(VI_EVENT_SERVICE_REQ, nullptr, nullptr), VI_SUCCESS);
    EXPECT_TRUE(events.Accept(VI_EVENT_SERVICE_REQ, nullptr, 1).empty());
    EXPECT_EQ(events.Install(VI_EVENT_SERVICE_REQ, nullptr, nullptr), VI_ERROR_INV_HNDLR_REF);
}

TEST_F(SessionEventsTest, SuspendedEventsAreReleasedToTheHandler) {
    ASSERT_EQ(events.Install(VI_EVENT_SERVICE_REQ, Handler, nullptr), VI_SUCCESS);
    ASSERT_EQ(events.Enable(VI_EVENT_SERVICE_REQ, VI_SUSPEND_HNDLR, released), VI_SUCCESS);
    EXPECT_TRUE(events.Accept(VI_EVENT_SERVICE_REQ, nullptr, 1).empty());
    EXPECT_TRUE(events.Accept(VI_EVENT_SERVICE_REQ, nullptr, 1).empty());
    ASSERT_EQ(events.Enable(VI_EVENT_SERVICE_REQ, VI_HNDLR, released), VI_SUCCESS);
    EXPECT_EQ(released.size(), 2u);
    EXPECT_EQ(events.Mechanisms(VI_EVENT_SERVICE_REQ), VI_HNDLR);
}

TEST_F(SessionEventsTest, DiscardEmptiesTheQueue) {
    ASSERT_EQ(events.Enable(VI_EVENT_SERVICE_REQ, VI_QUEUE, released), VI_SUCCESS);
    ASSERT_EQ(events.Enable(VI_EVENT_IO_COMPLETION, VI_QUEUE, released), VI_SUCCESS);
    Raise(VI_EVENT_SERVICE_REQ);
    Raise(VI_EVENT_IO_COMPLETION);
    EXPECT_EQ(events.Discard(VI_EVENT_SERVICE_REQ, VI_QUEUE), VI_SUCCESS);
    EXPECT_EQ(events.Discard(VI_EVENT_SERVICE_REQ, VI_QUEUE), VI_SUCCESS_QUEUE_EMPTY);
    Ref<EventContext> event;
    EXPECT_EQ(events.Wait(VI_ALL_ENABLED_EVENTS, 0, event), VI_SUCCESS);
    EXPECT_EQ(event->type(), static_cast<ViEventType>(VI_EVENT_IO_COMPLETION));
}

TEST_F(SessionEventsTest, TheQueueHoldsAtMostItsLength) {
    events.setMaxQueueLength(2);
    ASSERT_EQ(events.Enable(VI_EVENT_SERVICE_REQ, VI_QUEUE, released), VI_SUCCESS);
    for (int i = 0; i < 5; ++i) {
        Raise(VI_EVENT_SERVICE_REQ, i);
    }
    Ref<EventContext> event;
    EXPECT_EQ(events.Wait(VI_EVENT_SERVICE_REQ, 0, event), VI_SUCCESS_QUEUE_NEMPTY);
    EXPECT_EQ(events.Wait(VI_EVENT_SERVICE_REQ, 0, event), VI_SUCCESS);
    EXPECT_EQ(event->data().status, 1);
    EXPECT_EQ(events.Wait(VI_EVENT_SERVICE_REQ, 0, event), VI_ERROR_TMO);
}

} // namespace
} // namespace corvid::visa
