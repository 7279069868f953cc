// The component's link to the support library that loaded it: the services table handed
// over at attach, and small helpers around it.
#pragma once

#include "visa/sbvisa_io.h"

#include <string>

namespace corvid::visaio {

// The services of the support library; valid between attach and detach.
const SbvisaServices& Services();
SbvisaSharedTables& Tables();

// Sleeps for 1 ms so that other threads can run.
void Yield();

// Holds a semaphore of the support library for a scope.
class SemaphoreHold {
public:
    SemaphoreHold(int semaphore, ViUInt32 timeoutMs);
    ~SemaphoreHold();
    SemaphoreHold(const SemaphoreHold&) = delete;
    SemaphoreHold& operator=(const SemaphoreHold&) = delete;
    ViStatus status() const { return status_; }

private:
    int semaphore_;
    ViStatus status_;
};

// A session record pinned for a scope (or none when the session is gone).
class PinnedSession {
public:
    explicit PinnedSession(ViSession vi);
    ~PinnedSession();
    PinnedSession(const PinnedSession&) = delete;
    PinnedSession& operator=(const PinnedSession&) = delete;
    SbvisaSession* get() const { return record_; }
    explicit operator bool() const { return record_ != nullptr; }

private:
    SbvisaSession* record_;
};

// A configuration value of the support library's store.
std::string ConfigString(const char* section, const char* key, const char* fallback);

// A 16-bit number of the store within [min, max]. A missing key gives the fallback; so
// does a value that is not such a number, which is said once per process on standard
// error, naming the key.
ViUInt16 ConfigNumber(const char* section, const char* key, ViUInt16 fallback, ViUInt16 min, ViUInt16 max);

} // namespace corvid::visaio
