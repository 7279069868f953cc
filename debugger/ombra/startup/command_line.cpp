#include "ombra/startup.h"
#include "platform/text.h"

#include <string_view>

namespace corvid::ombra {
namespace {

// The name of a switch without its "/" or "-", or nullopt for a parameter that is not one.
// Absolute paths begin with "/" too: a parameter with a further "/" is a path.
std::optional<std::string_view> SwitchName(std::string_view parameter) {
    if (parameter.empty())
        return std::nullopt;
    if (parameter.front() == '-')
        return parameter.substr(1);
    if (parameter.front() == '/' && parameter.find('/', 1) == std::string_view::npos)
        return parameter.substr(1);
    return std::nullopt;
}

} // namespace

CommandLine ParseCommandLine(const std::vector<std::string>& arguments) {
    CommandLine line;
    bool nextIsLog = false;
    bool printTo = false;  // the registered print-to command: file, printer, driver, port
    int printerValues = 0; // printer, driver and port still to pass over
    for (const std::string& parameter : arguments) {
        if (nextIsLog) {
            line.log = parameter;
            nextIsLog = false;
            continue;
        }
        const std::optional<std::string_view> name = SwitchName(parameter);
        if (!name) {
            if (printerValues > 0) {
                --printerValues;
                continue;
            }
            line.file = parameter;
            if (printTo) {
                printTo = false;
                printerValues = 3;
            }
        } else if (platform::EqualsNoCase(*name, "play")) {
            line.play = true;
            line.record = false;
        } else if (platform::EqualsNoCase(*name, "record")) {
            line.record = true;
            line.play = false;
        } else if (platform::EqualsNoCase(*name, "log")) {
            nextIsLog = true;
        } else if (platform::EqualsNoCase(*name, "pt")) {
            printTo = true;
        }
        // IBA, VCTO and switches of no meaning here are accepted and ignored.
    }
    return line;
}

} // namespace corvid::ombra
