// omblink listen, send and fetch.
#include "link/debugger_link.h"
#include "link/record_json.h"
#include "listener.h"
#include "omblink.h"

#include <csignal>
#include <cstdio>
#include <stdexcept>

namespace corvid::omblink {
namespace {

volatile int stopRequested = 0;

void RequestStop(int) {
    stopRequested = 1;
}

void InstallStopHandlers() {
    struct sigaction action {};
    action.sa_handler = RequestStop;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

const std::string& ValueOf(const std::vector<std::string>& args, std::size_t& i) {
    if (i + 1 >= args.size())
        throw std::invalid_argument(args[i] + " needs a value");
    return args[++i];
}

} // namespace

int Listen(const std::vector<std::string>& args) {
    ListenerRules rules;
    rules.output = stdout;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--hold")
            rules.holdQueries = ParseCount("--hold", ValueOf(args, i));
        else if (args[i] == "--playback")
            rules.playback = LoadRecordLines(ValueOf(args, i));
        else if (args[i] == "--count")
            rules.stopAfter = ParseCount("--count", ValueOf(args, i));
        else if (args[i] == "--quiet")
            rules.output = nullptr;
        else
            throw std::invalid_argument("listen: unknown option '" + args[i] + "'");
    }
    InstallStopHandlers();
    Listener listener(std::move(rules));
    listener.Run(stopRequested);
    return kExitOk;
}

int Send(const std::vector<std::string>& args) {
    if (args.size() != 1)
        throw std::invalid_argument("send needs one JSON record");
    link::CGPIBCommandInfo record = link::RecordFromJson(args[0]);
    link::CDebuggerLink debugger;
    debugger.WaitWhileHeld();
    platform::MessageResult answer = debugger.SendGPIBCommandInfo(&record);
    debugger.WaitWhileHeld();
    std::printf("{\"answer\":%lld}\n", static_cast<long long>(answer));
    return answer != 0 ? kExitOk : kExitNoAnswer;
}

int Fetch(const std::vector<std::string>& args) {
    if (!args.empty())
        throw std::invalid_argument("fetch takes no arguments");
    link::CDebuggerLink debugger;
    link::CGPIBCommandInfo record;
    bool error = false;
    if (debugger.GetGPIBCommandInfo(record, error) == 0)
        return kExitNoAnswer;
    if (error) {
        std::fputs("omblink: the debugger announced a record that could not be read\n", stderr);
        return kExitNoAnswer;
    }
    std::printf("%s\n", link::RecordToJson(record).c_str());
    return kExitOk;
}

} // namespace corvid::omblink
