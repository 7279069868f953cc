// The basic types of the component model, with the sizes the binary interfaces rely
// on: LONG and ULONG are 32 bits here as everywhere else, whatever long is.
#pragma once

#include <cstdint>

namespace corvid::com {

using BYTE = std::uint8_t;
using SHORT = std::int16_t;
using USHORT = std::uint16_t;
using WORD = std::uint16_t;
using LONG = std::int32_t;
using ULONG = std::uint32_t;
using DWORD = std::uint32_t;
using UINT = unsigned int;
using FLOAT = float;
using DOUBLE = double;

using HRESULT = std::int32_t;
using SCODE = std::int32_t;
using LCID = DWORD;
using DISPID = LONG;
using VARTYPE = std::uint16_t;

// Wide characters are UTF-16 code units.
using OLECHAR = char16_t;
using LPOLESTR = OLECHAR*;
using LPCOLESTR = const OLECHAR*;
// Automation text: length-prefixed, zero-terminated UTF-16 (see bstr.h).
using BSTR = OLECHAR*;

// The automation boolean. Only VARIANT_TRUE (-1) means true to a callee that checks
// it exactly; a distinct type keeps it apart from SHORT in argument tables.
enum VARIANT_BOOL : std::int16_t { VARIANT_FALSE = 0, VARIANT_TRUE = -1 };

constexpr VARIANT_BOOL ToVariantBool(bool value) {
    return value ? VARIANT_TRUE : VARIANT_FALSE;
}

} // namespace corvid::com
