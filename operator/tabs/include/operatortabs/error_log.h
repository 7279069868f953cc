// The run error log "ErrorLog.txt" in the output directory.
#pragma once

#include <string>

namespace corvid::operatortabs {

// Appends an entry for an exception caught during a run (what is null for one that
// carries no text). Failures to write the log are swallowed.
void LogRunError(const std::string& outputPath, const char* what, const char* where = "Run Tab - Error");

} // namespace corvid::operatortabs
