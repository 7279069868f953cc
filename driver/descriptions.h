// The member tables of the driver's interfaces: what IDispatch answers by name and
// dispatch identifier, and what the type library registers.
#pragma once

#include "com/dispatch_impl.h"
#include "driver/interfaces.h"

namespace corvid::driver::descriptions {

// clang-format off
inline constexpr ParamDescription kWrite[] = {{"bsCmdString", VT_BSTR, kParamIn}};
inline constexpr ParamDescription kRead[] = {{"bsResult", VT_BSTR, kParamOut}, {"nMaxResultSize", VT_I4, kParamIn}};
inline constexpr ParamDescription kQuery[] = {
    {"bsCmdString", VT_BSTR, kParamIn}, {"bsResult", VT_BSTR, kParamOut}, {"nMaxResultSize", VT_I4, kParamIn}};
inline constexpr ParamDescription kQueryInt32[] = {{"bsCmdString", VT_BSTR, kParamIn}, {"lResult", VT_I4, kParamOut}};
inline constexpr ParamDescription kQueryDouble[] = {{"bsCmdString", VT_BSTR, kParamIn}, {"dResult", VT_R8, kParamOut}};
inline constexpr ParamDescription kSetTimeOut[] = {{"lTimeOut", VT_I4, kParamIn}};
inline constexpr ParamDescription kSetTermChar[] = {{"TermChar", VT_UI1, kParamIn}};
inline constexpr ParamDescription kOnOff[] = {{"bOk", VT_BOOL, kParamIn}};
inline constexpr ParamDescription kWriteDoubles[] = {{"aOut", VT_ARRAY | VT_R8, kParamIn}};
inline constexpr ParamDescription kWriteFloats[] = {{"aOut", VT_ARRAY | VT_R4, kParamIn}};
inline constexpr ParamDescription kWrite8[] = {{"aOut", VT_ARRAY | VT_UI1, kParamIn}};
inline constexpr ParamDescription kWrite16[] = {{"aOut", VT_ARRAY | VT_I2, kParamIn}};
inline constexpr ParamDescription kWrite32[] = {{"aOut", VT_ARRAY | VT_I4, kParamIn}};
inline constexpr ParamDescription kReadDoubles[] = {{"aOut", VT_ARRAY | VT_R8, kParamOut}, {"nNumber", VT_I4, kParamIn}};
inline constexpr ParamDescription kReadFloats[] = {{"aOut", VT_ARRAY | VT_R4, kParamOut}, {"nNumber", VT_I4, kParamIn}};
inline constexpr ParamDescription kRead8[] = {{"aOut", VT_ARRAY | VT_UI1, kParamOut}, {"nNumber", VT_I4, kParamIn}};
inline constexpr ParamDescription kRead16[] = {{"aOut", VT_ARRAY | VT_I2, kParamOut}, {"nNumber", VT_I4, kParamIn}};
inline constexpr ParamDescription kRead32[] = {{"aOut", VT_ARRAY | VT_I4, kParamOut}, {"nNumber", VT_I4, kParamIn}};
inline constexpr ParamDescription kInitializeInterface[] = {{"pI", VT_DISPATCH, kParamOut | kParamRetval}};
inline constexpr ParamDescription kWriteLogging[] = {{"bEnable", VT_BOOL, kParamIn}};

inline constexpr ParamDescription kReadStb[] = {{"nStatusByte", VT_UI1, kParamOut}};
inline constexpr ParamDescription kEnable[] = {{"bEnable", VT_BOOL, kParamIn}};
inline constexpr ParamDescription kWait[] = {{"lTimeOut", VT_I4, kParamIn}};

inline constexpr MemberDescription kMessageIOMembers[] = {
    DispMethod<&IMessageIO::Write, kWrite>("Write", 1),
    DispMethod<&IMessageIO::Read, kRead>("Read", 2),
    DispMethod<&IMessageIO::Query, kQuery>("Query", 3),
    DispMethod<&IMessageIO::QueryInt32, kQueryInt32>("QueryInt32", 4),
    DispMethod<&IMessageIO::QueryDouble, kQueryDouble>("QueryDouble", 5),
    DispMethod<&IMessageIO::SetTimeOut, kSetTimeOut>("SetTimeOut", 6),
    DispMethod<&IMessageIO::SetTermChar, kSetTermChar>("SetTermChar", 7),
    DispMethod<&IMessageIO::TermCharOnOff, kOnOff>("TermCharOnOff", 8),
    DispMethod<&IMessageIO::SendEndOnOff, kOnOff>("SendEndOnOff", 9),
    DispMethod<&IMessageIO::WriteRawDoubles, kWriteDoubles>("WriteRawDoubles", 10),
    DispMethod<&IMessageIO::WriteRawFloats, kWriteFloats>("WriteRawFloats", 11),
    DispMethod<&IMessageIO::WriteRaw8Bits, kWrite8>("WriteRaw8Bits", 12),
    DispMethod<&IMessageIO::WriteRaw16Bits, kWrite16>("WriteRaw16Bits", 13),
    DispMethod<&IMessageIO::WriteRaw32Bits, kWrite32>("WriteRaw32Bits", 14),
    DispMethod<&IMessageIO::ReadRawDoubles, kReadDoubles>("ReadRawDoubles", 15),
    DispMethod<&IMessageIO::ReadRawFloats, kReadFloats>("ReadRawFloats", 16),
    DispMethod<&IMessageIO::ReadRaw8Bits, kRead8>("ReadRaw8Bits", 17),
    DispMethod<&IMessageIO::ReadRaw16Bits, kRead16>("ReadRaw16Bits", 18),
    DispMethod<&IMessageIO::ReadRaw32Bits, kRead32>("ReadRaw32Bits", 19),
    DispPropertyGet<&IMessageIO::get_InitializeInterface, kInitializeInterface>("InitializeInterface", 20),
    DispPropertyPut<&IMessageIO::put_WriteLogging, kWriteLogging>("WriteLogging", 21),
};

inline constexpr MemberDescription kGpibMembers[] = {
    DispMethod<&IGpib::ReadSTB, kReadStb>("ReadSTB", 1000),
    DispMethod<&IGpib::Clear>("Clear", 1001),
    DispMethod<&IGpib::Trigger>("Trigger", 1002),
    DispMethod<&IGpib::EnableTriggerEvent, kEnable>("EnableTriggerEvent", 1003),
    DispMethod<&IGpib::WaitForTriggerEvent, kWait>("WaitForTriggerEvent", 1004),
    DispMethod<&IGpib::EnableServiceRequestEvent, kEnable>("EnableServiceRequestEvent", 1005),
    DispMethod<&IGpib::WaitForServiceRequestEvent, kWait>("WaitForServiceRequestEvent", 1006),
};

inline constexpr ParamDescription kTextOut[] = {{"pVal", VT_BSTR, kParamOut | kParamRetval}};
inline constexpr ParamDescription kTextIn[] = {{"newVal", VT_BSTR, kParamIn}};
inline constexpr ParamDescription kObjectIn[] = {{"pUnk", VT_UNKNOWN, kParamIn}};
inline constexpr ParamDescription kInterface[] = {
    {"InterfaceName", VT_BSTR, kParamIn}, {"pVal", VT_DISPATCH, kParamOut | kParamRetval}};
inline constexpr ParamDescription kLongOut[] = {{"pVal", VT_I4, kParamOut | kParamRetval}};
inline constexpr ParamDescription kLongIn[] = {{"newVal", VT_I4, kParamIn}};

inline constexpr MemberDescription kInitializeMembers[] = {
    CustomMember("InstanceName", MemberKind::PropertyGet, kTextOut),
    CustomMember("InstanceName", MemberKind::PropertyPut, kTextIn),
    CustomMember("Initialize", MemberKind::Method),
    CustomMember("InitializeData", MemberKind::Method, kObjectIn),
    CustomMember("SaveData", MemberKind::Method, kObjectIn),
    CustomMember("Close", MemberKind::Method),
    CustomMember("Interface", MemberKind::PropertyGet, kInterface),
    CustomMember("LogInterface", MemberKind::PropertyPut, kObjectIn),
};

inline constexpr MemberDescription kInitializeGpibMembers[] = {
    CustomMember("BoardAddress", MemberKind::PropertyGet, kLongOut),
    CustomMember("BoardAddress", MemberKind::PropertyPut, kLongIn),
    CustomMember("PrimaryAddress", MemberKind::PropertyGet, kLongOut),
    CustomMember("PrimaryAddress", MemberKind::PropertyPut, kLongIn),
    CustomMember("SecondaryAddress", MemberKind::PropertyGet, kLongOut),
    CustomMember("SecondaryAddress", MemberKind::PropertyPut, kLongIn),
    CustomMember("TimeOut", MemberKind::PropertyGet, kLongOut),
    CustomMember("TimeOut", MemberKind::PropertyPut, kLongIn),
};
// clang-format on

inline constexpr InterfaceDescription kMessageIO{"IMessageIO", IMessageIO::iid,   InterfaceKind::Dual,
                                                 nullptr,      kMessageIOMembers, "IMessageIO Interface"};
inline constexpr InterfaceDescription kGpib{"IGpib",     IGpib::iid,   InterfaceKind::Dual,
                                            &kMessageIO, kGpibMembers, "IGpib Interface"};
inline constexpr InterfaceDescription kInitialize{"IInitialize", IInitialize::iid,   InterfaceKind::Custom,
                                                  nullptr,       kInitializeMembers, "IInitialize Interface"};
inline constexpr InterfaceDescription kInitializeGpib{"IInitializeGpib",      IInitializeGpib::iid,
                                                      InterfaceKind::Custom,  &kInitialize,
                                                      kInitializeGpibMembers, "IInitializeGpib Interface"};

inline constexpr const InterfaceDescription* kInterfaces[] = {&kMessageIO, &kGpib, &kInitialize,
                                                              &kInitializeGpib};
inline constexpr ClassDescription kVisaGpibClass{"VisaGpib", CLSID_VisaGpib, "VisaGpib Class", kInterfaces,
                                                 &kGpib};
inline constexpr const ClassDescription* kClasses[] = {&kVisaGpibClass};
inline constexpr TypeLibraryDescription kLibrary{
    "FENNELLib", LIBID_FENNELLib, 1, 0, 1033, "fennel 1.0 Type Library", kInterfaces, kClasses};

} // namespace corvid::driver::descriptions
