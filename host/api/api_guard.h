// The boundary of every exported host function: nothing thrown inside crosses it. A
// failure answers the function's failure value and leaves its reason for HalcyonLastError.
#pragma once

#include <exception>
#include <new>

namespace corvid::host {

// Records why a call failed; never throws.
void NoteCallFailure(const char* reason) noexcept;

template <class Result, class Body>
Result Guarded(Result failure, Body&& body) noexcept {
    try {
        return body();
    } catch (const std::bad_alloc&) {
        NoteCallFailure("out of memory");
    } catch (const std::exception& error) {
        NoteCallFailure(error.what());
    } catch (...) {
        NoteCallFailure("an unexpected failure");
    }
    return failure;
}

// For functions without a result.
template <class Body>
void GuardedCall(Body&& body) noexcept {
    Guarded(0, [&] {
        body();
        return 0;
    });
}

} // namespace corvid::host
