// ibnotify: a library thread watches the registered conditions and calls back.
//
// A condition that holds when the notification is armed is reported at once. After a
// callback that keeps the notification, the same condition is reported again only when
// it arises anew (another completed transfer, another service request), so a callback
// that does not serial-poll does not spin.
#include "driver.h"

namespace corvid::sim {

struct Driver::PendingCall {
    int ud;
    GpibNotifyCallback_t callback;
    void* refData;
    CallResult status;
    uint64_t generation;
    uint64_t requests;
};

namespace {

constexpr int kDeviceNotifyMask = RQS | CMPL | END | TIMO;
constexpr int kBoardNotifyMask = 0xffff & ~(RQS | ERR);

} // namespace

CallResult Driver::Notify(int ud, int mask, GpibNotifyCallback_t callback, void* refData) {
    Lock lock(mutex_);
    CallResult result;
    Descriptor* d = Find(ud, result);
    if (d == nullptr) {
        return result;
    }
    int allowed = d->board ? kBoardNotifyMask : kDeviceNotifyMask;
    if ((mask & ~allowed) != 0 || (mask != 0 && callback == nullptr)) {
        return {ERR, EARG, 0};
    }
    Notification& n = d->notify;
    uint64_t generation = n.generation + 1;
    n = Notification{};
    n.generation = generation;
    if (mask != 0) {
        n.mask = mask;
        n.callback = callback;
        n.refData = refData;
        n.armedAt = Clock::now();
        StartNotifier();
    }
    Changed();
    return {StatusOf(*d, Clock::now()), 0, 0};
}

void Driver::StartNotifier() {
    if (!notifier_.joinable()) {
        notifier_ = std::thread([this] { NotifierLoop(); });
    }
}

uint64_t Driver::RequestsSeen(Descriptor& d) {
    if (!d.board) {
        Instrument* inst = DeviceOf(d);
        return inst != nullptr ? inst->requestCount() : 0;
    }
    uint64_t total = 0;
    if (Bus::Board* board = bus_->FindBoard(d.boardIndex)) {
        for (Instrument* inst : board->instruments) {
            total += inst->requestCount();
        }
    }
    return total;
}

bool Driver::Due(int ud, Clock::time_point now, std::vector<PendingCall>& calls) {
    Descriptor& d = *descriptors_[static_cast<size_t>(ud)];
    Notification& n = d.notify;
    int status = StatusOf(d, now);
    CallResult job{};
    if (d.job.state == Job::State::Done) {
        job = d.job.result;
        status |= job.sta & (END | ERR);
    }
    uint64_t requests = RequestsSeen(d);
    int active = status & n.mask & ~TIMO;
    bool due =
        active != 0 && (!n.fired || ((active & (CMPL | END)) != 0 && d.completions != n.seenCompletions) ||
                        ((active & (RQS | SRQI)) != 0 && requests != n.seenRequests));
    if (!due && (n.mask & TIMO) != 0) {
        std::optional<Clock::time_point> deadline = Deadline(d.settings.tmo, n.armedAt);
        if (deadline && now >= *deadline) {
            due = true;
            status |= TIMO;
        }
    }
    if (due) {
        calls.push_back({ud, n.callback, n.refData, {status, job.err, job.cnt}, n.generation, requests});
    }
    return due;
}

std::optional<Clock::time_point> Driver::NextNotifierWake(Clock::time_point now) {
    std::optional<Clock::time_point> wake = bus_->NextReplyTime(now);
    auto earlier = [&](std::optional<Clock::time_point> t) {
        if (t && (!wake || *t < *wake)) {
            wake = t;
        }
    };
    for (const auto& d : descriptors_) {
        if (!d) {
            continue;
        }
        if (d->job.state == Job::State::Running) {
            earlier(d->job.deadline);
        }
        if ((d->notify.mask & TIMO) != 0) {
            earlier(Deadline(d->settings.tmo, d->notify.armedAt));
        }
    }
    return wake;
}

void Driver::NotifierLoop() {
    Lock lock(mutex_);
    std::vector<PendingCall> calls;
    while (!stopping_) {
        Clock::time_point now = Clock::now();
        for (int board = 0; board < kBoards; ++board) {
            AdvanceBoard(board, now);
        }
        calls.clear();
        for (int ud = 0; ud < kDescriptors; ++ud) {
            const auto& d = descriptors_[static_cast<size_t>(ud)];
            if (d && d->notify.mask != 0) {
                Due(ud, now, calls);
            }
        }
        if (calls.empty()) {
            std::optional<Clock::time_point> wake = NextNotifierWake(now);
            if (wake) {
                changed_.wait_until(lock, *wake);
            } else {
                changed_.wait(lock);
            }
            continue;
        }
        for (const PendingCall& call : calls) {
            // Called without the lock: callbacks use the ib* functions.
            lock.unlock();
            int rearm =
                call.callback(call.ud, call.status.sta, call.status.err, call.status.cnt, call.refData);
            lock.lock();
            const auto& d = descriptors_[static_cast<size_t>(call.ud)];
            if (!d || d->notify.generation != call.generation) {
                continue; // released or re-registered inside the callback
            }
            Notification& n = d->notify;
            n.mask = rearm & (d->board ? kBoardNotifyMask : kDeviceNotifyMask);
            n.armedAt = Clock::now();
            n.fired = true;
            n.seenCompletions = d->completions;
            n.seenRequests = call.requests;
            if (stopping_) {
                break;
            }
        }
    }
}

} // namespace corvid::sim
