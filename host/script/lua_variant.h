// Lua values to automation values and back. A table is a safe array (lower bound 0,
// its elements 1..#t in order); an array comes back as a table, nested by dimension.
#pragma once

#include "com/com_ptr.h"
#include "com/property_bag.h"
#include "com/variant.h"

#include <lua.hpp>

namespace corvid::script {

// The Lua value at index as the automation type vt (a base type or VT_ARRAY | element
// type), into out. Throws ConversionError when the value does not fit.
void ToVariantAs(lua_State* L, int index, com::VARTYPE vt, com::Variant& out);

// The Lua value at index as the automation value of its own kind: nil empty, booleans
// VT_BOOL, integers VT_I4 (VT_R8 beyond 32 bits), other numbers VT_R8, strings
// VT_BSTR, objects VT_DISPATCH (VT_UNKNOWN without dispatch), tables arrays of the
// narrowest element type that holds every element.
void ToVariantNatural(lua_State* L, int index, com::Variant& out);

// A new in-memory property bag holding the table's string-keyed values (each as
// ToVariantNatural makes it). Throws ConversionError.
com::ComPtr<com::IPropertyBag> BagFromTable(lua_State* L, int index);

// Pushes an automation value as a Lua value (a VT_BYREF value as what it refers to).
void PushVariant(lua_State* L, const com::VARIANT& value);

// "unsigned byte", "text", "array of double", ...
const char* VarTypeName(com::VARTYPE vt);

} // namespace corvid::script
