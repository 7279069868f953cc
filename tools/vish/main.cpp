// vish: a shell over the VISA library.
//   vish list [EXPR]           list the resources
//   vish -c "CMD; CMD; ..."    run commands
//   vish                       interactive prompt with history ($CORVID_HOME/vish_history;
//                              commands from standard input when it is not a terminal)
#include "platform/runtime_dir.h"
#include "shell.h"

#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <memory>
#include <readline/history.h>
#include <readline/readline.h>
#include <string>
#include <unistd.h>

namespace {

int Usage() {
    std::cerr << "usage: vish [list [EXPR] | -c \"COMMANDS\" | -h]\n"
                 "  without arguments: an interactive prompt ('help' lists the commands)\n";
    return 2;
}

// The history of earlier sessions, kept in the home directory when there is one.
std::filesystem::path HistoryFile() {
    return corvid::platform::HomeDirPath() / "vish_history";
}

int Interactive(corvid::vish::Shell& shell) {
    bool terminal = isatty(STDIN_FILENO) != 0;
    bool ok = true;
    if (terminal) {
        std::cout << shell.Banner();
        read_history(HistoryFile().c_str());
    }
    while (!shell.quitRequested()) {
        std::string line;
        if (terminal) {
            std::unique_ptr<char, decltype(&std::free)> input(readline(shell.Prompt().c_str()), &std::free);
            if (!input) {
                std::cout << "\n";
                break;
            }
            line = input.get();
            if (!line.empty()) {
                add_history(line.c_str());
            }
        } else if (!std::getline(std::cin, line)) {
            break;
        }
        ok = shell.Execute(line) && ok;
    }
    std::error_code error;
    if (terminal && std::filesystem::is_directory(HistoryFile().parent_path(), error)) {
        write_history(HistoryFile().c_str());
        history_truncate_file(HistoryFile().c_str(), 1000);
    }
    return ok ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    corvid::vish::Shell shell(std::cout, std::cerr);
    if (argc == 1) {
        return Interactive(shell);
    }
    std::string first = argv[1];
    if (first == "-h" || first == "--help") {
        Usage();
        shell.Execute("help");
        return 0;
    }
    if (first == "-c") {
        if (argc != 3) {
            return Usage();
        }
        return shell.Execute(argv[2]) ? 0 : 1;
    }
    if (first == "list" && argc <= 3) {
        return shell.Execute(argc == 3 ? std::string("list ") + argv[2] : "list") ? 0 : 1;
    }
    return Usage();
}
