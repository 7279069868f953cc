// A fake GPIB driver library for the tests of sbviio32 (see fake_gpib.h).
#define IB488_BUILDING_LIBRARY 1
#include "fake_gpib.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <deque>
#include <ib488/ib488.h>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#define FAKE_EXPORT extern "C" __attribute__((visibility("default")))

volatile int ibsta = 0;
volatile int iberr = 0;
volatile int ibcnt = 0;
volatile long ibcntl = 0;

namespace {

using Address = std::tuple<int, int, int>; // board, pad, sad (0 or 0x60 + n)

struct Device {
    std::string idn;
    std::deque<std::string> replies;
    std::string written;
    int statusByte = 0;
    bool requesting = false;
};

struct Descriptor {
    Address address;
    bool online = true;
    bool jobRunning = false;
    bool jobDone = false;
    bool jobRead = false;
    char* jobBuffer = nullptr;
    long jobCount = 0;
    int jobStatus = 0;
    long jobResult = 0;
    GpibNotifyCallback_t notify = nullptr;
    void* notifyData = nullptr;
    int notifyMask = 0;
};

struct Failure {
    int status;
    int error;
    int count;
};

struct State {
    std::mutex mutex;
    std::map<Address, Device> devices;
    std::map<int, Descriptor> descriptors; // device descriptors from 100 on
    std::map<int, int> boardPad;
    std::map<std::string, Failure> failures;
    std::map<std::string, int> calls;
    std::vector<std::string> log;
    bool holdAsync = false;
    int boardType = 1;
    int nextUd = 100;
};

State& S() {
    static State* state = new State();
    return *state;
}

thread_local int t_sta = 0, t_err = 0;
thread_local long t_cnt = 0;

int Done(int sta, int err = 0, long count = 0) {
    t_sta = sta;
    t_err = err;
    t_cnt = count;
    ibsta = sta;
    iberr = err;
    ibcnt = static_cast<int>(count);
    ibcntl = count;
    return sta;
}

// Counts and logs a call; true (with the status set) when it is to fail.
bool Enter(const char* function, const std::string& arguments, int& result) {
    State& s = S();
    ++s.calls[function];
    s.log.push_back(std::string(function) + (arguments.empty() ? "" : " " + arguments));
    auto it = s.failures.find(function);
    if (it == s.failures.end() || it->second.count <= 0) {
        return false;
    }
    --it->second.count;
    result = Done(ERR | it->second.status, it->second.error);
    return true;
}

Device* DeviceAt(const Address& address) {
    auto it = S().devices.find(address);
    return it == S().devices.end() ? nullptr : &it->second;
}

Descriptor* Find(int ud) {
    auto it = S().descriptors.find(ud);
    return it == S().descriptors.end() ? nullptr : &it->second;
}

std::string Reply(Device& device, const std::string& command) {
    if (command.rfind("*IDN?", 0) == 0) {
        return device.idn + "\n";
    }
    if (command.rfind("ECHO? ", 0) == 0) {
        return command.substr(6);
    }
    return {};
}

int DeviceStatus(const Descriptor& d) {
    Device* device = DeviceAt(d.address);
    int sta = d.jobRunning ? 0 : CMPL;
    if (device && device->requesting) {
        sta |= RQS;
    }
    return sta;
}

// Reads the next reply into buffer: the status word and count.
std::pair<int, long> ReadReply(Descriptor& d, char* buffer, long count) {
    Device* device = DeviceAt(d.address);
    if (!device) {
        return {ERR, 0};
    }
    if (device->replies.empty()) {
        return {ERR | TIMO, 0};
    }
    std::string& reply = device->replies.front();
    long n = std::min<long>(count, static_cast<long>(reply.size()));
    std::memcpy(buffer, reply.data(), static_cast<std::size_t>(n));
    bool end = n == static_cast<long>(reply.size());
    reply.erase(0, static_cast<std::size_t>(n));
    if (end) {
        device->replies.pop_front();
    }
    return {CMPL | (end ? END : 0), n};
}

// Calls the device's notification on a thread of the library, as a driver does. A
// finished transfer is collected by the notification.
void NotifyLater(Descriptor& d, int status) {
    if (!d.notify || (d.notifyMask & status) == 0) {
        return;
    }
    long count = 0;
    if ((status & CMPL) && d.jobDone) {
        status |= d.jobStatus;
        count = d.jobResult;
        d.jobDone = false;
    }
    GpibNotifyCallback_t callback = d.notify;
    void* data = d.notifyData;
    int ud = 0;
    for (auto& [key, value] : S().descriptors) {
        if (&value == &d) {
            ud = key;
        }
    }
    std::thread([=] {
        int mask = callback(ud, status, 0, count, data);
        std::lock_guard lock(S().mutex);
        if (Descriptor* again = Find(ud)) {
            again->notifyMask = mask;
            if (mask == 0) {
                again->notify = nullptr;
            }
        }
    }).detach();
}

std::string Args(std::initializer_list<long> values) {
    std::string text;
    for (long v : values) {
        text += (text.empty() ? "" : " ") + std::to_string(v);
    }
    return text;
}

} // namespace

