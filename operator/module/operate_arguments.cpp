#include "operatormodule/operate_command.h"
#include "operatortabs/tab_test_variant.h"

#include <cstdlib>
#include <map>

namespace corvid::operatormodule {

bool ParseOperateArguments(const std::vector<std::string>& args, OperateRequest& request,
                           std::string& problem) {
    const std::map<std::string, std::string OperateRequest::*> options = {
        {"--station", &OperateRequest::station},
        {"--model", &OperateRequest::model},
        {"--serial", &OperateRequest::serial},
        {"--plan", &OperateRequest::plan},
        {"--variant", &OperateRequest::variant},
        {"--operator", &OperateRequest::operatorName},
        {"--customer", &OperateRequest::customer},
        {"--report-number", &OperateRequest::reportNumber},
        {"--notes", &OperateRequest::notes},
        {"--temperature", &OperateRequest::temperature},
        {"--humidity", &OperateRequest::humidity},
        {"--line-frequency", &OperateRequest::lineFrequency},
        {"--uncertainty", &OperateRequest::uncertainty},
        {"--testinfo", &OperateRequest::testInfoFile},
    };
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& option = args[i];
        if (option == "--step") {
            request.step = true;
            continue;
        }
        if (i + 1 >= args.size()) {
            problem =
                option.rfind("--", 0) == 0 ? option + " needs a value" : "unexpected argument " + option;
            return false;
        }
        const std::string& value = args[++i];
        if (option == "--answer") {
            if (value != "yes" && value != "no") {
                problem = "--answer takes yes or no";
                return false;
            }
            request.answerYes = value == "yes";
            continue;
        }
        if (option == "--manual") {
            request.manual.push_back(value);
            continue;
        }
        if (option == "--loops") {
            request.loops = value;
            continue;
        }
        auto found = options.find(option);
        if (found == options.end()) {
            problem = "unknown option " + option;
            return false;
        }
        request.*(found->second) = value;
    }
    if (!request.uncertainty.empty() && request.uncertainty != "on" && request.uncertainty != "off") {
        problem = "--uncertainty takes on or off";
        return false;
    }
    if (request.manual.empty() && (request.step || !request.loops.empty())) {
        problem = "--loops and --step need tests chosen with --manual";
        return false;
    }
    if (!request.loops.empty()) {
        char* end = nullptr;
        long loops = std::strtol(request.loops.c_str(), &end, 10);
        if (*end != '\0' || loops < 1 || loops > operatortabs::kMaxLoops) {
            problem = "--loops takes a whole number from 1 to 999999, not \"" + request.loops + "\"";
            return false;
        }
    }
    return true;
}

} // namespace corvid::operatormodule
