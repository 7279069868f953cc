#include "script_context.h"

#include "com/hresult.h"

#include <cstring>

namespace corvid::script {

ScriptContext& ContextOf(lua_State* L) {
    ScriptContext* context = nullptr;
    std::memcpy(&context, lua_getextraspace(L), sizeof context);
    return *context;
}

void AttachContext(lua_State* L, ScriptContext* context) {
    static_assert(LUA_EXTRASPACE >= sizeof(ScriptContext*));
    std::memcpy(lua_getextraspace(L), &context, sizeof context);
}

ActiveThread::ActiveThread(lua_State* L) : context_(ContextOf(L)), previous_(context_.active) {
    context_.active = L;
}

ActiveThread::~ActiveThread() {
    context_.active = previous_;
}

namespace {

lua_State* CheckedThread(lua_State* L) {
    CheckInterruption(L);
    ContextOf(L).pendingError.reset();
    return L;
}

} // namespace

void CheckInterruption(lua_State* L) {
    ScriptContext& context = ContextOf(L);
    if (!context.options.interruption)
        return;
    std::string reason = context.options.interruption();
    if (!reason.empty())
        RaiseError(L, reason);
}

ComponentCall::ComponentCall(lua_State* L) : state_(CheckedThread(L)), active_(L) {}

void ComponentCall::Finish() {
    ScriptContext& context = ContextOf(state_);
    if (!context.pendingError)
        return;
    std::string message = std::move(*context.pendingError);
    context.pendingError.reset();
    // The log's own error already names the place in the log function.
    lua_pushlstring(state_, message.data(), message.size());
    lua_error(state_);
}

void RaiseError(lua_State* L, const std::string& message) {
    luaL_where(L, 1);
    lua_pushlstring(L, message.data(), message.size());
    lua_concat(L, 2);
    lua_error(L);
    __builtin_unreachable(); // lua_error does not return
}

std::string ResultText(com::HRESULT hr) {
    std::string text = com::HResultText(hr);
    std::string code = com::FormatHResult(hr);
    // A code without a text of its own is already named in full.
    return text.find(code) != std::string::npos ? text : text + " (" + code + ")";
}

} // namespace corvid::script
