// Shared pieces of the fuzz targets.
#pragma once

#include "platform/message_box.h"

#include <cstdio>
#include <cstdlib>

namespace corvid::fuzz {

// Message boxes answer at once and say nothing, so that inputs with invalid type codes
// neither block nor flood the output.
inline void SilenceMessageBoxes() {
    static const bool silenced = [] {
        platform::SetMessageBoxHandler([](const platform::MessageBoxRequest& request) {
            return platform::DefaultAnswer(request.buttons);
        });
        return true;
    }();
    (void)silenced;
}

// Stops the run when a property the target checks does not hold; the fuzzer keeps the input.
inline void Require(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "fuzz check failed: %s\n", what);
        std::abort();
    }
}

} // namespace corvid::fuzz
