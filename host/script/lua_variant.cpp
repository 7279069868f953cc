#include "lua_variant.h"

#include "com/safearray.h"
#include "script_context.h"
#include "script_object.h"

#include <cfloat>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace corvid::script {

using namespace com;

namespace {

// Deeper nesting is almost surely a table that contains itself.
constexpr int kMaxNesting = 32;

// Passed up unchanged through the levels of nesting.
class NestingError : public ConversionError {
public:
    NestingError() : ConversionError("tables nested too deeply (does a table contain itself?)") {}
};

std::string Expected(lua_State* L, int index, const char* what) {
    return std::string(what) + " expected, got " + luaL_typename(L, index);
}

lua_Integer ToInteger(lua_State* L, int index, lua_Integer low, lua_Integer high, VARTYPE vt) {
    int isInteger = 0;
    lua_Integer value = lua_tointegerx(L, index, &isInteger);
    if (!isInteger) {
        if (lua_isnumber(L, index))
            throw ConversionError("number has no integer representation");
        throw ConversionError(Expected(L, index, "integer"));
    }
    if (value < low || value > high)
        throw ConversionError("value " + std::to_string(value) + " out of range for " + VarTypeName(vt));
    return value;
}

double ToNumber(lua_State* L, int index) {
    int isNumber = 0;
    double value = lua_tonumberx(L, index, &isNumber);
    if (!isNumber)
        throw ConversionError(Expected(L, index, "number"));
    return value;
}

BSTR ToText(lua_State* L, int index) {
    if (lua_type(L, index) != LUA_TSTRING && lua_type(L, index) != LUA_TNUMBER)
        throw ConversionError(Expected(L, index, "string"));
    lua_pushvalue(L, index); // lua_tolstring turns a number into a string in place
    std::size_t length = 0;
    const char* text = lua_tolstring(L, -1, &length);
    BSTR result = BstrFromUtf8({text, length});
    lua_pop(L, 1);
    if (!result)
        throw std::bad_alloc();
    return result;
}

// Booleans as automation booleans; a number is passed as the 16-bit value itself, so a
// script can hand a component exactly the value it means to test.
VARIANT_BOOL ToBoolean(lua_State* L, int index) {
    if (lua_type(L, index) == LUA_TBOOLEAN)
        return ToVariantBool(lua_toboolean(L, index) != 0);
    if (lua_type(L, index) == LUA_TNUMBER)
        return static_cast<VARIANT_BOOL>(ToInteger(L, index, INT16_MIN, INT16_MAX, VT_BOOL));
    throw ConversionError(Expected(L, index, "boolean"));
}

IUnknown* ToInterface(lua_State* L, int index, VARTYPE vt) {
    if (lua_isnil(L, index))
        return nullptr;
    ScriptObject* object = ToObject(L, index);
    if (!object)
        throw ConversionError(Expected(L, index, "object"));
    if (object->Released())
        throw ConversionError("the object has been released");
    if (vt == VT_DISPATCH)
        return EnsureDispatch(L, *object);
    return object->identity.get();
}

void ToArray(lua_State* L, int index, VARTYPE element, Variant& out, int depth);
void ToNatural(lua_State* L, int index, Variant& out, int depth);

void ToVariantAt(lua_State* L, int index, VARTYPE vt, Variant& out, int depth) {
    if (vt & VT_ARRAY)
        return ToArray(L, index, static_cast<VARTYPE>(vt & VT_TYPEMASK), out, depth);
    Variant value;
    switch (vt) {
    case VT_UI1:
        value = Variant(static_cast<BYTE>(ToInteger(L, index, 0, UINT8_MAX, vt)));
        break;
    case VT_I2:
        value = Variant(static_cast<SHORT>(ToInteger(L, index, INT16_MIN, INT16_MAX, vt)));
        break;
    case VT_I4:
        value = Variant(static_cast<LONG>(ToInteger(L, index, INT32_MIN, INT32_MAX, vt)));
        break;
    case VT_UI4:
        value = Variant(static_cast<ULONG>(ToInteger(L, index, 0, UINT32_MAX, vt)));
        break;
    case VT_ERROR:
        value.vt = VT_ERROR;
        value.scode = static_cast<SCODE>(ToInteger(L, index, INT32_MIN, INT32_MAX, vt));
        break;
    case VT_R4: {
        double number = ToNumber(L, index);
        if (std::isfinite(number) && std::fabs(number) > FLT_MAX)
            throw ConversionError("value out of range for " + std::string(VarTypeName(vt)));
        value = Variant(static_cast<FLOAT>(number));
        break;
    }
    case VT_R8:
        value = Variant(ToNumber(L, index));
        break;
    case VT_BOOL:
        value = Variant(ToBoolean(L, index));
        break;
    case VT_BSTR:
        value.vt = VT_BSTR;
        value.bstrVal = ToText(L, index);
        break;
    case VT_DISPATCH:
    case VT_UNKNOWN:
        if (IUnknown* object = ToInterface(L, index, vt); object) {
            object->AddRef();
            value.punkVal = object;
        }
        value.vt = vt;
        break;
    case VT_VARIANT:
    case VT_EMPTY:
        return ToNatural(L, index, out, depth);
    default:
        throw ConversionError(std::string("cannot pass a value as ") + VarTypeName(vt));
    }
    out = std::move(value);
}

VARTYPE NaturalElementType(lua_State* L, int index, lua_Unsigned count) {
    bool integers = true, numbers = true, texts = true, booleans = true;
    for (lua_Unsigned i = 1; i <= count; ++i) {
        int type = lua_rawgeti(L, index, static_cast<lua_Integer>(i));
        int isInteger = 0;
        lua_Integer value = lua_tointegerx(L, -1, &isInteger);
        integers = integers && type == LUA_TNUMBER && lua_isinteger(L, -1) && isInteger &&
                   value >= INT32_MIN && value <= INT32_MAX;
        numbers = numbers && type == LUA_TNUMBER;
        texts = texts && type == LUA_TSTRING;
        booleans = booleans && type == LUA_TBOOLEAN;
        lua_pop(L, 1);
    }
    if (count == 0)
        return VT_VARIANT;
    return integers ? VT_I4 : numbers ? VT_R8 : texts ? VT_BSTR : booleans ? VT_BOOL : VT_VARIANT;
}

// The source SafeArrayPutElement takes: the text or interface itself for those types,
// a pointer to the value for the others.
const void* ElementSource(VARTYPE element, const Variant& value) {
    switch (element) {
    case VT_VARIANT:
        return static_cast<const VARIANT*>(&value);
    case VT_BSTR:
        return value.bstrVal;
    case VT_DISPATCH:
    case VT_UNKNOWN:
        return value.punkVal;
    default:
        return &value.bVal;
    }
}

void PutElement(SAFEARRAY* array, LONG position, VARTYPE element, Variant& value) {
    const void* source = ElementSource(element, value);
    HRESULT hr = SafeArrayPutElement(array, &position, source);
    if (FAILED(hr))
        throw ConversionError("element " + std::to_string(position + 1) + ": " + ResultText(hr));
}

void ToArray(lua_State* L, int index, VARTYPE element, Variant& out, int depth) {
    if (!lua_istable(L, index))
        throw ConversionError(Expected(L, index, "table"));
    if (depth >= kMaxNesting)
        throw NestingError();
    index = lua_absindex(L, index);
    lua_Unsigned count = lua_rawlen(L, index);
    if (count > std::numeric_limits<LONG>::max())
        throw ConversionError("table too long for an array");
    if (element == VT_EMPTY)
        element = NaturalElementType(L, index, count);
    SafeArrayPtr array(SafeArrayCreateVector(element, 0, static_cast<ULONG>(count)));
    if (!array)
        throw ConversionError(std::string("cannot make an array of ") + VarTypeName(element));
    for (lua_Unsigned i = 0; i < count; ++i) {
        lua_rawgeti(L, index, static_cast<lua_Integer>(i + 1));
        Variant value;
        try {
            ToVariantAt(L, -1, element, value, depth + 1);
        } catch (const NestingError&) {
            throw;
        } catch (const ConversionError& error) {
            throw ConversionError("element " + std::to_string(i + 1) + ": " + error.what());
        }
        lua_pop(L, 1);
        PutElement(array.get(), static_cast<LONG>(i), element, value);
    }
    out = Variant::AdoptArray(array.Detach());
}

void PushArray(lua_State* L, SAFEARRAY* array);

} // namespace

