// Opening and closing the instrument's VISA session, and the settings from a property bag.
#include "com/property_bag.h"
#include "record_blocks.h"
#include "visa_gpib.h"

#include <cstdio>

namespace corvid::driver {
namespace {

constexpr const char* kPropertyReadFailed = "Unable to retrive object property";

std::string ResourceName(LONG board, LONG primary) {
    char name[64];
    std::snprintf(name, sizeof name, "GPIB%ld::%ld::INSTR", static_cast<long>(board),
                  static_cast<long>(primary));
    return name;
}

const char* OpenStatusText(ViStatus status) {
    if (status == VI_ERROR_RSRC_NFOUND)
        return "Device Not Found";
    return status < VI_SUCCESS ? "Error" : "Open Ok";
}

// A 32-bit property of the bag, or nullopt when it cannot be read as one.
std::optional<LONG> ReadLong(IPropertyBag* bag, std::string_view name, HRESULT& hr) {
    Variant value;
    hr = PropertyBagRead(bag, name, VT_I4, value);
    if (FAILED(hr))
        return std::nullopt;
    return value.lVal;
}

} // namespace

HRESULT CVisaGpib::Initialize() {
    return Guarded("CVisaGpib::Initialize", IInitialize::iid, [&] { InitializeSession(); });
}

HRESULT CVisaGpib::Close() {
    return Guarded("CVisaGpib::Close", IInitialize::iid, [&] { CloseSession(); });
}

void CVisaGpib::InitializeSession() {
    Close(); // ends any previous session; the debugger sees CLOSE even when nothing was open
    log_.SetLogName(Utf8FromBstr(instanceName_.get()), board_, primary_);
    bool playback = PlaybackActive();
    auto timeOut = static_cast<ViUInt32>(timeOut_);

    ViStatus status = playback ? VI_SUCCESS : viOpenDefaultRM(&resourceManager_);
    log_.LogCommand("Initialize - viOpenDefaultRM", StatusText(status), status >= VI_SUCCESS);
    if (status < VI_SUCCESS)
        throw CResultError(E_FAIL, "Can't Open VISA session!");
    CCopyDataBlock logName = blocks::Text(log_.LogName());
    Report(link::actionOpenDefaultRm, &logName, nullptr, nullptr);

    std::string resource = ResourceName(board_, primary_);
    ViSession opened = VI_NULL;
    status = playback ? VI_SUCCESS : viOpen(resourceManager_, resource.c_str(), VI_NO_LOCK, timeOut, &opened);
    if (status >= VI_SUCCESS)
        session_ = opened;
    CCopyDataBlock resourceBlock = blocks::Text(resource);
    Report(link::actionOpen, &resourceBlock, nullptr, nullptr);
    if (writeLogging_)
        log_.LogCommand("Initialize - viOpen", OpenStatusText(status), status >= VI_SUCCESS);
    if (status < VI_SUCCESS)
        throw CResultError(status == VI_ERROR_RSRC_NFOUND ? VISAGPIB_E_IO : E_FAIL,
                           "Can't Open IO, " + log_.LogName());

    status = playback ? VI_SUCCESS : viLock(session_, VI_EXCLUSIVE_LOCK, timeOut, VI_NULL, VI_NULL);
    CCopyDataBlock lockType = blocks::Dword(VI_EXCLUSIVE_LOCK);
    Report(link::actionLock, &lockType, nullptr, nullptr);
    log_.LogCommand("Initialize - viLock", StatusText(status), status >= VI_SUCCESS);
    if (status < VI_SUCCESS)
        throw CResultError(E_FAIL, "Can't Lock Device, its address is already in use, " + log_.LogName());
}

void CVisaGpib::CloseEventContext(ViEvent& context) noexcept {
    if (context != VI_NULL)
        viClose(context);
    context = VI_NULL;
}

void CVisaGpib::CloseSession() {
    CloseEventContext(triggerContext_);
    CloseEventContext(serviceRequestContext_);
    if (!PlaybackActive()) {
        if (session_ != VI_NULL) {
            ViStatus status = viUnlock(session_);
            log_.LogCommand("Close - viUnlock", StatusText(status), status >= VI_SUCCESS);
            status = viClose(session_);
            log_.LogCommand("Close - viClose", StatusText(status), status >= VI_SUCCESS);
            session_ = VI_NULL;
        }
        if (resourceManager_ != VI_NULL) {
            ViStatus status = viClose(resourceManager_);
            log_.LogCommand("Close - viClose RM", "Done", status >= VI_SUCCESS);
            resourceManager_ = VI_NULL;
        }
    }
    Report(link::actionClose, nullptr, nullptr, nullptr);
}

void CVisaGpib::ReadPropertyBag(IUnknown* object) {
    ComPtr<IPropertyBag> bag;
    HRESULT hr = object ? object->QueryInterface(IPropertyBag::iid, bag.OutVoid()) : E_POINTER;
    if (FAILED(hr))
        throw CResultError(hr, "Failed To Get PropertyBag Interface");

    Variant name;
    if (FAILED(hr = PropertyBagRead(bag.get(), "InstanceName", VT_BSTR, name)))
        throw CResultError(hr, kPropertyReadFailed);
    if (FAILED(hr = put_InstanceName(name.bstrVal)))
        throw CResultError::Nested(hr);

    struct Setting {
        const char* name;
        HRESULT (CVisaGpib::*put)(LONG);
        bool required;
    };
    static constexpr Setting settings[] = {
        {"GpibBoardAddress", &CVisaGpib::put_BoardAddress, true},
        {"GpibPrimaryAddress", &CVisaGpib::put_PrimaryAddress, true},
        {"GpibSecondaryAddress", &CVisaGpib::put_SecondaryAddress, false},
        {"GpibTimeOut", &CVisaGpib::put_TimeOut, false},
    };
    for (const Setting& setting : settings) {
        std::optional<LONG> value = ReadLong(bag.get(), setting.name, hr);
        if (!value && setting.required)
            throw CResultError(hr, kPropertyReadFailed);
        if (value && FAILED(hr = (this->*setting.put)(*value)))
            throw CResultError::Nested(hr);
    }
}

} // namespace corvid::driver
