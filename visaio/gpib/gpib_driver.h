// The GPIB driver library, loaded by file name when first needed; each function is looked
// up on its first use. A wrapper whose library or function is missing answers the error
// bit in the status word with no error code, so an absent library finds nothing.
#pragma once

#include <atomic>
#include <ib488/ib488.h>
#include <mutex>
#include <string>

namespace corvid::visaio {

// What one driver call left: the status word, the error code (meaningful with ERR; -1
// when the driver gave none) and the count.
struct GpibResult {
    int status = 0;
    int error = 0;
    long count = 0;

    bool failed() const { return (status & ERR) != 0; }
    // Failed with an error other than the code accepted like success for system control,
    // remote enable and listener questions.
    bool failedHard() const { return failed() && error != kAcceptedError; }

    // Error 24 of the driver ("no change needed") counts as success where the algorithms
    // say so.
    static constexpr int kAcceptedError = 24;
};

class GpibDriver {
public:
    // The process's driver library, named by the shared configuration tables.
    static GpibDriver& Instance();

    GpibResult Ask(int ud, int option, int* value);
    GpibResult Clear(int ud);
    GpibResult Command(int ud, const void* bytes, long count);
    GpibResult Config(int ud, int option, int value);
    // Opens a device: the descriptor (or -1) is in the result's count.
    GpibResult Device(int board, int pad, int sad, int timeout, int sendEoi, int eos);
    GpibResult Diagnostics(int ud, void* buffer, long count);
    GpibResult Eot(int ud, int sendEoi);
    // ATN off (standby), with or without shadow handshake; ATN on (take control).
    GpibResult GoToStandby(int ud, int shadowHandshake);
    GpibResult TakeControl(int ud, int synchronous);
    GpibResult Listener(int ud, int pad, int sad, bool& found);
    GpibResult Lines(int ud, short& lines);
    GpibResult Local(int ud);
    GpibResult Notify(int ud, int mask, GpibNotifyCallback_t callback, void* refData);
    bool CanNotify() { return Function(notify_, "ibnotify") != nullptr; }
    GpibResult Online(int ud, int online);
    GpibResult Read(int ud, void* buffer, long count);
    GpibResult ReadAsync(int ud, void* buffer, long count);
    GpibResult RequestControl(int ud, int request);
    GpibResult SerialPoll(int ud, char* statusByte);
    GpibResult InterfaceClear(int ud);
    GpibResult RemoteEnable(int ud, int enable);
    GpibResult Stop(int ud);
    GpibResult Timeout(int ud, int code);
    GpibResult Trigger(int ud);
    GpibResult Wait(int ud, int mask);
    GpibResult Write(int ud, const void* buffer, long count);
    GpibResult WriteAsync(int ud, const void* buffer, long count);
    // FindLstn: the number of listeners found is in the result's count.
    GpibResult FindListeners(int board, const Addr4882_t* addresses, Addr4882_t* results, int limit);

private:
    GpibDriver() = default;

    void* Library();
    void* Function(std::atomic<void*>& slot, const char* name);
    GpibResult Status(int returned);

    std::once_flag loadOnce_;
    void* library_ = nullptr;
    std::atomic<void*> ask_{}, clear_{}, command_{}, config_{}, device_{}, diagnostics_{}, eot_{},
        listener_{};
    std::atomic<void*> lines_{}, local_{}, notify_{}, online_{}, read_{}, readAsync_{}, requestControl_{},
        serialPoll_{};
    std::atomic<void*> interfaceClear_{}, remoteEnable_{}, stop_{}, timeout_{}, trigger_{}, wait_{}, write_{};
    std::atomic<void*> writeAsync_{}, findListeners_{}, goToStandby_{}, takeControl_{};
    std::atomic<void*> threadIbsta_{}, threadIberr_{}, threadIbcntl_{};
};

} // namespace corvid::visaio
