#include "session_events.h"

#include <algorithm>

namespace corvid::visa {

bool SessionEvents::Supports(ViEventType type) const {
    return std::find(supported_.begin(), supported_.end(), type) != supported_.end();
}

ViUInt16 SessionEvents::Mechanisms(ViEventType type) const {
    std::lock_guard lock(mutex_);
    auto it = enabled_.find(type);
    return it == enabled_.end() ? 0 : it->second;
}

bool SessionEvents::ValidMechanism(ViUInt16 mechanism) {
    switch (mechanism) {
    case VI_QUEUE:
    case VI_HNDLR:
    case VI_SUSPEND_HNDLR:
    case VI_QUEUE | VI_HNDLR:
    case VI_QUEUE | VI_SUSPEND_HNDLR:
        return true;
    default:
        return false;
    }
}

std::vector<ViEventType> SessionEvents::Selected(ViEventType type) const {
    if (type == VI_ALL_ENABLED_EVENTS) {
        return supported_;
    }
    return {type};
}

ViStatus SessionEvents::Enable(ViEventType type, ViUInt16 mechanism,
                               std::vector<Ref<EventContext>>& release) {
    if (!Supports(type)) {
        return VI_ERROR_INV_EVENT;
    }
    if (!ValidMechanism(mechanism)) {
        return VI_ERROR_INV_MECH;
    }
    std::lock_guard lock(mutex_);
    ViUInt16 handlerBits = mechanism & (VI_HNDLR | VI_SUSPEND_HNDLR);
    if (type == VI_EVENT_EXCEPTION && (mechanism & VI_QUEUE)) {
        return VI_ERROR_INV_MECH; // exceptions go to handlers only
    }
    bool anyHandler = std::any_of(handlers_.begin(), handlers_.end(),
                                  [type](const HandlerEntry& h) { return h.type == type; });
    if ((mechanism & VI_HNDLR) && !anyHandler) {
        return VI_ERROR_HNDLR_NINSTALLED;
    }
    ViUInt16& current = enabled_[type];
    ViUInt16 before = current;
    if (handlerBits != 0) {
        current = static_cast<ViUInt16>(current & ~(VI_HNDLR | VI_SUSPEND_HNDLR));
    }
    current = static_cast<ViUInt16>(current | mechanism);
    if ((before & VI_SUSPEND_HNDLR) && (mechanism & VI_HNDLR)) {
        for (auto it = suspended_.begin(); it != suspended_.end();) {
            if ((*it)->type() == type) {
                release.push_back(*it);
                it = suspended_.erase(it);
            } else {
                ++it;
            }
        }
    }
    return (before & mechanism) != 0 ? VI_SUCCESS_EVENT_EN : VI_SUCCESS;
}

ViStatus SessionEvents::Disable(ViEventType type, ViUInt16 mechanism) {
    if (type != VI_ALL_ENABLED_EVENTS && !Supports(type)) {
        return VI_ERROR_INV_EVENT;
    }
    if (mechanism != VI_ALL_MECH &&
        (mechanism == 0 || (mechanism & ~(VI_QUEUE | VI_HNDLR | VI_SUSPEND_HNDLR)))) {
        return VI_ERROR_INV_MECH;
    }
    std::lock_guard lock(mutex_);
    bool changed = false;
    for (ViEventType t : Selected(type)) {
        auto it = enabled_.find(t);
        if (it == enabled_.end() || (it->second & mechanism) == 0) {
            continue;
        }
        it->second = static_cast<ViUInt16>(it->second & ~mechanism);
        changed = true;
    }
    return changed ? VI_SUCCESS : VI_SUCCESS_EVENT_DIS;
}

ViStatus SessionEvents::Discard(ViEventType type, ViUInt16 mechanism) {
    if (type != VI_ALL_ENABLED_EVENTS && !Supports(type)) {
        return VI_ERROR_INV_EVENT;
    }
    if (mechanism != VI_ALL_MECH &&
        (mechanism == 0 || (mechanism & ~(VI_QUEUE | VI_HNDLR | VI_SUSPEND_HNDLR)))) {
        return VI_ERROR_INV_MECH;
    }
    std::lock_guard lock(mutex_);
    auto drop = [&](std::deque<Ref<EventContext>>& events) {
        auto end = std::remove_if(events.begin(), events.end(),
                                  [&](const Ref<EventContext>& e) { return Matches(type, e->type()); });
        bool any = end != events.end();
        events.erase(end, events.end());
        return any;
    };
    bool any = false;
    if (mechanism & VI_QUEUE) {
        any |= drop(queue_);
    }
    if (mechanism & VI_SUSPEND_HNDLR) {
        any |= drop(suspended_);
    }
    return any ? VI_SUCCESS : VI_SUCCESS_QUEUE_EMPTY;
}

ViStatus SessionEvents::Install(ViEventType type, ViHndlr handler, ViAddr userHandle) {
    if (!Supports(type)) {
        return VI_ERROR_INV_EVENT;
    }
    if (!handler) {
        return VI_ERROR_INV_HNDLR_REF;
    }
    std::lock_guard lock(mutex_);
    handlers_.push_back({type, handler, userHandle});
    return VI_SUCCESS;
}

ViStatus SessionEvents::Uninstall(ViEventType type, ViHndlr handler, ViAddr userHandle) {
    if (type != VI_ALL_ENABLED_EVENTS && !Supports(type)) {
        return VI_ERROR_INV_EVENT;
    }
    std::lock_guard lock(mutex_);
    auto end = std::remove_if(handlers_.begin(), handlers_.end(), [&](const HandlerEntry& h) {
        if (!Matches(type, h.type)) {
            return false;
        }
        return handler == nullptr || (h.handler == handler && h.userHandle == userHandle);
    });
    if (end == handlers_.end()) {
        return VI_ERROR_INV_HNDLR_REF;
    }
    handlers_.erase(end, handlers_.end());
    return VI_SUCCESS;
}

std::vector<HandlerEntry> SessionEvents::Handlers(ViEventType type) const {
    std::lock_guard lock(mutex_);
    std::vector<HandlerEntry> result;
    for (auto it = handlers_.rbegin(); it != handlers_.rend(); ++it) {
        if (it->type == type) {
            result.push_back(*it);
        }
    }
    return result;
}

std::vector<HandlerEntry> SessionEvents::Accept(ViEventType type, const SbvisaEventData* data,
                                                ViSession session) {
    std::vector<HandlerEntry> result;
    std::unique_lock lock(mutex_);
    auto it = enabled_.find(type);
    if (closed_ || it == enabled_.end() || it->second == 0) {
        return result;
    }
    ViUInt16 mechanisms = it->second;
    if ((mechanisms & VI_QUEUE) && queue_.size() < maxQueueLength_) {
        queue_.push_back(Ref<EventContext>(new EventContext(session, type, data)));
        arrived_.notify_all();
    }
    if ((mechanisms & VI_SUSPEND_HNDLR) && suspended_.size() < maxQueueLength_) {
        suspended_.push_back(Ref<EventContext>(new EventContext(session, type, data)));
    }
    if (mechanisms & VI_HNDLR) {
        for (auto h = handlers_.rbegin(); h != handlers_.rend(); ++h) {
            if (h->type == type) {
                result.push_back(*h);
            }
        }
    }
    return result;
}

bool SessionEvents::Matches(ViEventType wanted, ViEventType type) const {
    return wanted == VI_ALL_ENABLED_EVENTS || wanted == type;
}

bool SessionEvents::HasQueued(ViEventType type) const {
    return std::any_of(queue_.begin(), queue_.end(),
                       [&](const Ref<EventContext>& e) { return Matches(type, e->type()); });
}

ViStatus SessionEvents::Wait(ViEventType type, ViUInt32 timeoutMs, Ref<EventContext>& event) {
    if (type != VI_ALL_ENABLED_EVENTS && !Supports(type)) {
        return VI_ERROR_INV_EVENT;
    }
    std::unique_lock lock(mutex_);
    bool enabled = false;
    for (ViEventType t : Selected(type)) {
        auto it = enabled_.find(t);
        enabled |= it != enabled_.end() && (it->second & VI_QUEUE);
    }
    if (!enabled) {
        return VI_ERROR_NENABLED;
    }
    auto ready = [&] {
        return closed_ || HasQueued(type);
    };
    if (timeoutMs == VI_TMO_INFINITE) {
        arrived_.wait(lock, ready);
    } else if (!arrived_.wait_for(lock, std::chrono::milliseconds(timeoutMs), ready)) {
        return VI_ERROR_TMO;
    }
    if (closed_) {
        return VI_ERROR_INV_OBJECT;
    }
    auto found = std::find_if(queue_.begin(), queue_.end(),
                              [&](const Ref<EventContext>& e) { return Matches(type, e->type()); });
    event = *found;
    queue_.erase(found);
    return HasQueued(type) ? VI_SUCCESS_QUEUE_NEMPTY : VI_SUCCESS;
}

void SessionEvents::setMaxQueueLength(ViUInt32 length) {
    std::lock_guard lock(mutex_);
    maxQueueLength_ = length;
}

ViUInt32 SessionEvents::maxQueueLength() const {
    std::lock_guard lock(mutex_);
    return maxQueueLength_;
}

void SessionEvents::Close() {
    std::lock_guard lock(mutex_);
    closed_ = true;
    queue_.clear();
    suspended_.clear();
    handlers_.clear();
    enabled_.clear();
    arrived_.notify_all();
}

} // namespace corvid::visa
