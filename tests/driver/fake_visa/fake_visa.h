// A VISA library for tests of the driver: it exports the vi* functions the driver uses,
// records every call as a line of text, and answers from a script the test fills in.
#pragma once

#include "visa/visa.h"

#include <deque>
#include <map>
#include <string>
#include <vector>

#define FAKE_VISA_EXPORT __attribute__((visibility("default")))

namespace corvid::fakevisa {

struct FAKE_VISA_EXPORT State {
    // One line per call, e.g. "viOpen 1 GPIB0::22::INSTR 0 2000" or "viWrite 100 5".
    std::vector<std::string> calls;
    // The statuses the next calls of a function return, in order; then VI_SUCCESS.
    std::map<std::string, std::deque<ViStatus>> statuses;
    // What each viRead returns, in order; without one a read times out.
    std::deque<std::string> replies;
    // The bytes of each viWrite.
    std::vector<std::string> written;
    ViUInt16 statusByte = 0;
    // Descriptions given by viStatusDesc; other statuses are described as "status <n>".
    std::map<ViStatus, std::string> descriptions;
    // Statuses viStatusDesc cannot describe (it fails for them).
    std::vector<ViStatus> undescribed;
    ViSession nextSession = 100;
    ViEvent nextEvent = 500;

    // The calls of one function.
    std::vector<std::string> CallsOf(const std::string& function) const;
};

FAKE_VISA_EXPORT State& Visa();
// Forgets every call and script.
FAKE_VISA_EXPORT void Reset();

} // namespace corvid::fakevisa
