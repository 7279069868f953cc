// The polling thread of GPIB sessions: it looks for service requests and for the
// completion of asynchronous transfers, every "SRQPollTime" milliseconds, for as long as
// a session needs it.
#pragma once

#include <condition_variable>
#include <mutex>
#include <thread>

namespace corvid::visaio {

struct GpibSession;
void GpibPollSession(GpibSession& s);
bool GpibNeedsPolling(GpibSession& s);

class GpibPoller {
public:
    static GpibPoller& Instance();
    // Starts the thread unless it runs.
    void Need();
    // Stops the thread and waits for it (the component is detached or the process exits).
    void Stop();

private:
    GpibPoller() = default;
    void Run();
    bool Pass();

    std::mutex mutex_;
    std::condition_variable wake_;
    std::thread thread_;
    bool running_ = false;
    bool stop_ = false;
    bool requested_ = false;
};

} // namespace corvid::visaio
