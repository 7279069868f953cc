// Reports records to the debugger from several threads at once, as the drivers of a busy
// test program do:  omblink_flood_reporter TAG COUNT THREADS
// Each record is a WRITE whose Sent text is "TAG-<thread>-<n>", reported the driver's way
// (hold, send, hold). Exits 0 when the debugger answered 1 to every record.
#include "link/debugger_link.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fputs("usage: omblink_flood_reporter TAG COUNT THREADS\n", stderr);
        return 2;
    }
    const std::string tag = argv[1];
    const int count = std::atoi(argv[2]);
    const int threads = std::atoi(argv[3]);
    std::atomic<int> unanswered{0};
    std::vector<std::thread> reporters;
    for (int t = 0; t < threads; ++t) {
        reporters.emplace_back([&, t] {
            corvid::link::CDebuggerLink debugger;
            for (int n = t; n < count; n += threads) {
                const std::string text = tag + "-" + std::to_string(t) + "-" + std::to_string(n);
                corvid::link::CCopyDataBlock sent(text.c_str(), static_cast<std::uint16_t>(text.size() + 1),
                                                  corvid::link::CCopyDataBlock::Char);
                corvid::link::CGPIBCommandInfo record(0, 22, corvid::link::actionWrite, nullptr, &sent,
                                                      nullptr);
                debugger.WaitWhileHeld();
                if (debugger.SendGPIBCommandInfo(&record) != 1)
                    ++unanswered;
                debugger.WaitWhileHeld();
            }
        });
    }
    for (std::thread& reporter : reporters)
        reporter.join();
    if (unanswered > 0)
        std::fprintf(stderr, "%s: %d records were not taken\n", tag.c_str(), unanswered.load());
    return unanswered > 0 ? 1 : 0;
}
