// The C boundary: a callback that throws (a C++ plug-in's mistake) does not unwind through
// the host's exported functions; the call fails and HalcyonLastError says why.
#include "host_fixture.h"

#include <stdexcept>

namespace corvid::host::testing {
namespace {

unsigned char ThrowingReport(const char*) {
    throw std::runtime_error("report sink broke");
}
void ThrowingSequenceEnd(int) {
    throw std::runtime_error("sequence end broke");
}

TEST_F(HostTest, AThrowingCallbackFailsTheCallInsteadOfCrossingIt) {
    Load(R"lua(Test("Only", function() return 0 end))lua");
    VRegisterSendReportMsg(&ThrowingReport);
    EXPECT_EQ(VSendReportMsg("text\n"), 0);
    EXPECT_STREQ(HalcyonLastError(), "report sink broke");
    VUnregisterSendReportMsg(&ThrowingReport);
    EXPECT_EQ(VSendReportMsg("text\n"), 1);

    ASSERT_EQ(VRunTest(Find("Only")), 1);
    VRegisterSequenceEnd(&ThrowingSequenceEnd);
    EXPECT_EQ(VStopSequence(), 0);
    EXPECT_STREQ(HalcyonLastError(), "sequence end broke");
    VUnregisterSequenceEnd(&ThrowingSequenceEnd);
}

} // namespace
} // namespace corvid::host::testing
