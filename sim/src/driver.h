// The simulated IEEE 488 driver: descriptors over the boards of the running bench, the
// traditional ib* operations, asynchronous transfers and notifications. One instance per
// process; every operation is serialised by one mutex, and waits (response delays,
// time-outs, ibwait) release it. An instrument without delay answers in the caller's
// thread.
#pragma once

#include "bus.h"
#include "ib488/ib488.h"

#include <array>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace corvid::sim {

// What a call leaves in the status words.
struct CallResult {
    int sta = 0;
    int err = 0;
    long cnt = 0;
};

class Driver {
public:
    // Per-descriptor settings of ibdev, ibconfig and ibask.
    struct Settings {
        int pad = 0;
        int sad = 0;
        int tmo = T10s;
        int eot = 1;
        int eos = 0;
        int readdr = 0;
        int unaddr = 0;
        int spollTmo = T1s;
        int autopoll = 0;
    };

    static Driver& Instance();
    ~Driver();
    Driver(const Driver&) = delete;
    Driver& operator=(const Driver&) = delete;

    // Replaces the bench with the file at path, or with the one found the usual way when
    // path is null. On failure the previous bench stays and error says why.
    bool LoadBench(const char* path, std::string& error);

    int Dev(int board, int pad, int sad, int tmo, int eot, int eos, CallResult& result);
    CallResult Onl(int ud, int online);
    CallResult Config(int ud, int option, int value);
    CallResult Ask(int ud, int option, int* value);
    CallResult Diag(int ud, void* buffer, long count);

    CallResult Write(int ud, const void* data, long count);
    CallResult Read(int ud, void* buffer, long count);
    CallResult WriteAsync(int ud, const void* data, long count);
    CallResult ReadAsync(int ud, void* buffer, long count);
    CallResult Wait(int ud, int mask);
    CallResult Stop(int ud);
    CallResult Notify(int ud, int mask, GpibNotifyCallback_t callback, void* refData);

    CallResult Clear(int ud);
    CallResult Trigger(int ud);
    CallResult SerialPoll(int ud, char* statusByte);
    CallResult Local(int ud);
    CallResult Listen(int ud, int pad, int sad, short* found);
    CallResult Lines(int ud, short* lines);
    CallResult Command(int ud, const void* commands, long count);
    CallResult InterfaceClear(int ud);
    // ATN off (ibgts) and on (ibcac): the controller in charge goes to standby or takes
    // the bus back.
    CallResult Attention(int ud, bool asserted);
    CallResult SystemControl(int ud, int request);
    CallResult RemoteEnable(int ud, int enable);
    CallResult FindListeners(int board, const Addr4882_t* pads, Addr4882_t* results, int max);
    CallResult PollAll(int board, const Addr4882_t* addresses, short* results);

private:
    Driver();

    using Lock = std::unique_lock<std::mutex>;

    struct Job {
        enum class State { None, Running, Done } state = State::None;
        bool read = false;
        char* buffer = nullptr;
        size_t count = 0;
        std::optional<Clock::time_point> deadline;
        CallResult result;
    };

    struct Notification {
        int mask = 0;
        GpibNotifyCallback_t callback = nullptr;
        void* refData = nullptr;
        Clock::time_point armedAt{};
        bool fired = false;
        uint64_t seenCompletions = 0;
        uint64_t seenRequests = 0;
        uint64_t generation = 0; // changes with every ibnotify on the descriptor
    };

    struct Descriptor {
        bool board = false;
        int boardIndex = 0;
        Settings settings;
        Settings initial; // restored by ibonl(ud, 1)
        Job job;
        uint64_t completions = 0;
        uint64_t aborts = 0;
        Notification notify;
    };

    static constexpr int kBoards = 16;
    static constexpr int kDescriptors = 4096;

    // Looks up ud; on failure fills result with the error.
    Descriptor* Find(int ud, CallResult& result);
    // The descriptor's board in the running bench, with the errors of a missing board or
    // one that is not controller in charge.
    Bus::Board* BoardOf(const Descriptor& d, CallResult& result, bool needController);
    // Find and BoardOf together: the board is null when either lookup failed (its error
    // is in result).
    std::pair<Descriptor*, Bus::Board*> FindWithBoard(int ud, CallResult& result, bool needController);
    // Device descriptor ready for a transfer: not a board, board present and in charge,
    // no transfer in progress on it.
    Descriptor* TransferTarget(int ud, const void* buffer, long count, CallResult& result,
                               Clock::time_point now);
    Instrument* DeviceOf(const Descriptor& d);
    int DeviceStatus(Descriptor& d, Clock::time_point now);
    int BoardStatus(Descriptor& d, Clock::time_point now);
    int StatusOf(Descriptor& d, Clock::time_point now) {
        return d.board ? BoardStatus(d, now) : DeviceStatus(d, now);
    }
    static std::optional<Clock::time_point> Deadline(int tmo, Clock::time_point now);
    // Waits for a change, until the deadline and the next reply becoming ready.
    void WaitForChange(Lock& lock, std::optional<Clock::time_point> deadline);
    void Changed() { changed_.notify_all(); }

    // One attempt of a read; nullopt when the reply is not ready yet.
    std::optional<CallResult> TryRead(Descriptor& d, char* buffer, size_t count, Clock::time_point now);
    CallResult WriteNow(Descriptor& d, const char* data, size_t count, Clock::time_point now);
    void Advance(Descriptor& d, Clock::time_point now);
    void AdvanceBoard(int board, Clock::time_point now);
    void Finish(Descriptor& d, const CallResult& result);
    CallResult Collect(Descriptor& d, int status);

    void InstallBench(std::unique_ptr<Bus> bus);
    void Release(int ud);
    CallResult ConfigBoard(Descriptor& d, int option, int value);
    bool ReadSetting(const Descriptor& d, int option, int& value);

    void StartNotifier();
    void NotifierLoop();
    uint64_t RequestsSeen(Descriptor& d);
    struct PendingCall;
    bool Due(int ud, Clock::time_point now, std::vector<PendingCall>& calls);
    std::optional<Clock::time_point> NextNotifierWake(Clock::time_point now);

    std::mutex mutex_;
    std::condition_variable changed_;
    std::unique_ptr<Bus> bus_;
    std::array<std::unique_ptr<Descriptor>, kDescriptors> descriptors_;
    std::array<int, kBoards> asyncOwner_{};
    std::thread notifier_;
    bool stopping_ = false;
};

} // namespace corvid::sim
