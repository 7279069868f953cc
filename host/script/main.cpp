// ascript FILE.lua [ARG]...: runs a Lua script that drives components by name.
// Exit status 0 when the script ends normally; 1 with "file:line: message" on standard
// error when it raises an error; 2 for a wrong command line.
#include "script/script_host.h"

#include <cstdio>
#include <cstring>
#include <exception>
#include <string>
#include <vector>

namespace {

constexpr char kUsage[] = "usage: ascript FILE.lua [ARG]...\n"
                          "Runs a Lua script that creates and drives components by name\n"
                          "(see the script host's README for the functions it offers).\n";

// os.exit closes the state by default here, so that every object the script still
// holds is released (an instrument closes its session) before the process ends.
constexpr char kExitClosesState[] = R"(
local exit = os.exit
os.exit = function(code, close)
    if close == nil then close = true end
    return exit(code, close)
end
)";

} // namespace

int main(int argc, char** argv) {
    if (argc < 2 || std::strcmp(argv[1], "-h") == 0 || std::strcmp(argv[1], "--help") == 0) {
        bool asked = argc >= 2;
        std::fputs(kUsage, asked ? stdout : stderr);
        return asked ? 0 : 2;
    }
    std::vector<std::string> args(argv + 2, argv + argc);
    try {
        corvid::script::ScriptHost host;
        corvid::script::ScriptOutcome outcome = host.RunString(kExitClosesState, "=ascript");
        if (outcome.ok)
            outcome = host.RunFile(argv[1], args);
        std::fflush(stdout);
        if (!outcome.ok) {
            std::fprintf(stderr, "%s\n", outcome.message.c_str());
            return 1;
        }
        return 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "ascript: %s\n", error.what());
        return 1;
    }
}
