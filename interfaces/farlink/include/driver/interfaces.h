// The interfaces of the GPIB driver component "VisaGpib" (module farlink.so), as its
// clients see them: the dual interfaces IMessageIO and IGpib, the custom set-up
// interfaces IInitialize and IInitializeGpib, and ILog, which a client implements to
// receive one entry per instrument step.
//
//   ComPtr<IInitializeGpib> setup;
//   CreateInstance("VisaGpib.VisaGpib.1", setup);
//   setup->put_BoardAddress(0);
//   setup->put_PrimaryAddress(22);
//   setup->Initialize();
//   ComPtr<IGpib> gpib = setup.As<IGpib>();
//
// Every member returns an HRESULT; a failure sets the thread's error information with
// the description "[Command : ...] [Date : ...] [Message : ...]".
#pragma once

#include "com/dispatch.h"
#include "com/guid.h"
#include "com/safearray.h"
#include "com/types.h"

namespace corvid::driver {

using namespace corvid::com;

inline constexpr CLSID CLSID_VisaGpib = MakeGuid("{ADF86D73-9285-11D1-AF74-0060B01A7E89}");
inline constexpr GUID LIBID_FENNELLib = MakeGuid("{ADF86D63-9285-11D1-AF74-0060B01A7E89}");
// The component category of instrument drivers.
inline constexpr GUID CATID_IoDrivers = MakeGuid("{2C69C3F6-ADA2-11D3-A6A7-00108301E2E0}");

inline constexpr const char* kVisaGpibProgId = "VisaGpib.VisaGpib.1";
inline constexpr const char* kVisaGpibVersionIndependentProgId = "VisaGpib.VisaGpib";

// The result of every failing VISA call (and of an instrument that is not found).
inline constexpr HRESULT VISAGPIB_E_IO = static_cast<HRESULT>(0x8004E000u);

// Text and number I/O with an instrument. Dispatch identifiers in the comments.
struct IMessageIO : IDispatch {
    static constexpr IID iid = MakeGuid("{14C3495E-8DD8-11D1-AF73-0060B01A7E89}");

    virtual HRESULT Write(BSTR bsCmdString) = 0;                                      // 1
    virtual HRESULT Read(BSTR* bsResult, LONG nMaxResultSize) = 0;                    // 2
    virtual HRESULT Query(BSTR bsCmdString, BSTR* bsResult, LONG nMaxResultSize) = 0; // 3
    virtual HRESULT QueryInt32(BSTR bsCmdString, LONG* lResult) = 0;                  // 4
    virtual HRESULT QueryDouble(BSTR bsCmdString, DOUBLE* dResult) = 0;               // 5
    virtual HRESULT SetTimeOut(LONG lTimeOut) = 0;                                    // 6
    virtual HRESULT SetTermChar(BYTE TermChar) = 0;                                   // 7
    virtual HRESULT TermCharOnOff(VARIANT_BOOL bOk) = 0;                              // 8
    virtual HRESULT SendEndOnOff(VARIANT_BOOL bOk) = 0;                               // 9
    virtual HRESULT WriteRawDoubles(SAFEARRAY* aOut) = 0;                             // 10, VT_R8
    virtual HRESULT WriteRawFloats(SAFEARRAY* aOut) = 0;                              // 11, VT_R4
    virtual HRESULT WriteRaw8Bits(SAFEARRAY* aOut) = 0;                               // 12, VT_UI1
    virtual HRESULT WriteRaw16Bits(SAFEARRAY* aOut) = 0;                              // 13, VT_I2
    virtual HRESULT WriteRaw32Bits(SAFEARRAY* aOut) = 0;                              // 14, VT_I4
    virtual HRESULT ReadRawDoubles(SAFEARRAY** aOut, LONG nNumber) = 0;               // 15
    virtual HRESULT ReadRawFloats(SAFEARRAY** aOut, LONG nNumber) = 0;                // 16
    virtual HRESULT ReadRaw8Bits(SAFEARRAY** aOut, LONG nNumber) = 0;                 // 17
    virtual HRESULT ReadRaw16Bits(SAFEARRAY** aOut, LONG nNumber) = 0;                // 18
    virtual HRESULT ReadRaw32Bits(SAFEARRAY** aOut, LONG nNumber) = 0;                // 19
    virtual HRESULT get_InitializeInterface(IDispatch** pI) = 0;                      // 20, obsolete
    virtual HRESULT put_WriteLogging(VARIANT_BOOL enable) = 0;                        // 21
};

// GPIB-specific operations.
struct IGpib : IMessageIO {
    static constexpr IID iid = MakeGuid("{1D41E2E2-8E0D-11D1-AF74-0060B01A7E89}");

