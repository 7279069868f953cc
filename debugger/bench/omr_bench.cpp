// omr_bench: prints, as JSON lines, how long a recording of many commands takes to save and
// to load, how much memory a loaded command costs beyond the file, and the capture rate of
// the recording engine against the bare link.
//
//   omr_bench [--commands N] [--capture K]    (K = 0 skips the capture rate)
#include "bench.h"
#include "debugger/document.h"
#include "debugger/prompt.h"

#include <cstdio>
#include <cstring>
#include <fstream>
#include <malloc.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace corvid::debugger::bench {

long StatusBytes(const std::string& field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(field + ":", 0) == 0)
            return std::stol(line.substr(field.size() + 1)) * 1024;
    return 0;
}

namespace {

link::CCopyDataBlock Text(const char* text) {
    return link::CCopyDataBlock(text, static_cast<std::uint16_t>(std::strlen(text) + 1),
                                link::CCopyDataBlock::Char);
}

// A typical mix: a query written, its answer read, now and then a time-out set.
link::CGPIBCommandInfo CommandNumber(long i) {
    static const link::CCopyDataBlock query = Text("MEAS:VOLT:DC?");
    static const link::CCopyDataBlock answer = Text("+1.00000012E+00");
    static const std::uint32_t attribute = 0x3FFF001A;
    static const std::int32_t timeout = 2000;
    static const link::CCopyDataBlock parameters(&attribute, 1, link::CCopyDataBlock::Dword);
    static const link::CCopyDataBlock sent(&timeout, 1, link::CCopyDataBlock::Long);
    const auto address = static_cast<std::uint8_t>(i % 31);
    switch (i % 5) {
    case 4:
        return link::CGPIBCommandInfo(0, address, link::actionSetAttribute, &parameters, &sent, nullptr);
    case 1:
    case 3:
        return link::CGPIBCommandInfo(0, address, link::actionRead, nullptr, nullptr, &answer);
    default:
        return link::CGPIBCommandInfo(0, address, link::actionWrite, nullptr, &query, nullptr);
    }
}

long HeapInUse() {
    const struct mallinfo2 info = mallinfo2();
    return static_cast<long>(info.uordblks + info.hblkhd);
}

// Loads the file and prints the figures; run in a fresh process (--load) so that its
// peak memory is the load's alone.
int MeasureLoad(const std::string& path, long commands) {
    {
        MessageBoxPrompt prompt;
        const long rssBefore = StatusBytes("VmRSS");
        const long heapBefore = HeapInUse();
        const auto start = Clock::now();
        RecordingDocument document;
        const bool loaded = document.Open(path, prompt);
        const double seconds = SecondsSince(start);
        const long heap = HeapInUse() - heapBefore;
        const long peak = StatusBytes("VmHWM") - rssBefore;
        const long fileSize = static_cast<long>(std::filesystem::file_size(path));
        std::printf("{\"load_seconds\":%.3f,\"commands\":%d,\"file_bytes\":%ld,"
                    "\"heap_bytes_per_command\":%.1f,\"peak_bytes_per_command_beyond_file\":%.1f}\n",
                    seconds, document.Commands().Count(), fileSize, static_cast<double>(heap) / commands,
                    static_cast<double>(peak - fileSize) / commands);
        std::fflush(stdout);
        return loaded && document.Commands().Count() == commands ? 0 : 1;
    }
}

int LoadInFreshProcess(const std::string& path, long commands) {
    const pid_t child = fork();
    if (child == 0) {
        const std::string count = std::to_string(commands);
        execl("/proc/self/exe", "omr_bench", "--load", path.c_str(), count.c_str(),
              static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 1;
}

} // namespace
} // namespace corvid::debugger::bench

int main(int argc, char** argv) {
    using namespace corvid::debugger;
    using namespace corvid::debugger::bench;
    long commands = 1000000;
    long capture = 20000;
    if (argc == 4 && !std::strcmp(argv[1], "--load"))
        return MeasureLoad(argv[2], std::stol(argv[3]));
    for (int i = 1; i + 1 < argc; i += 2) {
        if (!std::strcmp(argv[i], "--commands"))
            commands = std::stol(argv[i + 1]);
        else if (!std::strcmp(argv[i], "--capture"))
            capture = std::stol(argv[i + 1]);
    }
    char directory[] = "/tmp/omr_bench.XXXXXX";
    if (!mkdtemp(directory))
        return 1;
    const std::string path = std::string(directory) + "/bench.omr";
    MessageBoxPrompt prompt;
    int status = 0;
    {
        RecordingDocument document;
        for (long i = 0; i < commands; ++i)
            document.Commands().Insert({CommandNumber(i), false}, -1, false, false);
        const auto start = Clock::now();
        if (!document.Save(path, prompt))
            return 1;
        std::printf("{\"save_seconds\":%.3f,\"commands\":%ld,\"file_bytes\":%ld}\n", SecondsSince(start),
                    commands, static_cast<long>(std::filesystem::file_size(path)));
        std::fflush(stdout);
    }
    status |= LoadInFreshProcess(path, commands);
    std::filesystem::remove_all(directory);
    if (capture > 0)
        status |= CaptureBench(capture);
    return status;
}
