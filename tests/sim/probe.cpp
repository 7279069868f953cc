// Test helper: loads the simulated driver library the way a client does, sends one query
// to GPIB0::PAD and prints the reply, so that tests see what a fresh process finds at
// start-up. Usage: simgpib_probe PAD [QUERY]
#include "ib488/ib488.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>

int main(int argc, char** argv) {
    if (argc < 2) {
        return 2;
    }
    void* library = dlopen(SIMGPIB_PATH, RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) {
        std::printf("dlopen: %s\n", dlerror());
        return 1;
    }
    auto dev = reinterpret_cast<int (*)(int, int, int, int, int, int)>(dlsym(library, "ibdev"));
    auto wrt = reinterpret_cast<int (*)(int, const void*, long)>(dlsym(library, "ibwrt"));
    auto rd = reinterpret_cast<int (*)(int, void*, long)>(dlsym(library, "ibrd"));
    auto err = reinterpret_cast<int (*)()>(dlsym(library, "ThreadIberr"));
    auto cnt = reinterpret_cast<long (*)()>(dlsym(library, "ThreadIbcntl"));
    const char* query = argc > 2 ? argv[2] : "*IDN?\n";
    int ud = dev(0, std::atoi(argv[1]), 0, T1s, 1, 0);
    if (ud < 0) {
        std::printf("ibdev error %d\n", err());
        return 0;
    }
    char reply[512] = {};
    if ((wrt(ud, query, static_cast<long>(std::strlen(query))) & ERR) != 0 ||
        (rd(ud, reply, sizeof reply - 1) & ERR) != 0) {
        std::printf("io error %d\n", err());
        return 0;
    }
    std::fwrite(reply, 1, static_cast<size_t>(cnt()), stdout);
    return 0;
}
