// The exported C functions: each calls the driver and leaves its result in the status
// words of the calling thread and in the process-wide ones.
#define IB488_BUILDING_LIBRARY 1
#include "driver.h"
#include "ib488/ib488.h"
#include "simgpib/simgpib.h"

#include <string>

using corvid::sim::CallResult;
using corvid::sim::Driver;

extern "C" {
volatile int ibsta = 0;
volatile int iberr = 0;
volatile int ibcnt = 0;
volatile long ibcntl = 0;
}

namespace {

thread_local CallResult threadStatus;
thread_local std::string threadError;

int Publish(const CallResult& r) {
    threadStatus = r;
    // The process-wide words are written by every thread; relaxed atomic stores keep each
    // word whole without ordering the threads.
    __atomic_store_n(&ibsta, r.sta, __ATOMIC_RELAXED);
    __atomic_store_n(&iberr, r.err, __ATOMIC_RELAXED);
    __atomic_store_n(&ibcnt, static_cast<int>(r.cnt), __ATOMIC_RELAXED);
    __atomic_store_n(&ibcntl, r.cnt, __ATOMIC_RELAXED);
    return r.sta;
}

Driver& D() {
    return Driver::Instance();
}

// No exception may leave an exported function: a failure inside reads as a system error.
template <typename F>
int Guard(F&& call) {
    try {
        return Publish(call());
    } catch (...) {
        return Publish({corvid::sim::CallResult{ERR, EDVR, 0}});
    }
}

} // namespace

