// Prints the cost of a *IDN? write and read through the simulated driver library,
// loaded by name like a client loads it. Usage: simgpib_benchmark [LIBRARY [PAD]]
#include "ib488/ib488.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <dlfcn.h>
#include <string>

namespace {

template <typename F>
F Symbol(void* library, const char* name) {
    void* symbol = dlsym(library, name);
    if (symbol == nullptr) {
        std::fprintf(stderr, "simgpib_benchmark: %s not found\n", name);
        std::exit(1);
    }
    return reinterpret_cast<F>(symbol);
}

std::string DefaultLibrary(const char* argv0) {
    std::string self(argv0);
    size_t slash = self.rfind('/');
    return (slash == std::string::npos ? std::string(".") : self.substr(0, slash)) + "/simgpib.so";
}

} // namespace

int main(int argc, char** argv) {
    std::string path = argc > 1 ? argv[1] : DefaultLibrary(argv[0]);
    int pad = argc > 2 ? std::atoi(argv[2]) : 22;
    void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) {
        std::fprintf(stderr, "simgpib_benchmark: %s\n", dlerror());
        return 1;
    }
    auto dev = Symbol<int (*)(int, int, int, int, int, int)>(library, "ibdev");
    auto wrt = Symbol<int (*)(int, const void*, long)>(library, "ibwrt");
    auto rd = Symbol<int (*)(int, void*, long)>(library, "ibrd");
    auto onl = Symbol<int (*)(int, int)>(library, "ibonl");

    int ud = dev(0, pad, 0, T3s, 1, 0);
    if (ud < 0) {
        std::fprintf(stderr, "simgpib_benchmark: no device at GPIB0::%d\n", pad);
        return 1;
    }
    char reply[256];
    auto query = [&] {
        if ((wrt(ud, "*IDN?\n", 6) & ERR) != 0 || (rd(ud, reply, sizeof reply) & ERR) != 0) {
            std::fprintf(stderr, "simgpib_benchmark: *IDN? failed\n");
            std::exit(1);
        }
    };
    for (int i = 0; i < 1000; ++i) {
        query(); // warm-up
    }
    const int rounds = 200000;
    auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < rounds; ++i) {
        query();
    }
    std::chrono::duration<double, std::micro> elapsed = std::chrono::steady_clock::now() - start;
    std::printf("*IDN? write+read through %s: %.3f us per query (%d queries)\n", path.c_str(),
                elapsed.count() / rounds, rounds);
    onl(ud, 0);
    dlclose(library);
    return 0;
}
