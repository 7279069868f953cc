/* Calls of the simulated driver library beyond the IEEE 488 API, for tests and tools
 * that change the simulated bench while a process runs (for example to unplug every
 * instrument by loading an empty bench). Resolve them with dlsym like the rest. */
#ifndef SIMGPIB_SIMGPIB_H
#define SIMGPIB_SIMGPIB_H

#ifdef __cplusplus
extern "C" {
#endif

#if defined(IB488_BUILDING_LIBRARY)
#define SIMGPIB_API __attribute__((visibility("default")))
#else
#define SIMGPIB_API
#endif

/* Replaces the bench with the description at path (NULL: the file found as at start-up:
 * $CORVID_SIM_BENCH, BenchFile of [SIMGPIB] in $CORVID_HOME/visa.ini, the demo bench).
 * Returns 0, or -1 when the file cannot be read or is malformed; the bench in use then
 * stays. Transfers in progress end with EABO; device descriptors stay valid. */
SIMGPIB_API int simgpib_load_bench(const char* path);

/* The reason of the last failed simgpib_load_bench in the calling thread,
 * "file:line: reason", or "" after a success. */
SIMGPIB_API const char* simgpib_last_error(void);

#ifdef __cplusplus
}
#endif

#endif /* SIMGPIB_SIMGPIB_H */