extern "C" {

int ThreadIbsta(void) {
    return threadStatus.sta;
}
int ThreadIberr(void) {
    return threadStatus.err;
}
int ThreadIbcnt(void) {
    return static_cast<int>(threadStatus.cnt);
}
long ThreadIbcntl(void) {
    return threadStatus.cnt;
}

int ibdev(int board_index, int pad, int sad, int timo, int send_eoi, int eosmode) {
    int ud = -1;
    Guard([&] {
        CallResult r;
        ud = D().Dev(board_index, pad, sad, timo, send_eoi, eosmode, r);
        return r;
    });
    return ud;
}

int ibfind(const char* name) {
    // "gpib0" (any case) names board 0, and so on.
    std::string n = name != nullptr ? name : "";
    if (n.size() > 4 && (n.compare(0, 4, "gpib") == 0 || n.compare(0, 4, "GPIB") == 0) &&
        n.find_first_not_of("0123456789", 4) == std::string::npos && n.size() <= 6) {
        int board = std::stoi(n.substr(4));
        int value = 0;
        if ((Guard([&] { return D().Ask(board, IbaPAD, &value); }) & ERR) == 0) {
            return board;
        }
        return -1;
    }
    Publish({ERR, EARG, 0});
    return -1;
}

int ibonl(int ud, int online) {
    return Guard([&] { return D().Onl(ud, online); });
}
int ibconfig(int ud, int option, int value) {
    return Guard([&] { return D().Config(ud, option, value); });
}
int ibask(int ud, int option, int* value) {
    return Guard([&] { return D().Ask(ud, option, value); });
}
int ibtmo(int ud, int timeout) {
    return Guard([&] { return D().Config(ud, IbcTMO, timeout); });
}
int ibeot(int ud, int send_eoi) {
    return Guard([&] { return D().Config(ud, IbcEOT, send_eoi); });
}
int ibpad(int ud, int pad) {
    return Guard([&] { return D().Config(ud, IbcPAD, pad); });
}
int ibsad(int ud, int sad) {
    return Guard([&] { return D().Config(ud, IbcSAD, sad); });
}
int ibeos(int ud, int eosmode) {
    return Guard([&] {
        if ((eosmode & ~(EOS_MASK | 0xff)) != 0) {
            return CallResult{ERR, EARG, 0};
        }
        CallResult r = D().Config(ud, IbcEOSchar, eosmode & 0xff);
        for (int bit : {REOS, XEOS, BIN}) {
            if ((r.sta & ERR) == 0) {
                int option = bit == REOS ? IbcEOSrd : bit == XEOS ? IbcEOSwrt : IbcEOScmp;
                r = D().Config(ud, option, (eosmode & bit) != 0);
            }
        }
        return r;
    });
}
int ibdiag(int ud, void* buffer, long count) {
    return Guard([&] { return D().Diag(ud, buffer, count); });
}

int ibwrt(int ud, const void* buffer, long count) {
    return Guard([&] { return D().Write(ud, buffer, count); });
}
int ibrd(int ud, void* buffer, long count) {
    return Guard([&] { return D().Read(ud, buffer, count); });
}
int ibwrta(int ud, const void* buffer, long count) {
    return Guard([&] { return D().WriteAsync(ud, buffer, count); });
}
int ibrda(int ud, void* buffer, long count) {
    return Guard([&] { return D().ReadAsync(ud, buffer, count); });
}
int ibwait(int ud, int mask) {
    return Guard([&] { return D().Wait(ud, mask); });
}
int ibstop(int ud) {
    return Guard([&] { return D().Stop(ud); });
}
int ibnotify(int ud, int mask, GpibNotifyCallback_t callback, void* refData) {
    return Guard([&] { return D().Notify(ud, mask, callback, refData); });
}

int ibclr(int ud) {
    return Guard([&] { return D().Clear(ud); });
}
int ibtrg(int ud) {
    return Guard([&] { return D().Trigger(ud); });
}
int ibrsp(int ud, char* status_byte) {
    return Guard([&] { return D().SerialPoll(ud, status_byte); });
}
int ibloc(int ud) {
    return Guard([&] { return D().Local(ud); });
}
int ibln(int ud, int pad, int sad, short* found_listener) {
    return Guard([&] { return D().Listen(ud, pad, sad, found_listener); });
}
int iblines(int ud, short* line_status) {
    return Guard([&] { return D().Lines(ud, line_status); });
}
int ibcmd(int ud, const void* commands, long count) {
    return Guard([&] { return D().Command(ud, commands, count); });
}
int ibgts(int ud, int /*shadow_handshake*/) {
    return Guard([&] { return D().Attention(ud, false); });
}
int ibcac(int ud, int /*synchronous*/) {
    return Guard([&] { return D().Attention(ud, true); });
}
int ibsic(int ud) {
    return Guard([&] { return D().InterfaceClear(ud); });
}
int ibrsc(int ud, int request_control) {
    return Guard([&] { return D().SystemControl(ud, request_control); });
}
int ibsre(int ud, int enable) {
    return Guard([&] { return D().RemoteEnable(ud, enable); });
}

void FindLstn(int board_index, const Addr4882_t padList[], Addr4882_t resultList[], int maxNumResults) {
    Guard([&] { return D().FindListeners(board_index, padList, resultList, maxNumResults); });
}

void AllSpoll(int board_index, const Addr4882_t addressList[], short resultList[]) {
    Guard([&] { return D().PollAll(board_index, addressList, resultList); });
}

const char* gpib_error_string(int error) {
    switch (error) {
    case EDVR:
        return "EDVR 0: OS error";
    case ECIC:
        return "ECIC 1: Board not controller in charge";
    case ENOL:
        return "ENOL 2: No listeners";
    case EADR:
        return "EADR 3: Improper addressing";
    case EARG:
        return "EARG 4: Bad argument";
    case ESAC:
        return "ESAC 5: Board not system controller";
    case EABO:
        return "EABO 6: Operation aborted";
    case ENEB:
        return "ENEB 7: Non-existent board";
    case EDMA:
        return "EDMA 8: DMA error";
    case EOIP:
        return "EOIP 10: IO operation in progress";
    case ECAP:
        return "ECAP 11: Capability not supported";
    case EFSO:
        return "EFSO 12: File system error";
    case EBUS:
        return "EBUS 14: Bus error";
    case ESTB:
        return "ESTB 15: Lost status byte";
    case ESRQ:
        return "ESRQ 16: SRQ stuck on";
    case ETAB:
        return "ETAB 20: Table problem";
    default:
        return "Unknown error";
    }
}

int simgpib_load_bench(const char* path) {
    try {
        threadError.clear();
        return D().LoadBench(path, threadError) ? 0 : -1;
    } catch (const std::exception& e) {
        threadError = e.what();
        return -1;
    }
}

const char* simgpib_last_error(void) {
    return threadError.c_str();
}

} // extern "C"
