#include "dispatch_call.h"

#include "lua_variant.h"
#include "script_context.h"

#include <climits>
#include <vector>

namespace corvid::script {

using namespace com;

namespace {

// A member as the object's type information describes it; all null when it gives none.
struct ResolvedMember {
    DISPID id = DISPID_UNKNOWN;
    const MemberDescription* method = nullptr;
    const MemberDescription* get = nullptr;
    const MemberDescription* put = nullptr;
};

// The arguments of one call: storage owns every value, arguments are what Invoke
// gets (the in values themselves, VT_BYREF into storage for the out values).
struct CallFrame {
    std::vector<Variant> storage;
    std::vector<VARIANT> arguments;
    std::vector<int> scriptArgument; // per argument: its number in the script's call, 0 for outs
};

std::string InterfaceName(const ScriptObject& object) {
    return object.description ? object.description->name : "the object";
}

ResolvedMember Resolve(lua_State* L, ScriptObject& object, const std::string& name) {
    IDispatch* dispatch = EnsureDispatch(L, object);
    ResolvedMember member;
    if (FAILED(GetDispatchId(dispatch, name, &member.id)))
        RaiseError(L, "'" + name + "' is not a member of " + InterfaceName(object));
    if (object.description) {
        member.method = FindMember(*object.description, member.id, MemberKind::Method);
        member.get = FindMember(*object.description, member.id, MemberKind::PropertyGet);
        member.put = FindMember(*object.description, member.id, MemberKind::PropertyPut);
    }
    return member;
}

bool TakesInput(const ParamDescription& param) {
    return !param.IsOut() || (param.flags & kParamIn);
}

void ConvertArgument(lua_State* L, int index, VARTYPE vt, Variant& out, const std::string& name, int number) {
    std::string problem;
    try {
        ToVariantAs(L, index, vt, out);
        return;
    } catch (const ConversionError& error) {
        problem = error.what();
    }
    RaiseError(L, "bad argument #" + std::to_string(number) + " to '" + name + "' (" + problem + ")");
}

void PrepareDescribed(lua_State* L, const MemberDescription& member, const std::string& name, int first,
                      int last, CallFrame& frame) {
    std::size_t supplied = member.SuppliedCount();
    int expected = 0;
    for (std::size_t i = 0; i < supplied; ++i)
        expected += TakesInput(member.params[i]) ? 1 : 0;
    int given = last - first + 1;
    if (given > expected)
        RaiseError(L, "'" + name + "' takes " + std::to_string(expected) +
                          (expected == 1 ? " argument, got " : " arguments, got ") + std::to_string(given));
    frame.storage.resize(member.params.size());
    frame.arguments.resize(supplied);
    frame.scriptArgument.assign(supplied, 0);
    int next = first;
    for (std::size_t i = 0; i < supplied; ++i) {
        const ParamDescription& param = member.params[i];
        Variant& value = frame.storage[i];
        if (TakesInput(param)) {
            frame.scriptArgument[i] = next - first + 1;
            ConvertArgument(L, next++, param.type, value, name, frame.scriptArgument[i]);
        } else if (param.type != VT_VARIANT) {
            value.byref = nullptr; // an empty value of the declared type
            value.vt = param.type;
        }
        if (!param.IsOut()) {
            frame.arguments[i] = value; // borrowed for the call
            continue;
        }
        frame.arguments[i].vt = static_cast<VARTYPE>(VT_BYREF | param.type);
        frame.arguments[i].byref = param.type == VT_VARIANT ? static_cast<void*>(&value) : &value.bVal;
    }
}

// Without type information every argument goes in as the value of its own kind.
void PrepareNatural(lua_State* L, const std::string& name, int first, int last, CallFrame& frame) {
    std::size_t count = static_cast<std::size_t>(last - first + 1);
    frame.storage.resize(count);
    frame.arguments.resize(count);
    frame.scriptArgument.resize(count);
    for (std::size_t i = 0; i < count; ++i) {
        int number = static_cast<int>(i) + 1;
        ConvertArgument(L, first + number - 1, VT_VARIANT, frame.storage[i], name, number);
        frame.arguments[i] = frame.storage[i];
        frame.scriptArgument[i] = number;
    }
}

std::string FailureText(HRESULT hr, const ExcepInfo& exception, UINT argumentError, const CallFrame& frame,
                        const std::string& name) {
    if (hr == DISP_E_EXCEPTION) {
        std::string description = exception.Description();
        if (!description.empty())
            return description;
        return name + ": " + ResultText(exception.scode ? exception.scode : hr);
    }
    bool argumentFault = hr == DISP_E_TYPEMISMATCH || hr == DISP_E_OVERFLOW || hr == DISP_E_PARAMNOTFOUND;
    if (argumentFault && argumentError < frame.scriptArgument.size() &&
        frame.scriptArgument[argumentError] > 0)
        return "bad argument #" + std::to_string(frame.scriptArgument[argumentError]) + " to '" + name +
               "' (" + HResultText(hr) + ")";
    return name + ": " + ResultText(hr);
}

int PushResults(lua_State* L, const MemberDescription* member, CallFrame& frame, const Variant& result) {
    if (!member) {
        PushVariant(L, result);
        return 1;
    }
    int pushed = 0;
    bool hasRetval = !member->params.empty() && member->params.back().IsRetval();
    if (hasRetval) {
        PushVariant(L, result);
        ++pushed;
    }
    luaL_checkstack(L, static_cast<int>(member->params.size()), "too many results");
    for (std::size_t i = 0; i < member->SuppliedCount(); ++i) {
        if (member->params[i].IsOut()) {
            PushVariant(L, frame.storage[i]);
            ++pushed;
        }
    }
    return pushed;
}

// Calls the member with the script's arguments first..last and pushes its results.
int Invoke(lua_State* L, ScriptObject& object, DISPID id, WORD flags, const MemberDescription* member,
           const std::string& name, int first, int last) {
    CallFrame frame;
    if (member)
        PrepareDescribed(L, *member, name, first, last, frame);
    else
        PrepareNatural(L, name, first, last, frame);
    Variant result;
    ExcepInfo exception;
    UINT argumentError = UINT_MAX;
    ComponentCall call(L);
    HRESULT hr =
        InvokeMember(object.dispatch.get(), id, flags, frame.arguments, &result, &exception, &argumentError);
    call.Finish();
    if (FAILED(hr))
        RaiseError(L, FailureText(hr, exception, argumentError, frame, name));
    return PushResults(L, member, frame, result);
}

MemberKind KindOf(WORD flags) {
    return flags == DISPATCH_PROPERTYGET ? MemberKind::PropertyGet : MemberKind::Method;
}

// The function a method field gives. Upvalues: the member's name, the dispatch
// interface and identifier it was resolved on, the invoke flags.
int CallMember(lua_State* L) {
    std::string name = lua_tostring(L, lua_upvalueindex(1));
    ScriptObject& object = CheckObject(L, 1, name.c_str());
    auto flags = static_cast<WORD>(lua_tointeger(L, lua_upvalueindex(4)));
    DISPID id = static_cast<DISPID>(lua_tointeger(L, lua_upvalueindex(3)));
    if (EnsureDispatch(L, object) != lua_touserdata(L, lua_upvalueindex(2))) {
        // Taken from one object and called on another: look the name up again.
        ResolvedMember member = Resolve(L, object, name);
        id = member.id;
    }
    const MemberDescription* member =
        object.description ? FindMember(*object.description, id, KindOf(flags)) : nullptr;
    return Invoke(L, object, id, flags, member, name, 2, lua_gettop(L));
}

void PushMemberFunction(lua_State* L, ScriptObject& object, const std::string& name, DISPID id, WORD flags) {
    lua_pushlstring(L, name.data(), name.size());
    lua_pushlightuserdata(L, object.dispatch.get());
    lua_pushinteger(L, id);
    lua_pushinteger(L, flags);
    lua_pushcclosure(L, &Guarded<CallMember>, 4);
}

} // namespace

int IndexDispatch(lua_State* L, ScriptObject& object, const std::string& name) {
    ResolvedMember member = Resolve(L, object, name);
    if (!object.description) {
        PushMemberFunction(L, object, name, member.id, DISPATCH_METHOD | DISPATCH_PROPERTYGET);
        return 1;
    }
    if (member.method) {
        PushMemberFunction(L, object, name, member.id, DISPATCH_METHOD);
        return 1;
    }
    if (member.get && member.get->SuppliedCount() == 0)
        return Invoke(L, object, member.id, DISPATCH_PROPERTYGET, member.get, name, 1, 0);
    if (member.get) { // a property with arguments: object:Name(arguments)
        PushMemberFunction(L, object, name, member.id, DISPATCH_PROPERTYGET);
        return 1;
    }
    RaiseError(L, "property '" + name + "' of " + InterfaceName(object) + " is write-only");
}

void AssignDispatch(lua_State* L, ScriptObject& object, const std::string& name, int valueIndex) {
    ResolvedMember member = Resolve(L, object, name);
    if (object.description && !member.put)
        RaiseError(L, (member.get ? "property '" : "member '") + name + "' of " + InterfaceName(object) +
                          (member.get ? " is read-only" : " is not a property"));
    Invoke(L, object, member.id, DISPATCH_PROPERTYPUT, member.put, name, valueIndex, valueIndex);
}

} // namespace corvid::script
