// ResultSink: where the results of a run go, chosen per UUT model: the results database
// (formatted reports) or the text report files. The host's callbacks drive the sink of
// the run, whichever page (Run or Manual) started it:
//
//   sink.Begin(info, limited);            // sequence begin; limited for a Manual-tab run
//   sink.TestID(name);                    // test begin: published as CurrentTestID
//   sink.TestBegan(name);
//   sink.TestEnded(name, code, word);     // test end (not for service tests)
//   sink.End(overallCode);                // sequence end
#pragma once

#include "operatoroutput/test_info.h"

#include <cstdint>
#include <string>

namespace corvid::operatoroutput {

class ResultSink {
public:
    // False when the sink could not be prepared (its message was shown); the run goes on.
    virtual bool Begin(const CTestInfo& info, bool limited) = 0;
    // The run's unique ID as published to the test plan.
    virtual std::string UniqueID() const = 0;
    // -1 when the selection does not list the test.
    virtual int32_t TestID(const std::string& name) const = 0;
    virtual void TestBegan(const std::string& name) = 0;
    // code: 1 aborted, 2 failed, 3 passed, 4 indeterminate; word: "PASSED", ...
    virtual void TestEnded(const std::string& name, int code, const std::string& word) = 0;
    // The host's report and trace messages; false when the sink does not take them.
    virtual bool ReportMessage(const std::string& text) = 0;
    virtual bool TraceMessage(const std::string& text) = 0;
    virtual void End(int overallCode) = 0;

protected:
    ~ResultSink() = default;
};

} // namespace corvid::operatoroutput
