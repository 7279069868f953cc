// Test access to the simulated driver library: loaded with dlopen by its file name,
// its exports resolved with dlsym, as a client of the IEEE 488 API does.
#pragma once

#include "ib488/ib488.h"
#include "testsupport/sandbox.h"

#include <filesystem>
#include <string>

namespace corvid::sim::testing {

struct IbLibrary {
    int (*dev)(int, int, int, int, int, int);
    int (*find)(const char*);
    int (*onl)(int, int);
    int (*config)(int, int, int);
    int (*ask)(int, int, int*);
    int (*tmo)(int, int);
    int (*eos)(int, int);
    int (*diag)(int, void*, long);
    int (*wrt)(int, const void*, long);
    int (*rd)(int, void*, long);
    int (*wrta)(int, const void*, long);
    int (*rda)(int, void*, long);
    int (*wait)(int, int);
    int (*stop)(int);
    int (*notify)(int, int, GpibNotifyCallback_t, void*);
    int (*clr)(int);
    int (*trg)(int);
    int (*rsp)(int, char*);
    int (*loc)(int);
    int (*ln)(int, int, int, short*);
    int (*lines)(int, short*);
    int (*cmd)(int, const void*, long);
    int (*sic)(int);
    int (*gts)(int, int);
    int (*cac)(int, int);
    int (*rsc)(int, int);
    int (*sre)(int, int);
    void (*findLstn)(int, const Addr4882_t*, Addr4882_t*, int);
    void (*allSpoll)(int, const Addr4882_t*, short*);
    int (*threadIbsta)();
    int (*threadIberr)();
    int (*threadIbcnt)();
    long (*threadIbcntl)();
    int (*loadBench)(const char*);
    const char* (*lastError)();
    volatile int* ibsta;
    volatile int* iberr;
    volatile int* ibcnt;
    volatile long* ibcntl;

    // Loaded once per process.
    static IbLibrary& Get();
};

// A small bench most tests use: a source at 5, a meter at 22 wired to it, a slow
// instrument (300 ms delay) at 7 and a card at secondary address 2 of primary 9.
extern const char* const kTestBench;

class SimTest : public corvid::testing::SandboxTest {
protected:
    void SetUp() override { LoadBench(kTestBench); }

    // Writes a bench file into the sandbox and returns its path.
    std::filesystem::path WriteBench(const std::string& text, const std::string& name = "test.bench");
    // Writes and loads a bench; fails the test when the library refuses it.
    void LoadBench(const std::string& text);
    // The error text of loading this bench text ("" when it loads).
    std::string BenchError(const std::string& text);

    int Open(int pad, int sad = 0, int timeout = T1s);
    void Write(int ud, const std::string& text);
    std::string Read(int ud, long count = 1024);
    // Write, then read the reply without its line feed.
    std::string Query(int ud, const std::string& text);
    std::string NextError(int ud) { return Query(ud, "SYST:ERR?"); }

    IbLibrary& ib = IbLibrary::Get();
};

} // namespace corvid::sim::testing
