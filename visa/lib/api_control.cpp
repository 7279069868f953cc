// The exported VISA functions of bus control: the GPIB bus of a session's board, trigger
// mapping and the utility and interrupt signals. A session whose interface has none of
// them answers VI_ERROR_NSUP_OPER.
#include "api_guard.h"
#include "visa/visa.h"

using namespace corvid::visa;

extern "C" {

ViStatus viGpibCommand(ViSession vi, ViConstBuf cmd, ViUInt32 cnt, ViPUInt32 retCnt) {
    return OnSession(vi, "viGpibCommand", true, [&](Session& s) -> ViStatus {
        ViUInt32 count = 0;
        if (retCnt) {
            *retCnt = 0;
        }
        if (!cmd && cnt > 0) {
            return VI_ERROR_USER_BUF;
        }
        ViStatus status = CallOperation(s, &SbvisaOperations::gpibCommand, cmd, cnt, &count);
        if (retCnt) {
            *retCnt = count;
        }
        return status;
    });
}

ViStatus viGpibControlATN(ViSession vi, ViUInt16 mode) {
    return OnSession(vi, "viGpibControlATN", true,
                     [&](Session& s) { return CallOperation(s, &SbvisaOperations::gpibControlATN, mode); });
}

ViStatus viGpibSendIFC(ViSession vi) {
    return OnSession(vi, "viGpibSendIFC", true,
                     [&](Session& s) { return CallOperation(s, &SbvisaOperations::gpibSendIFC); });
}

ViStatus viGpibPassControl(ViSession vi, ViUInt16 primAddr, ViUInt16 secAddr) {
    return OnSession(vi, "viGpibPassControl", true, [&](Session& s) {
        return CallOperation(s, &SbvisaOperations::gpibPassControl, primAddr, secAddr);
    });
}

ViStatus viMapTrigger(ViSession vi, ViInt16 trigSrc, ViInt16 trigDest, ViUInt16 mode) {
    return OnSession(vi, "viMapTrigger", true, [&](Session& s) {
        return CallOperation(s, &SbvisaOperations::mapTrigger, trigSrc, trigDest, mode);
    });
}

ViStatus viUnmapTrigger(ViSession vi, ViInt16 trigSrc, ViInt16 trigDest) {
    return OnSession(vi, "viUnmapTrigger", true, [&](Session& s) {
        return CallOperation(s, &SbvisaOperations::unmapTrigger, trigSrc, trigDest);
    });
}

ViStatus viAssertUtilSignal(ViSession vi, ViUInt16 line) {
    return OnSession(vi, "viAssertUtilSignal", true,
                     [&](Session& s) { return CallOperation(s, &SbvisaOperations::assertUtilSignal, line); });
}

ViStatus viAssertIntrSignal(ViSession vi, ViInt16 mode, ViUInt32 statusID) {
    return OnSession(vi, "viAssertIntrSignal", true, [&](Session& s) {
        return CallOperation(s, &SbvisaOperations::assertIntrSignal, mode, statusID);
    });
}

} // extern "C"
