// The table-driven IDispatch of dual interfaces. An interface's members are described
// once, as data, with the C++ member they call:
//
//   inline constexpr ParamDescription kReadParams[] = {
//       {"bsResult", VT_BSTR, kParamOut}, {"nMaxResultSize", VT_I4, kParamIn}};
//   inline constexpr MemberDescription kMessageIOMembers[] = {
//       DispMethod<&IMessageIO::Write, kWriteParams>("Write", 1),
//       DispMethod<&IMessageIO::Read, kReadParams>("Read", 2), ...};
//   inline constexpr InterfaceDescription kMessageIODescription{
//       "IMessageIO", IMessageIO::iid, InterfaceKind::Dual, nullptr, kMessageIOMembers};
//
//   class CThing : public ComClass<CThing, DispatchImpl<IMessageIO, kMessageIODescription>, ...>
//
// The parameter table is checked against the C++ signature at compile time: T is an
// in parameter of T's automation type, T* an out parameter; SAFEARRAY* takes any
// VT_ARRAY type. Invoke converts in arguments to the declared types (names of members
// and parameters compare without regard to case), hands out parameters fresh storage
// and stores their values into the caller's VT_BYREF arguments only when the member
// succeeds, and turns a failure with error information into DISP_E_EXCEPTION.
#pragma once

#include "com/dispatch.h"
#include "com/safearray.h"
#include "com/type_library.h"

#include <array>
#include <cstddef>
#include <tuple>
#include <utility>

