// The VXI library "sbvxint.so", loaded once per process when first needed. Every wrapper
// answers VXI_FAILURE when the library or its function is not there, so that an absent
// library makes VXI find nothing.
#pragma once

#include "visa/sbvisa_io.h"
#include "vxibus/vxibus.h"

#include <string>

namespace corvid::visaio {

class VxiLibrary {
public:
    static VxiLibrary& Instance();

    // Loads and starts the library: VI_SUCCESS, VI_ERROR_LIBRARY_NFOUND when the file is
    // missing, VI_ERROR_SYSTEM_ERROR when it cannot be used or does not start.
    ViStatus Start();

    int16_t GetGlobals(VxiGlobals& globals) const;
    int16_t GetDevPresence(uint8_t bitmap[64]) const;
    int16_t GetDevInfo(int16_t la, VxiDeviceInfo& info) const;
    int16_t In(uint16_t space, uint32_t address, uint16_t width, uint32_t& value) const;
    int16_t Out(uint16_t space, uint32_t address, uint16_t width, uint32_t value) const;
    int16_t Write(int16_t la, const char* buffer, uint32_t count, bool end, uint32_t& written) const;
    int16_t Read(int16_t la, char* buffer, uint32_t count, int32_t timeoutMs, bool& end,
                 uint32_t& read) const;
    int16_t Clear(int16_t la) const;
    int16_t Trigger(int16_t la) const;
    int16_t ReadStatusByte(int16_t la, uint16_t& statusByte) const;
    int16_t Abort(int16_t la) const;

private:
    VxiLibrary() = default;
    ViStatus Load();

    void* handle_ = nullptr;
    bool started_ = false;
    VxiInitFn init_ = nullptr;
    VxiGetGlobalsFn getGlobals_ = nullptr;
    VxiGetDevPresenceFn getDevPresence_ = nullptr;
    VxiGetDevInfoFn getDevInfo_ = nullptr;
    VxiInFn in_ = nullptr;
    VxiOutFn out_ = nullptr;
    VxiWSwrtFn wsWrite_ = nullptr;
    VxiWSrdFn wsRead_ = nullptr;
    VxiWSclrFn wsClear_ = nullptr;
    VxiWStrgFn wsTrigger_ = nullptr;
    VxiWSstbFn wsStatusByte_ = nullptr;
    VxiWSabortFn wsAbort_ = nullptr;
};

// What a failing VXI call means for a register or word-serial operation.
ViStatus VxiStatus(int32_t result);

} // namespace corvid::visaio
