// Reads and writes of GPIB sessions, synchronous and asynchronous, and terminate.
#include "gpib_poller.h"
#include "gpib_session.h"
#include "gpib_tables.h"

#include <thread>

namespace corvid::visaio {
namespace {

// The completion status of a read that the driver finished.
ViStatus ReadStatus(const GpibSession& s, const GpibResult& result, const ViByte* buffer,
                    ViUInt32 requested) {
    if (result.failed()) {
        return MapGpibError(result);
    }
    auto count = static_cast<ViUInt32>(result.count);
    if ((result.status & END) == 0) {
        return count == requested ? VI_SUCCESS_MAX_CNT : VI_SUCCESS;
    }
    if (s.termCharEnabled.load(std::memory_order_relaxed) && count > 0 && buffer &&
        buffer[count - 1] == s.termChar.load(std::memory_order_relaxed)) {
        return VI_SUCCESS_TERM_CHAR;
    }
    return VI_SUCCESS;
}

void PostCompletion(SbvisaSession* record, ViStatus status, ViJobId id, ViUInt32 count, ViBuf buffer,
                    bool read) {
    SbvisaEventData data{};
    data.status = status;
    data.jobId = id;
    data.returnCount = count;
    data.buffer = buffer;
    data.operationName = read ? "viReadAsync" : "viWriteAsync";
    Services().raiseEvent(record->vi, VI_EVENT_IO_COMPLETION, &data);
}

// A request of 0 bytes is done at once through the session's own operation.
ViStatus SynchronousEmptyTransfer(SbvisaSession* session, bool read, ViBuf buffer, ViJobId* job) {
    ViUInt32 count = 0;
    ViStatus status = read ? GpibRead(session, buffer, 0, &count) : GpibWrite(session, buffer, 0, &count);
    ViJobId id = NewJobId();
    if (job) {
        *job = id;
    }
    PostCompletion(session, status, id, count, buffer, read);
    return VI_SUCCESS_SYNC;
}

ViStatus StartTransfer(SbvisaSession* session, bool read, ViBuf buffer, ViUInt32 count, ViJobId* job) {
    if (count == 0) {
        return SynchronousEmptyTransfer(session, read, buffer, job);
    }
    GpibSession& s = *GpibDataOf(session);
    GpibBoards& boards = GpibBoards::Instance();
    if (boards.Busy(s.board)) {
        return VI_ERROR_IN_PROGRESS;
    }
    if (!s.asyncListenerChecked) {
        ViStatus checked = GpibListenerCheck(s);
        if (checked < VI_SUCCESS) {
            return checked;
        }
        s.asyncListenerChecked = true;
    }
    if (!boards.Claim(s.board, session->vi)) {
        return VI_ERROR_IN_PROGRESS;
    }
    ViJobId id = NewJobId();
    {
        std::lock_guard lock(s.jobMutex);
        s.job = AsyncJob{id, read, buffer, count};
        s.jobPending = true;
    }
    GpibDriver& driver = GpibDriver::Instance();
    GpibResult started =
        read ? driver.ReadAsync(s.ud, buffer, count) : driver.WriteAsync(s.ud, buffer, count);
    if (started.failed()) {
        {
            std::lock_guard lock(s.jobMutex);
            s.jobPending = false;
        }
        boards.Release(s.board, session->vi);
        if (started.error == EOIP) {
            return VI_ERROR_IN_PROGRESS;
        }
        driver.Stop(s.ud);
        return MapGpibError(started);
    }
    if (job) {
        *job = id;
    }
    if (GpibNotifyMode()) {
        GpibArmNotification(s);
    } else {
        GpibPoller::Instance().Need();
    }
    return VI_SUCCESS;
}

} // namespace

GpibBoards& GpibBoards::Instance() {
    static GpibBoards* boards = new GpibBoards(); // used by the polling thread until exit
    return *boards;
}

bool GpibBoards::Claim(int board, ViSession vi) {
    std::lock_guard lock(mutex_);
    ViSession& owner = owner_[static_cast<std::size_t>(board)];
    if (owner != VI_NULL) {
        return false;
    }
    owner = vi;
    return true;
}

void GpibBoards::Release(int board, ViSession vi) {
    std::lock_guard lock(mutex_);
    ViSession& owner = owner_[static_cast<std::size_t>(board)];
    if (owner == vi) {
        owner = VI_NULL;
    }
}

bool GpibBoards::Busy(int board) const {
    return Owner(board) != VI_NULL;
}

ViSession GpibBoards::Owner(int board) const {
    std::lock_guard lock(mutex_);
    return owner_[static_cast<std::size_t>(board)];
}

void GpibCompleteJob(GpibSession& s, const GpibResult& result) {
    AsyncJob job;
    {
        std::lock_guard lock(s.jobMutex);
        if (!s.jobPending) {
            return;
        }
        job = s.job;
        s.jobPending = false;
    }
    GpibBoards::Instance().Release(s.board, s.record->vi);
    ViUInt32 count = result.count > 0 ? static_cast<ViUInt32>(result.count) : 0;
    ViStatus status = VI_SUCCESS;
    if (result.failed()) {
        status = MapGpibError(result);
    } else if (job.read) {
        status =
            (result.status & END) == 0 ? VI_SUCCESS_MAX_CNT : ReadStatus(s, result, job.buffer, job.count);
    }
    PostCompletion(s.record, status, job.id, count, job.buffer, job.read);
}

// Counts a synchronous transfer inside the driver, so that a close from another thread
// knows whom to stop.
class TransferInDriver {
public:
    explicit TransferInDriver(GpibSession& s) : s_(s) { s_.transfersInDriver.fetch_add(1); }
    ~TransferInDriver() { s_.transfersInDriver.fetch_sub(1); }
    TransferInDriver(const TransferInDriver&) = delete;
    TransferInDriver& operator=(const TransferInDriver&) = delete;

private:
    GpibSession& s_;
};

// A synchronous transfer through the driver, ended early when the session is closed.
template <class Call>
GpibResult SynchronousTransfer(GpibSession& s, Call call) {
    TransferInDriver counted(s);
    // Checked before each try, so that a transfer waiting for a busy board ends too.
    return GpibRetryWhileBusy(s, [&] { return s.aborting.load() ? GpibResult{ERR, EABO, 0} : call(); });
}

ViStatus GpibRead(SbvisaSession* session, ViBuf buffer, ViUInt32 count, ViUInt32* returned) {
    GpibSession& s = *GpibDataOf(session);
    GpibDriver& driver = GpibDriver::Instance();
    GpibResult result = SynchronousTransfer(s, [&] { return driver.Read(s.ud, buffer, count); });
    *returned = result.count > 0 ? static_cast<ViUInt32>(result.count) : 0;
    return ReadStatus(s, result, buffer, count);
}

ViStatus GpibWrite(SbvisaSession* session, ViConstBuf buffer, ViUInt32 count, ViUInt32* returned) {
    *returned = 0;
    if (count == 0) {
        return VI_SUCCESS;
    }
    GpibSession& s = *GpibDataOf(session);
    GpibDriver& driver = GpibDriver::Instance();
    GpibResult result = SynchronousTransfer(s, [&] { return driver.Write(s.ud, buffer, count); });
    *returned = result.count > 0 ? static_cast<ViUInt32>(result.count) : 0;
    return result.failed() ? MapGpibError(result) : VI_SUCCESS;
}

ViStatus GpibReadAsync(SbvisaSession* session, ViBuf buffer, ViUInt32 count, ViJobId* job) {
    return StartTransfer(session, true, buffer, count, job);
}

ViStatus GpibWriteAsync(SbvisaSession* session, ViConstBuf buffer, ViUInt32 count, ViJobId* job) {
    // The buffer stays the caller's until the completion event, as for a read.
    return StartTransfer(session, false, const_cast<ViBuf>(buffer), count, job);
}

ViStatus GpibTerminate(SbvisaSession* session, ViUInt16, ViJobId job) {
    GpibSession& s = *GpibDataOf(session);
    {
        std::lock_guard lock(s.jobMutex);
        bool owner = GpibBoards::Instance().Owner(s.board) == session->vi;
        if (!owner || !s.jobPending || s.terminating || s.job.id != job) {
            return VI_ERROR_INV_JOB_ID;
        }
        s.terminating = true; // the polling thread leaves the job to us from here
    }
    GpibResult stopped = GpibDriver::Instance().Stop(s.ud);
    bool aborted = stopped.failed() && stopped.error == EABO;
    if (aborted) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    {
        std::lock_guard lock(s.jobMutex);
        s.terminating = false;
    }
    if (aborted) {
        GpibCompleteJob(s, stopped);
    } else if (GpibNotifyMode()) {
        GpibArmNotification(s); // the transfer ended by itself: the driver reports it
    }
    return VI_SUCCESS;
}

// The session is being closed while another thread is inside one of its operations: stop
// the driver's transfers on the device until no synchronous one is left inside (a stop
// can come just before a transfer starts waiting, so it is repeated), for at most the
// time a close may reasonably take.
void GpibAbortTransfers(SbvisaSession* session) {
    GpibSession* s = GpibDataOf(session);
    if (!s) {
        return;
    }
    s->aborting.store(true);
    GpibDriver& driver = GpibDriver::Instance();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    do {
        driver.Stop(s->ud);
        if (s->transfersInDriver.load() == 0) {
            break;
        }
        Yield();
    } while (std::chrono::steady_clock::now() < deadline);
}

} // namespace corvid::visaio
