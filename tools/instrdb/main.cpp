// instrdb: creates, fills and queries instrument databases.
#include "commands.h"

#include <iostream>

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    int status = corvid::instrdb::Run(args, std::cout, std::cerr);
    std::cout.flush();
    return status;
}