namespace corvid::com {

namespace detail {

template <class T>
struct ArgTraits; // an argument type automation cannot carry has no traits

template <class T, VARTYPE V, T VARIANT::*Field>
struct InArg {
    static constexpr VARTYPE vt = V;
    static constexpr bool out = false;
    static T Get(VARIANT& argument) { return argument.*Field; }
};

template <class T, VARTYPE V, T* VARIANT::*Field>
struct OutArg {
    static constexpr VARTYPE vt = V;
    static constexpr bool out = true;
    static T* Get(VARIANT& argument) { return argument.*Field; }
};

// clang-format off
template <> struct ArgTraits<SHORT> : InArg<SHORT, VT_I2, &VARIANT::iVal> {};
template <> struct ArgTraits<SHORT*> : OutArg<SHORT, VT_I2, &VARIANT::piVal> {};
template <> struct ArgTraits<LONG> : InArg<LONG, VT_I4, &VARIANT::lVal> {};
template <> struct ArgTraits<LONG*> : OutArg<LONG, VT_I4, &VARIANT::plVal> {};
template <> struct ArgTraits<ULONG> : InArg<ULONG, VT_UI4, &VARIANT::ulVal> {};
template <> struct ArgTraits<ULONG*> : OutArg<ULONG, VT_UI4, &VARIANT::pulVal> {};
template <> struct ArgTraits<BYTE> : InArg<BYTE, VT_UI1, &VARIANT::bVal> {};
template <> struct ArgTraits<BYTE*> : OutArg<BYTE, VT_UI1, &VARIANT::pbVal> {};
template <> struct ArgTraits<FLOAT> : InArg<FLOAT, VT_R4, &VARIANT::fltVal> {};
template <> struct ArgTraits<FLOAT*> : OutArg<FLOAT, VT_R4, &VARIANT::pfltVal> {};
template <> struct ArgTraits<DOUBLE> : InArg<DOUBLE, VT_R8, &VARIANT::dblVal> {};
template <> struct ArgTraits<DOUBLE*> : OutArg<DOUBLE, VT_R8, &VARIANT::pdblVal> {};
template <> struct ArgTraits<VARIANT_BOOL> : InArg<VARIANT_BOOL, VT_BOOL, &VARIANT::boolVal> {};
template <> struct ArgTraits<VARIANT_BOOL*> : OutArg<VARIANT_BOOL, VT_BOOL, &VARIANT::pboolVal> {};
template <> struct ArgTraits<BSTR> : InArg<BSTR, VT_BSTR, &VARIANT::bstrVal> {};
template <> struct ArgTraits<BSTR*> : OutArg<BSTR, VT_BSTR, &VARIANT::pbstrVal> {};
template <> struct ArgTraits<IDispatch*> : InArg<IDispatch*, VT_DISPATCH, &VARIANT::pdispVal> {};
template <> struct ArgTraits<IDispatch**> : OutArg<IDispatch*, VT_DISPATCH, &VARIANT::ppdispVal> {};
template <> struct ArgTraits<IUnknown*> : InArg<IUnknown*, VT_UNKNOWN, &VARIANT::punkVal> {};
template <> struct ArgTraits<IUnknown**> : OutArg<IUnknown*, VT_UNKNOWN, &VARIANT::ppunkVal> {};
template <> struct ArgTraits<SAFEARRAY*> : InArg<SAFEARRAY*, VT_ARRAY, &VARIANT::parray> {};
template <> struct ArgTraits<SAFEARRAY**> : OutArg<SAFEARRAY*, VT_ARRAY, &VARIANT::pparray> {};
// clang-format on
template <>
struct ArgTraits<VARIANT> {
    static constexpr VARTYPE vt = VT_VARIANT;
    static constexpr bool out = false;
    static VARIANT Get(VARIANT& argument) { return argument; } // shallow: the callee borrows it
};
template <>
struct ArgTraits<VARIANT*> {
    static constexpr VARTYPE vt = VT_VARIANT;
    static constexpr bool out = true;
    static VARIANT* Get(VARIANT& argument) { return argument.pvarVal; }
};

template <class F>
struct MemberSignature;

template <class Itf, class... Args>
struct MemberSignature<HRESULT (Itf::*)(Args...)> {
    using Interface = Itf;
    static constexpr std::size_t arity = sizeof...(Args);
    // One extra entry so that members without parameters have arrays too.
    static constexpr std::array<VARTYPE, arity + 1> types{ArgTraits<Args>::vt..., VT_EMPTY};
    static constexpr std::array<bool, arity + 1> outs{ArgTraits<Args>::out..., false};
    template <std::size_t I>
    using Arg = std::tuple_element_t<I, std::tuple<Args...>>;
};

template <auto Member, class Signature, std::size_t... I>
HRESULT CallWith(typename Signature::Interface* target, VARIANT* arguments, std::index_sequence<I...>) {
    (void)arguments; // members without parameters
    return (target->*Member)(ArgTraits<typename Signature::template Arg<I>>::Get(arguments[I])...);
}

template <auto Member>
HRESULT CallMember(IDispatch* self, VARIANT* arguments) {
    using Signature = MemberSignature<decltype(Member)>;
    return CallWith<Member, Signature>(static_cast<typename Signature::Interface*>(self), arguments,
                                       std::make_index_sequence<Signature::arity>{});
}

// Reaching this while building a description is a compile-time error: the parameter
// table does not fit the member's C++ signature.
void ParameterTableDoesNotMatchMemberSignature();

template <auto Member>
consteval void CheckParams(std::span<const ParamDescription> params, MemberKind kind) {
    using Signature = MemberSignature<decltype(Member)>;
    if (params.size() != Signature::arity)
        ParameterTableDoesNotMatchMemberSignature();
    for (std::size_t i = 0; i < params.size(); ++i) {
        const ParamDescription& p = params[i];
        VARTYPE native = Signature::types[i];
        bool typeFits = native == VT_ARRAY ? (p.type & VT_ARRAY) != 0 : p.type == native;
        bool directionFits = p.IsOut() == Signature::outs[i] && (p.IsOut() || (p.flags & kParamIn));
        bool retvalFits = !p.IsRetval() || (p.IsOut() && i + 1 == params.size());
        if (!typeFits || !directionFits || !retvalFits)
            ParameterTableDoesNotMatchMemberSignature();
    }
    bool getterFits = kind != MemberKind::PropertyGet || (!params.empty() && params.back().IsRetval());
    bool putterFits = kind != MemberKind::PropertyPut || (!params.empty() && !params.back().IsOut());
    if (!getterFits || !putterFits)
        ParameterTableDoesNotMatchMemberSignature();
}

template <auto Member>
consteval MemberDescription Describe(const char* name, DISPID id, MemberKind kind,
                                     std::span<const ParamDescription> params) {
    CheckParams<Member>(params, kind);
    return {name, id, kind, params, &CallMember<Member>};
}

} // namespace detail

template <auto Member, const auto& Params>
consteval MemberDescription DispMethod(const char* name, DISPID id) {
    return detail::Describe<Member>(name, id, MemberKind::Method, Params);
}
template <auto Member>
consteval MemberDescription DispMethod(const char* name, DISPID id) {
    return detail::Describe<Member>(name, id, MemberKind::Method, {});
}
template <auto Member, const auto& Params>
consteval MemberDescription DispPropertyGet(const char* name, DISPID id) {
    return detail::Describe<Member>(name, id, MemberKind::PropertyGet, Params);
}
template <auto Member, const auto& Params>
consteval MemberDescription DispPropertyPut(const char* name, DISPID id) {
    return detail::Describe<Member>(name, id, MemberKind::PropertyPut, Params);
}

// A member of a custom interface: described for the type library, not callable by name.
constexpr MemberDescription CustomMember(const char* name, MemberKind kind,
                                         std::span<const ParamDescription> params = {}) {
    return {name, DISPID_UNKNOWN, kind, params, nullptr};
}

// IDispatch::GetIDsOfNames and Invoke from a description; self is the interface the
// description describes, seen as IDispatch.
HRESULT GetIdsFromDescription(const InterfaceDescription& description, REFIID reserved, LPOLESTR* names,
                              UINT count, DISPID* ids);
HRESULT InvokeFromDescription(const InterfaceDescription& description, IDispatch* self, DISPID id, WORD flags,
                              DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception, UINT* argumentError);

// The IDispatch part of a dual interface Itf described by Description.
template <class Itf, const InterfaceDescription& Description>
class DispatchImpl : public Itf {
public:
    HRESULT GetTypeInfoCount(UINT* count) override {
        if (!count)
            return E_INVALIDARG;
        *count = 1;
        return S_OK;
    }
    HRESULT GetTypeInfo(UINT index, LCID, ITypeInfo** info) override {
        if (!info)
            return E_POINTER;
        *info = nullptr;
        return index == 0 ? CreateTypeInfo(Description, info) : DISP_E_BADINDEX;
    }
    HRESULT GetIDsOfNames(REFIID reserved, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
        return GetIdsFromDescription(Description, reserved, names, count, ids);
    }
    HRESULT Invoke(DISPID id, REFIID reserved, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                   EXCEPINFO* exception, UINT* argumentError) override {
        if (reserved != IID_NULL)
            return DISP_E_UNKNOWNINTERFACE;
        return InvokeFromDescription(Description, static_cast<IDispatch*>(this), id, flags, params, result,
                                     exception, argumentError);
    }
};

} // namespace corvid::com
