// Attributes, the status byte, device clear, trigger and events.
#include "record_blocks.h"
#include "visa_gpib.h"

#include <cstdio>

namespace corvid::driver {

HRESULT CVisaGpib::SetAttribute(const char* command, ViAttr attribute, ViAttrState value, const char* entry,
                                AttributeRecord sent, const LONG* newTimeOut) noexcept {
    HRESULT hr = Guarded(command, IGpib::iid, [&] {
        bool playback = PlaybackActive();
        CheckInitialised(playback);
        if (newTimeOut)
            timeOut_ = *newTimeOut; // kept even when the instrument refuses it
        ViStatus status = playback ? VI_SUCCESS : viSetAttribute(session_, attribute, value);
        LogAndCheck(entry, status);
    });
    // Reported also after a failure.
    try {
        CCopyDataBlock parameters = blocks::Dword(attribute);
        CCopyDataBlock sentBlock =
            sent.carried ? blocks::Array(&sent.value, 1, sent.type) : blocks::NoElements(sent.type);
        Report(link::actionSetAttribute, &parameters, nullptr, &sentBlock);
    } catch (...) {
        CDebuggerReporter::ShowDebuggerError();
    }
    return hr;
}

HRESULT CVisaGpib::SetTimeOut(LONG lTimeOut) {
    char entry[48];
    std::snprintf(entry, sizeof entry, "SetTimeOut %ld", static_cast<long>(lTimeOut));
    return SetAttribute("CVisaGpib::SetTimeOut", VI_ATTR_TMO_VALUE, static_cast<ViUInt32>(lTimeOut), entry,
                        {CCopyDataBlock::Long, lTimeOut, true}, &lTimeOut);
}

HRESULT CVisaGpib::SetTermChar(BYTE TermChar) {
    // The character itself is not carried in the record.
    return SetAttribute("CVisaGpib::SetTermChar", VI_ATTR_TERMCHAR, TermChar, "SetTermChar",
                        {CCopyDataBlock::Byte, 0, false}, nullptr);
}

HRESULT CVisaGpib::TermCharOnOff(VARIANT_BOOL bOk) {
    bool on = bOk == VARIANT_TRUE;
    return SetAttribute("CVisaGpib::TermCharOnOff", VI_ATTR_TERMCHAR_EN, on ? 1 : 0,
                        on ? " TermCharOnOff On" : "TermCharOnOff Off", {CCopyDataBlock::Integer, bOk, true},
                        nullptr);
}

HRESULT CVisaGpib::SendEndOnOff(VARIANT_BOOL bOk) {
    bool on = bOk == VARIANT_TRUE;
    return SetAttribute("CVisaGpib::SendEndOnOff", VI_ATTR_SEND_END_EN, on ? 1 : 0,
                        on ? "SendEndOnOff On" : "SendEndOnOff Off", {CCopyDataBlock::Integer, bOk, true},
                        nullptr);
}

HRESULT CVisaGpib::ReadSTB(BYTE* nStatusByte) {
    return ReadingOperation(
        "CVisaGpib::ReadSTB", "CVisaGpib::ReadSTB", nStatusByte != nullptr,
        [&] {
            CheckInitialised(PlaybackActive());
            ViUInt16 status16 = 0;
            ViStatus status = viReadSTB(session_, &status16);
            char entry[32];
            std::snprintf(entry, sizeof entry, "ReadSTB : %hd", static_cast<short>(status16));
            LogAndCheck(entry, status);
            *nStatusByte = static_cast<BYTE>(status16 & 0xFF);
            CCopyDataBlock received = blocks::Byte(*nStatusByte);
            Report(link::actionReadStb, nullptr, &received, nullptr);
        },
        [&](const CGPIBCommandInfo& record) {
            const CCopyDataBlock& block = record.Received();
            if (!AcceptsReplay(record, CCopyDataBlock::Byte, link::actionReadStb) || !block.HasData() ||
                block.Count() == 0)
                return ContinueAfterMismatch();
            *nStatusByte = block.Data()[0];
        });
}

HRESULT CVisaGpib::Clear() {
    return Guarded("CVisaGpib::Clear", IGpib::iid, [&] {
        bool playback = PlaybackActive();
        CheckInitialised(playback);
        LogAndCheck("Clear", playback ? VI_SUCCESS : viClear(session_));
        Report(link::actionClear, nullptr, nullptr, nullptr);
    });
}

HRESULT CVisaGpib::Trigger() {
    return Guarded("CVisaGpib::Trigger", IGpib::iid, [&] {
        bool playback = PlaybackActive();
        CheckInitialised(playback);
        LogAndCheck("Trigger", playback ? VI_SUCCESS : viAssertTrigger(session_, VI_TRIG_PROT_DEFAULT));
        CCopyDataBlock protocol = blocks::Dword(VI_TRIG_PROT_DEFAULT);
        Report(link::actionTrigger, &protocol, nullptr, nullptr);
    });
}

HRESULT CVisaGpib::EnableEvent(const char* command, ViEventType event, ViEvent& context, VARIANT_BOOL enable,
                               const char* entry, bool reportAfterFailure) noexcept {
    HRESULT hr = Guarded(command, IGpib::iid, [&] {
        bool playback = PlaybackActive();
        CheckInitialised(playback);
        ViStatus status = VI_SUCCESS;
        if (!playback && enable == VARIANT_TRUE) {
            status = viEnableEvent(session_, event, VI_QUEUE, VI_NULL);
        } else if (!playback) {
            CloseEventContext(context);
            status = viDisableEvent(session_, event, VI_QUEUE);
        }
        LogAndCheck(entry, status);
    });
    if (FAILED(hr) && !reportAfterFailure)
        return hr;
    try {
        CCopyDataBlock parameters = blocks::Dword(event);
        CCopyDataBlock sent = blocks::Integer(enable);
        Report(link::actionEnableEvent, &parameters, nullptr, &sent);
    } catch (...) {
        CDebuggerReporter::ShowDebuggerError();
    }
    return hr;
}

HRESULT CVisaGpib::WaitForEvent(const char* command, ViEventType event, ViEvent& context, LONG timeOut,
                                const char* entry, bool recordEventType) noexcept {
    HRESULT hr = Guarded(command, IGpib::iid, [&] {
        bool playback = PlaybackActive();
        CheckInitialised(playback);
        ViStatus status = VI_SUCCESS;
        if (!playback) {
            CloseEventContext(context);
            ViEventType type = 0;
            ViEvent received = VI_NULL;
            status = viWaitOnEvent(session_, event, static_cast<ViUInt32>(timeOut), &type, &received);
            context = received;
        }
        LogAndCheck(entry, status);
    });
    // Reported also after a failure (a time-out among them).
    try {
        CCopyDataBlock parameters =
            recordEventType ? blocks::Dword(event) : blocks::NoElements(CCopyDataBlock::Dword);
        CCopyDataBlock sent = blocks::Long(timeOut);
        Report(link::actionWaitOnEvent, &parameters, nullptr, &sent);
    } catch (...) {
        CDebuggerReporter::ShowDebuggerError();
    }
    return hr;
}

HRESULT CVisaGpib::EnableTriggerEvent(VARIANT_BOOL bEnable) {
    return EnableEvent("CVisaGpib::EnableTriggerEvent", VI_EVENT_TRIG, triggerContext_, bEnable,
                       "EnableTriggerEvent", false);
}

HRESULT CVisaGpib::WaitForTriggerEvent(LONG lTimeOut) {
    // The event type is not carried in this record.
    return WaitForEvent("CVisaGpib::WaitForTriggerEvent", VI_EVENT_TRIG, triggerContext_, lTimeOut,
                        "WaitForTriggerEvent", false);
}

HRESULT CVisaGpib::EnableServiceRequestEvent(VARIANT_BOOL bEnable) {
    return EnableEvent("CVisaGpib::EnableServiceRequestEvent", VI_EVENT_SERVICE_REQ, serviceRequestContext_,
                       bEnable, "EnableServiceRequestEvent", true);
}

HRESULT CVisaGpib::WaitForServiceRequestEvent(LONG lTimeOut) {
    return WaitForEvent("CVisaGpib::WaitForServiceRequestEvent", VI_EVENT_SERVICE_REQ, serviceRequestContext_,
                        lTimeOut, "WaitForServiceRequestEvent", true);
}

} // namespace corvid::driver
