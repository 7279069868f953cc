// The boundary of the component: the one export macro, and the guard that keeps every
// exception inside it (the support library calls the exports as C functions).
#pragma once

#include "visa/sbvisa_io.h"

#include <new>

#define SBVIIO_EXPORT extern "C" __attribute__((visibility("default")))

namespace corvid::visaio {

template <class Body>
ViStatus Guarded(Body&& body) noexcept {
    try {
        return body();
    } catch (const std::bad_alloc&) {
        return VI_ERROR_ALLOC;
    } catch (...) {
        return VI_ERROR_SYSTEM_ERROR;
    }
}

} // namespace corvid::visaio
