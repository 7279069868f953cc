// IDispatch: calling members by name or dispatch identifier with VARIANT arguments.
// Arguments travel in DISPPARAMS in reverse order (the last argument first); a property
// put names its value argument DISPID_PROPERTYPUT. A member that fails with error
// information makes Invoke return DISP_E_EXCEPTION with that information in EXCEPINFO.
#pragma once

#include "com/unknown.h"
#include "com/variant.h"

#include <span>
#include <string_view>

namespace corvid::com {

struct ITypeInfo;

struct DISPPARAMS {
    VARIANT* rgvarg;
    DISPID* rgdispidNamedArgs;
    UINT cArgs;
    UINT cNamedArgs;
};

struct EXCEPINFO {
    WORD wCode;
    WORD wReserved;
    BSTR bstrSource;
    BSTR bstrDescription;
    BSTR bstrHelpFile;
    DWORD dwHelpContext;
    void* pvReserved;
    HRESULT (*pfnDeferredFillIn)(EXCEPINFO*);
    SCODE scode;
};

inline constexpr WORD DISPATCH_METHOD = 0x1;
inline constexpr WORD DISPATCH_PROPERTYGET = 0x2;
inline constexpr WORD DISPATCH_PROPERTYPUT = 0x4;
inline constexpr WORD DISPATCH_PROPERTYPUTREF = 0x8;

inline constexpr DISPID DISPID_VALUE = 0;
inline constexpr DISPID DISPID_UNKNOWN = -1;
inline constexpr DISPID DISPID_PROPERTYPUT = -3;

struct IDispatch : IUnknown {
    static constexpr IID iid = MakeGuid("{00020400-0000-0000-C000-000000000046}");

    virtual HRESULT GetTypeInfoCount(UINT* count) = 0;
    virtual HRESULT GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) = 0;
    virtual HRESULT GetIDsOfNames(REFIID reserved, LPOLESTR* names, UINT count, LCID locale, DISPID* ids) = 0;
    virtual HRESULT Invoke(DISPID member, REFIID reserved, LCID locale, WORD flags, DISPPARAMS* params,
                           VARIANT* result, EXCEPINFO* exception, UINT* argumentError) = 0;
};

// An EXCEPINFO that frees its texts.
class ExcepInfo : public EXCEPINFO {
public:
    ExcepInfo() : EXCEPINFO{} {}
    ExcepInfo(const ExcepInfo&) = delete;
    ExcepInfo& operator=(const ExcepInfo&) = delete;
    ~ExcepInfo() { Clear(); }
    void Clear();
    std::string Source() const { return Utf8FromBstr(bstrSource); }
    std::string Description() const { return Utf8FromBstr(bstrDescription); }
};

// Caller-side helpers.

// The dispatch identifier of a member name; DISP_E_UNKNOWNNAME when the object has none.
HRESULT GetDispatchId(IDispatch* object, std::string_view name, DISPID* id);

// Invokes a member with arguments given first to last (they are reversed for the
// call). A property put passes its value as the last argument. Arguments that are
// VT_BYREF receive [out] values. result may be null. When an argument is refused,
// argumentError receives its position in arguments (first = 0).
HRESULT InvokeMember(IDispatch* object, DISPID id, WORD flags, std::span<VARIANT> arguments, VARIANT* result,
                     EXCEPINFO* exception = nullptr, UINT* argumentError = nullptr);
HRESULT InvokeMember(IDispatch* object, std::string_view name, WORD flags, std::span<VARIANT> arguments,
                     VARIANT* result, EXCEPINFO* exception = nullptr, UINT* argumentError = nullptr);

} // namespace corvid::com
