// The log of a driver object: the caller's ILog and the name the entries carry.
#pragma once

#include "com/com_ptr.h"
#include "driver/interfaces.h"

#include <string>
#include <string_view>

namespace corvid::driver {

class CDriverLog {
public:
    void SetLog(ComPtr<ILog> log) { log_ = std::move(log); }
    bool IsSet() const { return static_cast<bool>(log_); }
    void Release() { log_ = nullptr; }

    // "%s (GPIB%ld::%ld)" of the instance name, board and primary address.
    void SetLogName(std::string_view instanceName, LONG board, LONG primary);
    const std::string& LogName() const { return logName_; }

    // One entry: the log name, the entry text, the status text and "PASSED" or "FAILED".
    // Without a log nothing happens; the log's result is ignored.
    void LogCommand(std::string_view entry, std::string_view status, bool success) const;

private:
    ComPtr<ILog> log_;
    std::string logName_;
};

} // namespace corvid::driver
