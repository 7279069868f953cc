// The interface of a UUT configuration component: the component a UUT model names in
// the instrument database, which identifies (and if need be records) the unit on the
// bench. Its members follow IDispatch's in this slot order; every member returns a
// failed HRESULT with error information when it fails.
#pragma once

#include "com/dispatch.h"

namespace corvid::operatortabs {

// Dispatch identifiers, fixed: script callers use them late-bound.
enum UutConfigurationDispId : com::DISPID {
    kDispGetSerialNumber = 1,
    kDispGetInstanceID = 2,
    kDispInitialize = 3,
    kDispConfigure = 4,
    kDispClose = 5,
};

struct IUutConfiguration : com::IDispatch {
    static constexpr com::IID iid = com::MakeGuid("{ED6C4D48-4759-11D2-BEA3-0060B0872CA8}");

    // The unit's serial number: the one given to Initialize until Configure finds another.
    virtual com::HRESULT GetSerialNumber(com::BSTR* serialNumber) = 0;
    // The unit's DeviceInstances key; -1 while the unit has no row.
    virtual com::HRESULT GetInstanceID(com::LONG* instanceId) = 0;
    // Opens the instrument database and takes the unit's model and the serial number
    // known so far (may be empty). ok is non-zero on success.
    virtual com::HRESULT Initialize(com::BSTR instrumentDatabasePath, com::LONG uutModelId,
                                    com::BSTR serialNumber, com::SHORT* ok) = 0;
    // Identifies the unit and brings its DeviceInstances row and detected options up to
    // date. result is 1 when nothing changed, 0 when the unit was (re)identified or its
    // rows changed.
    virtual com::HRESULT Configure(com::SHORT* result) = 0;
    // Releases the database; the object may be initialised again.
    virtual com::HRESULT Close() = 0;
};

} // namespace corvid::operatortabs
