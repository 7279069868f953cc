// Helpers shared by the VARIANT and dispatch code of this library.
#pragma once

#include "com/variant.h"

namespace corvid::com::detail {

// Whether vt is a type this model handles, with its VT_ARRAY / VT_BYREF modifiers.
bool IsValidVarType(VARTYPE vt);

// The value a variant holds, following one VT_BYREF: a shallow view that owns nothing.
HRESULT Dereference(const VARIANT& source, VARIANT& value);

// A deep copy of source (a reference stays the same reference) into uninitialised copy.
HRESULT DeepCopy(const VARIANT& source, VARIANT& copy);

} // namespace corvid::com::detail
