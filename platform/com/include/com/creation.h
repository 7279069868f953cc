// Creating objects by ProgID or class identifier. The classes root of the registry
// maps "<ProgID>\CLSID" (following "<ProgID>\CurVer" for a version-independent ProgID)
// to a class identifier, and "CLSID\{...}\InprocServer32" to the module that serves it.
// The module is loaded with dlopen and asked for a class factory through its exported
// DllGetClassObject. Modules stay loaded for the life of the process.
//
// Failures, each with the thread's error information describing it:
//   CO_E_CLASSSTRING      the ProgID is not registered, or the text is no identifier
//   REGDB_E_CLASSNOTREG   the class has no module registered
//   CO_E_DLLNOTFOUND      the registered module file does not exist
//   CO_E_ERRORINDLL       the module exists but cannot be loaded
//   HResultFromWin32(ERROR_PROC_NOT_FOUND)  the module does not export DllGetClassObject
//   CLASS_E_CLASSNOTAVAILABLE, ...  whatever the module's own entry point answers
#pragma once

#include "com/com_ptr.h"
#include "com/guid.h"
#include "com/unknown.h"

#include <optional>
#include <string>
#include <string_view>

namespace corvid::com {

// "{...}" to an identifier; CO_E_CLASSSTRING when malformed.
HRESULT CLSIDFromString(LPCOLESTR text, CLSID* clsid);
// A registered ProgID (or a braced identifier) to its class identifier.
HRESULT CLSIDFromProgID(LPCOLESTR progId, CLSID* clsid);
HRESULT ClassIdFromProgId(std::string_view progId, CLSID* clsid);

// The module registered for a class (InprocServer32 default value); nullopt when none.
std::optional<std::string> InprocServerPath(REFCLSID clsid);

// The class factory (or another interface of the class object) of a class.
HRESULT GetClassObject(REFCLSID clsid, REFIID iid, void** object);

// A new object of a class, asked for iid. outer must be null (no aggregation).
HRESULT CreateInstance(REFCLSID clsid, IUnknown* outer, REFIID iid, void** object);
// As above with a ProgID or a braced class identifier.
HRESULT CreateInstance(std::string_view progIdOrClsid, REFIID iid, void** object);

template <class T>
HRESULT CreateInstance(std::string_view progIdOrClsid, ComPtr<T>& object) {
    return CreateInstance(progIdOrClsid, IidOf<T>(), object.OutVoid());
}

} // namespace corvid::com
