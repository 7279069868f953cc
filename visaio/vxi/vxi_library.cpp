#include "vxi_library.h"

#include "../interface_library.h"

#include <mutex>

namespace corvid::visaio {

namespace {

// Only one thread of the process loads the library; the others wait for it.
std::mutex g_loadMutex;

} // namespace

VxiLibrary& VxiLibrary::Instance() {
    static VxiLibrary library;
    return library;
}

ViStatus VxiLibrary::Load() {
    if (handle_) {
        return VI_SUCCESS;
    }
    ViStatus status = OpenInterfaceLibrary(InterfaceLibraryPath("VXI", "sbvxint.so"), handle_);
    if (status < VI_SUCCESS) {
        return status;
    }
    Resolve(handle_, "d_InitVXIlibrary", init_);
    Resolve(handle_, "GetGlobals", getGlobals_);
    Resolve(handle_, "GetDevPresence", getDevPresence_);
    Resolve(handle_, "GetDevInfo", getDevInfo_);
    Resolve(handle_, "VXIin", in_);
    Resolve(handle_, "VXIout", out_);
    Resolve(handle_, "WSwrt", wsWrite_);
    Resolve(handle_, "WSrd", wsRead_);
    Resolve(handle_, "WSclr", wsClear_);
    Resolve(handle_, "WStrg", wsTrigger_);
    Resolve(handle_, "WSstb", wsStatusByte_);
    Resolve(handle_, "WSabort", wsAbort_);
    return VI_SUCCESS;
}

ViStatus VxiLibrary::Start() {
    std::lock_guard lock(g_loadMutex);
    if (started_) {
        return VI_SUCCESS;
    }
    ViStatus status = Load();
    if (status < VI_SUCCESS) {
        return status;
    }
    if (!init_ || init_() < 0) {
        return VI_ERROR_SYSTEM_ERROR;
    }
    started_ = true;
    return VI_SUCCESS;
}

int16_t VxiLibrary::GetGlobals(VxiGlobals& globals) const {
    return getGlobals_ ? getGlobals_(&globals) : VXI_FAILURE;
}

int16_t VxiLibrary::GetDevPresence(uint8_t bitmap[64]) const {
    return getDevPresence_ ? getDevPresence_(bitmap) : VXI_FAILURE;
}

int16_t VxiLibrary::GetDevInfo(int16_t la, VxiDeviceInfo& info) const {
    return getDevInfo_ ? getDevInfo_(la, &info) : VXI_FAILURE;
}

int16_t VxiLibrary::In(uint16_t space, uint32_t address, uint16_t width, uint32_t& value) const {
    return in_ ? in_(space, address, width, &value) : VXI_FAILURE;
}

int16_t VxiLibrary::Out(uint16_t space, uint32_t address, uint16_t width, uint32_t value) const {
    return out_ ? out_(space, address, width, value) : VXI_FAILURE;
}

int16_t VxiLibrary::Write(int16_t la, const char* buffer, uint32_t count, bool end, uint32_t& written) const {
    return wsWrite_ ? wsWrite_(la, buffer, count, end ? VXI_WS_END : 0, &written) : VXI_FAILURE;
}

int16_t VxiLibrary::Read(int16_t la, char* buffer, uint32_t count, int32_t timeoutMs, bool& end,
                         uint32_t& read) const {
    uint16_t mode = 0;
    int16_t result = wsRead_ ? wsRead_(la, buffer, count, timeoutMs, &mode, &read) : VXI_FAILURE;
    end = (mode & VXI_WS_END) != 0;
    return result;
}

int16_t VxiLibrary::Clear(int16_t la) const {
    return wsClear_ ? wsClear_(la) : VXI_FAILURE;
}

int16_t VxiLibrary::Trigger(int16_t la) const {
    return wsTrigger_ ? wsTrigger_(la) : VXI_FAILURE;
}

int16_t VxiLibrary::ReadStatusByte(int16_t la, uint16_t& statusByte) const {
    return wsStatusByte_ ? wsStatusByte_(la, &statusByte) : VXI_FAILURE;
}

int16_t VxiLibrary::Abort(int16_t la) const {
    return wsAbort_ ? wsAbort_(la) : VXI_FAILURE;
}

ViStatus VxiStatus(int32_t result) {
    switch (result) {
    case 0:
        return VI_SUCCESS;
    case VXI_ERR_BUS:
        return VI_ERROR_BERR;
    case VXI_ERR_TIMEOUT:
        return VI_ERROR_TMO;
    case VXI_ERR_ABORTED:
        return VI_ERROR_ABORT;
    case VXI_ERR_NO_DEVICE:
        return VI_ERROR_RSRC_NFOUND;
    case VXI_ERR_NOT_MESSAGE:
        return VI_ERROR_NSUP_OPER;
    case VXI_ERR_ARGUMENT:
        return VI_ERROR_INV_SPACE; // a space the library or module does not reach
    default:
        return VI_ERROR_IO;
    }
}

} // namespace corvid::visaio
