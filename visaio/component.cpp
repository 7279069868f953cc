// The exports of sbviio32 shared by every interface type: attach, detach and VENEER_Yield.
#include "component.h"

#include "export.h"
#include "gpib/gpib_poller.h"

#include <chrono>
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
    tables.disableIbListen =
        static_cast<ViUInt16>(services->readConfigShort("GPIB-CONFIG", "DisableIbListen", 0));
    tables.srqPollTime = static_cast<ViUInt16>(services->readConfigShort("GPIB-CONFIG", "SRQPollTime", 1000));
    tables.disableAutoFind =
        static_cast<ViUInt16>(services->readConfigShort("GPIB-VXI-CONFIG", "DisableAutoFind", 0));
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
