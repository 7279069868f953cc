// The interface of a UUT configuration component: the component a UUT model names in
// the instrument database, which identifies (and if need be registers) the unit on the
// bench. Its members follow IDispatch's in this slot order.
#pragma once

#include "com/dispatch.h"

namespace corvid::operatortabs {

struct IUutConfiguration : com::IDispatch {
    static constexpr com::IID iid = com::MakeGuid("{ED6C4D48-4759-11D2-BEA3-0060B0872CA8}");

    virtual com::HRESULT GetSerialNumber(com::BSTR* serialNumber) = 0;
    virtual com::HRESULT GetInstanceID(com::LONG* instanceId) = 0;
    // ok: non-zero when the component is ready for Configure.
    virtual com::HRESULT Initialize(com::BSTR instrumentDatabase, com::LONG uutModelId,
                                    com::BSTR serialNumber, com::SHORT* ok) = 0;
    // result: 1 when nothing changed, else 0.
    virtual com::HRESULT Configure(com::SHORT* result) = 0;
    virtual com::HRESULT Close() = 0;
};

} // namespace corvid::operatortabs
