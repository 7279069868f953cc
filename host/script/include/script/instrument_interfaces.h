// The custom interfaces through which a test executive sets up an instrument object
// (IInitialize, IInitializeGpib) and the log interface such an object writes its
// entries to (ILog), as the GPIB driver declares them. They are not dispatch
// interfaces: the host calls their slots directly.
#pragma once

#include "driver/interfaces.h"

namespace corvid::script {

using com::BSTR;
using com::HRESULT;
using com::LONG;
using driver::IInitialize;
using driver::IInitializeGpib;
using driver::ILog;

} // namespace corvid::script
