// Trigger, status byte, clear, remote-enable control, close, and event delivery of GPIB
// sessions.
#include "gpib_poller.h"
#include "gpib_session.h"
#include "gpib_tables.h"

namespace corvid::visaio {
namespace {

constexpr unsigned char kLocalLockout = LLO;

// True on a thread of the driver while it calls back (notification mode).
thread_local bool t_onNotificationThread = false;

ViUInt16 Mechanisms(const ViUInt16& field) {
    return __atomic_load_n(&field, __ATOMIC_ACQUIRE);
}

void RaiseServiceRequest(GpibSession& s) {
    s.srqPending = true;
    Services().raiseEvent(s.record->vi, VI_EVENT_SERVICE_REQ, nullptr);
}

// A job that the driver may complete: pending and not being terminated.
bool JobPending(GpibSession& s) {
    std::lock_guard lock(s.jobMutex);
    return s.jobPending && !s.terminating;
}

int NotificationMask(GpibSession& s) {
    int mask = 0;
    if (Mechanisms(s.record->srqMechanisms) != 0 && !s.srqPending) {
        mask |= RQS;
    }
    if (JobPending(s)) {
        mask |= CMPL;
    }
    return mask;
}

// The driver's callback: the reference is the session handle, so that a session closed
// meanwhile is simply not found.
int Notified(int, int status, int error, long count, void* reference) {
    auto vi = static_cast<ViSession>(reinterpret_cast<std::uintptr_t>(reference));
    PinnedSession pinned(vi);
    GpibSession* s = pinned ? GpibDataOf(pinned.get()) : nullptr;
    if (!s) {
        return 0;
    }
    t_onNotificationThread = true;
    GpibResult result{status, error, count};
    if ((status & CMPL) && JobPending(*s)) {
        GpibCompleteJob(*s, result);
    }
    if ((status & RQS) && Mechanisms(s->record->srqMechanisms) != 0 && !s->srqPending) {
        RaiseServiceRequest(*s);
    }
    t_onNotificationThread = false;
    return NotificationMask(*s);
}

} // namespace

// The notification mode where the driver library can notify; the polling thread otherwise.
bool GpibNotifyMode() {
    static const bool canNotify = GpibDriver::Instance().CanNotify();
    return Tables().notifyMode != VI_FALSE && canNotify;
}

void GpibArmNotification(GpibSession& s) {
    int mask = NotificationMask(s);
    GpibDriver::Instance().Notify(s.ud, mask, mask ? Notified : nullptr,
                                  reinterpret_cast<void*>(static_cast<std::uintptr_t>(s.record->vi)));
}

void GpibPollSession(GpibSession& s) {
    bool pending = JobPending(s);
    bool wantRequests = Mechanisms(s.record->srqMechanisms) != 0 && !s.srqPending;
    if (!pending && !wantRequests) {
        return;
    }
    // One status question per pass: it also collects a finished transfer.
    GpibResult status = GpibDriver::Instance().Wait(s.ud, 0);
    if (pending && (status.status & CMPL)) {
        GpibCompleteJob(s, status);
    }
    if (wantRequests && (status.status & RQS)) {
        RaiseServiceRequest(s);
    }
}

bool GpibNeedsPolling(GpibSession& s) {
    return JobPending(s) || Mechanisms(s.record->srqMechanisms) != 0;
}

ViStatus GpibListenerCheck(GpibSession& s) {
    if (Tables().disableIbListen != 0 || s.record->interfaceType == VI_INTF_GPIB_VXI || s.boardSession) {
        return VI_SUCCESS;
    }
    bool found = false;
    GpibResult result = GpibDriver::Instance().Listener(s.board, s.primary, s.DriverSecondary(), found);
    s.listenerSeen = found && !result.failedHard();
    return s.listenerSeen ? VI_SUCCESS : VI_ERROR_NLISTENERS;
}

ViStatus GpibAssertTrigger(SbvisaSession* session, ViUInt16 protocol) {
    if (protocol != VI_TRIG_PROT_DEFAULT) {
        return VI_ERROR_INV_PROT;
    }
    GpibSession& s = *GpibDataOf(session);
    GpibResult result = GpibRetryWhileBusy(s, [&] { return GpibDriver::Instance().Trigger(s.ud); });
    if (result.failed()) {
        return MapGpibError(result);
    }
    return GpibListenerCheck(s);
}

ViStatus GpibReadSTB(SbvisaSession* session, ViUInt16* statusByte) {
    GpibSession& s = *GpibDataOf(session);
    char polled = 0;
    GpibResult result =
        GpibRetryWhileBusy(s, [&] { return GpibDriver::Instance().SerialPoll(s.ud, &polled); });
    if (result.failed()) {
        ViStatus status = MapGpibError(result);
        if (result.error == EABO) {
            GpibListenerCheck(s);
        }
        return status;
    }
    *statusByte = static_cast<unsigned char>(polled);
    s.srqPending = false;
    if (Mechanisms(session->srqMechanisms) != 0) {
        if (result.status & RQS) {
            RaiseServiceRequest(s);
        } else if (GpibNotifyMode() && !t_onNotificationThread) {
            GpibArmNotification(s);
        }
    }
    return VI_SUCCESS;
}

ViStatus GpibClear(SbvisaSession* session) {
    GpibSession& s = *GpibDataOf(session);
    GpibResult result = GpibRetryWhileBusy(s, [&] { return GpibDriver::Instance().Clear(s.ud); });
    if (result.failed()) {
        return MapGpibError(result);
    }
    return GpibListenerCheck(s);
}

ViStatus GpibControlREN(SbvisaSession* session, ViUInt16 mode) {
    GpibSession& s = *GpibDataOf(session);
    GpibDriver& driver = GpibDriver::Instance();
    auto check = [](const GpibResult& r) {
        return r.failedHard() ? MapGpibError(r) : VI_SUCCESS;
    };
    auto addressDevice = [&]() -> ViStatus {
        ViStatus status = check(driver.RemoteEnable(s.board, 1));
        if (status < VI_SUCCESS) {
            return status;
        }
        bool found = false;
        status = check(driver.Listener(s.board, s.primary, s.DriverSecondary(), found));
        return status < VI_SUCCESS ? status : found ? VI_SUCCESS : VI_ERROR_NLISTENERS;
    };
    switch (mode) {
    case VI_GPIB_REN_DEASSERT:
        return check(driver.RemoteEnable(s.board, 0));
    case VI_GPIB_REN_ASSERT:
        return check(driver.RemoteEnable(s.board, 1));
    case VI_GPIB_REN_DEASSERT_GTL: {
        ViStatus status = check(driver.Local(s.ud));
        return status < VI_SUCCESS ? status : check(driver.RemoteEnable(s.board, 0));
    }
    case VI_GPIB_REN_ASSERT_ADDRESS:
        return addressDevice();
    case VI_GPIB_REN_ASSERT_LLO: {
        ViStatus status = check(driver.RemoteEnable(s.board, 1));
        return status < VI_SUCCESS ? status : check(driver.Command(s.board, &kLocalLockout, 1));
    }
    case VI_GPIB_REN_ASSERT_ADDRESS_LLO: {
        ViStatus status = addressDevice();
        return status < VI_SUCCESS ? status : check(driver.Command(s.board, &kLocalLockout, 1));
    }
    case VI_GPIB_REN_ADDRESS_GTL:
        return check(driver.Local(s.ud));
    default:
        return VI_ERROR_INV_MODE;
    }
}

ViStatus GpibEventsChanged(SbvisaSession* session, ViEventType) {
    GpibSession& s = *GpibDataOf(session);
    if (GpibNotifyMode()) {
        GpibArmNotification(s);
    } else if (GpibNeedsPolling(s)) {
        GpibPoller::Instance().Need();
    }
    return VI_SUCCESS;
}

ViStatus GpibClose(SbvisaSession* session) {
    auto* s = GpibDataOf(session);
    if (!s) {
        return VI_SUCCESS;
    }
    GpibDriver& driver = GpibDriver::Instance();
    if (GpibNotifyMode()) {
        driver.Notify(s->ud, 0, nullptr, nullptr);
    }
    bool pending = JobPending(*s);
    if (pending) {
        // A transfer still running would keep the board busy for every other session.
        driver.Stop(s->ud);
        std::lock_guard lock(s->jobMutex);
        s->jobPending = false;
    }
    GpibBoards::Instance().Release(s->board, session->vi);
    // A board session leaves the board online for the other sessions.
    GpibResult result = s->boardSession ? GpibResult{} : driver.Online(s->ud, 0);
    session->interfaceData = nullptr;
    delete s;
    return result.failed() ? VI_ERROR_CLOSING_FAILED : VI_SUCCESS;
}

} // namespace corvid::visaio
