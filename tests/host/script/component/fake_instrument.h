// FakeInstrument.FakeInstrument.1: an instrument component set up the way a test
// executive sets up the GPIB driver (property bag or address properties, a log,
// Initialize, Interface("IGpib"), Close), talking to an instrument that lives in
// memory. What is written to it comes back when read, except "*IDN?", which it
// answers with "CORVID,FAKE,<instance name>,GPIB<board>::<primary>\n". A read with
// nothing to read fails as a time-out.
#pragma once

#include "com/dispatch.h"
#include "com/safearray.h"

namespace fake {

using namespace corvid::com;

inline constexpr CLSID CLSID_FakeInstrument = MakeGuid("{3E0D7A61-52C4-4B8E-9F0A-6C1D2B3A4F50}");
inline constexpr GUID LIBID_FakeInstrument = MakeGuid("{3E0D7A61-52C4-4B8E-9F0A-6C1D2B3A4F51}");

// The interface Interface("IGpib") gives.
struct IFakeGpib : IDispatch {
    static constexpr IID iid = MakeGuid("{3E0D7A61-52C4-4B8E-9F0A-6C1D2B3A4F52}");

    virtual HRESULT Write(BSTR command) = 0;
    virtual HRESULT Read(BSTR* result, LONG maxResultSize) = 0;
    virtual HRESULT Query(BSTR command, BSTR* result, LONG maxResultSize) = 0;
    virtual HRESULT TermCharOnOff(VARIANT_BOOL on) = 0;
    virtual HRESULT WriteRawDoubles(SAFEARRAY* values) = 0;
    virtual HRESULT WriteRawFloats(SAFEARRAY* values) = 0;
    virtual HRESULT WriteRaw8Bits(SAFEARRAY* values) = 0;
    virtual HRESULT WriteRaw16Bits(SAFEARRAY* values) = 0;
    virtual HRESULT WriteRaw32Bits(SAFEARRAY* values) = 0;
    virtual HRESULT ReadRawDoubles(SAFEARRAY** values, LONG count) = 0;
    virtual HRESULT ReadRawFloats(SAFEARRAY** values, LONG count) = 0;
    virtual HRESULT ReadRaw8Bits(SAFEARRAY** values, LONG count) = 0;
    virtual HRESULT ReadRaw16Bits(SAFEARRAY** values, LONG count) = 0;
    virtual HRESULT ReadRaw32Bits(SAFEARRAY** values, LONG count) = 0;
    // Bytes waiting to be read.
    virtual HRESULT get_Pending(LONG* count) = 0;
    virtual HRESULT JoinTexts(SAFEARRAY* texts, BSTR separator, BSTR* joined) = 0;
    virtual HRESULT SplitText(BSTR text, BSTR separator, SAFEARRAY** parts) = 0;
    virtual HRESULT Invert(SAFEARRAY* flags, SAFEARRAY** inverted) = 0;
    // value comes back as it went in (arrays of variants included).
    virtual HRESULT Mirror(VARIANT value, VARIANT* copy) = 0;
    // An in/out parameter: value + 1.
    virtual HRESULT Increment(LONG* value) = 0;
};

} // namespace fake
