#include "gpib_poller.h"

#include "gpib_session.h"

#include <cstdlib>
#include <vector>

namespace corvid::visaio {
namespace {

void StopAtExit() {
    GpibPoller::Instance().Stop();
}

} // namespace

GpibPoller& GpibPoller::Instance() {
    static GpibPoller* poller = new GpibPoller(); // stopped explicitly, never destroyed
    return *poller;
}

void GpibPoller::Need() {
    std::lock_guard lock(mutex_);
    if (stop_) {
        return;
    }
    if (running_) {
        requested_ = true;
        wake_.notify_all();
        return;
    }
    if (thread_.joinable()) {
        thread_.join(); // a thread that ended by itself
    }
    static std::once_flag registered;
    // Stopped before the driver library's own state goes away at exit.
    std::call_once(registered, [] { std::atexit(StopAtExit); });
    running_ = true;
    thread_ = std::thread([this] { Run(); });
}

void GpibPoller::Stop() {
    std::thread thread;
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
        wake_.notify_all();
        thread = std::move(thread_);
    }
    if (thread.joinable() && thread.get_id() != std::this_thread::get_id()) {
        thread.join();
    } else if (thread.joinable()) {
        thread.detach();
    }
}

// One walk over the session table; true while some session still needs the thread.
bool GpibPoller::Pass() {
    const SbvisaServices& services = Services();
    std::vector<ViSession> handles(64);
    ViUInt32 total = services.listSessions(handles.data(), static_cast<ViUInt32>(handles.size()));
    if (total > handles.size()) {
        handles.resize(total);
        total = std::min<ViUInt32>(services.listSessions(handles.data(), total), total);
    }
    handles.resize(total);
    bool needed = false;
    for (ViSession vi : handles) {
        PinnedSession pinned(vi);
        GpibSession* s = pinned ? GpibDataOf(pinned.get()) : nullptr;
        if (!s) {
            continue;
        }
        GpibPollSession(*s);
        needed |= GpibNeedsPolling(*s);
    }
    return needed;
}

void GpibPoller::Run() {
    auto interval = std::chrono::milliseconds(ConfigNumber("GPIB-CONFIG", "SRQPollTime", 500, 1, 0xFFFF));
    std::unique_lock lock(mutex_);
    while (!stop_) {
        requested_ = false;
        lock.unlock();
        bool needed = Pass();
        lock.lock();
        // A request that came during the pass may concern a session the pass missed.
        if (stop_ || (!needed && !requested_)) {
            break;
        }
        wake_.wait_for(lock, interval, [this] { return stop_ || requested_; });
    }
    running_ = false;
}

} // namespace corvid::visaio
