// viOpen_488: opening a session on "GPIB%hd::%hd[::%hd]::INSTR" or "GPIB%hd::INTFC".
#include "../export.h"
#include "gpib_session.h"
#include "gpib_tables.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string_view>
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
    GpibAbortTransfers,
    GpibCommand,
    GpibControlATN,
    GpibSendIFC,
    GpibPassControl,
    nullptr /* no trigger lines to map */,
    nullptr,
    nullptr /* no utility signals */,
    nullptr /* no interrupt signals */,
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

// "GPIB0::9::0::INSTR" names secondary address 0, which also stands for "none" (clients
// write primary-only addresses that way). Find lists a device that answers at secondary
// address 0 itself by that name, so the name reaches it when nothing answers at the
// primary address alone.
bool AnswersAtSecondaryZero(const SbvisaSession& session) {
    std::string_view name = session.resourceName;
    std::size_t separators = 0;
    for (std::size_t at = name.find("::"); at != std::string_view::npos; at = name.find("::", at + 2)) {
        ++separators;
    }
    if (session.secondaryAddress != 0 || separators != 3 || Tables().disableIbListen != 0) {
        return false;
    }
    GpibDriver& driver = GpibDriver::Instance();
    const int board = session.interfaceNumber;
    bool alone = false;
    bool atZero = false;
    GpibResult primary = driver.Listener(board, session.primaryAddress, NO_SAD, alone);
    if (primary.failedHard() || alone) {
        return false;
    }
    GpibResult secondary = driver.Listener(board, session.primaryAddress, 0x60, atZero);
    return !secondary.failedHard() && atZero;
}

int BoardType(int ud) {
    unsigned char data[16] = {};
    GpibResult result = GpibDriver::Instance().Diagnostics(ud, data, sizeof data);
    if (result.failed() || (data[0] & 0xF0) != 0x90) {
        return kUnknownBoardType;
    }
    return data[1];
}

void Describe(SbvisaSession& session, int board, int boardType) {
    std::string_view model = BoardModelName(boardType);
    std::snprintf(session.description, sizeof session.description, "GPIB%hd  (%.*s)",
                  static_cast<short>(board), static_cast<int>(model.size()), model.data());
    std::snprintf(session.manufacturer, sizeof session.manufacturer, "Sorbel");
}

// "GPIB%hd::INTFC": a session on the board itself, for bus-level control.
ViStatus OpenBoard(SbvisaSession* session, int board) {
    auto s = std::make_unique<GpibSession>(*session);
    s->boardSession = true;
    s->ud = board;
    int own = 0;
    if (!GpibDriver::Instance().Ask(board, IbaPAD, &own).failed()) {
        s->primary = own;
    }
    s->boardType = BoardType(board);
    Describe(*session, board, s->boardType);
    session->interfaceData = s.release();
    session->operations = &kOperations;
    return VI_SUCCESS;
}

} // namespace

const SbvisaOperations& GpibOperations() {
    return kOperations;
}

GpibSession* GpibDataOf(SbvisaSession* record) {
    // Every session of the GPIB family (GPIB, GPIB-VXI) closes through GpibClose.
    if (!record || !record->operations || record->operations->close != GpibClose) {
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
    if (ConfiguredAbsent(*session)) {
        return VI_ERROR_RSRC_NFOUND;
    }
    return GpibOpenAt(*session, session->interfaceNumber, session->primaryAddress, session->secondaryAddress,
                      GpibOperations(), nullptr);
}

} // namespace

ViStatus corvid::visaio::GpibOpenAt(SbvisaSession& record, int board, int primary, int secondary,
                                    const SbvisaOperations& operations, std::shared_ptr<GpibVxiLink> link) {
    SbvisaSession* session = &record;
    if (board < 0 || board >= SBVISA_GPIB_BOARDS || !Tables().gpibBoardExists[board]) {
        return VI_ERROR_RSRC_NFOUND;
    }
    GpibResult initialised = InitialiseBoard(board);
    if (initialised.failedHard()) {
        return OpenFailure(initialised, board, session->vi);
    }
    if (std::string_view(session->resourceClass) == "INTFC") {
        return OpenBoard(session, board);
    }
    auto s = std::make_unique<GpibSession>(*session, board, primary, secondary);
    s->vxi = std::move(link);
    // A module behind a GPIB-VXI controller always has its secondary address.
    s->secondaryZero = !s->vxi && AnswersAtSecondaryZero(*session);
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
    Describe(*session, board, s->boardType);
    if (IsSlowBoard(s->boardType) && !driver.Timeout(s->ud, T10s).failed()) {
        s->timeout = 10000;
    }
    s->readdress = !driver.Config(s->ud, IbcREADDR, 1).failed();
    GpibSession& data = *s;
    session->interfaceData = s.release();
    session->operations = &operations;
    if (Tables().disableIbListen != 0) {
        return VI_SUCCESS;
    }
    GpibResult boardStatus = driver.Wait(board, 0);
    if (!boardStatus.failed() && (boardStatus.status & CIC) == 0) {
        driver.InterfaceClear(board);
    }
    return GpibListenerCheck(data) < VI_SUCCESS ? VI_SUCCESS_DEV_NPRESENT : VI_SUCCESS;
}

SBVIIO_EXPORT ViStatus viOpen_488(SbvisaSession* session) {
    return Guarded([session] { return Open488(session); });
}
