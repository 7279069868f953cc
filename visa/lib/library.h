// The state of the support library in a process: the object table, the locks, the
// configuration store, the loaded I/O component and the shared tables, and the
// operations behind the exported VISA functions.
#pragma once

#include "config_store.h"
#include "container_objects.h"
#include "event_context.h"
#include "find_expression.h"
#include "io_module.h"
#include "lock_table.h"
#include "object_table.h"
#include "session.h"

#include <mutex>
#include <string>

struct SbvisaFindContext {
    corvid::visa::FindExpression expression;
    ViSession resourceManager = VI_NULL;
};

namespace corvid::visa {

class Library {
public:
    // The one instance of the process; it is never destroyed, so that threads of the I/O
    // component may still call the services while the process exits.
    static Library& Instance();

    // Reads the configuration and loads the I/O component, once (retried after a failure).
    ViStatus Start();

    ObjectTable& objects() { return objects_; }
    LockTable& locks() { return locks_; }
    const ConfigStore& config() const { return config_; }
    SbvisaSharedTables& tables() { return tables_; }
    const std::string& installDirectory() const { return installDirectory_; }

    // Resource manager operations.
    ViStatus OpenDefaultRM(ViSession* vi);
    ViStatus FindResources(ViSession rm, const char* expression, ViFindList* list, ViUInt32* count,
                           char* first);
    ViStatus FindNext(ViFindList list, char* name);
    ViStatus ParseResource(ViSession rm, const char* text, ResourceName& name, std::string& alias);
    ViStatus Open(ViSession rm, const char* text, ViAccessMode mode, ViUInt32 timeout, ViSession* vi);
    ViStatus Close(ViObject object);

    // Attributes of any object.
    ViStatus GetAttribute(ViObject object, ViAttr attribute, void* value);
    ViStatus SetAttribute(ViObject object, ViAttr attribute, ViAttrState value);
    // The value of a session's attribute as a number or text (for the find expression).
    ViStatus QueryAttribute(Session& session, ViAttr attribute, ViAttrState& number, std::string& text);

    // Events.
    ViStatus RaiseEvent(ViSession vi, ViEventType type, const SbvisaEventData* data);
    ViStatus EnableEvent(Session& session, ViEventType type, ViUInt16 mechanism, ViEventFilter context);
    ViStatus DisableEvent(Session& session, ViEventType type, ViUInt16 mechanism);
    ViStatus WaitOnEvent(Session& session, ViEventType type, ViUInt32 timeout, ViEventType* outType,
                         ViEvent* outContext);
    void RaiseException(Session& session, ViStatus status, const char* operation);

    // Services to the I/O component.
    ViStatus LockSemaphore(int semaphore, ViUInt32 timeoutMs);
    void UnlockSemaphore(int semaphore);
    int MatchName(const SbvisaFindContext* context, const char* name);
    void Announce(const char* name);
    std::string announced() const;

private:
    Library();
    ViStatus LoadComponent();
    void CallHandlers(Session& session, const Ref<EventContext>& event,
                      const std::vector<HandlerEntry>& handlers);
    // A session opened to answer attributes of one listed resource.
    struct AttributeProbe {
        bool tried = false;
        ViSession rm = VI_NULL;
        ViSession vi = VI_NULL;
    };
    bool ResourceAttribute(const std::string& name, ViAttr attribute, AttributeValue& value,
                           AttributeProbe& probe);
    ViStatus CloseSession(const Ref<Session>& session);
    ViStatus ResourceManagerAttribute(ResourceManagerObject& rm, ViAttr attribute, ViAttrState& number,
                                      std::string& text);
    ViStatus EventAttribute(EventContext& event, ViAttr attribute, ViAttrState& number, std::string& text);

    ObjectTable objects_;
    LockTable locks_;
    ConfigStore config_;
    SbvisaSharedTables tables_{};
    IoModule io_;
    std::string installDirectory_;
    std::mutex startMutex_;
    bool started_ = false;
    ViStatus startStatus_ = VI_SUCCESS;
    std::timed_mutex findListSemaphore_;
    std::recursive_mutex systemSemaphore_;
    mutable std::mutex announceMutex_;
    std::string announced_;
};

} // namespace corvid::visa
