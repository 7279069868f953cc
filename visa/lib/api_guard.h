// The boundary of every exported VISA function: no exception crosses it.
#pragma once

#include "library.h"

#include <new>

namespace corvid::visa {

template <class F>
ViStatus Guarded(F&& body) noexcept {
    try {
        return body();
    } catch (const std::bad_alloc&) {
        return VI_ERROR_ALLOC;
    } catch (...) {
        return VI_ERROR_SYSTEM_ERROR;
    }
}

// Runs an operation on an instrument session: VI_ERROR_INV_OBJECT for an unknown handle,
// VI_ERROR_NSUP_OPER for another kind of object, VI_ERROR_RSRC_LOCKED when another
// session holds a lock (checkLock), and an exception event after a failure.
template <class F>
ViStatus OnSession(ViSession vi, const char* operation, bool checkLock, F&& body) noexcept {
    return Guarded([&]() -> ViStatus {
        Library& lib = Library::Instance();
        Ref<Session> session = lib.objects().FindAs<Session>(vi, VisaObject::Kind::Session);
        if (!session) {
            return lib.objects().Find(vi) ? VI_ERROR_NSUP_OPER : VI_ERROR_INV_OBJECT;
        }
        if (checkLock && !lib.locks().MayAccess(vi, session->name().canonical)) {
            return VI_ERROR_RSRC_LOCKED;
        }
        ViStatus status = body(*session);
        if (status < VI_SUCCESS && session->exceptionsEnabled.load(std::memory_order_acquire)) {
            lib.RaiseException(*session, status, operation);
        }
        return status;
    });
}

// Runs one of the session's operations, or answers VI_ERROR_NSUP_OPER when it has none.
template <class Member, class... Args>
ViStatus CallOperation(Session& session, Member member, Args... args) {
    const SbvisaOperations* ops = session.operations();
    if (!ops || !(ops->*member)) {
        return VI_ERROR_NSUP_OPER;
    }
    return (ops->*member)(&session.record(), args...);
}

} // namespace corvid::visa
