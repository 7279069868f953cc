#include "driver_log.h"

#include "com/bstr.h"

#include <cstdio>

namespace corvid::driver {

void CDriverLog::SetLogName(std::string_view instanceName, LONG board, LONG primary) {
    char suffix[64];
    std::snprintf(suffix, sizeof suffix, " (GPIB%ld::%ld)", static_cast<long>(board),
                  static_cast<long>(primary));
    logName_.assign(instanceName).append(suffix);
}

void CDriverLog::LogCommand(std::string_view entry, std::string_view status, bool success) const {
    if (!log_)
        return;
    Bstr name(logName_), text(entry), statusText(status), result(success ? "PASSED" : "FAILED");
    log_->LogEntry(name.get(), text.get(), statusText.get(), result.get());
}

} // namespace corvid::driver
