// Where report messages go: the host's report stream, which hands every message back to
// the report callbacks (and so to the detail file of the text reports).
#pragma once

#include <string>

namespace corvid::operatoroutput {

class ReportStream {
public:
    virtual void SendReportMsg(const std::string& text) = 0;

protected:
    ~ReportStream() = default;
};

} // namespace corvid::operatoroutput
