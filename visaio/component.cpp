// The exports of sbviio32 shared by every interface type: attach, detach and VENEER_Yield.
#include "component.h"

#include "export.h"
#include "gpib/gpib_poller.h"

#include <charconv>
#include <chrono>
#include <cstdio>
#include <mutex>
#include <set>
#include <string>
#include <thread>

namespace corvid::visaio {
namespace {

// The services table handed over by the support library; it outlives the component.
const SbvisaServices* g_services = nullptr;

} // namespace

const SbvisaServices& Services() {
    return *g_services;
}
SbvisaSharedTables& Tables() {
    return *g_services->tables;
}

void Yield() {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

SemaphoreHold::SemaphoreHold(int semaphore, ViUInt32 timeoutMs)
    : semaphore_(semaphore), status_(Services().lockSemaphore(semaphore, timeoutMs)) {}

SemaphoreHold::~SemaphoreHold() {
    if (status_ >= VI_SUCCESS) {
        Services().unlockSemaphore(semaphore_);
    }
}

PinnedSession::PinnedSession(ViSession vi) : record_(Services().acquireSession(vi)) {}

PinnedSession::~PinnedSession() {
    if (record_) {
        Services().releaseSession(record_);
    }
}

std::string ConfigString(const char* section, const char* key, const char* fallback) {
    char text[512];
    Services().readConfigString(section, key, fallback, text, sizeof text);
    return text;
}

ViUInt16 ConfigNumber(const char* section, const char* key, ViUInt16 fallback, ViUInt16 min, ViUInt16 max) {
    const std::string text = ConfigString(section, key, "");
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos) {
        return fallback;
    }
    const auto last = text.find_last_not_of(" \t");
    const std::string number = text.substr(first, last - first + 1);
    long value = 0;
    auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value);
    if (error == std::errc() && end == number.data() + number.size() && value >= min && value <= max) {
        return static_cast<ViUInt16>(value);
    }
    static std::mutex mutex;
    static std::set<std::string> warned;
    std::lock_guard lock(mutex);
    if (warned.insert(std::string(section) + "/" + key).second) {
        std::fprintf(stderr, "sbviio32: [%s] %s=%s is not a number from %u to %u; using %u\n", section, key,
                     number.c_str(), unsigned{min}, unsigned{max}, unsigned{fallback});
    }
    return fallback;
}

} // namespace corvid::visaio

using namespace corvid::visaio;

// Start-up: clears the library states and reads the configuration keys of GPIB-CONFIG and
// GPIB-VXI-CONFIG into the shared configuration.
namespace {

ViStatus Attach(const SbvisaServices* services) {
    if (!services || services->version != SBVISA_IO_VERSION || services->size < sizeof(SbvisaServices) ||
        !services->tables) {
        return VI_ERROR_SYSTEM_ERROR;
    }
    g_services = services;
    ViStatus status = services->openConfiguration();
    if (status < VI_SUCCESS) {
        return static_cast<ViStatus>((static_cast<ViUInt32>(status) & 0xFFFF0000u) | 1u);
    }
    SbvisaSharedTables& tables = *services->tables;
    tables.disableIbListen = ConfigNumber("GPIB-CONFIG", "DisableIbListen", 0, 0, 0xFFFF);
    tables.srqPollTime = ConfigNumber("GPIB-CONFIG", "SRQPollTime", 1000, 1, 0xFFFF);
    tables.disableAutoFind = ConfigNumber("GPIB-VXI-CONFIG", "DisableAutoFind", 0, 0, 0xFFFF);
    std::fill(std::begin(tables.gpibBoardInitialised), std::end(tables.gpibBoardInitialised),
              ViBoolean{VI_FALSE});
    return VI_SUCCESS;
}

} // namespace

SBVIIO_EXPORT ViStatus sbviio_attach(const SbvisaServices* services) {
    return Guarded([services] { return Attach(services); });
}

SBVIIO_EXPORT void sbviio_detach() {
    Guarded([] {
        GpibPoller::Instance().Stop();
        return VI_SUCCESS;
    });
}

SBVIIO_EXPORT void VENEER_Yield() {
    Guarded([] {
        Yield();
        return VI_SUCCESS;
    });
}
