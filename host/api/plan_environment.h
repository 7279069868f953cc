// What a loaded test plan asks of the host that runs it.
#pragma once

#include <string>
#include <string_view>

namespace corvid::host {

class VariableTables;

class PlanEnvironment {
public:
    virtual void SendReport(std::string_view text) = 0;
    virtual void SendTrace(std::string_view text) = 0;
    virtual VariableTables& Variables() = 0;
    virtual std::string SelectedVariant() const = 0;
    // Asked often while a script runs: gives the host's windows time and answers a
    // non-empty reason when the script is to stop (an operator abort).
    virtual std::string Interruption() = 0;

protected:
    ~PlanEnvironment() = default;
};

} // namespace corvid::host