FAKE_EXPORT void fakegpib_reset(void) {
    std::lock_guard lock(S().mutex);
    State& s = S();
    s.devices.clear();
    s.descriptors.clear();
    s.boardPad.clear();
    s.failures.clear();
    s.calls.clear();
    s.log.clear();
    s.holdAsync = false;
    s.boardType = 1;
}

FAKE_EXPORT void fakegpib_set_board_type(int type) {
    std::lock_guard lock(S().mutex);
    S().boardType = type;
}

FAKE_EXPORT void fakegpib_add_device(int board, int pad, int sad, const char* idn) {
    std::lock_guard lock(S().mutex);
    S().devices[{board, pad, sad}].idn = idn ? idn : "";
}

FAKE_EXPORT void fakegpib_set_board_pad(int board, int pad) {
    std::lock_guard lock(S().mutex);
    S().boardPad[board] = pad;
}

FAKE_EXPORT void fakegpib_request_service(int board, int pad, int sad, int statusByte) {
    std::lock_guard lock(S().mutex);
    Device* device = DeviceAt({board, pad, sad});
    if (!device) {
        return;
    }
    device->statusByte = statusByte;
    device->requesting = (statusByte & 0x40) != 0;
    if (device->requesting) {
        for (auto& [ud, d] : S().descriptors) {
            if (d.address == Address{board, pad, sad}) {
                NotifyLater(d, DeviceStatus(d));
            }
        }
    }
}

FAKE_EXPORT void fakegpib_fail_next(const char* function, int extraStatus, int error, int count) {
    std::lock_guard lock(S().mutex);
    S().failures[function] = Failure{extraStatus, error, count};
}

FAKE_EXPORT void fakegpib_hold_async(int hold) {
    std::lock_guard lock(S().mutex);
    S().holdAsync = hold != 0;
}

FAKE_EXPORT int fakegpib_calls(const char* function) {
    std::lock_guard lock(S().mutex);
    return S().calls[function];
}

FAKE_EXPORT int fakegpib_log(char* text, int size) {
    std::lock_guard lock(S().mutex);
    std::string all;
    for (const std::string& line : S().log) {
        all += line + "\n";
    }
    return std::snprintf(text, static_cast<std::size_t>(size), "%s", all.c_str());
}

FAKE_EXPORT int fakegpib_last_written(int board, int pad, int sad, char* text, int size) {
    std::lock_guard lock(S().mutex);
    Device* device = DeviceAt({board, pad, sad});
    return std::snprintf(text, static_cast<std::size_t>(size), "%s", device ? device->written.c_str() : "");
}

