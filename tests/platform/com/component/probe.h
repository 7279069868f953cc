// A small test component: the class Probe ("Probe.Probe.1") with the dual interface
// IProbe and the custom interface IProbeSetup. Tests use these declarations as any
// client of a component would.
#pragma once

#include "com/dispatch.h"
#include "com/safearray.h"

namespace probe {

using namespace corvid::com;

inline constexpr CLSID CLSID_Probe = MakeGuid("{6B1F0C52-3D0A-4E55-9C1B-2A7D5E0F4A11}");
inline constexpr GUID LIBID_Probe = MakeGuid("{6B1F0C52-3D0A-4E55-9C1B-2A7D5E0F4A10}");
inline constexpr GUID CATID_TestComponents = MakeGuid("{6B1F0C52-3D0A-4E55-9C1B-2A7D5E0F4A1F}");

// The result and description of every failure the probe reports.
inline constexpr HRESULT PROBE_E_FAILED = static_cast<HRESULT>(0x8004E000u);

struct IProbe : IDispatch {
    static constexpr IID iid = MakeGuid("{6B1F0C52-3D0A-4E55-9C1B-2A7D5E0F4A12}");

    virtual HRESULT Echo(BSTR text, BSTR* echoed) = 0;                               // 1
    virtual HRESULT Add(LONG a, LONG b, LONG* sum) = 0;                              // 2, sum is retval
    virtual HRESULT Scale(DOUBLE factor, SAFEARRAY* values, SAFEARRAY** scaled) = 0; // 3, doubles
    virtual HRESULT Fail(BSTR message) = 0;                                          // 4
    virtual HRESULT get_Name(BSTR* name) = 0;                                        // 5
    virtual HRESULT put_Name(BSTR name) = 0;                                         // 5
    virtual HRESULT get_Count(LONG* count) = 0;                                      // 6, read-only
    virtual HRESULT get_Flag(VARIANT_BOOL* flag) = 0;                                // 7
    virtual HRESULT put_Flag(VARIANT_BOOL flag) = 0;                                 // 7
    virtual HRESULT LoadSettings(IUnknown* bag) = 0;                                 // 8
    virtual HRESULT ReadBytes(SAFEARRAY** bytes, LONG count) = 0;                    // 9, out before in
    virtual HRESULT Describe(VARIANT value, BSTR* text) = 0;                         // 10, text is retval
    virtual HRESULT Leave(BSTR* text, LONG* number) = 0;                             // 11, sets neither
};

struct IProbeSetup : IUnknown {
    static constexpr IID iid = MakeGuid("{6B1F0C52-3D0A-4E55-9C1B-2A7D5E0F4A13}");

    // Negative counts fail with PROBE_E_FAILED and error information.
    virtual HRESULT SetCount(LONG count) = 0;
    virtual HRESULT GetName(BSTR* name) = 0;
};

// An interface the probe does not implement.
struct IAbsent : IUnknown {
    static constexpr IID iid = MakeGuid("{6B1F0C52-3D0A-4E55-9C1B-2A7D5E0F4A14}");
};

} // namespace probe
