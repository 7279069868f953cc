// Data transfers: synchronous and asynchronous reads and writes, ibwait and ibstop.
#include "driver.h"

namespace corvid::sim {

namespace {

CallResult Error(int err) {
    return {ERR, err, 0};
}

} // namespace

Driver::Descriptor* Driver::TransferTarget(int ud, const void* buffer, long count, CallResult& result,
                                           Clock::time_point now) {
    Descriptor* d = Find(ud, result);
    if (d == nullptr) {
        return nullptr;
    }
    if (d->board) {
        result = Error(ECAP); // data transfers go through device descriptors
        return nullptr;
    }
    if (count < 0 || (buffer == nullptr && count > 0)) {
        result = Error(EARG);
        return nullptr;
    }
    if (BoardOf(*d, result, true) == nullptr) {
        return nullptr;
    }
    AdvanceBoard(d->boardIndex, now);
    if (d->job.state == Job::State::Running || asyncOwner_[static_cast<size_t>(d->boardIndex)] >= 0) {
        result = Error(EOIP);
        return nullptr;
    }
    return d;
}

CallResult Driver::WriteNow(Descriptor& d, const char* data, size_t count, Clock::time_point now) {
    Instrument* inst = DeviceOf(d);
    if (inst == nullptr) {
        return Error(ENOL);
    }
    if (count == 0) {
        return {CMPL, 0, 0};
    }
    bool end = d.settings.eot != 0;
    if ((d.settings.eos & XEOS) != 0) {
        unsigned char mask = (d.settings.eos & BIN) != 0 ? 0xff : 0x7f;
        end = end || ((static_cast<unsigned char>(data[count - 1]) ^ d.settings.eos) & mask) == 0;
    }
    inst->Receive(std::string_view(data, count), end, now);
    Changed();
    return {CMPL, 0, static_cast<long>(count)};
}

std::optional<CallResult> Driver::TryRead(Descriptor& d, char* buffer, size_t count, Clock::time_point now) {
    Instrument* inst = DeviceOf(d);
    if (count == 0) {
        return CallResult{CMPL, 0, 0};
    }
    if (inst == nullptr || !inst->ReplyReady(now)) {
        return std::nullopt;
    }
    std::optional<char> eos;
    if ((d.settings.eos & REOS) != 0) {
        eos = static_cast<char>(d.settings.eos & 0xff);
    }
    Instrument::Talk talk = inst->Send(buffer, count, eos, (d.settings.eos & BIN) != 0, now);
    Changed();
    return CallResult{CMPL | (talk.end ? END : 0), 0, static_cast<long>(talk.count)};
}

CallResult Driver::Write(int ud, const void* data, long count) {
    Lock lock(mutex_);
    Clock::time_point now = Clock::now();
    CallResult result;
    Descriptor* d = TransferTarget(ud, data, count, result, now);
    if (d == nullptr) {
        return result;
    }
    result = WriteNow(*d, static_cast<const char*>(data), static_cast<size_t>(count), now);
    result.sta |= DeviceStatus(*d, now);
    return result;
}

CallResult Driver::Read(int ud, void* buffer, long count) {
    Lock lock(mutex_);
    Clock::time_point now = Clock::now();
    CallResult result;
    Descriptor* d = TransferTarget(ud, buffer, count, result, now);
    if (d == nullptr) {
        return result;
    }
    std::optional<Clock::time_point> deadline = Deadline(d->settings.tmo, now);
    uint64_t aborts = d->aborts;
    while (true) {
        // The descriptor may be released by another thread while this one waits.
        d = descriptors_[static_cast<size_t>(ud)].get();
        if (d == nullptr || d->aborts != aborts) {
            return Error(EABO);
        }
        if (std::optional<CallResult> read =
                TryRead(*d, static_cast<char*>(buffer), static_cast<size_t>(count), now)) {
            read->sta |= DeviceStatus(*d, now);
            return *read;
        }
        if (deadline && now >= *deadline) {
            Instrument* inst = DeviceOf(*d);
            if (inst != nullptr && !inst->HasReply()) {
                inst->ReadWithoutReply(now);
            }
            return {ERR | TIMO | CMPL | DeviceStatus(*d, now), EABO, 0};
        }
        WaitForChange(lock, deadline);
        now = Clock::now();
    }
}

void Driver::Finish(Descriptor& d, const CallResult& result) {
    d.job.state = Job::State::Done;
    d.job.result = result;
    ++d.completions;
    int& owner = asyncOwner_[static_cast<size_t>(d.boardIndex)];
    if (owner >= 0 && descriptors_[static_cast<size_t>(owner)].get() == &d) {
        owner = -1;
    }
    Changed();
}

void Driver::Advance(Descriptor& d, Clock::time_point now) {
    Job& job = d.job;
    if (job.state != Job::State::Running || !job.read) {
        return;
    }
    if (std::optional<CallResult> read = TryRead(d, job.buffer, job.count, now)) {
        Finish(d, *read);
    } else if (job.deadline && now >= *job.deadline) {
        Instrument* inst = DeviceOf(d);
        if (inst != nullptr && !inst->HasReply()) {
            inst->ReadWithoutReply(now);
        }
        Finish(d, {ERR | TIMO | CMPL, EABO, 0});
    }
}

void Driver::AdvanceBoard(int board, Clock::time_point now) {
    int owner = asyncOwner_[static_cast<size_t>(board)];
    if (owner >= 0 && descriptors_[static_cast<size_t>(owner)]) {
        Advance(*descriptors_[static_cast<size_t>(owner)], now);
    }
}

// Hands the results of a finished transfer to the caller that sees CMPL.
CallResult Driver::Collect(Descriptor& d, int status) {
    if (d.job.state != Job::State::Done || (status & CMPL) == 0) {
        return {status, 0, 0};
    }
    CallResult result = d.job.result;
    result.sta |= status;
    d.job = Job{};
    return result;
}

CallResult Driver::WriteAsync(int ud, const void* data, long count) {
    Lock lock(mutex_);
    Clock::time_point now = Clock::now();
    CallResult result;
    Descriptor* d = TransferTarget(ud, data, count, result, now);
    if (d == nullptr) {
        return result;
    }
    // Writes to a simulated instrument never wait: the transfer is complete at once and
    // its count is collected by ibwait like any other.
    result = WriteNow(*d, static_cast<const char*>(data), static_cast<size_t>(count), now);
    if ((result.sta & ERR) != 0) {
        return result;
    }
    d->job = Job{Job::State::Running, false, nullptr, 0, std::nullopt, {}};
    Finish(*d, result);
    return {DeviceStatus(*d, now), 0, 0};
}

CallResult Driver::ReadAsync(int ud, void* buffer, long count) {
    Lock lock(mutex_);
    Clock::time_point now = Clock::now();
    CallResult result;
    Descriptor* d = TransferTarget(ud, buffer, count, result, now);
    if (d == nullptr) {
        return result;
    }
    d->job = Job{Job::State::Running,
                 true,
                 static_cast<char*>(buffer),
                 static_cast<size_t>(count),
                 Deadline(d->settings.tmo, now),
                 {}};
    asyncOwner_[static_cast<size_t>(d->boardIndex)] = ud;
    Advance(*d, now);
    Changed();
    return {DeviceStatus(*d, now), 0, 0};
}

CallResult Driver::Wait(int ud, int mask) {
    Lock lock(mutex_);
    CallResult result;
    Descriptor* d = Find(ud, result);
    if (d == nullptr) {
        return result;
    }
    const int allowed = d->board ? ~(RQS | ERR) & 0xffff : (TIMO | END | RQS | CMPL);
    if ((mask & ~allowed) != 0) {
        return Error(EARG);
    }
    Clock::time_point now = Clock::now();
    std::optional<Clock::time_point> deadline =
        (mask & TIMO) != 0 ? Deadline(d->settings.tmo, now) : std::optional<Clock::time_point>{};
    while (true) {
        d = descriptors_[static_cast<size_t>(ud)].get();
        if (d == nullptr) {
            return Error(EDVR);
        }
        Advance(*d, now);
        int status = StatusOf(*d, now);
        int seen = status | (d->job.state == Job::State::Done ? d->job.result.sta & (END | ERR) : 0);
        if (mask == 0 || (seen & mask & ~TIMO) != 0) {
            return Collect(*d, status);
        }
        if (deadline && now >= *deadline) {
            return Collect(*d, status | TIMO);
        }
        std::optional<Clock::time_point> wake = deadline;
        if (d->job.state == Job::State::Running && d->job.deadline && (!wake || *d->job.deadline < *wake)) {
            wake = d->job.deadline;
        }
        WaitForChange(lock, wake);
        now = Clock::now();
    }
}

CallResult Driver::Stop(int ud) {
    Lock lock(mutex_);
    CallResult result;
    Descriptor* d = Find(ud, result);
    if (d == nullptr) {
        return result;
    }
    Clock::time_point now = Clock::now();
    Advance(*d, now);
    ++d->aborts; // also ends synchronous reads waiting on this descriptor
    Changed();
    if (d->job.state != Job::State::Running) {
        return {StatusOf(*d, now), 0, 0};
    }
    Finish(*d, {ERR | CMPL, EABO, 0});
    return Collect(*d, StatusOf(*d, now));
}

} // namespace corvid::sim
