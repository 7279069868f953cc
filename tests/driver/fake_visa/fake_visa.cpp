#include "fake_visa.h"

#include <algorithm>
#include <cstring>
#include <sstream>

namespace corvid::fakevisa {
namespace {

State& TheState() {
    static State state;
    return state;
}

ViStatus Next(const char* function) {
    auto& queue = TheState().statuses[function];
    if (queue.empty())
        return VI_SUCCESS;
    ViStatus status = queue.front();
    queue.pop_front();
    return status;
}

template <class... Args>
void Record(const char* function, const Args&... args) {
    std::ostringstream line;
    line << function;
    ((line << ' ' << args), ...);
    TheState().calls.push_back(line.str());
}

std::string Hex(unsigned long long value) {
    std::ostringstream text;
    text << "0x" << std::hex << std::uppercase << value;
    return text.str();
}

} // namespace

std::vector<std::string> State::CallsOf(const std::string& function) const {
    std::vector<std::string> found;
    for (const std::string& call : calls)
        if (call == function || call.rfind(function + " ", 0) == 0)
            found.push_back(call);
    return found;
}

State& Visa() {
    return TheState();
}

void Reset() {
    TheState() = State{};
}

} // namespace corvid::fakevisa

using corvid::fakevisa::Visa;
using namespace corvid::fakevisa;

extern "C" {

ViStatus viOpenDefaultRM(ViPSession vi) {
    Record("viOpenDefaultRM");
    ViStatus status = Next("viOpenDefaultRM");
    *vi = status >= VI_SUCCESS ? 1 : VI_NULL;
    return status;
}

ViStatus viOpen(ViSession sesn, ViConstRsrc name, ViAccessMode mode, ViUInt32 timeout, ViPSession vi) {
    Record("viOpen", sesn, name, mode, timeout);
    ViStatus status = Next("viOpen");
    *vi = status >= VI_SUCCESS ? Visa().nextSession++ : VI_NULL;
    return status;
}

ViStatus viClose(ViObject vi) {
    Record("viClose", vi);
    return Next("viClose");
}

ViStatus viLock(ViSession vi, ViAccessMode lockType, ViUInt32 timeout, ViConstKeyId requestedKey,
                ViChar accessKey[]) {
    Record("viLock", vi, lockType, timeout, requestedKey ? requestedKey : "null", accessKey ? "key" : "null");
    return Next("viLock");
}

ViStatus viUnlock(ViSession vi) {
    Record("viUnlock", vi);
    return Next("viUnlock");
}

ViStatus viStatusDesc(ViObject, ViStatus status, ViChar desc[]) {
    auto& undescribed = Visa().undescribed;
    if (std::find(undescribed.begin(), undescribed.end(), status) != undescribed.end())
        return VI_ERROR_INV_OBJECT;
    auto found = Visa().descriptions.find(status);
    std::string text =
        found != Visa().descriptions.end() ? found->second : "status " + std::to_string(status);
    std::strncpy(desc, text.c_str(), 255);
    desc[255] = '\0';
    return VI_SUCCESS;
}

ViStatus viWrite(ViSession vi, ViConstBuf buf, ViUInt32 cnt, ViPUInt32 retCnt) {
    std::string bytes(reinterpret_cast<const char*>(buf), cnt);
    Record("viWrite", vi, cnt);
    Visa().written.push_back(bytes);
    ViStatus status = Next("viWrite");
    if (retCnt)
        *retCnt = status >= VI_SUCCESS ? cnt : 0;
    return status;
}

ViStatus viRead(ViSession vi, ViPBuf buf, ViUInt32 cnt, ViPUInt32 retCnt) {
    Record("viRead", vi, cnt);
    ViStatus status = Next("viRead");
    *retCnt = 0;
    if (status < VI_SUCCESS)
        return status;
    if (Visa().replies.empty())
        return VI_ERROR_TMO;
    std::string reply = Visa().replies.front();
    Visa().replies.pop_front();
    ViUInt32 count = std::min<ViUInt32>(cnt, static_cast<ViUInt32>(reply.size()));
    std::memcpy(buf, reply.data(), count);
    *retCnt = count;
    return status;
}

ViStatus viSetAttribute(ViObject vi, ViAttr attrName, ViAttrState attrValue) {
    Record("viSetAttribute", vi, Hex(attrName), attrValue);
    return Next("viSetAttribute");
}

ViStatus viReadSTB(ViSession vi, ViPUInt16 status) {
    Record("viReadSTB", vi);
    ViStatus result = Next("viReadSTB");
    *status = Visa().statusByte;
    return result;
}

ViStatus viClear(ViSession vi) {
    Record("viClear", vi);
    return Next("viClear");
}

ViStatus viAssertTrigger(ViSession vi, ViUInt16 protocol) {
    Record("viAssertTrigger", vi, protocol);
    return Next("viAssertTrigger");
}

ViStatus viEnableEvent(ViSession vi, ViEventType eventType, ViUInt16 mechanism, ViEventFilter context) {
    Record("viEnableEvent", vi, Hex(eventType), mechanism, context);
    return Next("viEnableEvent");
}

ViStatus viDisableEvent(ViSession vi, ViEventType eventType, ViUInt16 mechanism) {
    Record("viDisableEvent", vi, Hex(eventType), mechanism);
    return Next("viDisableEvent");
}

ViStatus viWaitOnEvent(ViSession vi, ViEventType inEventType, ViUInt32 timeout, ViPEventType outEventType,
                       ViPEvent outContext) {
    Record("viWaitOnEvent", vi, Hex(inEventType), timeout);
    ViStatus status = Next("viWaitOnEvent");
    if (outEventType)
        *outEventType = status >= VI_SUCCESS ? inEventType : 0;
    if (outContext)
        *outContext = status >= VI_SUCCESS ? Visa().nextEvent++ : VI_NULL;
    return status;
}

} // extern "C"
