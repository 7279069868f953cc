// The station configuration component "VelaConfig.VelaConfig.1": an initialisation
// store at $CORVID_HOME/vela.ini reached through the dual interface IVelaConfig.
#pragma once

#include "com/dispatch.h"

namespace corvid::velaconfig {

using namespace corvid::com;

inline constexpr CLSID CLSID_VelaConfig = MakeGuid("{4E2B7A10-58C3-4D61-9A2F-7C1D3B5E8F01}");
inline constexpr GUID LIBID_VelaConfig = MakeGuid("{4E2B7A10-58C3-4D61-9A2F-7C1D3B5E8F00}");
inline constexpr const char* kVelaConfigProgId = "VelaConfig.VelaConfig.1";

// Dispatch identifiers, fixed: callers use them late-bound.
enum VelaConfigDispId : DISPID {
    kDispGetValue = 1,
    kDispSetValue = 3,
    kDispSystemPath = 5,
    kDispIsConfigFileFound = 6,
};

struct IVelaConfig : IDispatch {
    static constexpr IID iid = MakeGuid("{4E2B7A10-58C3-4D61-9A2F-7C1D3B5E8F02}");

    // The value of key in section; empty when missing.
    virtual HRESULT GetValue(BSTR section, BSTR key, BSTR* value) = 0;
    // Writes the value (creating the store when missing).
    virtual HRESULT SetValue(BSTR section, BSTR key, BSTR value) = 0;
    // The "VELA SYSTEM" value VelaBasePath: the installation's base directory.
    virtual HRESULT get_SystemPath(BSTR* path) = 0;
    // False when the store does not exist or cannot be read.
    virtual HRESULT IsConfigFileFound(VARIANT_BOOL* found) = 0;
};

} // namespace corvid::velaconfig
