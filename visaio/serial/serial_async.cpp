// Asynchronous reads and writes of serial sessions (one worker thread per job, completed
// with VI_EVENT_IO_COMPLETION) and terminate, which ends the job with VI_ERROR_ABORT.
#include "serial_session.h"

#include <chrono>
#include <system_error>

namespace corvid::visaio {
namespace {

// How long terminate waits for the aborted transfer to end.
constexpr std::chrono::milliseconds kTerminateWait{100};

void RunJob(SerialSession* s) {
    AsyncJob job;
    ViSession vi = s->record->vi; // the session may be gone once the job is marked ended
    {
        std::lock_guard lock(s->jobMutex);
        job = s->job;
    }
    ViUInt32 count = 0;
    ViStatus status = job.read ? SerialReadData(*s, job.buffer, job.count, count, s->jobAbort)
                               : SerialWriteData(*s, job.buffer, job.count, count, s->jobAbort);
    {
        std::lock_guard lock(s->jobMutex);
        s->jobPending = false;
        s->jobAbort.Clear(); // a request that came after the transfer ended
        s->jobEnded.notify_all();
    }
    SbvisaEventData data{};
    data.status = status;
    data.jobId = job.id;
    data.returnCount = count;
    data.buffer = job.buffer;
    data.operationName = job.read ? "viReadAsync" : "viWriteAsync";
    Services().raiseEvent(vi, VI_EVENT_IO_COMPLETION, &data);
}

// Lets go of a finished worker, without holding the job mutex: its completion handler may
// still be calling into the session. A handler that starts the next job or closes the
// session runs on that worker, which then cannot wait for itself.
void ReleaseWorker(std::thread worker) {
    if (!worker.joinable()) {
        return;
    }
    if (worker.get_id() == std::this_thread::get_id()) {
        worker.detach();
    } else {
        worker.join();
    }
}

ViStatus StartJob(SbvisaSession* session, bool read, ViBuf buffer, ViUInt32 count, ViJobId* job) {
    SerialSession& s = *SerialDataOf(session);
    std::unique_lock lock(s.jobMutex);
    if (s.jobPending) {
        return VI_ERROR_IN_PROGRESS;
    }
    std::thread previous = std::move(s.worker);
    ViJobId id = NewJobId();
    s.job = AsyncJob{id, read, buffer, count};
    try {
        s.worker = std::thread(RunJob, &s);
    } catch (const std::system_error&) {
        lock.unlock();
        ReleaseWorker(std::move(previous));
        return VI_ERROR_SYSTEM_ERROR;
    }
    s.jobPending = true; // the worker waits for the mutex before it looks at the job
    lock.unlock();
    ReleaseWorker(std::move(previous));
    if (job) {
        *job = id;
    }
    return VI_SUCCESS;
}

} // namespace

ViStatus SerialReadAsync(SbvisaSession* session, ViBuf buffer, ViUInt32 count, ViJobId* job) {
    return StartJob(session, true, buffer, count, job);
}

ViStatus SerialWriteAsync(SbvisaSession* session, ViConstBuf buffer, ViUInt32 count, ViJobId* job) {
    // The buffer stays the caller's until the completion event, as for a read.
    return StartJob(session, false, const_cast<ViBuf>(buffer), count, job);
}

ViStatus SerialTerminate(SbvisaSession* session, ViUInt16, ViJobId job) {
    SerialSession& s = *SerialDataOf(session);
    std::unique_lock lock(s.jobMutex);
    if (!s.jobPending || s.job.id != job) {
        return VI_ERROR_INV_JOB_ID;
    }
    s.jobAbort.Request();
    s.jobEnded.wait_for(lock, kTerminateWait, [&] { return !s.jobPending; });
    return VI_SUCCESS;
}

void SerialStopJob(SerialSession& s) {
    std::unique_lock lock(s.jobMutex);
    if (s.jobPending) {
        s.jobAbort.Request();
        s.jobEnded.wait(lock, [&] { return !s.jobPending; });
    }
    std::thread worker = std::move(s.worker);
    lock.unlock();
    ReleaseWorker(std::move(worker));
}

void SerialAbortTransfers(SbvisaSession* session) {
    SerialSession& s = *SerialDataOf(session);
    s.ioAbort.Request();
    s.jobAbort.Request();
}

} // namespace corvid::visaio