const char* VarTypeName(VARTYPE vt) {
    if (vt & VT_ARRAY) {
        switch (vt & VT_TYPEMASK) {
        case VT_UI1:
            return "array of unsigned byte";
        case VT_I2:
            return "array of 16-bit integer";
        case VT_I4:
            return "array of 32-bit integer";
        case VT_R4:
            return "array of float";
        case VT_R8:
            return "array of double";
        case VT_BSTR:
            return "array of text";
        default:
            return "array";
        }
    }
    switch (vt) {
    case VT_UI1:
        return "unsigned byte";
    case VT_I2:
        return "16-bit integer";
    case VT_I4:
        return "32-bit integer";
    case VT_UI4:
        return "unsigned 32-bit integer";
    case VT_R4:
        return "float";
    case VT_R8:
        return "double";
    case VT_BOOL:
        return "boolean";
    case VT_BSTR:
        return "text";
    case VT_DISPATCH:
    case VT_UNKNOWN:
        return "object";
    case VT_ERROR:
        return "error code";
    case VT_VARIANT:
        return "value";
    default:
        return "unknown type";
    }
}

void ToVariantAs(lua_State* L, int index, VARTYPE vt, Variant& out) {
    ToVariantAt(L, index, vt, out, 0);
}

void ToVariantNatural(lua_State* L, int index, Variant& out) {
    ToNatural(L, index, out, 0);
}

