// Prints what a *IDN? query costs through this VISA library and through pyvisa, and what
// viFindRsrc costs over a board with 30 instruments, all simulated without response delay.
//   visa_benchmark [QUERIES]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <dlfcn.h>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>
#include <visa.h>

namespace {

using Clock = std::chrono::steady_clock;

double Microseconds(Clock::duration d) {
    return std::chrono::duration<double, std::micro>(d).count();
}

// A bench of 30 instruments at primary addresses 1 to 30 on board 0.
std::filesystem::path WriteBench(const std::filesystem::path& dir) {
    std::filesystem::path file = dir / "thirty.bench";
    std::ofstream out(file);
    out << "board 0 address 0\n";
    for (int pad = 1; pad <= 30; ++pad) {
        out << "instrument dev" << pad << " at 0 " << pad << "\n    identity \"Corvid,Bench" << pad
            << ",0,1.0\"\nend\n";
    }
    return file;
}

std::string LibraryPath() {
    Dl_info info{};
    dladdr(reinterpret_cast<void*>(&viOpenDefaultRM), &info);
    return info.dli_fname ? info.dli_fname : "libsbvisv32.so";
}

bool Check(ViStatus status, const char* what) {
    if (status < VI_SUCCESS) {
        std::fprintf(stderr, "visa_benchmark: %s failed: 0x%08X\n", what, static_cast<unsigned>(status));
        return false;
    }
    return true;
}

double FindMilliseconds(ViSession rm, ViUInt32& found) {
    std::vector<double> times;
    for (int i = 0; i < 21; ++i) {
        ViFindList list = VI_NULL;
        char name[VI_FIND_BUFLEN];
        Clock::time_point start = Clock::now();
        ViStatus status = viFindRsrc(rm, "?*::INSTR", &list, &found, name);
        times.push_back(Microseconds(Clock::now() - start) / 1000.0);
        if (status == VI_SUCCESS) {
            viClose(list);
        }
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

double QueryMicroseconds(ViSession vi, int queries) {
    char buffer[256];
    ViUInt32 count = 0;
    for (int i = 0; i < queries + 1000; ++i) {
        if (i == 1000) {
            Clock::time_point start = Clock::now();
            for (int j = 0; j < queries; ++j) {
                viWrite(vi, reinterpret_cast<ViConstBuf>("*IDN?\n"), 6, &count);
                viRead(vi, reinterpret_cast<ViBuf>(buffer), sizeof buffer, &count);
            }
            return Microseconds(Clock::now() - start) / queries;
        }
        viWrite(vi, reinterpret_cast<ViConstBuf>("*IDN?\n"), 6, &count);
        viRead(vi, reinterpret_cast<ViBuf>(buffer), sizeof buffer, &count);
    }
    return 0;
}

// The same query through pyvisa, in a Python process of its own.
std::string PyvisaMicroseconds(int queries) {
    std::string script = "import sys, time, pyvisa\n"
                         "rm = pyvisa.ResourceManager(sys.argv[1])\n"
                         "dev = rm.open_resource('GPIB0::22::INSTR')\n"
                         "n = int(sys.argv[2])\n"
                         "for _ in range(500): dev.query('*IDN?')\n"
                         "t = time.perf_counter()\n"
                         "for _ in range(n): dev.query('*IDN?')\n"
                         "print('%.1f' % ((time.perf_counter() - t) / n * 1e6))\n";
    std::string command = "/usr/bin/python3 -c \"$VISA_BENCHMARK_SCRIPT\" '" + LibraryPath() + "' " +
                          std::to_string(queries) + " 2>/dev/null";
    setenv("VISA_BENCHMARK_SCRIPT", script.c_str(), 1);
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) {
        return "not measured";
    }
    char line[64] = {};
    bool got = std::fgets(line, sizeof line, pipe) != nullptr;
    int status = pclose(pipe);
    if (!got || status != 0) {
        return "not measured (pyvisa unavailable)";
    }
    std::string text(line);
    text.erase(text.find_last_not_of("\r\n") + 1);
    return text + " us";
}

} // namespace

int main(int argc, char** argv) {
    int queries = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20000;
    char pattern[] = "/tmp/visa-benchmark-XXXXXX";
    if (!mkdtemp(pattern)) {
        std::perror("visa_benchmark: mkdtemp");
        return 1;
    }
    std::filesystem::path dir = pattern;
    // Fresh home without visa.ini: the simulated driver library, here with the 30 instruments.
    setenv("CORVID_HOME", dir.c_str(), 1);
    setenv("CORVID_SIM_BENCH", WriteBench(dir).c_str(), 1);

    ViSession rm = VI_NULL, vi = VI_NULL;
    if (!Check(viOpenDefaultRM(&rm), "viOpenDefaultRM")) {
        return 1;
    }
    ViUInt32 found = 0;
    double findMs = FindMilliseconds(rm, found);
    if (!Check(viOpen(rm, "GPIB0::22::INSTR", VI_NO_LOCK, 0, &vi), "viOpen")) {
        return 1;
    }
    double queryUs = QueryMicroseconds(vi, queries);
    viClose(rm);
    std::string pyvisa = PyvisaMicroseconds(std::max(1, queries / 4));

    std::printf("*IDN? query (write and read) through libsbvisv32: %8.2f us\n", queryUs);
    std::printf("*IDN? query through pyvisa:                       %s\n", pyvisa.c_str());
    std::printf("viFindRsrc over a board with 30 instruments:      %8.3f ms (%u found, median of 21)\n",
                findMs, found);
    std::filesystem::remove_all(dir);
    return 0;
}
