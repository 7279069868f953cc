#include "sim_client.h"

#include <dlfcn.h>
#include <fstream>
#include <stdexcept>

namespace corvid::sim::testing {

namespace {

template <typename T>
void Resolve(void* library, const char* name, T& out) {
    void* symbol = dlsym(library, name);
    if (symbol == nullptr) {
        throw std::runtime_error(std::string("simgpib.so does not export ") + name);
    }
    out = reinterpret_cast<T>(symbol);
}

IbLibrary Load() {
    void* library = dlopen(SIMGPIB_PATH, RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) {
        throw std::runtime_error(dlerror());
    }
    IbLibrary ib{};
    Resolve(library, "ibdev", ib.dev);
    Resolve(library, "ibfind", ib.find);
    Resolve(library, "ibonl", ib.onl);
    Resolve(library, "ibconfig", ib.config);
    Resolve(library, "ibask", ib.ask);
    Resolve(library, "ibtmo", ib.tmo);
    Resolve(library, "ibeos", ib.eos);
    Resolve(library, "ibdiag", ib.diag);
    Resolve(library, "ibwrt", ib.wrt);
    Resolve(library, "ibrd", ib.rd);
    Resolve(library, "ibwrta", ib.wrta);
    Resolve(library, "ibrda", ib.rda);
    Resolve(library, "ibwait", ib.wait);
    Resolve(library, "ibstop", ib.stop);
    Resolve(library, "ibnotify", ib.notify);
    Resolve(library, "ibclr", ib.clr);
    Resolve(library, "ibtrg", ib.trg);
    Resolve(library, "ibrsp", ib.rsp);
    Resolve(library, "ibloc", ib.loc);
    Resolve(library, "ibln", ib.ln);
    Resolve(library, "iblines", ib.lines);
    Resolve(library, "ibcmd", ib.cmd);
    Resolve(library, "ibsic", ib.sic);
    Resolve(library, "ibgts", ib.gts);
    Resolve(library, "ibcac", ib.cac);
    Resolve(library, "ibrsc", ib.rsc);
    Resolve(library, "ibsre", ib.sre);
    Resolve(library, "FindLstn", ib.findLstn);
    Resolve(library, "AllSpoll", ib.allSpoll);
    Resolve(library, "ThreadIbsta", ib.threadIbsta);
    Resolve(library, "ThreadIberr", ib.threadIberr);
    Resolve(library, "ThreadIbcnt", ib.threadIbcnt);
    Resolve(library, "ThreadIbcntl", ib.threadIbcntl);
    Resolve(library, "simgpib_load_bench", ib.loadBench);
    Resolve(library, "simgpib_last_error", ib.lastError);
    Resolve(library, "ibsta", ib.ibsta);
    Resolve(library, "iberr", ib.iberr);
    Resolve(library, "ibcnt", ib.ibcnt);
    Resolve(library, "ibcntl", ib.ibcntl);
    return ib;
}

} // namespace

IbLibrary& IbLibrary::Get() {
    static IbLibrary library = Load();
    return library;
}

const char* const kTestBench = R"(
board 0
instrument psu at 0 5
    identity "Test,Source,1,1.0"
    property volt   "[SOURce:]VOLTage[:LEVel]" real min -10 max 10 default 0 unit V
    property output "OUTPut[:STATe]" bool default OFF
    property mode   "FUNCtion" choice VOLTage CURRent default VOLT
    property label  "DISPlay:TEXT" text default "READY"
    property count  "SAMPle:COUNt" int min 1 max 100 default 1
end
instrument meter at 0 22
    identity "Test,Meter,2,1.0"
    value reading = if(psu.output, psu.volt, 0)
    state last = 0
    on "READ?"
        reply "{reading}"
    on "SCALe?" <factor> <offset=0>
        reply "{reading * factor + offset}"
    on "FETCh?"
        reply "{last}"
    trigger
        set last = reading
end
instrument slow at 0 7
    identity "Test,Slow,3,1.0"
    delay 300
end
instrument card at 0 9 2
    identity "Test,Card,4,1.0"
end
)";

std::filesystem::path SimTest::WriteBench(const std::string& text, const std::string& name) {
    std::filesystem::path path = sandbox.home() / name;
    std::ofstream(path) << text;
    return path;
}

void SimTest::LoadBench(const std::string& text) {
    std::filesystem::path path = WriteBench(text);
    ASSERT_EQ(ib.loadBench(path.c_str()), 0) << ib.lastError();
}

std::string SimTest::BenchError(const std::string& text) {
    std::filesystem::path path = WriteBench(text, "bad.bench");
    if (ib.loadBench(path.c_str()) == 0) {
        return {};
    }
    return ib.lastError();
}

int SimTest::Open(int pad, int sad, int timeout) {
    int ud = ib.dev(0, pad, sad, timeout, 1, 0);
    EXPECT_GE(ud, 0) << "ibdev failed with iberr " << *ib.iberr;
    return ud;
}

void SimTest::Write(int ud, const std::string& text) {
    int sta = ib.wrt(ud, text.data(), static_cast<long>(text.size()));
    EXPECT_EQ(sta & ERR, 0) << "ibwrt \"" << text << "\" failed with iberr " << ib.threadIberr();
}

std::string SimTest::Read(int ud, long count) {
    std::string buffer(static_cast<size_t>(count), '\0');
    int sta = ib.rd(ud, buffer.data(), count);
    if ((sta & ERR) != 0) {
        return "<error " + std::to_string(ib.threadIberr()) + ">";
    }
    buffer.resize(static_cast<size_t>(ib.threadIbcntl()));
    return buffer;
}

std::string SimTest::Query(int ud, const std::string& text) {
    Write(ud, text + "\n");
    std::string reply = Read(ud);
    if (!reply.empty() && reply.back() == '\n') {
        reply.pop_back();
    }
    return reply;
}

} // namespace corvid::sim::testing
