// farlink_benchmark [PRIMARY [COUNT]]: the cost of one Write and one Query of "*IDN?"
// through the VisaGpib component's IDispatch, without and with a debugger listening, beside
// the same VISA calls made directly. The instrument is GPIB0::PRIMARY::INSTR (default 22,
// the demo bench's multimeter); farlink.so is loaded from beside this program.
#include "com/bstr.h"
#include "com/dispatch.h"
#include "com/module.h"
#include "com/variant.h"
#include "driver/interfaces.h"
#include "link/debugger_channel.h"
#include "link/debugger_link.h"
#include "platform/window_message.h"
#include "visa/visa.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <dlfcn.h>
#include <filesystem>
#include <functional>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

using namespace corvid::com;
using corvid::driver::CLSID_VisaGpib;
using corvid::driver::IInitializeGpib;

using Clock = std::chrono::steady_clock;

// The mean time of a step after one untimed warm-up call; -1 when a call fails.
double MicrosecondsEach(int count, const std::function<bool()>& step) {
    if (!step())
        return -1;
    auto start = Clock::now();
    for (int i = 0; i < count; ++i)
        if (!step())
            return -1;
    return std::chrono::duration<double, std::micro>(Clock::now() - start).count() / count;
}

void Print(const char* what, double microseconds, int count) {
    if (microseconds < 0)
        std::printf("%-44s failed\n", what);
    else
        std::printf("%-44s %9.2f us per call (%d calls)\n", what, microseconds, count);
}

// A debugger stand-in in a child process: never holds, never plays back, reads every record.
pid_t StartListener() {
    int ready[2];
    if (::pipe(ready) != 0)
        return -1;
    pid_t pid = ::fork();
    if (pid == 0) {
        ::close(ready[0]);
        auto window = corvid::platform::MessageWindow::Create(
            corvid::link::kControllerWindowClass,
            [](const corvid::platform::WindowMessage& m) -> corvid::platform::MessageResult {
                if (m.message != corvid::link::WM_IOCONTROL_SENDS_DATA)
                    return 0;
                return corvid::link::ReadIncomingRecord(static_cast<std::size_t>(m.lParam)).ok() ? 1 : 0;
            });
        char byte = window ? 1 : 0;
        ssize_t ignored = ::write(ready[1], &byte, 1);
        (void)ignored;
        for (;;)
            window->Pump(std::chrono::milliseconds(-1));
    }
    ::close(ready[1]);
    char byte = 0;
    bool started = pid > 0 && ::read(ready[0], &byte, 1) == 1 && byte == 1;
    ::close(ready[0]);
    return started ? pid : -1;
}

class Driver {
public:
    bool Create(const std::string& modulePath, LONG primary) {
        void* module = ::dlopen(modulePath.c_str(), RTLD_NOW | RTLD_LOCAL);
        auto getClassObject =
            module ? reinterpret_cast<DllGetClassObjectFunction>(::dlsym(module, "DllGetClassObject"))
                   : nullptr;
        ComPtr<IClassFactory> factory;
        if (!getClassObject || FAILED(getClassObject(CLSID_VisaGpib, IClassFactory::iid, factory.OutVoid())))
            return false;
        ComPtr<IInitializeGpib> setup;
        if (FAILED(factory->CreateInstance(nullptr, IInitializeGpib::iid, setup.OutVoid())))
            return false;
        setup->put_PrimaryAddress(primary);
        if (FAILED(setup->Initialize()))
            return false;
        setup_ = setup;
        return SUCCEEDED(setup.As(dispatch_)) &&
               SUCCEEDED(GetDispatchId(dispatch_.get(), "Write", &write_)) &&
               SUCCEEDED(GetDispatchId(dispatch_.get(), "Query", &query_));
    }

    bool Write(const char* text) {
        std::vector<VARIANT> arguments(1);
        Variant command(text);
        arguments[0] = command;
        return SUCCEEDED(InvokeMember(dispatch_.get(), write_, DISPATCH_METHOD, arguments, nullptr));
    }

    bool Query(const char* text) {
        Variant command(text), size(LONG{256});
        Bstr reply;
        std::vector<VARIANT> arguments(3);
        arguments[0] = command;
        arguments[1].vt = VT_BYREF | VT_BSTR;
        arguments[1].pbstrVal = reply.Out();
        arguments[2] = size;
        return SUCCEEDED(InvokeMember(dispatch_.get(), query_, DISPATCH_METHOD, arguments, nullptr)) &&
               reply.Length() > 0;
    }

    void Close() {
        if (setup_)
            setup_->Close();
    }

private:
    ComPtr<IInitializeGpib> setup_;
    ComPtr<IDispatch> dispatch_;
    DISPID write_ = 0, query_ = 0;
};

void DirectVisa(LONG primary, int count) {
    ViSession rm = VI_NULL, vi = VI_NULL;
    std::string name = "GPIB0::" + std::to_string(primary) + "::INSTR";
    if (viOpenDefaultRM(&rm) < VI_SUCCESS || viOpen(rm, name.c_str(), VI_NO_LOCK, 2000, &vi) < VI_SUCCESS) {
        std::printf("cannot open %s directly\n", name.c_str());
        return;
    }
    ViUInt32 done = 0;
    char reply[256];
    Print(
        "viWrite \"*CLS\" (VISA directly)",
        MicrosecondsEach(
            count, [&] { return viWrite(vi, reinterpret_cast<ViConstBuf>("*CLS"), 4, &done) >= VI_SUCCESS; }),
        count);
    Print("viWrite + viRead \"*IDN?\" (VISA directly)",
          MicrosecondsEach(count,
                           [&] {
                               return viWrite(vi, reinterpret_cast<ViConstBuf>("*IDN?"), 5, &done) >=
                                          VI_SUCCESS &&
                                      viRead(vi, reinterpret_cast<ViPBuf>(reply), sizeof reply, &done) >=
                                          VI_SUCCESS;
                           }),
          count);
    viClose(vi);
    viClose(rm);
}

} // namespace

int main(int argc, char** argv) {
    LONG primary = argc > 1 ? std::atoi(argv[1]) : 22;
    int count = argc > 2 ? std::max(1, std::atoi(argv[2])) : 2000;
    std::filesystem::path module = std::filesystem::canonical("/proc/self/exe").parent_path() / "farlink.so";

    DirectVisa(primary, count);
    Driver driver;
    if (!driver.Create(module.string(), primary)) {
        std::printf("cannot create VisaGpib on GPIB0::%d::INSTR from %s\n", primary, module.c_str());
        return 1;
    }
    Print("IDispatch Write \"*CLS\" (no debugger)",
          MicrosecondsEach(count, [&] { return driver.Write("*CLS"); }), count);
    Print("IDispatch Query \"*IDN?\" (no debugger)",
          MicrosecondsEach(count, [&] { return driver.Query("*IDN?"); }), count);

    pid_t listener = StartListener();
    if (listener < 0) {
        std::printf("cannot start a listener (is a debugger running?)\n");
    } else {
        int listened = std::max(1, count / 10);
        Print("IDispatch Write \"*CLS\" (listener)",
              MicrosecondsEach(listened, [&] { return driver.Write("*CLS"); }), listened);
        Print("IDispatch Query \"*IDN?\" (listener)",
              MicrosecondsEach(listened, [&] { return driver.Query("*IDN?"); }), listened);
        ::kill(listener, SIGTERM);
        ::waitpid(listener, nullptr, 0);
    }
    driver.Close();
    return 0;
}
