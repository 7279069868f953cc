#include "gpib_driver.h"

#include "../component.h"

#include <cstdio>
#include <dlfcn.h>
#include <unistd.h>

namespace corvid::visaio {
namespace {

constexpr GpibResult kUnavailable{ERR, -1, 0};

// Where the driver library named in the configuration is: a bare file name is looked for
// beside the support library first, then on the library search path.
std::string LibraryPath(const char* name) {
    std::string file = name;
    if (file.find('/') == std::string::npos) {
        std::string beside = std::string(Services().installDirectory()) + "/" + file;
        if (access(beside.c_str(), F_OK) == 0) {
            return beside;
        }
    }
    return file;
}

template <class F>
F As(void* function) {
    return reinterpret_cast<F>(function);
}

} // namespace

GpibDriver& GpibDriver::Instance() {
    static GpibDriver* driver = new GpibDriver(); // used by threads until the process ends
    return *driver;
}

void* GpibDriver::Library() {
    std::call_once(loadOnce_, [this] {
        const char* name = Tables().gpibLibrary;
        if (name[0] != '\0') {
            library_ = dlopen(LibraryPath(name).c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
        }
        if (!library_) {
            // Said once per process: every GPIB find and open fails from here on.
            const char* reason = name[0] != '\0' ? dlerror() : "no library is configured";
            std::fprintf(
                stderr,
                "sbviio32: the GPIB driver library \"%s\" cannot be loaded (%s); GPIB finds nothing\n", name,
                reason ? reason : "unknown reason");
        }
    });
    return library_;
}

void* GpibDriver::Function(std::atomic<void*>& slot, const char* name) {
    void* function = slot.load(std::memory_order_acquire);
    if (!function) {
        void* library = Library();
        function = library ? dlsym(library, name) : nullptr;
        slot.store(function, std::memory_order_release);
    }
    return function;
}

// The status of the call just made on this thread, from the thread status functions
// where the library has them and from the global status words otherwise.
GpibResult GpibDriver::Status(int returned) {
    GpibResult result;
    auto threadIbsta = As<int (*)()>(Function(threadIbsta_, "ThreadIbsta"));
    auto threadIberr = As<int (*)()>(Function(threadIberr_, "ThreadIberr"));
    auto threadIbcntl = As<long (*)()>(Function(threadIbcntl_, "ThreadIbcntl"));
    result.status = threadIbsta ? threadIbsta() : returned;
    if (threadIberr && threadIbcntl) {
        result.error = threadIberr();
        result.count = threadIbcntl();
        return result;
    }
    void* library = Library();
    auto* iberr = static_cast<volatile int*>(library ? dlsym(library, "iberr") : nullptr);
    auto* ibcntl = static_cast<volatile long*>(library ? dlsym(library, "ibcntl") : nullptr);
    result.error = iberr ? *iberr : -1;
    result.count = ibcntl ? *ibcntl : 0;
    return result;
}

#define GPIB_CALL(slot, name, type, ...)                                                                     \
    auto function = As<type>(Function(slot, name));                                                          \
    if (!function) {                                                                                         \
        return kUnavailable;                                                                                 \
    }                                                                                                        \
    return Status(function(__VA_ARGS__))

GpibResult GpibDriver::Ask(int ud, int option, int* value) {
    GPIB_CALL(ask_, "ibask", int (*)(int, int, int*), ud, option, value);
}
GpibResult GpibDriver::GoToStandby(int ud, int shadowHandshake) {
    GPIB_CALL(goToStandby_, "ibgts", int (*)(int, int), ud, shadowHandshake);
}
GpibResult GpibDriver::TakeControl(int ud, int synchronous) {
    GPIB_CALL(takeControl_, "ibcac", int (*)(int, int), ud, synchronous);
}
GpibResult GpibDriver::Clear(int ud) {
    GPIB_CALL(clear_, "ibclr", int (*)(int), ud);
}
GpibResult GpibDriver::Command(int ud, const void* bytes, long count) {
    GPIB_CALL(command_, "ibcmd", int (*)(int, const void*, long), ud, bytes, count);
}
GpibResult GpibDriver::Config(int ud, int option, int value) {
    GPIB_CALL(config_, "ibconfig", int (*)(int, int, int), ud, option, value);
}
GpibResult GpibDriver::Diagnostics(int ud, void* buffer, long count) {
    GPIB_CALL(diagnostics_, "ibdiag", int (*)(int, void*, long), ud, buffer, count);
}
GpibResult GpibDriver::Eot(int ud, int sendEoi) {
    GPIB_CALL(eot_, "ibeot", int (*)(int, int), ud, sendEoi);
}
GpibResult GpibDriver::Lines(int ud, short& lines) {
    GPIB_CALL(lines_, "iblines", int (*)(int, short*), ud, &lines);
}
GpibResult GpibDriver::Local(int ud) {
    GPIB_CALL(local_, "ibloc", int (*)(int), ud);
}
GpibResult GpibDriver::Notify(int ud, int mask, GpibNotifyCallback_t callback, void* refData) {
    GPIB_CALL(notify_, "ibnotify", int (*)(int, int, GpibNotifyCallback_t, void*), ud, mask, callback,
              refData);
}
GpibResult GpibDriver::Online(int ud, int online) {
    GPIB_CALL(online_, "ibonl", int (*)(int, int), ud, online);
}
GpibResult GpibDriver::Read(int ud, void* buffer, long count) {
    GPIB_CALL(read_, "ibrd", int (*)(int, void*, long), ud, buffer, count);
}
GpibResult GpibDriver::ReadAsync(int ud, void* buffer, long count) {
    GPIB_CALL(readAsync_, "ibrda", int (*)(int, void*, long), ud, buffer, count);
}
GpibResult GpibDriver::RequestControl(int ud, int request) {
    GPIB_CALL(requestControl_, "ibrsc", int (*)(int, int), ud, request);
}
GpibResult GpibDriver::SerialPoll(int ud, char* statusByte) {
    GPIB_CALL(serialPoll_, "ibrsp", int (*)(int, char*), ud, statusByte);
}
GpibResult GpibDriver::InterfaceClear(int ud) {
    GPIB_CALL(interfaceClear_, "ibsic", int (*)(int), ud);
}
GpibResult GpibDriver::RemoteEnable(int ud, int enable) {
    GPIB_CALL(remoteEnable_, "ibsre", int (*)(int, int), ud, enable);
}
GpibResult GpibDriver::Stop(int ud) {
    GPIB_CALL(stop_, "ibstop", int (*)(int), ud);
}
GpibResult GpibDriver::Timeout(int ud, int code) {
    GPIB_CALL(timeout_, "ibtmo", int (*)(int, int), ud, code);
}
GpibResult GpibDriver::Trigger(int ud) {
    GPIB_CALL(trigger_, "ibtrg", int (*)(int), ud);
}
GpibResult GpibDriver::Wait(int ud, int mask) {
    GPIB_CALL(wait_, "ibwait", int (*)(int, int), ud, mask);
}
GpibResult GpibDriver::Write(int ud, const void* buffer, long count) {
    GPIB_CALL(write_, "ibwrt", int (*)(int, const void*, long), ud, buffer, count);
}
GpibResult GpibDriver::WriteAsync(int ud, const void* buffer, long count) {
    GPIB_CALL(writeAsync_, "ibwrta", int (*)(int, const void*, long), ud, buffer, count);
}

#undef GPIB_CALL

GpibResult GpibDriver::Device(int board, int pad, int sad, int timeout, int sendEoi, int eos) {
    auto function = As<int (*)(int, int, int, int, int, int)>(Function(device_, "ibdev"));
    if (!function) {
        return GpibResult{ERR, -1, -1};
    }
    int ud = function(board, pad, sad, timeout, sendEoi, eos);
    GpibResult result = Status(ud);
    if (ud < 0) {
        result.status |= ERR;
    }
    result.count = ud;
    return result;
}

GpibResult GpibDriver::Listener(int ud, int pad, int sad, bool& found) {
    found = false;
    auto function = As<int (*)(int, int, int, short*)>(Function(listener_, "ibln"));
    if (!function) {
        return kUnavailable;
    }
    short answer = 0;
    GpibResult result = Status(function(ud, pad, sad, &answer));
    found = !result.failed() && answer != 0;
    return result;
}

GpibResult GpibDriver::FindListeners(int board, const Addr4882_t* addresses, Addr4882_t* results, int limit) {
    auto function =
        As<void (*)(int, const Addr4882_t*, Addr4882_t*, int)>(Function(findListeners_, "FindLstn"));
    if (!function) {
        return kUnavailable;
    }
    function(board, addresses, results, limit);
    return Status(0);
}

} // namespace corvid::visaio
