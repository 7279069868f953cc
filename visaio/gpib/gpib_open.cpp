// viOpen_488: opening a session on "GPIB%hd::%hd[::%hd]::INSTR".
#include "../export.h"
#include "gpib_session.h"
#include "gpib_tables.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

namespace corvid::visaio {
namespace {

constexpr SbvisaOperations kOperations{
    GpibClose,
    GpibSetAttribute,
    GpibGetAttribute,
    GpibTerminate,
    GpibRead,
    GpibReadAsync,
    GpibWrite,
    GpibWriteAsync,
    GpibAssertTrigger,
    GpibReadSTB,
    GpibClear,
    GpibControlREN,
    GpibEventsChanged,
    nullptr /* no low-level buffers */,
    nullptr /* nothing to flush */,
    nullptr /* transfers end by their time-out */,
};

bool ConfiguredAbsent(const SbvisaSession& session) {
    for (const SbvisaGpibDevice& device : Tables().gpibDevices) {
        if (device.board == SBVISA_GPIB_END_OF_TABLE) {
            break;
        }
        if (device.board == session.interfaceNumber && device.primary == session.primaryAddress &&
            device.secondary == session.secondaryAddress && device.kind == SBVISA_GPIB_KIND_ABSENT) {
            return true;
        }
    }
    return false;
}

// Whether another open session of this process uses the board.
bool BoardInUse(int board, ViSession self) {
    const SbvisaServices& services = Services();
    std::vector<ViSession> handles(services.listSessions(nullptr, 0) + 8);
    ViUInt32 count = services.listSessions(handles.data(), static_cast<ViUInt32>(handles.size()));
    handles.resize(std::min<std::size_t>(count, handles.size()));
    for (ViSession vi : handles) {
        PinnedSession pinned(vi);
        GpibSession* other = pinned && vi != self ? GpibDataOf(pinned.get()) : nullptr;
        if (other && other->board == board) {
            return true;
        }
    }
    return false;
}

// Brings the board into controller state once per process.
GpibResult InitialiseBoard(int board) {
    SemaphoreHold hold(SBVISA_SEM_SYSTEM, VI_TMO_INFINITE);
    SbvisaSharedTables& tables = Tables();
    if (tables.gpibBoardInitialised[board]) {
        return {};
    }
    GpibDriver& driver = GpibDriver::Instance();
    GpibResult result = driver.RequestControl(board, 1);
    if (!result.failedHard()) {
        result = driver.RemoteEnable(board, 1);
    }
    if (result.failedHard()) {
        return result;
    }
    tables.gpibBoardInitialised[board] = VI_TRUE;
    return {};
}

ViStatus OpenFailure(const GpibResult& result, int board, ViSession self) {
    if (result.error == 21) {
        return VI_ERROR_RSRC_LOCKED;
    }
    if (result.error == ENEB || result.error < 0) {
        return BoardInUse(board, self) ? VI_ERROR_ALLOC : VI_ERROR_RSRC_NFOUND;
    }
    return VI_ERROR_ALLOC;
}

int BoardType(int ud) {
    unsigned char data[16] = {};
    GpibResult result = GpibDriver::Instance().Diagnostics(ud, data, sizeof data);
    if (result.failed() || (data[0] & 0xF0) != 0x90) {
        return kUnknownBoardType;
    }
    return data[1];
}

} // namespace

const SbvisaOperations& GpibOperations() {
    return kOperations;
}

GpibSession* GpibDataOf(SbvisaSession* record) {
    if (!record || record->operations != &kOperations) {
        return nullptr;
    }
    return static_cast<GpibSession*>(record->interfaceData);
}

} // namespace corvid::visaio

using namespace corvid::visaio;

namespace {

ViStatus Open488(SbvisaSession* session) {
    if (!session || session->interfaceType != VI_INTF_GPIB) {
        return VI_ERROR_RSRC_NFOUND;
    }
    int board = session->interfaceNumber;
    if (board >= SBVISA_GPIB_BOARDS || !Tables().gpibBoardExists[board] || ConfiguredAbsent(*session)) {
        return VI_ERROR_RSRC_NFOUND;
    }
    GpibResult initialised = InitialiseBoard(board);
    if (initialised.failedHard()) {
        return OpenFailure(initialised, board, session->vi);
    }
    auto s = std::make_unique<GpibSession>(*session);
    GpibDriver& driver = GpibDriver::Instance();
    TimeoutStep step = RoundTimeout(s->timeout);
    s->timeout = step.milliseconds;
    s->sendEnd = true;
    GpibResult opened =
        driver.Device(board, s->primary, s->DriverSecondary(), step.code, 1, BIN | s->termChar.load());
    if (opened.failed() || opened.count < 0) {
        if (opened.count >= 0) {
            driver.Online(static_cast<int>(opened.count), 0);
        }
        return OpenFailure(opened, board, session->vi);
    }
    s->ud = static_cast<int>(opened.count);
    s->boardType = BoardType(s->ud);
    std::string_view model = BoardModelName(s->boardType);
    std::snprintf(session->description, sizeof session->description, "GPIB%hd  (%.*s)",
                  static_cast<short>(board), static_cast<int>(model.size()), model.data());
    std::snprintf(session->manufacturer, sizeof session->manufacturer, "Sorbel");
    if (IsSlowBoard(s->boardType) && !driver.Timeout(s->ud, T10s).failed()) {
        s->timeout = 10000;
    }
    s->readdress = !driver.Config(s->ud, IbcREADDR, 1).failed();
    GpibSession& data = *s;
    session->interfaceData = s.release();
    session->operations = &kOperations;
    if (Tables().disableIbListen != 0) {
        return VI_SUCCESS;
    }
    GpibResult boardStatus = driver.Wait(board, 0);
    if (!boardStatus.failed() && (boardStatus.status & CIC) == 0) {
        driver.InterfaceClear(board);
    }
    return GpibListenerCheck(data) < VI_SUCCESS ? VI_SUCCESS_DEV_NPRESENT : VI_SUCCESS;
}

} // namespace

SBVIIO_EXPORT ViStatus viOpen_488(SbvisaSession* session) {
    return Guarded([session] { return Open488(session); });
}