namespace {

void ToNatural(lua_State* L, int index, Variant& out, int depth) {
    switch (lua_type(L, index)) {
    case LUA_TNIL:
    case LUA_TNONE:
        out.Clear();
        return;
    case LUA_TBOOLEAN:
        out = Variant(lua_toboolean(L, index) != 0);
        return;
    case LUA_TNUMBER: {
        lua_Integer value = lua_tointeger(L, index);
        if (lua_isinteger(L, index) && value >= INT32_MIN && value <= INT32_MAX)
            out = Variant(static_cast<LONG>(value));
        else
            out = Variant(static_cast<DOUBLE>(lua_tonumber(L, index)));
        return;
    }
    case LUA_TSTRING:
        return ToVariantAt(L, index, VT_BSTR, out, 0);
    case LUA_TTABLE:
        return ToArray(L, index, VT_EMPTY, out, depth);
    case LUA_TUSERDATA:
        if (ScriptObject* object = ToObject(L, index)) {
            bool dispatch = object->dispatch || object->setup;
            return ToVariantAt(L, index, dispatch ? VT_DISPATCH : VT_UNKNOWN, out, 0);
        }
        break;
    default:
        break;
    }
    throw ConversionError(std::string("cannot pass a ") + luaL_typename(L, index) + " to a component");
}

} // namespace

ComPtr<IPropertyBag> BagFromTable(lua_State* L, int index) {
    if (!lua_istable(L, index))
        throw ConversionError(Expected(L, index, "table"));
    index = lua_absindex(L, index);
    ComPtr<IPropertyBag> bag = MakeMemoryPropertyBag();
    lua_pushnil(L);
    while (lua_next(L, index)) {
        if (lua_type(L, -2) != LUA_TSTRING)
            throw ConversionError(std::string("property names are strings, not ") + luaL_typename(L, -2) +
                                  "s");
        std::string name = lua_tostring(L, -2);
        Variant value;
        try {
            ToVariantNatural(L, -1, value);
        } catch (const ConversionError& error) {
            throw ConversionError("property " + name + ": " + error.what());
        }
        HRESULT hr = PropertyBagWrite(bag.get(), name, value);
        if (FAILED(hr))
            throw ConversionError("property " + name + ": " + ResultText(hr));
        lua_pop(L, 1);
    }
    return bag;
}

