// The six callbacks the plug-in registers with the host: sequence begin and end, test
// begin and end, report and trace messages. Each routes its event to the page that
// started the run and to the result sink chosen for the unit model.
#pragma once

#include "halcyon/pubapi.h"

namespace corvid::operatormodule {

// Registers the callbacks in their order (sequence begin, sequence end, test begin,
// test end, report message, trace message); Unregister removes them in the same order.
void RegisterHostCallbacks();
void UnregisterHostCallbacks();

// The callbacks themselves, for the host to call.
void OnSequenceBegin();
void OnSequenceEnd(int result);
void OnTestBegin(VTestHandle test);
void OnTestEnd(VTestHandle test);
unsigned char OnReportMessage(const char* text);
unsigned char OnTraceMessage(const char* text);

inline constexpr const char* kTextUniqueId = "Not supported for Text files";

} // namespace corvid::operatormodule
