// The UUT configuration interface that the operator interface drives for each unit model,
// and the demo unit model's component "DemoUut.LM4065.1" that implements it: it identifies
// the unit on the bench over GPIB and records it and its fitted options in the
// instrument database.
#pragma once

#include "com/dispatch.h"

namespace corvid::demouut {

using namespace corvid::com;

inline constexpr CLSID CLSID_DemoUut = MakeGuid("{9CB77C9E-CBB2-469C-9AE1-B68B5D175071}");
inline constexpr GUID LIBID_DemoUut = MakeGuid("{46A6FED1-2340-4A2D-97C0-0D41BF48CC48}");
inline constexpr const char* kDemoUutProgId = "DemoUut.LM4065.1";

// Dispatch identifiers, fixed: script callers use them late-bound.
enum UutConfigurationDispId : DISPID {
    kDispGetSerialNumber = 1,
    kDispGetInstanceID = 2,
    kDispInitialize = 3,
    kDispConfigure = 4,
    kDispClose = 5,
};

// Every member returns a failed HRESULT with error information when it fails.
struct IUutConfiguration : IDispatch {
    static constexpr IID iid = MakeGuid("{ED6C4D48-4759-11D2-BEA3-0060B0872CA8}");

    // The unit's serial number: the one given to Initialize until Configure finds another.
    virtual HRESULT GetSerialNumber(BSTR* serialNumber) = 0;
    // The unit's DeviceInstances key; -1 while the unit has no row.
    virtual HRESULT GetInstanceID(LONG* instanceId) = 0;
    // Opens the instrument database and takes the unit's model and the serial number
    // known so far (may be empty). ok is non-zero on success.
    virtual HRESULT Initialize(BSTR instrumentDatabasePath, LONG uutModelId, BSTR serialNumber,
                               SHORT* ok) = 0;
    // Identifies the unit and brings its DeviceInstances row and detected options up to
    // date. result is 1 when nothing changed, 0 when the unit was (re)identified or its
    // rows changed.
    virtual HRESULT Configure(SHORT* result) = 0;
    // Releases the database; the object may be initialised again.
    virtual HRESULT Close() = 0;
};

} // namespace corvid::demouut
