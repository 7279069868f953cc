// Type libraries as data: tables of interfaces, their members and parameters, and the
// classes that implement them. IDispatch answers from these tables (names, dispatch
// identifiers, argument types); registration writes the library's registry entries;
// ITypeInfo hands a table to callers that want to know a member's arguments.
#pragma once

#include "com/dispatch.h"
#include "com/guid.h"
#include "com/types.h"

#include <span>
#include <string_view>

namespace corvid::com {

enum class MemberKind : WORD {
    Method = DISPATCH_METHOD,
    PropertyGet = DISPATCH_PROPERTYGET,
    PropertyPut = DISPATCH_PROPERTYPUT,
};

// Parameter directions. A retval parameter is the last one, an out parameter whose
// value Invoke returns as the call's result instead of through an argument.
enum ParamFlags : unsigned { kParamIn = 1, kParamOut = 2, kParamRetval = 8 };

struct ParamDescription {
    const char* name;
    VARTYPE type; // VT_I4, VT_BSTR, VT_ARRAY | VT_R8, ... (never VT_BYREF: out-ness is in flags)
    unsigned flags;

    constexpr bool IsOut() const { return (flags & kParamOut) != 0; }
    constexpr bool IsRetval() const { return (flags & kParamRetval) != 0; }
};

// Calls the member on the interface with one prepared VARIANT per parameter: in
// parameters of exactly the declared type, out parameters as VT_BYREF to fresh storage.
using MemberCall = HRESULT (*)(IDispatch* self, VARIANT* arguments);

struct MemberDescription {
    const char* name;
    DISPID id;
    MemberKind kind;
    std::span<const ParamDescription> params;
    MemberCall call; // null for members of custom (non-dispatch) interfaces

    // The number of arguments a caller supplies (all but the retval).
    constexpr std::size_t SuppliedCount() const {
        return !params.empty() && params.back().IsRetval() ? params.size() - 1 : params.size();
    }
};

enum class InterfaceKind { Dual, Custom };

struct InterfaceDescription {
    const char* name;
    IID iid;
    InterfaceKind kind;
    // The interface it derives from when that is described too (its members come
    // first); null when it derives from IDispatch or IUnknown directly.
    const InterfaceDescription* base;
    std::span<const MemberDescription> members;
    const char* helpText = "";
};

struct ClassDescription {
    const char* name;
    CLSID clsid;
    const char* helpText;
    std::span<const InterfaceDescription* const> interfaces;
    const InterfaceDescription* defaultInterface;
};

struct TypeLibraryDescription {
    const char* name;
    GUID libid;
    WORD majorVersion;
    WORD minorVersion;
    LCID locale;
    const char* helpText;
    std::span<const InterfaceDescription* const> interfaces;
    std::span<const ClassDescription* const> classes;
};

// Lookups over an interface and the interfaces it derives from.
const MemberDescription* FindMember(const InterfaceDescription& description, DISPID id, MemberKind kind);
bool HasMemberId(const InterfaceDescription& description, DISPID id);
// Names compare without regard to case. DISPID_UNKNOWN when absent.
DISPID FindMemberId(const InterfaceDescription& description, std::string_view name);
// The position of a parameter of the named member (any of its kinds), or -1.
int FindParamIndex(const InterfaceDescription& description, std::string_view member, std::string_view param);
bool NamesEqual(std::string_view a, std::string_view b);

// Hands out the table of one interface.
struct ITypeInfo : IUnknown {
    static constexpr IID iid = MakeGuid("{4C6E8949-563F-4E54-8F6D-7BD4F403A5E7}");

    // The description stays valid while the object's module stays loaded (always:
    // modules are not unloaded).
    virtual HRESULT GetInterfaceDescription(const InterfaceDescription** description) = 0;
};

HRESULT CreateTypeInfo(const InterfaceDescription& description, ITypeInfo** info);

} // namespace corvid::com
