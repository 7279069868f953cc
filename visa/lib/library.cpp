#include "library.h"

#include <chrono>
#include <cstring>
#include <dlfcn.h>
#include <filesystem>
#include <iostream>

namespace corvid::visa {

void ServicesTable(SbvisaServices& services, SbvisaSharedTables* tables); // services.cpp

Library& Library::Instance() {
    static Library* instance = new Library();
    return *instance;
}

Library::Library() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&Library::Instance), &info) && info.dli_fname) {
        std::error_code error;
        std::filesystem::path self = std::filesystem::canonical(info.dli_fname, error);
        installDirectory_ = (error ? std::filesystem::path(info.dli_fname) : self).parent_path().string();
    }
}

ViStatus Library::Start() {
    std::lock_guard lock(startMutex_);
    if (started_) {
        return startStatus_;
    }
    config_ = ConfigStore(ConfigStore::DefaultPath());
    config_.Load(std::cerr);
    config_.FillTables(tables_);
    ViStatus status = LoadComponent();
    if (status < VI_SUCCESS) {
        return status; // tried again on the next call
    }
    started_ = true;
    bool malformed = !config_.usable() && std::filesystem::exists(config_.file());
    startStatus_ = malformed ? VI_WARN_CONFIG_NLOADED : VI_SUCCESS;
    return startStatus_;
}

ViStatus Library::LoadComponent() {
    static SbvisaServices services{};
    ServicesTable(services, &tables_);
    std::string path = config_.ioLibrary();
    if (path.find('/') == std::string::npos && !installDirectory_.empty()) {
        path = installDirectory_ + "/" + path;
    }
    return io_.Load(path, &services, std::cerr);
}

ViStatus Library::LockSemaphore(int semaphore, ViUInt32 timeoutMs) {
    if (semaphore == SBVISA_SEM_SYSTEM) {
        systemSemaphore_.lock();
        return VI_SUCCESS;
    }
    if (semaphore != SBVISA_SEM_FIND_LIST) {
        return VI_ERROR_SYSTEM_ERROR;
    }
    if (timeoutMs == VI_TMO_INFINITE) {
        findListSemaphore_.lock();
        return VI_SUCCESS;
    }
    return findListSemaphore_.try_lock_for(std::chrono::milliseconds(timeoutMs)) ? VI_SUCCESS : VI_ERROR_TMO;
}

void Library::UnlockSemaphore(int semaphore) {
    if (semaphore == SBVISA_SEM_SYSTEM) {
        systemSemaphore_.unlock();
    } else if (semaphore == SBVISA_SEM_FIND_LIST) {
        findListSemaphore_.unlock();
    }
}

void Library::Announce(const char* name) {
    std::lock_guard lock(announceMutex_);
    announced_ = name ? name : "";
}

std::string Library::announced() const {
    std::lock_guard lock(announceMutex_);
    return announced_;
}

int Library::MatchName(const SbvisaFindContext* context, const char* name) {
    if (!context || !name) {
        return -1;
    }
    if (!context->expression.MatchesName(name)) {
        return 0;
    }
    if (!context->expression.HasAttributeCondition()) {
        return 1;
    }
    std::string resource(name);
    AttributeProbe probe;
    bool matches = context->expression.MatchesAttributes([&](ViAttr attribute, AttributeValue& value) {
        return ResourceAttribute(resource, attribute, value, probe);
    });
    if (probe.rm != VI_NULL) {
        Close(probe.rm);
    }
    return matches ? 1 : 0;
}

ViStatus Library::RaiseEvent(ViSession vi, ViEventType type, const SbvisaEventData* data) {
    Ref<Session> session = objects_.FindAs<Session>(vi, VisaObject::Kind::Session);
    if (!session) {
        return VI_ERROR_INV_OBJECT;
    }
    std::vector<HandlerEntry> handlers = session->events().Accept(type, data, vi);
    if (!handlers.empty()) {
        CallHandlers(*session, Ref<EventContext>(new EventContext(vi, type, data)), handlers);
    }
    return VI_SUCCESS;
}

void Library::CallHandlers(Session& session, const Ref<EventContext>& event,
                           const std::vector<HandlerEntry>& handlers) {
    // The context lives in the object table while the handlers run, so that they can ask
    // its attributes; it is closed when they return.
    ViEvent handle = objects_.Add(event);
    for (const HandlerEntry& entry : handlers) {
        ViStatus status = entry.handler(session.handle(), event->type(), handle, entry.userHandle);
        if (status == VI_SUCCESS_NCHAIN) {
            break;
        }
    }
    objects_.Remove(handle);
}

void Library::RaiseException(Session& session, ViStatus status, const char* operation) {
    SbvisaEventData data{};
    data.status = status;
    data.operationName = operation;
    RaiseEvent(session.handle(), VI_EVENT_EXCEPTION, &data);
}

ViStatus Library::EnableEvent(Session& session, ViEventType type, ViUInt16 mechanism, ViEventFilter context) {
    if (context != VI_NULL) {
        return VI_ERROR_INV_CONTEXT;
    }
    std::vector<Ref<EventContext>> release;
    ViStatus status = session.events().Enable(type, mechanism, release);
    if (status < VI_SUCCESS) {
        return status;
    }
    session.PublishMechanisms(type);
    const SbvisaOperations* ops = session.operations();
    if (ops && ops->eventsChanged) {
        ViStatus changed = ops->eventsChanged(&session.record(), type);
        if (changed < VI_SUCCESS) {
            session.events().Disable(type, mechanism);
            session.PublishMechanisms(type);
            return changed;
        }
    }
    std::vector<HandlerEntry> handlers = session.events().Handlers(type);
    for (const Ref<EventContext>& event : release) {
        CallHandlers(session, event, handlers);
    }
    return status;
}

ViStatus Library::DisableEvent(Session& session, ViEventType type, ViUInt16 mechanism) {
    ViStatus status = session.events().Disable(type, mechanism);
    if (status < VI_SUCCESS) {
        return status;
    }
    const SbvisaOperations* ops = session.operations();
    for (ViEventType t : {ViEventType{VI_EVENT_SERVICE_REQ}, ViEventType{VI_EVENT_IO_COMPLETION},
                          ViEventType{VI_EVENT_EXCEPTION}}) {
        if (type == t || type == VI_ALL_ENABLED_EVENTS) {
            session.PublishMechanisms(t);
            if (ops && ops->eventsChanged && t != VI_EVENT_EXCEPTION && session.events().Supports(t)) {
                ops->eventsChanged(&session.record(), t);
            }
        }
    }
    return status;
}

ViStatus Library::WaitOnEvent(Session& session, ViEventType type, ViUInt32 timeout, ViEventType* outType,
                              ViEvent* outContext) {
    Ref<EventContext> event;
    ViStatus status = session.events().Wait(type, timeout, event);
    if (status < VI_SUCCESS) {
        if (outType) {
            *outType = 0;
        }
        if (outContext) {
            *outContext = VI_NULL;
        }
        return status;
    }
    if (outType) {
        *outType = event->type();
    }
    if (outContext) {
        *outContext = objects_.Add(event);
    }
    return status;
}

} // namespace corvid::visa
