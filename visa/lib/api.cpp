// The exported VISA functions.
#include "api_formatted.h"
#include "api_guard.h"
#include "visa/names.h"
#include "visa/visa.h"

#include <cstdio>
#include <cstring>

using namespace corvid::visa;

namespace {

Library& Lib() {
    return Library::Instance();
}

void CopyText(char* out, const std::string& text) {
    if (out) {
        std::snprintf(out, VI_FIND_BUFLEN, "%s", text.c_str());
    }
}

} // namespace

extern "C" {

ViStatus viOpenDefaultRM(ViPSession vi) {
    return Guarded([&] { return Lib().OpenDefaultRM(vi); });
}

ViStatus viFindRsrc(ViSession sesn, ViConstString expr, ViPFindList vi, ViPUInt32 retCnt, ViChar desc[]) {
    return Guarded([&] { return Lib().FindResources(sesn, expr, vi, retCnt, desc); });
}

ViStatus viFindNext(ViFindList vi, ViChar desc[]) {
    return Guarded([&] { return Lib().FindNext(vi, desc); });
}

ViStatus viParseRsrc(ViSession rmSesn, ViConstRsrc rsrcName, ViPUInt16 intfType, ViPUInt16 intfNum) {
    return viParseRsrcEx(rmSesn, rsrcName, intfType, intfNum, nullptr, nullptr, nullptr);
}

ViStatus viParseRsrcEx(ViSession rmSesn, ViConstRsrc rsrcName, ViPUInt16 intfType, ViPUInt16 intfNum,
                       ViChar rsrcClass[], ViChar expandedUnaliasedName[], ViChar aliasIfExists[]) {
    return Guarded([&] {
        ResourceName name;
        std::string alias;
        ViStatus status = Lib().ParseResource(rmSesn, rsrcName, name, alias);
        if (intfType) {
            *intfType = name.interfaceType;
        }
        if (intfNum) {
            *intfNum = name.interfaceNumber;
        }
        CopyText(rsrcClass, name.resourceClass);
        CopyText(expandedUnaliasedName, name.canonical);
        CopyText(aliasIfExists, alias);
        return status;
    });
}

ViStatus viOpen(ViSession sesn, ViConstRsrc name, ViAccessMode mode, ViUInt32 timeout, ViPSession vi) {
    return Guarded([&] { return Lib().Open(sesn, name, mode, timeout, vi); });
}

ViStatus viClose(ViObject vi) {
    return Guarded([&] { return Lib().Close(vi); });
}

ViStatus viSetAttribute(ViObject vi, ViAttr attrName, ViAttrState attrValue) {
    return Guarded([&] { return Lib().SetAttribute(vi, attrName, attrValue); });
}

ViStatus viGetAttribute(ViObject vi, ViAttr attrName, void* attrValue) {
    return Guarded([&] { return Lib().GetAttribute(vi, attrName, attrValue); });
}

// Answers for any object, open or not, so that the text of a failure that closed a
// session can still be had.
ViStatus viStatusDesc(ViObject, ViStatus status, ViChar desc[]) {
    return Guarded([&]() -> ViStatus {
        if (!desc) {
            return VI_ERROR_INV_PARAMETER;
        }
        std::string_view text = StatusDescription(status);
        if (text.empty()) {
            std::snprintf(desc, VI_FIND_BUFLEN, "Unknown status value 0x%08X.",
                          static_cast<unsigned>(status));
            return VI_WARN_UNKNOWN_STATUS;
        }
        std::snprintf(desc, VI_FIND_BUFLEN, "%.*s", static_cast<int>(text.size()), text.data());
        return VI_SUCCESS;
    });
}

ViStatus viTerminate(ViObject vi, ViUInt16 degree, ViJobId jobId) {
    return OnSession(vi, "viTerminate", false, [&](Session& s) -> ViStatus {
        if (degree != VI_NULL) {
            return VI_ERROR_INV_DEGREE;
        }
        return CallOperation(s, &SbvisaOperations::terminate, degree, jobId);
    });
}

ViStatus viLock(ViSession vi, ViAccessMode lockType, ViUInt32 timeout, ViConstKeyId requestedKey,
                ViChar accessKey[]) {
    return OnSession(vi, "viLock", false, [&](Session& s) {
        std::string key;
        ViStatus status = Lib().locks().Lock(vi, s.name().canonical, lockType, timeout,
                                             lockType == VI_SHARED_LOCK ? requestedKey : nullptr, key);
        if (status >= VI_SUCCESS && lockType == VI_SHARED_LOCK) {
            CopyText(accessKey, key);
        }
        return status;
    });
}

ViStatus viUnlock(ViSession vi) {
    return OnSession(vi, "viUnlock", false,
                     [&](Session& s) { return Lib().locks().Unlock(vi, s.name().canonical); });
}

ViStatus viEnableEvent(ViSession vi, ViEventType eventType, ViUInt16 mechanism, ViEventFilter context) {
    return OnSession(vi, "viEnableEvent", false,
                     [&](Session& s) { return Lib().EnableEvent(s, eventType, mechanism, context); });
}

ViStatus viDisableEvent(ViSession vi, ViEventType eventType, ViUInt16 mechanism) {
    return OnSession(vi, "viDisableEvent", false,
                     [&](Session& s) { return Lib().DisableEvent(s, eventType, mechanism); });
}

ViStatus viDiscardEvents(ViSession vi, ViEventType eventType, ViUInt16 mechanism) {
    return OnSession(vi, "viDiscardEvents", false,
                     [&](Session& s) { return s.events().Discard(eventType, mechanism); });
}

ViStatus viWaitOnEvent(ViSession vi, ViEventType inEventType, ViUInt32 timeout, ViPEventType outEventType,
                       ViPEvent outContext) {
    return OnSession(vi, "viWaitOnEvent", false, [&](Session& s) {
        return Lib().WaitOnEvent(s, inEventType, timeout, outEventType, outContext);
    });
}

ViStatus viInstallHandler(ViSession vi, ViEventType eventType, ViHndlr handler, ViAddr userHandle) {
    return OnSession(vi, "viInstallHandler", false,
                     [&](Session& s) { return s.events().Install(eventType, handler, userHandle); });
}

ViStatus viUninstallHandler(ViSession vi, ViEventType eventType, ViHndlr handler, ViAddr userHandle) {
    return OnSession(vi, "viUninstallHandler", false,
                     [&](Session& s) { return s.events().Uninstall(eventType, handler, userHandle); });
}

ViStatus viRead(ViSession vi, ViPBuf buf, ViUInt32 cnt, ViPUInt32 retCnt) {
    return OnSession(vi, "viRead", true, [&](Session& s) -> ViStatus {
        ViUInt32 count = 0;
        if (retCnt) {
            *retCnt = 0;
        }
        if (!buf && cnt > 0) {
            return VI_ERROR_USER_BUF;
        }
        ViStatus status = CallOperation(s, &SbvisaOperations::read, buf, cnt, &count);
        if (retCnt) {
            *retCnt = count;
        }
        return status;
    });
}

ViStatus viBufRead(ViSession vi, ViPBuf buf, ViUInt32 cnt, ViPUInt32 retCnt) {
    return viRead(vi, buf, cnt, retCnt);
}

ViStatus viReadAsync(ViSession vi, ViPBuf buf, ViUInt32 cnt, ViPJobId jobId) {
    return OnSession(vi, "viReadAsync", true, [&](Session& s) -> ViStatus {
        ViJobId job = 0;
        if (!buf && cnt > 0) {
            return VI_ERROR_USER_BUF;
        }
        ViStatus status = CallOperation(s, &SbvisaOperations::readAsync, buf, cnt, &job);
        if (jobId) {
            *jobId = job;
        }
        return status;
    });
}

ViStatus viWrite(ViSession vi, ViConstBuf buf, ViUInt32 cnt, ViPUInt32 retCnt) {
    return OnSession(vi, "viWrite", true, [&](Session& s) -> ViStatus {
        ViUInt32 count = 0;
        if (retCnt) {
            *retCnt = 0;
        }
        if (!buf && cnt > 0) {
            return VI_ERROR_USER_BUF;
        }
        ViStatus status = CallOperation(s, &SbvisaOperations::write, buf, cnt, &count);
        if (retCnt) {
            *retCnt = count;
        }
        return status;
    });
}

ViStatus viBufWrite(ViSession vi, ViConstBuf buf, ViUInt32 cnt, ViPUInt32 retCnt) {
    return viWrite(vi, buf, cnt, retCnt);
}

ViStatus viWriteAsync(ViSession vi, ViConstBuf buf, ViUInt32 cnt, ViPJobId jobId) {
    return OnSession(vi, "viWriteAsync", true, [&](Session& s) -> ViStatus {
        ViJobId job = 0;
        if (!buf && cnt > 0) {
            return VI_ERROR_USER_BUF;
        }
        ViStatus status = CallOperation(s, &SbvisaOperations::writeAsync, buf, cnt, &job);
        if (jobId) {
            *jobId = job;
        }
        return status;
    });
}

ViStatus viAssertTrigger(ViSession vi, ViUInt16 protocol) {
    return OnSession(vi, "viAssertTrigger", true, [&](Session& s) {
        return CallOperation(s, &SbvisaOperations::assertTrigger, protocol);
    });
}

ViStatus viReadSTB(ViSession vi, ViPUInt16 status) {
    return OnSession(vi, "viReadSTB", true, [&](Session& s) -> ViStatus {
        if (!status) {
            return VI_ERROR_USER_BUF;
        }
        return CallOperation(s, &SbvisaOperations::readSTB, status);
    });
}

ViStatus viClear(ViSession vi) {
    return OnSession(vi, "viClear", true,
                     [&](Session& s) { return CallOperation(s, &SbvisaOperations::clear); });
}

ViStatus viGpibControlREN(ViSession vi, ViUInt16 mode) {
    return OnSession(vi, "viGpibControlREN", true,
                     [&](Session& s) { return CallOperation(s, &SbvisaOperations::gpibControlREN, mode); });
}

// The formatted buffers take their sizes from here. The low-level buffers are the
// component's: serial ports have them, GPIB has none.
ViStatus viSetBuf(ViSession vi, ViUInt16 mask, ViUInt32 size) {
    return OnSession(vi, "viSetBuf", true, [&](Session& s) -> ViStatus {
        constexpr ViUInt16 kKnown = VI_READ_BUF | VI_WRITE_BUF | VI_IO_IN_BUF | VI_IO_OUT_BUF;
        if (mask == 0 || (mask & ~kKnown) != 0) {
            return VI_ERROR_INV_MASK;
        }
        if (mask & VI_READ_BUF) {
            s.readBufferSize = size;
        }
        if (mask & VI_WRITE_BUF) {
            s.writeBufferSize = size;
        }
        const auto lowLevel = static_cast<ViUInt16>(mask & (VI_IO_IN_BUF | VI_IO_OUT_BUF));
        if (lowLevel == 0) {
            return VI_SUCCESS;
        }
        const SbvisaOperations* ops = s.operations();
        return ops && ops->setBuffer ? CallOperation(s, &SbvisaOperations::setBuffer, lowLevel, size)
                                     : VI_WARN_NSUP_BUF;
    });
}

ViStatus viFlush(ViSession vi, ViUInt16 mask) {
    return OnSession(vi, "viFlush", true, [&](Session& s) -> ViStatus {
        constexpr ViUInt16 kKnown = VI_READ_BUF | VI_READ_BUF_DISCARD | VI_WRITE_BUF | VI_WRITE_BUF_DISCARD |
                                    VI_IO_IN_BUF | VI_IO_IN_BUF_DISCARD | VI_IO_OUT_BUF |
                                    VI_IO_OUT_BUF_DISCARD;
        auto both = [mask](ViUInt16 a, ViUInt16 b) {
            return (mask & a) && (mask & b);
        };
        if (mask == 0 || (mask & ~kKnown) != 0 || both(VI_READ_BUF, VI_READ_BUF_DISCARD) ||
            both(VI_WRITE_BUF, VI_WRITE_BUF_DISCARD) || both(VI_IO_IN_BUF, VI_IO_IN_BUF_DISCARD) ||
            both(VI_IO_OUT_BUF, VI_IO_OUT_BUF_DISCARD)) {
            return VI_ERROR_INV_MASK;
        }
        ViStatus status = FlushFormattedBuffers(s, mask);
        const SbvisaOperations* ops = s.operations();
        if (status < VI_SUCCESS || !ops || !ops->flush) {
            return status;
        }
        return CallOperation(s, &SbvisaOperations::flush, mask);
    });
}

} // extern "C"
