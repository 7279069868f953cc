// The find procedure common to every interface type: under the find-list semaphore, the
// candidate names of the type that match the expression are appended to the find list.
#pragma once

#include "visa/sbvisa_io.h"

#include <functional>
#include <string>
#include <vector>

namespace corvid::visaio {

// candidates lists the names of the type in order (called with the semaphore held).
ViStatus FindFrame(const SbvisaFindContext* context, SbvisaFindList* list,
                   const std::function<std::vector<std::string>()>& candidates);

} // namespace corvid::visaio
