// Error information: a failing member describes its failure in an error object and
// stores it as the calling thread's current error information before returning its
// result. The caller takes it with GetErrorInfo (which clears it) after checking, through
// ISupportErrorInfo, that the interface it called sets it.
//
// The slot is per thread and per process: it lives in the small shared runtime
// (libcorvidcom.so), so that modules and programs that link this library each in
// their own copy still see one another's error information.
#pragma once

#include "com/types.h"
#include "com/unknown.h"

#include <optional>
#include <string>
#include <string_view>

namespace corvid::com {

struct IErrorInfo : IUnknown {
    static constexpr IID iid = MakeGuid("{1CF2B120-547D-101B-8E65-08002B2BD119}");

    virtual HRESULT GetGUID(GUID* interfaceId) = 0;
    virtual HRESULT GetSource(BSTR* source) = 0;
    virtual HRESULT GetDescription(BSTR* description) = 0;
    virtual HRESULT GetHelpFile(BSTR* helpFile) = 0;
    virtual HRESULT GetHelpContext(DWORD* helpContext) = 0;
};

struct ICreateErrorInfo : IUnknown {
    static constexpr IID iid = MakeGuid("{22F03340-547D-101B-8E65-08002B2BD119}");

    virtual HRESULT SetGUID(REFGUID interfaceId) = 0;
    virtual HRESULT SetSource(LPOLESTR source) = 0;
    virtual HRESULT SetDescription(LPOLESTR description) = 0;
    virtual HRESULT SetHelpFile(LPOLESTR helpFile) = 0;
    virtual HRESULT SetHelpContext(DWORD helpContext) = 0;
};

struct ISupportErrorInfo : IUnknown {
    static constexpr IID iid = MakeGuid("{DF0B3D60-548F-101B-8E65-08002B2BD119}");

    // S_OK when members of that interface set error information, S_FALSE otherwise.
    virtual HRESULT InterfaceSupportsErrorInfo(REFIID riid) = 0;
};

// Replaces the thread's error information (null clears it). reserved must be 0.
HRESULT SetErrorInfo(ULONG reserved, IErrorInfo* info);
// Takes the thread's error information, leaving none: S_OK with *info set, or S_FALSE
// with *info null when there is none.
HRESULT GetErrorInfo(ULONG reserved, IErrorInfo** info);
// A new, empty error object; query it for IErrorInfo to store it.
HRESULT CreateErrorInfo(ICreateErrorInfo** info);

// Error information as plain texts.
struct ErrorDetails {
    IID interfaceId{};
    std::string source;
    std::string description;
    std::string helpFile;
    DWORD helpContext = 0;
};

// Sets the thread's error information from the texts and returns result, so that a
// member can end with `return ReportError(...)`.
HRESULT ReportError(HRESULT result, REFIID interfaceId, std::string_view source,
                    std::string_view description);
HRESULT ReportError(HRESULT result, const ErrorDetails& details);

// Takes the thread's error information as texts; nullopt when there is none.
std::optional<ErrorDetails> TakeErrorDetails();
// The texts of an error object.
ErrorDetails DetailsOf(IErrorInfo* info);

// Whether object says, through ISupportErrorInfo, that interface iid sets error information.
bool SupportsErrorInfo(IUnknown* object, REFIID iid);

// ISupportErrorInfo answering yes for the listed interfaces.
template <const IID&... Interfaces>
class SupportErrorInfoImpl : public ISupportErrorInfo {
public:
    HRESULT InterfaceSupportsErrorInfo(REFIID riid) override {
        return ((riid == Interfaces) || ...) ? S_OK : S_FALSE;
    }
};

} // namespace corvid::com