extern "C" {

int ThreadIbsta(void) {
    return t_sta;
}
int ThreadIberr(void) {
    return t_err;
}
int ThreadIbcnt(void) {
    return static_cast<int>(t_cnt);
}
long ThreadIbcntl(void) {
    return t_cnt;
}

int ibdev(int board, int pad, int sad, int timo, int send_eoi, int eos) {
    std::lock_guard lock(S().mutex);
    int result = 0;
    if (Enter("ibdev", Args({board, pad, sad, timo, send_eoi, eos}), result)) {
        return -1;
    }
    if (board < 0 || board > 15) {
        Done(ERR, ENEB);
        return -1;
    }
    int ud = S().nextUd++;
    S().descriptors[ud].address = {board, pad, sad};
    Done(CMPL);
    return ud;
}

int ibonl(int ud, int online) {
    std::lock_guard lock(S().mutex);
    int result = 0;
    if (Enter("ibonl", Args({ud, online}), result)) {
        return result;
    }
    if (ud < 16) {
        return Done(CMPL);
    }
    if (!Find(ud)) {
        return Done(ERR, EDVR);
    }
    if (!online) {
        S().descriptors.erase(ud);
    }
    return Done(CMPL);
}

int ibwrt(int ud, const void* buffer, long count) {
    std::lock_guard lock(S().mutex);
    int result = 0;
    if (Enter("ibwrt", Args({ud, count}), result)) {
        return result;
    }
    Descriptor* d = Find(ud);
    Device* device = d ? DeviceAt(d->address) : nullptr;
    if (!device) {
        return Done(ERR, d ? ENOL : EDVR);
    }
    device->written.assign(static_cast<const char*>(buffer), static_cast<std::size_t>(count));
    std::string reply = Reply(*device, device->written);
    if (!reply.empty()) {
        device->replies.push_back(reply);
    }
    return Done(CMPL, 0, count);
}

int ibrd(int ud, void* buffer, long count) {
    std::lock_guard lock(S().mutex);
    int result = 0;
    if (Enter("ibrd", Args({ud, count}), result)) {
        return result;
    }
    Descriptor* d = Find(ud);
    if (!d) {
        return Done(ERR, EDVR);
    }
    auto [sta, n] = ReadReply(*d, static_cast<char*>(buffer), count);
    if (sta & TIMO) {
        return Done(ERR | TIMO, EABO);
    }
    if (sta & ERR) {
        return Done(ERR, ENOL);
    }
    return Done(sta, 0, n);
}

int ibrda(int ud, void* buffer, long count) {
    std::lock_guard lock(S().mutex);
    int result = 0;
    if (Enter("ibrda", Args({ud, count}), result)) {
        return result;
    }
    Descriptor* d = Find(ud);
    if (!d) {
        return Done(ERR, EDVR);
    }
    d->jobRunning = true;
    d->jobDone = false;
    d->jobRead = true;
    d->jobBuffer = static_cast<char*>(buffer);
    d->jobCount = count;
    if (!S().holdAsync) {
        auto [sta, n] = ReadReply(*d, d->jobBuffer, count);
        d->jobRunning = false;
        d->jobDone = true;
        d->jobStatus = (sta & TIMO) ? (ERR | TIMO) : sta;
        d->jobResult = n;
        NotifyLater(*d, DeviceStatus(*d));
    }
    return Done(DeviceStatus(*d));
}

int ibwrta(int ud, const void* buffer, long count) {
    std::lock_guard lock(S().mutex);
    int result = 0;
    if (Enter("ibwrta", Args({ud, count}), result)) {
        return result;
    }
    Descriptor* d = Find(ud);
    Device* device = d ? DeviceAt(d->address) : nullptr;
    if (!device) {
        return Done(ERR, EDVR);
    }
    device->written.assign(static_cast<const char*>(buffer), static_cast<std::size_t>(count));
    std::string reply = Reply(*device, device->written);
    if (!reply.empty()) {
        device->replies.push_back(reply);
    }
    d->jobRunning = S().holdAsync;
    d->jobDone = !S().holdAsync;
    d->jobRead = false;
    d->jobStatus = CMPL;
    d->jobResult = count;
    if (d->jobDone) {
        NotifyLater(*d, CMPL);
    }
    return Done(DeviceStatus(*d));
}

int ibwait(int ud, int mask) {
    std::lock_guard lock(S().mutex);
    int result = 0;
    if (Enter("ibwait", Args({ud, mask}), result)) {
        return result;
    }
    if (ud < 16) {
        return Done(CMPL | CIC);
    }
    Descriptor* d = Find(ud);
    if (!d) {
        return Done(ERR, EDVR);
    }
    int sta = DeviceStatus(*d);
    if (d->jobDone && (sta & CMPL)) {
        d->jobDone = false;
        int status = d->jobStatus | sta;
        return Done(status, (status & TIMO) ? EABO : 0, d->jobResult);
    }
    return Done(sta);
}

int ibstop(int ud) {
    std::lock_guard lock(S().mutex);
    int result = 0;
    if (Enter("ibstop", Args({ud}), result)) {
        return result;
    }
    Descriptor* d = Find(ud);
    if (!d) {
        return Done(ERR, EDVR);
    }
    if (!d->jobRunning) {
        return Done(DeviceStatus(*d));
    }
    d->jobRunning = false;
    d->jobDone = false;
    return Done(ERR | CMPL, EABO, 0);
}

int ibrsp(int ud, char* statusByte) {
    std::lock_guard lock(S().mutex);
    int result = 0;
    if (Enter("ibrsp", Args({ud}), result)) {
        return result;
    }
    Descriptor* d = Find(ud);
    Device* device = d ? DeviceAt(d->address) : nullptr;
    if (!device) {
        return Done(ERR, d ? ENOL : EDVR);
    }
    *statusByte = static_cast<char>(device->statusByte);
    device->statusByte &= ~0x40;
    device->requesting = false;
    return Done(DeviceStatus(*d));
}

int ibln(int ud, int pad, int sad, short* found) {
    std::lock_guard lock(S().mutex);
    int result = 0;
    if (Enter("ibln", Args({ud, pad, sad}), result)) {
        return result;
    }
    int board = ud < 16 ? ud : Find(ud) ? std::get<0>(Find(ud)->address) : -1;
    *found = DeviceAt({board, pad, sad}) ? 1 : 0;
    return Done(CMPL);
}

void FindLstn(int board, const Addr4882_t padList[], Addr4882_t resultList[], int maxNumResults) {
    std::lock_guard lock(S().mutex);
    int result = 0;
    if (Enter("FindLstn", Args({board}), result)) {
        return;
    }
    int n = 0;
    for (int i = 0; padList[i] != NOADDR; ++i) {
        int pad = padList[i];
        for (const auto& [address, device] : S().devices) {
            if (std::get<0>(address) == board && std::get<1>(address) == pad && n < maxNumResults) {
                resultList[n++] =
                    MakeAddr(static_cast<unsigned>(pad), static_cast<unsigned>(std::get<2>(address)));
            }
        }
    }
    Done(CMPL, 0, n);
}

#define SIMPLE(name, ...)                                                                                    \
    {                                                                                                        \
        std::lock_guard lock(S().mutex);                                                                     \
        int result = 0;                                                                                      \
        if (Enter(name, Args({__VA_ARGS__}), result)) {                                                      \
            return result;                                                                                   \
        }                                                                                                    \
    }

int ibtrg(int ud) {
    SIMPLE("ibtrg", ud);
    return Done(CMPL);
}
int ibclr(int ud) {
    SIMPLE("ibclr", ud);
    return Done(CMPL);
}
int ibsre(int ud, int enable) {
    SIMPLE("ibsre", ud, enable);
    return Done(CMPL);
}
int ibsic(int ud) {
    SIMPLE("ibsic", ud);
    return Done(CMPL);
}
int ibloc(int ud) {
    SIMPLE("ibloc", ud);
    return Done(CMPL);
}
int ibrsc(int ud, int request) {
    SIMPLE("ibrsc", ud, request);
    return Done(CMPL);
}
int ibtmo(int ud, int timeout) {
    SIMPLE("ibtmo", ud, timeout);
    return Done(CMPL);
}
int ibeot(int ud, int send_eoi) {
    SIMPLE("ibeot", ud, send_eoi);
    return Done(CMPL);
}
int ibeos(int ud, int eosmode) {
    SIMPLE("ibeos", ud, eosmode);
    return Done(CMPL);
}
int ibconfig(int ud, int option, int value) {
    SIMPLE("ibconfig", ud, option, value);
    return Done(CMPL);
}
int ibcmd(int ud, const void* commands, long count) {
    SIMPLE("ibcmd", ud, count > 0 ? static_cast<const unsigned char*>(commands)[0] : -1);
    return Done(CMPL, 0, count);
}
int iblines(int ud, short* lines) {
    SIMPLE("iblines", ud);
    *lines = static_cast<short>(ValidREN | BusREN);
    return Done(CMPL);
}
int ibask(int ud, int option, int* value) {
    SIMPLE("ibask", ud, option);
    std::lock_guard lock(S().mutex);
    *value = option == IbaPAD ? S().boardPad[ud] : 0;
    return Done(CMPL);
}
int ibdiag(int ud, void* buffer, long count) {
    SIMPLE("ibdiag", ud);
    std::lock_guard lock(S().mutex);
    const unsigned char data[3] = {0x90, static_cast<unsigned char>(S().boardType), 0};
    std::memcpy(buffer, data, static_cast<std::size_t>(std::min<long>(count, 3)));
    return Done(CMPL, 0, 3);
}
int ibnotify(int ud, int mask, GpibNotifyCallback_t callback, void* refData) {
    SIMPLE("ibnotify", ud, mask);
    std::lock_guard lock(S().mutex);
    Descriptor* d = Find(ud);
    if (!d) {
        return Done(ERR, EDVR);
    }
    d->notify = mask ? callback : nullptr;
    d->notifyData = refData;
    d->notifyMask = mask;
    Device* device = DeviceAt(d->address);
    if (((mask & CMPL) && d->jobDone) || ((mask & RQS) && device && device->requesting)) {
        NotifyLater(*d, DeviceStatus(*d));
    }
    return Done(CMPL);
}

#undef SIMPLE

} // extern "C"
