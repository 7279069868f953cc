// Driver core: the bench, descriptors, status words and configuration.
#include "driver.h"

#include "bench_location.h"

#include <cstdio>

namespace corvid::sim {

namespace {

constexpr std::chrono::microseconds kTimeouts[] = {
    std::chrono::microseconds(0),   std::chrono::microseconds(10),  std::chrono::microseconds(30),
    std::chrono::microseconds(100), std::chrono::microseconds(300), std::chrono::milliseconds(1),
    std::chrono::milliseconds(3),   std::chrono::milliseconds(10),  std::chrono::milliseconds(30),
    std::chrono::milliseconds(100), std::chrono::milliseconds(300), std::chrono::seconds(1),
    std::chrono::seconds(3),        std::chrono::seconds(10),       std::chrono::seconds(30),
    std::chrono::seconds(100),      std::chrono::seconds(300),      std::chrono::seconds(1000)};

bool ValidSad(int sad) {
    return sad == 0 || (sad >= 0x60 && sad <= 0x7e);
}

CallResult Error(int err) {
    return {ERR, err, 0};
}

} // namespace

Driver& Driver::Instance() {
    static Driver driver;
    return driver;
}

Driver::Driver() {
    asyncOwner_.fill(-1);
    try {
        InstallBench(std::make_unique<Bus>(ReadBenchFile(FindBenchFile())));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "simgpib: %s\n", e.what());
        InstallBench(std::make_unique<Bus>(BenchSpec{}));
    }
}

