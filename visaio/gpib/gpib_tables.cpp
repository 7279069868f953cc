#include "gpib_tables.h"

#include <array>

namespace corvid::visaio {
namespace {

constexpr std::array<TimeoutStep, 13> kSteps{{
    {1, T1ms},
    {3, T3ms},
    {10, T10ms},
    {30, T30ms},
    {100, T100ms},
    {300, T300ms},
    {1000, T1s},
    {3000, T3s},
    {10000, T10s},
    {30000, T30s},
    {100000, T100s},
    {300000, T300s},
    {1000000, T1000s},
}};

struct BoardModel {
    int type;
    std::string_view name;
    bool slow;
};

// Type 0 is what the simulated driver library reports unless its bench file says otherwise.
constexpr BoardModel kBoardModels[] = {
    {0, "Simulated GPIB board", false}, {1, "Sorbel ISA-488", false},   {2, "Sorbel PCI-488", false},
    {3, "Sorbel PCIe-488", false},      {4, "Sorbel PXI-488", false},   {5, "Sorbel USB-488", true},
    {6, "Sorbel LAN-488", true},        {7, "Sorbel Serial-488", true},
};

} // namespace

TimeoutStep RoundTimeout(ViUInt32 milliseconds) {
    if (milliseconds == VI_TMO_INFINITE) {
        return {VI_TMO_INFINITE, TNONE};
    }
    for (const TimeoutStep& step : kSteps) {
        if (milliseconds <= step.milliseconds) {
            return step;
        }
    }
    return kSteps.back();
}

ViStatus MapGpibError(const GpibResult& result) {
    if (result.status & TIMO) {
        return VI_ERROR_TMO;
    }
    switch (result.error) {
    case ECIC:
        return VI_ERROR_NCIC;
    case ENOL:
    case EBUS:
        return VI_ERROR_NLISTENERS;
    case ESAC:
        return VI_ERROR_NSYS_CNTLR;
    case EABO:
        return VI_ERROR_ABORT;
    case 21: // address or board locked
        return VI_ERROR_RSRC_LOCKED;
    default:
        return VI_ERROR_IO;
    }
}

std::string_view BoardModelName(int boardType) {
    for (const BoardModel& model : kBoardModels) {
        if (model.type == boardType) {
            return model.name;
        }
    }
    return "Unknown GPIB board";
}

bool IsSlowBoard(int boardType) {
    for (const BoardModel& model : kBoardModels) {
        if (model.type == boardType) {
            return model.slow;
        }
    }
    return false;
}

} // namespace corvid::visaio
