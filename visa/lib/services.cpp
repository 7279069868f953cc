// The services the support library offers the I/O component, as C functions.
#include "library.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace corvid::visa {
namespace {

Library& Lib() {
    return Library::Instance();
}

ViStatus LockSemaphore(int semaphore, ViUInt32 timeoutMs) {
    return Lib().LockSemaphore(semaphore, timeoutMs);
}

void UnlockSemaphore(int semaphore) {
    Lib().UnlockSemaphore(semaphore);
}

ViUInt32 LocalTimeout() {
    return Lib().config().localTimeout();
}

int MatchName(const SbvisaFindContext* context, ViConstString name) {
    return Lib().MatchName(context, name);
}

ViStatus GrowFindList(SbvisaFindList* list, ViUInt32 additional) {
    if (!list) {
        return VI_ERROR_ALLOC;
    }
    ViUInt32 needed = list->count + additional;
    if (needed < list->count || needed > 1u << 20) {
        return VI_ERROR_ALLOC;
    }
    if (needed <= list->capacity) {
        return VI_SUCCESS;
    }
    ViUInt32 capacity = std::max<ViUInt32>(needed, list->capacity * 2);
    void* grown = std::realloc(list->names, static_cast<std::size_t>(capacity) * VI_FIND_BUFLEN);
    if (!grown) {
        return VI_ERROR_ALLOC;
    }
    list->names = static_cast<ViChar(*)[VI_FIND_BUFLEN]>(grown);
    std::memset(list->names[list->capacity], 0,
                static_cast<std::size_t>(capacity - list->capacity) * VI_FIND_BUFLEN);
    list->capacity = capacity;
    return VI_SUCCESS;
}

void AnnounceInterface(ViConstString name) {
    Lib().Announce(name);
}

ViStatus OpenConfiguration() {
    return VI_SUCCESS;
}

ViInt32 ReadConfigLong(ViConstString section, ViConstString key, ViInt32 fallback) {
    if (!section || !key) {
        return fallback;
    }
    long value = Lib().config().Number(section, key, fallback);
    return value < INT32_MIN || value > INT32_MAX ? fallback : static_cast<ViInt32>(value);
}

ViInt16 ReadConfigShort(ViConstString section, ViConstString key, ViInt16 fallback) {
    ViInt32 value = ReadConfigLong(section, key, fallback);
    return value < INT16_MIN || value > INT16_MAX ? fallback : static_cast<ViInt16>(value);
}

ViUInt32 ReadConfigString(ViConstString section, ViConstString key, ViConstString fallback, ViChar* text,
                          ViUInt32 size) {
    std::string value = section && key ? Lib().config().String(section, key, fallback ? fallback : "")
                                       : std::string(fallback ? fallback : "");
    if (!text || size == 0) {
        return static_cast<ViUInt32>(value.size());
    }
    std::size_t length = std::min<std::size_t>(value.size(), size - 1);
    std::memcpy(text, value.data(), length);
    text[length] = '\0';
    return static_cast<ViUInt32>(length);
}

ViStatus RaiseEvent(ViSession vi, ViEventType type, const SbvisaEventData* data) {
    try {
        return Lib().RaiseEvent(vi, type, data);
    } catch (...) {
        return VI_ERROR_SYSTEM_ERROR;
    }
}

SbvisaSession* AcquireSession(ViSession vi) {
    Ref<Session> session = Lib().objects().FindAs<Session>(vi, VisaObject::Kind::Session);
    if (!session) {
        return nullptr;
    }
    session->AddRef(); // given back by ReleaseSession
    return &session->record();
}

void ReleaseSession(SbvisaSession* record) {
    if (record && record->supportData) {
        static_cast<Session*>(record->supportData)->Release();
    }
}

ViUInt32 ListSessions(ViSession* out, ViUInt32 max) {
    std::vector<ViObject> handles = Lib().objects().Handles(VisaObject::Kind::Session);
    ViUInt32 count = static_cast<ViUInt32>(handles.size());
    if (out) {
        std::copy_n(handles.begin(), std::min(count, max), out);
    }
    return count;
}

ViConstString InstallDirectory() {
    return Lib().installDirectory().c_str();
}

} // namespace

void ServicesTable(SbvisaServices& services, SbvisaSharedTables* tables) {
    services.version = SBVISA_IO_VERSION;
    services.size = sizeof(SbvisaServices);
    services.lockSemaphore = LockSemaphore;
    services.unlockSemaphore = UnlockSemaphore;
    services.localTimeout = LocalTimeout;
    services.matchName = MatchName;
    services.growFindList = GrowFindList;
    services.announceInterface = AnnounceInterface;
    services.openConfiguration = OpenConfiguration;
    services.readConfigShort = ReadConfigShort;
    services.readConfigLong = ReadConfigLong;
    services.readConfigString = ReadConfigString;
    services.raiseEvent = RaiseEvent;
    services.acquireSession = AcquireSession;
    services.releaseSession = ReleaseSession;
    services.listSessions = ListSessions;
    services.tables = tables;
    services.installDirectory = InstallDirectory;
}

} // namespace corvid::visa
