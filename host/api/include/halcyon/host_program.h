// The host program's own calls into the host library, beyond PUBAPI and UTACORE: listing
// the loaded plan, keeping a window alive while a test runs, and the last error.
#pragma once

#include "halcyon/api_export.h"
#include "halcyon/pubapi.h"

// Called often while a test runs (about every 20 ms of script execution, before every
// component call and while a script sleeps), so that a window can process its events.
// The procedure must not run another test; it may call UtaSetOperatorAbort. nullptr removes it.
using HalcyonIdleProc = void (*)(void* context);
HALCYON_API void HalcyonSetIdleProc(HalcyonIdleProc proc, void* context);

// Called by VAppExit. nullptr removes it.
using HalcyonAppExitProc = void (*)(void* context);
HALCYON_API void HalcyonSetAppExitProc(HalcyonAppExitProc proc, void* context);

// Why the last failing call failed ("" when it did not say).
HALCYON_API const char* HalcyonLastError();

// A value of the station configuration, read through the configuration component.
// Returns the value's length (copied into buffer, cut to size - 1 and terminated), or -1
// when the component or its store cannot be found (HalcyonLastError says which).
HALCYON_API int HalcyonConfigValue(const char* section, const char* key, char* buffer, int size);

// The loaded plan's tests in declaration order and its variants.
HALCYON_API int HalcyonTestCount();
HALCYON_API VTestHandle HalcyonTestAt(int index);
HALCYON_API int HalcyonVariantCount();
HALCYON_API const char* HalcyonVariantAt(int index);
// The selected variant ("" before VSetSelector).
HALCYON_API const char* HalcyonSelectedVariant();
// Non-zero when the test belongs to the selected variant (every test when none is selected
// or the test names no variants).
HALCYON_API int HalcyonTestInVariant(VTestHandle test);
// The error text of the test's last run, "" when it did not raise one.
HALCYON_API const char* HalcyonTestError(VTestHandle test);
