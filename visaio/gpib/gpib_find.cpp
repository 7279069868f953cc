// viFindRsrc_488: the instruments that answer on each configured GPIB board.
#include "../component.h"
#include "../export.h"
#include "../find_frame.h"
#include "gpib_driver.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace corvid::visaio {
namespace {

constexpr int kMaxListeners = 120;

std::string Announcement(int board) {
    char name[16];
    std::snprintf(name, sizeof name, "GPIB%hd", static_cast<short>(board));
    return name;
}

// The resource name of an address word: primary address alone up to 30, else primary
// address in the low byte and secondary address + 96 in the high byte.
std::string NameOf(int board, Addr4882_t address) {
    char name[VI_FIND_BUFLEN];
    if (address <= 30) {
        std::snprintf(name, sizeof name, "GPIB%hd::%hd::INSTR", static_cast<short>(board),
                      static_cast<short>(address));
    } else {
        std::snprintf(name, sizeof name, "GPIB%hd::%hd::%hd::INSTR", static_cast<short>(board),
                      static_cast<short>(GetPAD(address)), static_cast<short>(GetSAD(address) - 96));
    }
    return name;
}

bool DeviceTableEmpty(const SbvisaSharedTables& tables) {
    return tables.gpibDevices[0].board == SBVISA_GPIB_END_OF_TABLE;
}

// The listeners among the addresses 0 to 30 that are neither marked nor the board's own.
GpibResult AskForListeners(int board, const bool (&marked)[31], int own, std::vector<Addr4882_t>& results) {
    std::vector<Addr4882_t> addresses;
    for (int pad = 0; pad <= 30; ++pad) {
        if (!marked[pad] && pad != own) {
            addresses.push_back(static_cast<Addr4882_t>(pad));
        }
    }
    addresses.push_back(NOADDR);
    std::vector<Addr4882_t> found(kMaxListeners + 1, NOADDR);
    GpibResult search =
        GpibDriver::Instance().FindListeners(board, addresses.data(), found.data(), kMaxListeners);
    long count = search.failed() ? 0 : std::min<long>(search.count, kMaxListeners);
    results.assign(found.begin(), found.begin() + std::max<long>(count, 0));
    return search;
}

void SearchBoard(int board, std::vector<std::string>& names) {
    const SbvisaServices& services = Services();
    SbvisaSharedTables& tables = Tables();
    GpibDriver& driver = GpibDriver::Instance();
    services.announceInterface(Announcement(board).c_str());

    // Without listener questions the configured devices are all there is to list.
    const bool askNobody = tables.disableIbListen != 0;
    bool marked[31] = {};
    std::vector<Addr4882_t> listed;
    for (const SbvisaGpibDevice& device : tables.gpibDevices) {
        if (device.board == SBVISA_GPIB_END_OF_TABLE) {
            break;
        }
        if (device.board != board || device.primary > 30) {
            continue;
        }
        if (device.kind != SBVISA_GPIB_KIND_ASK) {
            marked[device.primary] = true;
        }
        if (device.kind == SBVISA_GPIB_KIND_LISTED || (askNobody && device.kind == SBVISA_GPIB_KIND_ASK)) {
            listed.push_back(MakeAddr(device.primary, device.secondary != 0 ? device.secondary + 0x60 : 0));
        }
    }

    GpibResult control = driver.RequestControl(board, 1);
    if (!control.failedHard()) {
        control = driver.InterfaceClear(board);
    }
    if (!control.failedHard()) {
        SemaphoreHold hold(SBVISA_SEM_SYSTEM, VI_TMO_INFINITE);
        tables.gpibBoardInitialised[board] = VI_TRUE;
    }
    int own = 0;
    if (driver.Ask(board, IbaPAD, &own).failed()) {
        own = 0;
    }

    std::vector<Addr4882_t> results;
    GpibResult search;
    if (!askNobody) {
        search = AskForListeners(board, marked, own, results);
    }

    GpibResult remote = driver.RemoteEnable(board, 1);
    if (DeviceTableEmpty(tables) && (search.failedHard() || remote.failedHard())) {
        services.announceInterface("");
        return;
    }
    if (!DeviceTableEmpty(tables)) {
        results.insert(results.end(), listed.begin(), listed.end());
    }
    for (Addr4882_t address : results) {
        names.push_back(NameOf(board, address));
    }
    services.announceInterface("");
}

} // namespace
} // namespace corvid::visaio

using namespace corvid::visaio;

SBVIIO_EXPORT ViStatus viFindRsrc_488(const SbvisaFindContext* context, SbvisaFindList* list) {
    return Guarded([&] {
        return FindFrame(context, list, [] {
            std::vector<std::string> names;
            for (int board = 0; board < SBVISA_GPIB_BOARDS; ++board) {
                if (Tables().gpibBoardExists[board]) {
                    SearchBoard(board, names);
                }
            }
            return names;
        });
    });
}
