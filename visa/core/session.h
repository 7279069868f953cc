// An open instrument session: the record shared with the I/O component, the parsed
// resource name, and the session's own state (events, user data, buffer sizes).
#pragma once

#include "formatted_io.h"
#include "object_table.h"
#include "resource_name.h"
#include "session_events.h"
#include "visa/sbvisa_io.h"

#include <atomic>
#include <mutex>

namespace corvid::visa {

class Session : public VisaObject {
public:
    Session(ViSession resourceManager, const ResourceName& name, ViAccessMode mode);

    SbvisaSession& record() { return record_; }
    const SbvisaSession& record() const { return record_; }
    const ResourceName& name() const { return name_; }
    ViSession resourceManager() const { return resourceManager_; }
    SessionEvents& events() { return events_; }
    FormattedBuffers& formatted() { return formatted_; }
    const SbvisaOperations* operations() const { return record_.operations; }

    // The event mechanisms of the types the I/O component delivers, copied into the record
    // where its threads read them.
    void PublishMechanisms(ViEventType type);

    std::atomic<ViUInt64> userData{0};
    std::atomic<ViUInt32> readBufferSize{4096};
    std::atomic<ViUInt32> writeBufferSize{4096};
    // Whether exception events are enabled for the handler: checked after every failure.
    std::atomic<bool> exceptionsEnabled{false};

    // Closes the I/O side once: the component's close operation. Later calls return the
    // first result.
    ViStatus CloseIo();
    bool closing() const { return closing_.load(std::memory_order_acquire); }
    void setClosing() { closing_.store(true, std::memory_order_release); }

    // The event types a session of this interface type and resource class supports.
    static std::vector<ViEventType> SupportedEvents(ViUInt16 interfaceType, const std::string& resourceClass);

protected:
    ~Session() override;

private:
    SbvisaSession record_{};
    ResourceName name_;
    ViSession resourceManager_;
    SessionEvents events_;
    FormattedBuffers formatted_;
    std::once_flag closeOnce_;
    ViStatus closeStatus_ = VI_SUCCESS;
    std::atomic<bool> closing_{false};
};

} // namespace corvid::visa
