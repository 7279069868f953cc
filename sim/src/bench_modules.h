// Reading the description lines of mainframes and modules (see module_spec.h). The bench
// parser hands over the lines it does not know itself.
#pragma once

#include "bench_spec.h"

#include <string>
#include <vector>

namespace corvid::sim {

// Every error is a BenchError naming file and line.
class ModuleReader {
public:
    explicit ModuleReader(BenchSpec& bench) : bench_(bench) {}

    // "mainframe CHASSIS controller "NAME" [la N]" or
    // "mainframe CHASSIS gpib BOARD PRIMARY identity "IDN" [la N] [name "NAME"]"; the
    // GPIB-VXI controller of the second form becomes an instrument of the bench.
    void Mainframe(const std::vector<BenchToken>& tokens, int line);
    // "module NAME at vxi CHASSIS LA" or "module NAME at pxi BUS DEVICE [FUNCTION]".
    ModuleSpec& Module(const std::vector<BenchToken>& tokens, int line);
    // The message-based module of "instrument NAME at vxi CHASSIS LA" (the instrument is
    // the last one of the bench).
    ModuleSpec& MessageModule(const std::vector<BenchToken>& tokens, int line);
    // A line inside a module block ("vxi ...", "pci ...", "bar ...", "register ..."); false
    // when the keyword is none of them.
    bool ModuleLine(ModuleSpec& module, const std::vector<BenchToken>& tokens, int line);
    // Once every line is read: mainframes described, addresses free, message-based modules
    // behind a GPIB-VXI controller placed on its GPIB address.
    void Finish();

private:
    [[noreturn]] void Fail(int line, const std::string& reason) const;
    long Number(const BenchToken& token, long low, long high, const char* what, int line) const;
    void NewModuleName(const std::string& name, int line) const;
    void VxiOptions(ModuleSpec& module, const std::vector<BenchToken>& tokens, int line);
    void PciOptions(ModuleSpec& module, const std::vector<BenchToken>& tokens, int line);
    void Bar(ModuleSpec& module, const std::vector<BenchToken>& tokens, int line);
    void Register(ModuleSpec& module, const std::vector<BenchToken>& tokens, int line);
    const MainframeSpec* FindMainframe(int chassis) const;

    BenchSpec& bench_;
};

} // namespace corvid::sim
