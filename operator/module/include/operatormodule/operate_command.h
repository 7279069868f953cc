// `halcyon operate`: the Run page, or with --manual the Manual Test Selection page,
// without a window. The same page logic, checks and
// messages; message boxes go to standard error and take the --answer given; every run
// event is one JSON line on standard output.
#pragma once

#include <string>
#include <vector>

namespace corvid::operatormodule {

struct OperateRequest {
    std::string station, model, serial, plan, variant;
    std::string operatorName, customer, reportNumber, notes;
    std::string temperature, humidity, lineFrequency; // as given; empty when not given
    std::string uncertainty;                          // "on", "off" or empty
    std::string testInfoFile;
    bool answerYes = false;
    // A Manual Test Selection run: the tests in the order given, the loop count as given
    // (empty: once) and whether every step box is answered.
    std::vector<std::string> manual;
    std::string loops;
    bool step = false;
};

// Exit statuses.
inline constexpr int kOperatePassed = 0, kOperateFailed = 1, kOperateAborted = 2, kOperateRefused = 3,
                     kOperateBadArguments = 4;

// False with the reason in problem for arguments that are not understood.
bool ParseOperateArguments(const std::vector<std::string>& args, OperateRequest& request,
                           std::string& problem);

// Runs the request against the loaded plug-in and returns the exit status.
int Operate(const OperateRequest& request);

} // namespace corvid::operatormodule
