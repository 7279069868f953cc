// halcyon run PLAN [--variant V] [--test NAME]... [--station NAME]: runs a test plan
// without a window, printing each result and the report stream.
#pragma once

#include <string>
#include <vector>

namespace corvid::host {

struct RunRequest {
    std::string plan;
    std::string variant;
    std::vector<std::string> tests;
    std::string station;
};

// Reads the arguments after "run"; false with a reason when they are wrong.
bool ParseRunArguments(const std::vector<std::string>& args, RunRequest& request, std::string& problem);

// Exit status: 0 when every test passed, 1 when one did not, 2 when the plan could not run.
int RunPlan(const RunRequest& request);

} // namespace corvid::host
