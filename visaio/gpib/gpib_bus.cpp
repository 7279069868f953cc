// Bus-level control of a GPIB session's board: command bytes, the ATN line, interface
// clear and passing control (viGpibCommand, viGpibControlATN, viGpibSendIFC,
// viGpibPassControl).
#include "gpib_session.h"
#include "gpib_tables.h"

#include <vector>

namespace corvid::visaio {
namespace {

// A driver without the call cannot do the operation; other failures map by the table.
ViStatus BusStatus(const GpibResult& result) {
    if (!result.failed()) {
        return VI_SUCCESS;
    }
    return result.error < 0 ? VI_ERROR_NSUP_OPER : MapGpibError(result);
}

} // namespace

ViStatus GpibCommand(SbvisaSession* session, ViConstBuf buffer, ViUInt32 count, ViUInt32* returned) {
    GpibSession& s = *GpibDataOf(session);
    *returned = 0;
    if (count == 0) {
        return VI_SUCCESS;
    }
    GpibResult result =
        GpibRetryWhileBusy(s, [&] { return GpibDriver::Instance().Command(s.board, buffer, count); });
    *returned = result.count > 0 ? static_cast<ViUInt32>(result.count) : 0;
    return BusStatus(result);
}

ViStatus GpibControlATN(SbvisaSession* session, ViUInt16 mode) {
    GpibSession& s = *GpibDataOf(session);
    GpibDriver& driver = GpibDriver::Instance();
    switch (mode) {
    case VI_GPIB_ATN_DEASSERT:
        return BusStatus(driver.GoToStandby(s.board, 0));
    case VI_GPIB_ATN_DEASSERT_HANDSHAKE:
        return BusStatus(driver.GoToStandby(s.board, 1));
    case VI_GPIB_ATN_ASSERT:
        return BusStatus(driver.TakeControl(s.board, 1));
    case VI_GPIB_ATN_ASSERT_IMMEDIATE:
        return BusStatus(driver.TakeControl(s.board, 0));
    default:
        return VI_ERROR_INV_MODE;
    }
}

ViStatus GpibSendIFC(SbvisaSession* session) {
    GpibSession& s = *GpibDataOf(session);
    return BusStatus(GpibDriver::Instance().InterfaceClear(s.board));
}

// Addresses the new controller to talk and sends it Take Control.
ViStatus GpibPassControl(SbvisaSession* session, ViUInt16 primary, ViUInt16 secondary) {
    GpibSession& s = *GpibDataOf(session);
    if (primary > 30 || (secondary > 30 && secondary != VI_NO_SEC_ADDR)) {
        return VI_ERROR_INV_PARAMETER;
    }
    std::vector<ViUInt8> bytes{UNL, static_cast<ViUInt8>(TAD + primary)};
    if (secondary != VI_NO_SEC_ADDR) {
        bytes.push_back(static_cast<ViUInt8>(SAD + secondary));
    }
    bytes.push_back(TCT);
    GpibResult result = GpibRetryWhileBusy(s, [&] {
        return GpibDriver::Instance().Command(s.board, bytes.data(), static_cast<long>(bytes.size()));
    });
    return BusStatus(result);
}

} // namespace corvid::visaio
