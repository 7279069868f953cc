// CVisaGpib: the driver object. One object talks to one GPIB instrument through a VISA
// session; every step is logged to the caller's log, reported to the debugger and, while
// the debugger plays a recording back, answered from the recording.
#pragma once

#include "com/bstr.h"
#include "com/dispatch_impl.h"
#include "com/error_info.h"
#include "com/object.h"
#include "debugger_reporter.h"
#include "descriptions.h"
#include "driver/interfaces.h"
#include "driver_log.h"
#include "error_report.h"
#include "raw_kinds.h"
#include "result_error.h"
#include "visa_status.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace corvid::driver {

class CVisaGpib final : public ComClass<CVisaGpib, DispatchImpl<IGpib, descriptions::kGpib>, IInitializeGpib,
                                        SupportErrorInfoImpl<IMessageIO::iid, IDispatch::iid, IGpib::iid,
                                                             IInitialize::iid, IInitializeGpib::iid>> {
public:
    CVisaGpib() = default;

    static std::span<const InterfaceEntry> InterfaceTable();

    // IMessageIO
    HRESULT Write(BSTR bsCmdString) override;
    HRESULT Read(BSTR* bsResult, LONG nMaxResultSize) override;
    HRESULT Query(BSTR bsCmdString, BSTR* bsResult, LONG nMaxResultSize) override;
    HRESULT QueryInt32(BSTR bsCmdString, LONG* lResult) override;
    HRESULT QueryDouble(BSTR bsCmdString, DOUBLE* dResult) override;
    HRESULT SetTimeOut(LONG lTimeOut) override;
    HRESULT SetTermChar(BYTE TermChar) override;
    HRESULT TermCharOnOff(VARIANT_BOOL bOk) override;
    HRESULT SendEndOnOff(VARIANT_BOOL bOk) override;
    HRESULT WriteRawDoubles(SAFEARRAY* aOut) override;
    HRESULT WriteRawFloats(SAFEARRAY* aOut) override;
    HRESULT WriteRaw8Bits(SAFEARRAY* aOut) override;
    HRESULT WriteRaw16Bits(SAFEARRAY* aOut) override;
    HRESULT WriteRaw32Bits(SAFEARRAY* aOut) override;
    HRESULT ReadRawDoubles(SAFEARRAY** aOut, LONG nNumber) override;
    HRESULT ReadRawFloats(SAFEARRAY** aOut, LONG nNumber) override;
    HRESULT ReadRaw8Bits(SAFEARRAY** aOut, LONG nNumber) override;
    HRESULT ReadRaw16Bits(SAFEARRAY** aOut, LONG nNumber) override;
    HRESULT ReadRaw32Bits(SAFEARRAY** aOut, LONG nNumber) override;
    HRESULT get_InitializeInterface(IDispatch** pI) override;
    HRESULT put_WriteLogging(VARIANT_BOOL enable) override;

    // IGpib
    HRESULT ReadSTB(BYTE* nStatusByte) override;
    HRESULT Clear() override;
    HRESULT Trigger() override;
    HRESULT EnableTriggerEvent(VARIANT_BOOL bEnable) override;
    HRESULT WaitForTriggerEvent(LONG lTimeOut) override;
    HRESULT EnableServiceRequestEvent(VARIANT_BOOL bEnable) override;
    HRESULT WaitForServiceRequestEvent(LONG lTimeOut) override;

    // IInitialize
    HRESULT get_InstanceName(BSTR* name) override;
    HRESULT put_InstanceName(BSTR name) override;
    HRESULT Initialize() override;
    HRESULT InitializeData(IUnknown* propertyBag) override;
    HRESULT SaveData(IUnknown* propertyBag) override;
    HRESULT Close() override;
    HRESULT get_Interface(BSTR InterfaceName, IDispatch** object) override;
    HRESULT put_LogInterface(IUnknown* log) override;

    // IInitializeGpib
    HRESULT get_BoardAddress(LONG* value) override;
    HRESULT put_BoardAddress(LONG value) override;
    HRESULT get_PrimaryAddress(LONG* value) override;
    HRESULT put_PrimaryAddress(LONG value) override;
    HRESULT get_SecondaryAddress(LONG* value) override;
    HRESULT put_SecondaryAddress(LONG value) override;
    HRESULT get_TimeOut(LONG* milliseconds) override;
    HRESULT put_TimeOut(LONG milliseconds) override;

private:
    ~CVisaGpib() override;

    // Runs a member's work; whatever it throws becomes error information with the
    // member's command name and interface, and the member's result.
    template <class Work>
    HRESULT Guarded(const char* command, REFIID iid, Work&& work) noexcept {
        try {
            work();
            return S_OK;
        } catch (...) {
            return ReportCurrentException(command, iid);
        }
    }

    // A reading operation: with a replay record from the debugger, `replayed` answers
    // from it (under replayCommand) and the record is echoed back; otherwise `live` talks
    // to the instrument (under liveCommand).
    template <class Live, class Replayed>
    HRESULT ReadingOperation(const char* liveCommand, const char* replayCommand, bool outputGiven,
                             Live&& live, Replayed&& replayed) noexcept;

    // Session steps (visa_gpib_session.cpp).
    void InitializeSession();
    void CloseSession();
    void CloseEventContext(ViEvent& context) noexcept;
    void ReadPropertyBag(IUnknown* object);

    // Shared steps of the I/O members.
    bool PlaybackActive() const { return reporter_.IsPlaybackActive(); }
    void CheckInitialised(bool playback) const;
    std::string StatusText(ViStatus status) const { return driver::StatusText(session_, status); }
    // Logs the step, then fails with VISAGPIB_E_IO and the status text when negative.
    void LogAndCheck(std::string_view entry, ViStatus status);
    void Report(std::uint8_t action, const CCopyDataBlock* parameters, const CCopyDataBlock* received,
                const CCopyDataBlock* sent, std::string_view comments = {}) const noexcept;
    // The note of a text the debugger's record will hold cut (blocks::TextCutNote), when a
    // debugger takes records; empty otherwise.
    std::string RecordCutNote(std::string_view blockName, std::size_t length) const;

    // The byte transfers (visa_gpib_io.cpp). A write does nothing in playback; text is
    // what a text-mode write logs (UTF-8), cutNote what its log entry adds.
    void WriteBytes(const void* buffer, std::int64_t count, bool textMode, std::string_view text,
                    bool playback, std::string_view cutNote = {});
    // Returns the count received. In text mode a zero byte follows the bytes received, so
    // the buffer needs room for maximum + 1 bytes, and *cutNote (when given) receives the
    // note of a text the record holds cut.
    ViUInt32 ReadBytes(void* buffer, std::int64_t maximum, bool textMode, std::string* cutNote = nullptr);
    void ReadTextLive(BSTR* bsResult, LONG nMaxResultSize);
    void ReadTextReplayed(const CGPIBCommandInfo& record, BSTR* bsResult);
    void QueryText(BSTR bsCmdString, std::string& reply);
    // After a replayed record that does not fit: asks the user; "No" fails the operation.
    static void ContinueAfterMismatch();

    // Raw arrays (visa_gpib_raw.cpp).
    template <class Kind>
    HRESULT WriteRaw(SAFEARRAY* array) noexcept;
    template <class Kind>
    HRESULT ReadRaw(SAFEARRAY** array, LONG count) noexcept;
    template <class Kind>
    void ReadRawLive(SAFEARRAY** array, LONG count);

    // Attributes and events (visa_gpib_control.cpp).
    // The Sent block of an attribute's record: one element of a type, or none.
    struct AttributeRecord {
        unsigned type;
        std::int32_t value;
        bool carried;
    };
    // newTimeOut, when given, becomes the object's time-out before the VISA call.
    HRESULT SetAttribute(const char* command, ViAttr attribute, ViAttrState value, const char* entry,
                         AttributeRecord sent, const LONG* newTimeOut) noexcept;
    HRESULT EnableEvent(const char* command, ViEventType event, ViEvent& context, VARIANT_BOOL enable,
                        const char* entry, bool reportAfterFailure) noexcept;
    // recordEventType: whether the record's Parameters carry the event type.
    HRESULT WaitForEvent(const char* command, ViEventType event, ViEvent& context, LONG timeOut,
                         const char* entry, bool recordEventType) noexcept;

    ViSession session_ = 0;
    ViSession resourceManager_ = 0;
    LONG board_ = 0;
    LONG primary_ = 0;
    LONG secondary_ = 0;
    LONG timeOut_ = 2000;
    Bstr instanceName_;
    ViEvent triggerContext_ = 0;
    ViEvent serviceRequestContext_ = 0;
    bool writeLogging_ = true;
    CDriverLog log_;
    CDebuggerReporter reporter_;
};

template <class Live, class Replayed>
HRESULT CVisaGpib::ReadingOperation(const char* liveCommand, const char* replayCommand, bool outputGiven,
                                    Live&& live, Replayed&& replayed) noexcept {
    std::optional<CGPIBCommandInfo> record;
    ReplayFetch fetch = ReplayFetch::live;
    HRESULT hr = Guarded(liveCommand, IGpib::iid, [&] {
        if (!outputGiven)
            throw CResultError(E_POINTER, "Invalid output pointer");
        record.emplace();
        fetch = reporter_.Fetch(*record);
    });
    if (FAILED(hr))
        return hr;
    switch (fetch) {
    case ReplayFetch::live:
        return Guarded(liveCommand, IGpib::iid, live);
    case ReplayFetch::failed:
        CDebuggerReporter::ShowDebuggerError();
        return S_OK;
    case ReplayFetch::replayed:
        break;
    }
    hr = Guarded(replayCommand, IGpib::iid, [&] { replayed(*record); });
    reporter_.Echo(*record);
    return hr;
}

} // namespace corvid::driver