    virtual HRESULT ReadSTB(BYTE* nStatusByte) = 0;                      // 1000
    virtual HRESULT Clear() = 0;                                         // 1001
    virtual HRESULT Trigger() = 0;                                       // 1002
    virtual HRESULT EnableTriggerEvent(VARIANT_BOOL bEnable) = 0;        // 1003
    virtual HRESULT WaitForTriggerEvent(LONG lTimeOut) = 0;              // 1004
    virtual HRESULT EnableServiceRequestEvent(VARIANT_BOOL bEnable) = 0; // 1005
    virtual HRESULT WaitForServiceRequestEvent(LONG lTimeOut) = 0;       // 1006
};

// Set-up of an instrument object by its creator (not a dispatch interface).
struct IInitialize : IUnknown {
    static constexpr IID iid = MakeGuid("{02005EDC-8D0D-11D1-A449-0060B086041D}");

    virtual HRESULT get_InstanceName(BSTR* name) = 0;
    virtual HRESULT put_InstanceName(BSTR name) = 0;
    virtual HRESULT Initialize() = 0;
    // Reads InstanceName, GpibBoardAddress, GpibPrimaryAddress (required) and
    // GpibSecondaryAddress, GpibTimeOut (optional) from an object with IPropertyBag.
    virtual HRESULT InitializeData(IUnknown* propertyBag) = 0;
    virtual HRESULT SaveData(IUnknown* propertyBag) = 0;
    virtual HRESULT Close() = 0;
    // The object's own interface of that name ("IInitialize", "IInitializeGpib",
    // "IMessageIO" or "IGpib"), returned as the interface named although the slot is typed
    // IDispatch.
    virtual HRESULT get_Interface(BSTR InterfaceName, IDispatch** object) = 0;
    // An object with ILog that receives the log entries.
    virtual HRESULT put_LogInterface(IUnknown* log) = 0;
};

struct IInitializeGpib : IInitialize {
    static constexpr IID iid = MakeGuid("{94FB44C9-9289-11D1-AF75-0060B01A7E89}");

    virtual HRESULT get_BoardAddress(LONG* value) = 0;
    virtual HRESULT put_BoardAddress(LONG value) = 0;
    virtual HRESULT get_PrimaryAddress(LONG* value) = 0;
    virtual HRESULT put_PrimaryAddress(LONG value) = 0;
    virtual HRESULT get_SecondaryAddress(LONG* value) = 0;
    virtual HRESULT put_SecondaryAddress(LONG value) = 0;
    virtual HRESULT get_TimeOut(LONG* milliseconds) = 0;
    virtual HRESULT put_TimeOut(LONG milliseconds) = 0;
};

// The log of the driver's creator. The driver calls only LogEntry, the first method after
// those of IDispatch, and ignores its result.
struct ILog : IDispatch {
    static constexpr IID iid = MakeGuid("{CB485C1E-B483-11D1-AF87-0060B01A7E89}");

    // result is "PASSED" or "FAILED".
    virtual HRESULT LogEntry(BSTR logName, BSTR entry, BSTR status, BSTR result) = 0;
};

} // namespace corvid::driver
