// The callbacks registered with the host, one list per event, called in registration order.
#pragma once

#include "halcyon/pubapi.h"

#include <algorithm>
#include <vector>

namespace corvid::host {

template <typename Proc>
class CallbackList {
public:
    void Register(Proc proc) {
        if (proc)
            procs_.push_back(proc);
    }
    // Removes one registration of proc.
    void Unregister(Proc proc) {
        auto found = std::find(procs_.begin(), procs_.end(), proc);
        if (found != procs_.end())
            procs_.erase(found);
    }
    // Calls every callback registered when the event happened; a callback may register or
    // unregister others meanwhile.
    template <typename... Args>
    void Call(Args... args) const {
        std::vector<Proc> snapshot = procs_;
        for (Proc proc : snapshot)
            proc(args...);
    }
    // For the message callbacks: true when one of them wrote the text.
    template <typename... Args>
    bool CallAny(Args... args) const {
        std::vector<Proc> snapshot = procs_;
        bool written = false;
        for (Proc proc : snapshot)
            written = proc(args...) != 0 || written;
        return written;
    }

private:
    std::vector<Proc> procs_;
};

struct HostCallbacks {
    CallbackList<VSequenceBeginProc> sequenceBegin;
    CallbackList<VSequenceEndProc> sequenceEnd;
    CallbackList<VTestEventProc> testBegin;
    CallbackList<VTestEventProc> testEnd;
    CallbackList<VMessageProc> report;
    CallbackList<VMessageProc> trace;
};

} // namespace corvid::host
