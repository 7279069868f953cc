#include "run_command.h"

#include "halcyon/host_program.h"
#include "halcyon/pubapi.h"
#include "halcyon/utacore.h"

#include <csignal>
#include <cstdio>
#include <filesystem>

namespace corvid::host {
namespace {

constexpr const char* kServicesStart = "TestServicesStart";
constexpr const char* kServicesStop = "TestServicesStop";

volatile std::sig_atomic_t interrupted = 0;

void OnInterrupt(int) {
    interrupted = 1;
    UtaSetOperatorAbort(1); // an atomic store: safe here
}

unsigned char PrintReport(const char* text) {
    std::fputs(text, stdout);
    std::fflush(stdout);
    return 1;
}

unsigned char PrintTrace(const char* text) {
    std::fputs(text, stderr);
    return 1;
}

// Restores the signal disposition and the callbacks, and unloads the plan, on every path.
class RunSession {
public:
    RunSession() {
        previous_ = std::signal(SIGINT, &OnInterrupt);
        VRegisterSendReportMsg(&PrintReport);
        VRegisterSendTraceMsg(&PrintTrace);
    }
    ~RunSession() {
        VStopSequence();
        VUnloadTestsuite();
        VUnregisterSendReportMsg(&PrintReport);
        VUnregisterSendTraceMsg(&PrintTrace);
        std::signal(SIGINT, previous_);
    }
    RunSession(const RunSession&) = delete;
    RunSession& operator=(const RunSession&) = delete;

private:
    void (*previous_)(int) = SIG_DFL;
};

bool IsService(const std::string& name) {
    return name == kServicesStart || name == kServicesStop;
}

// The tests to run in order: the service tests around the named ones, or around every
// test of the selected variant.
bool SelectTests(const RunRequest& request, std::vector<VTestHandle>& selection) {
    if (VTestHandle start = VFindTest("", kServicesStart))
        selection.push_back(start);
    if (request.tests.empty()) {
        for (int i = 0; i < HalcyonTestCount(); ++i) {
            VTestHandle test = HalcyonTestAt(i);
            if (!IsService(VGetTestName(test)) && HalcyonTestInVariant(test))
                selection.push_back(test);
        }
    } else {
        for (const std::string& name : request.tests) {
            VTestHandle test = VFindTest("", name.c_str());
            if (!test) {
                std::fprintf(stderr, "halcyon: the plan has no test \"%s\"\n", name.c_str());
                return false;
            }
            if (!IsService(VGetTestName(test)))
                selection.push_back(test);
        }
    }
    if (VTestHandle stop = VFindTest("", kServicesStop))
        selection.push_back(stop);
    return true;
}

const char* ResultWord(VTestHandle test) {
    if (UtaExcRegIsError(0))
        return "ERROR";
    switch (VTestJudgment(test)) {
    case 0:
        return "PASSED";
    case 1:
        return "FAILED";
    case 2:
        return "INDETERMINATE";
    default:
        return "UNKNOWN";
    }
}

bool PrepareRun(const RunRequest& request) {
    std::string plan = std::filesystem::absolute(request.plan).string();
    if (!VLoadTestsuite(plan.c_str())) {
        std::fprintf(stderr, "halcyon: %s\n", HalcyonLastError());
        return false;
    }
    std::string variant = request.variant;
    if (variant.empty() && HalcyonVariantCount() > 0)
        variant = HalcyonVariantAt(0);
    if (!variant.empty() && !VSetSelector(variant.c_str())) {
        std::fprintf(stderr, "halcyon: %s\n", HalcyonLastError());
        return false;
    }
    if (!request.station.empty())
        UtaStringSetValue(UtaTableRegFindData("TestStationID", 1, "System", 1), request.station.c_str());
    return true;
}

} // namespace

bool ParseRunArguments(const std::vector<std::string>& args, RunRequest& request, std::string& problem) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        bool takesValue = arg == "--variant" || arg == "--test" || arg == "--station";
        if (takesValue && i + 1 >= args.size()) {
            problem = arg + " needs a value";
            return false;
        }
        if (arg == "--variant")
            request.variant = args[++i];
        else if (arg == "--test")
            request.tests.push_back(args[++i]);
        else if (arg == "--station")
            request.station = args[++i];
        else if (!arg.empty() && arg[0] == '-') {
            problem = "unknown option " + arg;
            return false;
        } else if (request.plan.empty())
            request.plan = arg;
        else {
            problem = "one test plan at a time";
            return false;
        }
    }
    if (request.plan.empty())
        problem = "no test plan given";
    return problem.empty();
}

int RunPlan(const RunRequest& request) {
    RunSession session;
    interrupted = 0;
    std::vector<VTestHandle> selection;
    if (!PrepareRun(request) || !SelectTests(request, selection))
        return 2;
    if (const char* variant = HalcyonSelectedVariant(); *variant)
        std::printf("Variant: %s\n", variant);
    bool allPassed = true;
    for (VTestHandle test : selection) {
        if (interrupted && !IsService(VGetTestName(test)))
            continue; // after an abort only the closing service test runs
        if (interrupted)
            UtaSetOperatorAbort(0);
        VRunTest(test);
        const char* word = ResultWord(test);
        allPassed = allPassed && std::string_view(word) == "PASSED";
        std::printf("%-40s %s\n", VGetTestName(test), word);
        if (UtaExcRegIsError(0))
            std::printf("    %s\n", HalcyonTestError(test));
        std::fflush(stdout);
    }
    if (interrupted)
        std::printf("Aborted by the operator\n");
    std::printf("Overall: %s\n", allPassed && !interrupted ? "PASSED" : "FAILED");
    return allPassed && !interrupted ? 0 : 1;
}

} // namespace corvid::host
