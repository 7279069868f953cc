// Prints what a register read (viIn16) costs through this VISA library and through pyvisa
// beside a pyvisa attribute read, and a word-serial *IDN? query on the simulated VXI
// multimeter beside the same query on the GPIB multimeter (demo bench, no response delay).
//   visa_register_benchmark [READS]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <dlfcn.h>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <visa.h>

namespace {

using Clock = std::chrono::steady_clock;

double Microseconds(Clock::duration d) {
    return std::chrono::duration<double, std::micro>(d).count();
}

std::string LibraryPath() {
    Dl_info info{};
    dladdr(reinterpret_cast<void*>(&viOpenDefaultRM), &info);
    return info.dli_fname ? info.dli_fname : "libsbvisv32.so";
}

ViSession Open(ViSession rm, const char* name) {
    ViSession vi = VI_NULL;
    if (viOpen(rm, name, VI_NO_LOCK, 0, &vi) < VI_SUCCESS) {
        std::fprintf(stderr, "visa_register_benchmark: cannot open %s\n", name);
        std::exit(1);
    }
    return vi;
}

double RegisterReadMicroseconds(ViSession vi, int reads) {
    ViUInt16 value = 0;
    for (int i = 0; i < 1000; ++i) {
        viIn16(vi, VI_A16_SPACE, 0, &value);
    }
    Clock::time_point start = Clock::now();
    for (int i = 0; i < reads; ++i) {
        viIn16(vi, VI_A16_SPACE, 0, &value);
    }
    return Microseconds(Clock::now() - start) / reads;
}

double QueryMicroseconds(ViSession vi, int queries) {
    char buffer[256];
    ViUInt32 count = 0;
    for (int i = 0; i < 200; ++i) {
        viWrite(vi, reinterpret_cast<ViConstBuf>("*IDN?\n"), 6, &count);
        viRead(vi, reinterpret_cast<ViBuf>(buffer), sizeof buffer, &count);
    }
    Clock::time_point start = Clock::now();
    for (int i = 0; i < queries; ++i) {
        viWrite(vi, reinterpret_cast<ViConstBuf>("*IDN?\n"), 6, &count);
        viRead(vi, reinterpret_cast<ViBuf>(buffer), sizeof buffer, &count);
    }
    return Microseconds(Clock::now() - start) / queries;
}

// A register read and an attribute read through pyvisa, in one Python process.
std::string Pyvisa(int reads) {
    std::string script = "import sys, time, pyvisa\n"
                         "from pyvisa import constants\n"
                         "rm = pyvisa.ResourceManager(sys.argv[1])\n"
                         "dev = rm.open_resource('VXI0::32::INSTR')\n"
                         "n = int(sys.argv[2])\n"
                         "def cost(f):\n"
                         "    for _ in range(500): f()\n"
                         "    t = time.perf_counter()\n"
                         "    for _ in range(n): f()\n"
                         "    return (time.perf_counter() - t) / n * 1e6\n"
                         "lib, vi, a16 = rm.visalib, dev.session, constants.AddressSpace.a16\n"
                         "r = cost(lambda: lib.in_16(vi, a16, 0))\n"
                         "a = cost(lambda: lib.get_attribute(vi, constants.VI_ATTR_MANF_ID))\n"
                         "R = cost(lambda: dev.read_memory(a16, 0, 16))\n"
                         "A = cost(lambda: dev.get_visa_attribute(constants.VI_ATTR_MANF_ID))\n"
                         "print('visalib.in_16 %.2f us, visalib.get_attribute %.2f us (ratio %.2f); '\n"
                         "      'read_memory %.2f us, get_visa_attribute %.2f us (ratio %.2f)' % (r, a, r / "
                         "a, R, A, R / A))\n";
    std::string command = "/usr/bin/python3 -c \"$VISA_BENCHMARK_SCRIPT\" '" + LibraryPath() + "' " +
                          std::to_string(reads) + " 2>/dev/null";
    setenv("VISA_BENCHMARK_SCRIPT", script.c_str(), 1);
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) {
        return "not measured";
    }
    char line[256] = {};
    bool got = std::fgets(line, sizeof line, pipe) != nullptr;
    int status = pclose(pipe);
    if (!got || status != 0) {
        return "not measured (pyvisa unavailable)";
    }
    std::string text(line);
    text.erase(text.find_last_not_of("\r\n") + 1);
    return text;
}

} // namespace

int main(int argc, char** argv) {
    int reads = argc > 1 ? std::max(1, std::atoi(argv[1])) : 200000;
    char pattern[] = "/tmp/visa-register-benchmark-XXXXXX";
    if (!mkdtemp(pattern)) {
        std::perror("visa_register_benchmark: mkdtemp");
        return 1;
    }
    std::filesystem::path dir = pattern;
    // Fresh home without visa.ini (the demo bench) and no PCI devices of the machine.
    setenv("CORVID_HOME", dir.c_str(), 1);
    setenv("CORVID_PCI_SYSFS", dir.c_str(), 1);
    unsetenv("CORVID_SIM_BENCH");

    ViSession rm = VI_NULL;
    if (viOpenDefaultRM(&rm) < VI_SUCCESS) {
        std::fprintf(stderr, "visa_register_benchmark: viOpenDefaultRM failed\n");
        return 1;
    }
    double registerUs = RegisterReadMicroseconds(Open(rm, "VXI0::32::INSTR"), reads);
    int queries = std::max(1, reads / 10);
    double vxiUs = QueryMicroseconds(Open(rm, "VXI0::24::INSTR"), queries);
    double gpibUs = QueryMicroseconds(Open(rm, "GPIB0::22::INSTR"), queries);
    viClose(rm);
    std::string pyvisa = Pyvisa(std::max(1, reads / 20));

    std::printf("viIn16 register read through libsbvisv32:      %8.3f us\n", registerUs);
    std::printf("register read through pyvisa:                  %s\n", pyvisa.c_str());
    std::printf("*IDN? word-serial query, VXI multimeter:       %8.2f us\n", vxiUs);
    std::printf("*IDN? query, GPIB multimeter:                  %8.2f us (ratio %.2f)\n", gpibUs,
                vxiUs / gpibUs);
    std::filesystem::remove_all(dir);
    return 0;
}