Driver::~Driver() {
    {
        Lock lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    if (notifier_.joinable()) {
        notifier_.join();
    }
}

bool Driver::LoadBench(const char* path, std::string& error) {
    std::string file = path != nullptr ? std::string(path) : FindBenchFile();
    std::unique_ptr<Bus> bus;
    try {
        bus = std::make_unique<Bus>(ReadBenchFile(file));
    } catch (const std::exception& e) {
        error = e.what();
        return false;
    }
    Lock lock(mutex_);
    InstallBench(std::move(bus));
    Changed();
    return true;
}

// Called with the mutex held (or from the constructor). Transfers in progress end with
// EABO; device descriptors stay and address the new bench.
void Driver::InstallBench(std::unique_ptr<Bus> bus) {
    for (auto& d : descriptors_) {
        if (d && d->job.state == Job::State::Running) {
            Finish(*d, {ERR | CMPL, EABO, 0});
        }
    }
    bus_ = std::move(bus);
    for (int i = 0; i < kBoards; ++i) {
        Bus::Board* board = bus_->FindBoard(i);
        if (board == nullptr) {
            descriptors_[static_cast<size_t>(i)].reset();
            continue;
        }
        auto d = std::make_unique<Descriptor>();
        d->board = true;
        d->boardIndex = i;
        d->settings.pad = board->spec.pad;
        d->settings.tmo = T3s;
        d->initial = d->settings;
        descriptors_[static_cast<size_t>(i)] = std::move(d);
    }
}

Driver::Descriptor* Driver::Find(int ud, CallResult& result) {
    if (ud < 0 || ud >= kDescriptors || !descriptors_[static_cast<size_t>(ud)]) {
        result = Error(ud >= 0 && ud < kBoards ? ENEB : EDVR);
        return nullptr;
    }
    return descriptors_[static_cast<size_t>(ud)].get();
}

std::pair<Driver::Descriptor*, Bus::Board*> Driver::FindWithBoard(int ud, CallResult& result,
                                                                  bool needController) {
    Descriptor* d = Find(ud, result);
    return {d, d == nullptr ? nullptr : BoardOf(*d, result, needController)};
}

Bus::Board* Driver::BoardOf(const Descriptor& d, CallResult& result, bool needController) {
    Bus::Board* board = bus_->FindBoard(d.boardIndex);
    if (board == nullptr) {
        result = Error(ENEB);
    } else if (needController && !board->controllerInCharge) {
        result = Error(ECIC);
        return nullptr;
    }
    return board;
}

Instrument* Driver::DeviceOf(const Descriptor& d) {
    return bus_->Listener(d.boardIndex, d.settings.pad, d.settings.sad);
}

std::optional<Clock::time_point> Driver::Deadline(int tmo, Clock::time_point now) {
    if (tmo <= TNONE || tmo > T1000s) {
        return std::nullopt;
    }
    return now + kTimeouts[tmo];
}

void Driver::WaitForChange(Lock& lock, std::optional<Clock::time_point> deadline) {
    std::optional<Clock::time_point> wake = bus_->NextReplyTime(Clock::now());
    if (deadline && (!wake || *deadline < *wake)) {
        wake = deadline;
    }
    if (wake) {
        changed_.wait_until(lock, *wake);
    } else {
        changed_.wait(lock);
    }
}

int Driver::DeviceStatus(Descriptor& d, Clock::time_point now) {
    int sta = d.job.state == Job::State::Running ? 0 : CMPL;
    Instrument* inst = DeviceOf(d);
    if (inst != nullptr && inst->RequestingService(now)) {
        sta |= RQS;
    }
    return sta;
}

int Driver::BoardStatus(Descriptor& d, Clock::time_point now) {
    int sta = CMPL;
    Bus::Board* board = bus_->FindBoard(d.boardIndex);
    if (board == nullptr) {
        return sta;
    }
    if (bus_->ServiceRequest(*board, now)) {
        sta |= SRQI;
    }
    if (board->controllerInCharge) {
        sta |= CIC;
    }
    if (board->remoteEnable) {
        sta |= REM;
    }
    return sta;
}

int Driver::Dev(int board, int pad, int sad, int tmo, int eot, int eos, CallResult& result) {
    Lock lock(mutex_);
    if (bus_->FindBoard(board) == nullptr) {
        result = Error(ENEB);
        return -1;
    }
    if (pad < 0 || pad > 30 || !ValidSad(sad) || tmo < TNONE || tmo > T1000s ||
        (eos & ~(EOS_MASK | 0xff)) != 0) {
        result = Error(EARG);
        return -1;
    }
    for (int ud = kBoards; ud < kDescriptors; ++ud) {
        auto& slot = descriptors_[static_cast<size_t>(ud)];
        if (!slot) {
            slot = std::make_unique<Descriptor>();
            slot->boardIndex = board;
            slot->settings = Settings{pad, sad, tmo, eot != 0 ? 1 : 0, eos, 0, 0, T1s, 0};
            slot->initial = slot->settings;
            result = {CMPL, 0, 0};
            return ud;
        }
    }
    result = Error(EDVR);
    return -1;
}

void Driver::Release(int ud) {
    Descriptor& d = *descriptors_[static_cast<size_t>(ud)];
    if (d.job.state == Job::State::Running) {
        Finish(d, {ERR | CMPL, EABO, 0});
    }
    descriptors_[static_cast<size_t>(ud)].reset();
    Changed();
}

CallResult Driver::Onl(int ud, int online) {
    Lock lock(mutex_);
    CallResult result;
    Descriptor* d = Find(ud, result);
    if (d == nullptr) {
        return result;
    }
    if (d->board) {
        return {CMPL, 0, 0}; // boards stay online
    }
    if (online == 0) {
        Release(ud);
        return {0, 0, 0};
    }
    d->settings = d->initial;
    return {CMPL, 0, 0};
}

CallResult Driver::Diag(int ud, void* buffer, long count) {
    Lock lock(mutex_);
    CallResult result;
    auto [d, board] = FindWithBoard(ud, result, false);
    if (board == nullptr) {
        return result;
    }
    if (buffer == nullptr || count < 0) {
        return Error(EARG);
    }
    const unsigned char data[] = {0x90, static_cast<unsigned char>(board->spec.type),
                                  static_cast<unsigned char>(d->boardIndex)};
    size_t n = std::min(sizeof data, static_cast<size_t>(count));
    std::copy(data, data + n, static_cast<unsigned char*>(buffer));
    return {CMPL, 0, static_cast<long>(n)};
}

} // namespace corvid::sim
