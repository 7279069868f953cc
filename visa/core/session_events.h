// The event state of one session: which event types are enabled for which mechanisms,
// the event queue that viWaitOnEvent takes from, the queue of events held for a
// suspended handler, and the installed handlers.
#pragma once

#include "event_context.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <vector>

namespace corvid::visa {

struct HandlerEntry {
    ViEventType type;
    ViHndlr handler;
    ViAddr userHandle;
};

class SessionEvents {
public:
    // supported: the event types of the session's resource class.
    explicit SessionEvents(std::vector<ViEventType> supported) : supported_(std::move(supported)) {}

    bool Supports(ViEventType type) const;
    ViUInt16 Mechanisms(ViEventType type) const;

    // viEnableEvent. Switching from the suspended handler to the handler hands back the
    // events held meanwhile, to be delivered to the handlers by the caller.
    ViStatus Enable(ViEventType type, ViUInt16 mechanism, std::vector<Ref<EventContext>>& release);
    // viDisableEvent (type may be VI_ALL_ENABLED_EVENTS, mechanism VI_ALL_MECH).
    ViStatus Disable(ViEventType type, ViUInt16 mechanism);
    // viDiscardEvents.
    ViStatus Discard(ViEventType type, ViUInt16 mechanism);

    ViStatus Install(ViEventType type, ViHndlr handler, ViAddr userHandle);
    ViStatus Uninstall(ViEventType type, ViHndlr handler, ViAddr userHandle);

    // Files a raised event: queued when the queue is enabled, held when the handler is
    // suspended; returns the handlers to call (most recent first) when the handler
    // mechanism is enabled. Nothing is called with the state locked.
    std::vector<HandlerEntry> Accept(ViEventType type, const SbvisaEventData* data, ViSession session);

    // viWaitOnEvent: VI_SUCCESS or VI_SUCCESS_QUEUE_NEMPTY with the event, VI_ERROR_TMO,
    // VI_ERROR_NENABLED, or VI_ERROR_INV_OBJECT once the session closes.
    ViStatus Wait(ViEventType type, ViUInt32 timeoutMs, Ref<EventContext>& event);

    // The handlers installed for a type, most recent first.
    std::vector<HandlerEntry> Handlers(ViEventType type) const;

    void setMaxQueueLength(ViUInt32 length);
    ViUInt32 maxQueueLength() const;

    // Ends every wait and drops all events (the session is closing).
    void Close();

private:
    static bool ValidMechanism(ViUInt16 mechanism);
    bool Matches(ViEventType wanted, ViEventType type) const;
    bool HasQueued(ViEventType type) const;
    std::vector<ViEventType> Selected(ViEventType type) const;

    const std::vector<ViEventType> supported_;
    mutable std::mutex mutex_;
    std::condition_variable arrived_;
    std::map<ViEventType, ViUInt16> enabled_;
    std::deque<Ref<EventContext>> queue_;
    std::deque<Ref<EventContext>> suspended_;
    std::vector<HandlerEntry> handlers_;
    ViUInt32 maxQueueLength_ = 50;
    bool closed_ = false;
};

} // namespace corvid::visa