void PushVariant(lua_State* L, const VARIANT& given) {
    Variant dereferenced;
    const VARIANT* value = &given;
    if (given.vt & VT_BYREF) {
        HRESULT hr = VariantCopyInd(&dereferenced, &given);
        if (FAILED(hr))
            RaiseError(L, "cannot read a result: " + ResultText(hr));
        value = &dereferenced;
    }
    if (value->vt & VT_ARRAY)
        return PushArray(L, value->parray);
    switch (value->vt) {
    case VT_EMPTY:
    case VT_NULL:
        return lua_pushnil(L);
    case VT_UI1:
        return lua_pushinteger(L, value->bVal);
    case VT_I2:
        return lua_pushinteger(L, value->iVal);
    case VT_I4:
        return lua_pushinteger(L, value->lVal);
    case VT_UI4:
        return lua_pushinteger(L, value->ulVal);
    case VT_ERROR:
        return lua_pushinteger(L, value->scode);
    case VT_R4:
        return lua_pushnumber(L, value->fltVal);
    case VT_R8:
        return lua_pushnumber(L, value->dblVal);
    case VT_BOOL:
        return lua_pushboolean(L, value->boolVal != VARIANT_FALSE);
    case VT_BSTR: {
        std::string text = Utf8FromBstr(value->bstrVal);
        lua_pushlstring(L, text.data(), text.size());
        return;
    }
    case VT_DISPATCH:
        if (!value->pdispVal)
            return lua_pushnil(L);
        return PushObject(L, ScriptObject::FromDispatch(value->pdispVal));
    case VT_UNKNOWN:
        if (!value->punkVal)
            return lua_pushnil(L);
        return PushObject(L, ScriptObject::FromUnknown(value->punkVal));
    default:
        RaiseError(L, "cannot read a result of automation type " + std::to_string(value->vt));
    }
}

namespace {

// Pushes the elements of dimension `dimension` (1-based, counting down to 1) at the
// indices fixed so far; the first dimension is the innermost table.
void PushDimension(lua_State* L, SAFEARRAY* array, VARTYPE element, std::vector<LONG>& indices,
                   UINT dimension) {
    LONG low = 0, high = -1;
    SafeArrayGetLBound(array, dimension, &low);
    SafeArrayGetUBound(array, dimension, &high);
    lua_createtable(L, high >= low ? static_cast<int>(high - low + 1) : 0, 0);
    for (LONG i = low; i <= high; ++i) {
        indices[dimension - 1] = i;
        if (dimension > 1) {
            PushDimension(L, array, element, indices, dimension - 1);
        } else {
            Variant value;
            void* target = element == VT_VARIANT ? static_cast<void*>(&value) : &value.bVal;
            HRESULT hr = SafeArrayGetElement(array, indices.data(), target);
            if (FAILED(hr))
                RaiseError(L, "cannot read an array element: " + ResultText(hr));
            if (element != VT_VARIANT)
                value.vt = element;
            PushVariant(L, value);
        }
        lua_rawseti(L, -2, static_cast<lua_Integer>(i - low + 1));
    }
}

void PushArray(lua_State* L, SAFEARRAY* array) {
    if (!array)
        return lua_newtable(L);
    VARTYPE element = VT_EMPTY;
    if (FAILED(SafeArrayGetVartype(array, &element)))
        RaiseError(L, "cannot read an array without an element type");
    UINT dimensions = SafeArrayGetDim(array);
    std::vector<LONG> indices(dimensions, 0);
    // The last dimension is the outermost table, so t[i][j] is element (j, i) of a
    // two-dimensional array whose first index varies fastest.
    PushDimension(L, array, element, indices, dimensions);
}

} // namespace

} // namespace corvid::script
