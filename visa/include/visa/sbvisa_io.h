/* The interface between the support library libsbvisv32.so and the VISA I/O component
 * sbviio32.so that it loads by name.
 *
 * The support library owns the resource manager, the session table, the find lists, the
 * events and the configuration store. At load it hands the component a table of services
 * (sbviio_attach); it then calls the component's find export of each interface type to list
 * resources and its open exports to open a session. An open export fills the session
 * record that the support library created (description, manufacturer, interface data) and
 * installs its table of operations, which the support library calls for viRead, viWrite
 * and the other session operations. */
#ifndef CORVID_SBVISA_IO_H
#define CORVID_SBVISA_IO_H

#include "visa.h"

#ifdef __cplusplus
extern "C" {
#endif

#define SBVISA_IO_VERSION 1

/* Semaphores offered to the component. */
#define SBVISA_SEM_FIND_LIST 0 /* guards find lists; taken with the local time-out */
#define SBVISA_SEM_SYSTEM 1    /* guards the shared tables; taken without limit */

/* Sizes of the GPIB configuration tables. */
#define SBVISA_GPIB_BOARDS 100
#define SBVISA_GPIB_DEVICES 60
#define SBVISA_GPIB_END_OF_TABLE 255

/* Kinds of GPIB device table entries. */
#define SBVISA_GPIB_KIND_ABSENT 0 /* configured as not present: never opened */
#define SBVISA_GPIB_KIND_LISTED 1 /* listed by find without asking the bus */
#define SBVISA_GPIB_KIND_ASK 2    /* asked for like any other address */

/* A growable array of resource names, one 256-byte slot per name. */
typedef struct SbvisaFindList {
    ViChar (*names)[VI_FIND_BUFLEN];
    ViUInt32 count;
    ViUInt32 capacity;
} SbvisaFindList;

/* A compiled find expression; only the support library looks inside. */
typedef struct SbvisaFindContext SbvisaFindContext;

/* One entry of the GPIB device table: board, primary address, secondary address
 * (0 when none), kind. An entry with board 255 ends the table. */
typedef struct SbvisaGpibDevice {
    ViUInt8 board;
    ViUInt8 primary;
    ViUInt8 secondary;
    ViUInt8 kind;
} SbvisaGpibDevice;

/* The interface configuration tables shared by both libraries. The support library fills
 * the board and device tables from its configuration store; the component fills the
 * configuration keys it reads at start-up and keeps the per-board state under the system
 * semaphore. */
typedef struct SbvisaSharedTables {
    ViBoolean gpibBoardExists[SBVISA_GPIB_BOARDS];
    ViBoolean gpibBoardInitialised[SBVISA_GPIB_BOARDS];
    SbvisaGpibDevice gpibDevices[SBVISA_GPIB_DEVICES];
    ViChar gpibLibrary[256]; /* file name of the GPIB driver library */
    ViBoolean notifyMode;    /* driver notifications instead of the polling thread */
    ViUInt16 disableIbListen;
    ViUInt16 srqPollTime;
    ViUInt16 disableAutoFind;
} SbvisaSharedTables;

/* The payload of an event raised by the component. */
typedef struct SbvisaEventData {
    ViStatus status;
    ViJobId jobId;
    ViUInt64 returnCount;
    ViBuf buffer;
    ViConstString operationName; /* "viReadAsync", "viWriteAsync" */
} SbvisaEventData;

typedef struct SbvisaSession SbvisaSession;

/* Entries added after the first tables were written: C++ tables that leave them out get
 * null without a warning. */
#ifdef __cplusplus
#define SBVISA_LATER_ENTRY = nullptr
#else
#define SBVISA_LATER_ENTRY
#endif

/* The operations of an open session. Every entry may be null: the support library then
 * answers VI_ERROR_NSUP_OPER (VI_ERROR_NSUP_ATTR for the attribute entries). */
typedef struct SbvisaOperations {
    ViStatus (*close)(SbvisaSession* session);
    ViStatus (*setAttribute)(SbvisaSession* session, ViAttr attribute, ViAttrState value);
    /* Numeric attributes are answered in *value, text attributes in text (256 bytes). */
    ViStatus (*getAttribute)(SbvisaSession* session, ViAttr attribute, ViAttrState* value, ViChar text[256]);
    ViStatus (*terminate)(SbvisaSession* session, ViUInt16 degree, ViJobId job);
    ViStatus (*read)(SbvisaSession* session, ViBuf buffer, ViUInt32 count, ViUInt32* returned);
    ViStatus (*readAsync)(SbvisaSession* session, ViBuf buffer, ViUInt32 count, ViJobId* job);
    ViStatus (*write)(SbvisaSession* session, ViConstBuf buffer, ViUInt32 count, ViUInt32* returned);
    ViStatus (*writeAsync)(SbvisaSession* session, ViConstBuf buffer, ViUInt32 count, ViJobId* job);
    ViStatus (*assertTrigger)(SbvisaSession* session, ViUInt16 protocol);
    ViStatus (*readSTB)(SbvisaSession* session, ViUInt16* statusByte);
    ViStatus (*clear)(SbvisaSession* session);
    ViStatus (*gpibControlREN)(SbvisaSession* session, ViUInt16 mode);
    /* Told after the enabled mechanisms of an event type changed, so that the component
     * can start what delivers it (the polling thread, driver notifications). */
    ViStatus (*eventsChanged)(SbvisaSession* session, ViEventType eventType);
    /* viSetBuf with the low-level buffer bits (VI_IO_IN_BUF, VI_IO_OUT_BUF) of its mask;
     * without it the support library answers VI_WARN_NSUP_BUF for them. */
    ViStatus (*setBuffer)(SbvisaSession* session, ViUInt16 mask, ViUInt32 size);
    /* viFlush with a mask the support library has checked; without it flushing does nothing. */
    ViStatus (*flush)(SbvisaSession* session, ViUInt16 mask);
    /* Told when the session is closed while another thread is still inside one of its
     * operations: ends the transfers in progress (with VI_ERROR_ABORT), so that the close
     * the support library then defers to their end does not wait for ever. */
    void (*abortTransfers)(SbvisaSession* session);
    /* GPIB bus control on the session's board: command bytes sent with ATN (viGpibCommand),
     * the ATN line, interface clear, passing control. */
    ViStatus (*gpibCommand)(SbvisaSession* session, ViConstBuf buffer, ViUInt32 count,
                            ViUInt32* returned) SBVISA_LATER_ENTRY;
    ViStatus (*gpibControlATN)(SbvisaSession* session, ViUInt16 mode) SBVISA_LATER_ENTRY;
    ViStatus (*gpibSendIFC)(SbvisaSession* session) SBVISA_LATER_ENTRY;
    ViStatus (*gpibPassControl)(SbvisaSession* session, ViUInt16 primary,
                                ViUInt16 secondary) SBVISA_LATER_ENTRY;
    /* Trigger lines, utility and interrupt signals: null where the interface has none. */
    ViStatus (*mapTrigger)(SbvisaSession* session, ViInt16 source, ViInt16 destination,
                           ViUInt16 mode) SBVISA_LATER_ENTRY;
    ViStatus (*unmapTrigger)(SbvisaSession* session, ViInt16 source, ViInt16 destination) SBVISA_LATER_ENTRY;
    ViStatus (*assertUtilSignal)(SbvisaSession* session, ViUInt16 line) SBVISA_LATER_ENTRY;
    ViStatus (*assertIntrSignal)(SbvisaSession* session, ViInt16 mode, ViUInt32 statusId) SBVISA_LATER_ENTRY;
    /* Register access (viIn*, viOut*, viMoveIn*, viMoveOut*): the address space and offset
     * as the caller gave them, the width in bytes (1, 2, 4, 8); block moves take length
     * elements of that width from or to buffer, in host order. */
    ViStatus (*in)(SbvisaSession* session, ViUInt16 space, ViBusAddress64 offset, ViUInt16 width,
                   ViUInt64* value) SBVISA_LATER_ENTRY;
    ViStatus (*out)(SbvisaSession* session, ViUInt16 space, ViBusAddress64 offset, ViUInt16 width,
                    ViUInt64 value) SBVISA_LATER_ENTRY;
    ViStatus (*moveIn)(SbvisaSession* session, ViUInt16 space, ViBusAddress64 offset, ViUInt16 width,
                       ViBusSize length, void* buffer) SBVISA_LATER_ENTRY;
    ViStatus (*moveOut)(SbvisaSession* session, ViUInt16 space, ViBusAddress64 offset, ViUInt16 width,
                        ViBusSize length, const void* buffer) SBVISA_LATER_ENTRY;
    /* viMapAddress and viUnmapAddress: one window per session; viPeek and viPoke address
     * it through what mapAddress answered. */
    ViStatus (*mapAddress)(SbvisaSession* session, ViUInt16 space, ViBusAddress64 offset, ViBusSize size,
                           ViAddr suggested, ViAddr* address) SBVISA_LATER_ENTRY;
    ViStatus (*unmapAddress)(SbvisaSession* session) SBVISA_LATER_ENTRY;
    ViStatus (*peek)(SbvisaSession* session, ViAddr address, ViUInt16 width,
                     ViUInt64* value) SBVISA_LATER_ENTRY;
    ViStatus (*poke)(SbvisaSession* session, ViAddr address, ViUInt16 width,
                     ViUInt64 value) SBVISA_LATER_ENTRY;
} SbvisaOperations;

/* The session record. The support library creates it from the parsed resource name and
 * keeps the event mechanisms current; the open export fills the rest. */
struct SbvisaSession {
    ViSession vi;
    ViUInt16 interfaceType;
    ViUInt16 interfaceNumber;
    ViUInt16 primaryAddress;   /* GPIB primary address, VXI logical address, PXI device */
    ViUInt16 secondaryAddress; /* GPIB secondary address, 0 when none; PXI function */
    ViAccessMode accessMode;
    ViChar resourceName[VI_FIND_BUFLEN];
    ViChar resourceClass[32];
    ViChar description[256];
    ViChar manufacturer[256];
    ViUInt16 srqMechanisms;        /* enabled mechanisms of VI_EVENT_SERVICE_REQ */
    ViUInt16 completionMechanisms; /* enabled mechanisms of VI_EVENT_IO_COMPLETION */
    const SbvisaOperations* operations;
    void* interfaceData; /* owned by the component, released by its close operation */
    void* supportData;   /* owned by the support library */
};

/* The services of the support library. */
typedef struct SbvisaServices {
    ViUInt32 version;
    ViUInt32 size;
    ViStatus (*lockSemaphore)(int semaphore, ViUInt32 timeoutMs);
    void (*unlockSemaphore)(int semaphore);
    ViUInt32 (*localTimeout)(void);
    /* Positive: the name matches; 0: it does not; negative: the expression is invalid. */
    int (*matchName)(const SbvisaFindContext* context, ViConstString name);
    ViStatus (*growFindList)(SbvisaFindList* list, ViUInt32 additional);
    /* The interface being searched ("GPIB0"), or the empty text after the search. */
    void (*announceInterface)(ViConstString name);
    ViStatus (*openConfiguration)(void);
    ViInt16 (*readConfigShort)(ViConstString section, ViConstString key, ViInt16 fallback);
    ViInt32 (*readConfigLong)(ViConstString section, ViConstString key, ViInt32 fallback);
    /* Copies the value (or the fallback) into text, cut to size - 1 bytes; returns its length. */
    ViUInt32 (*readConfigString)(ViConstString section, ViConstString key, ViConstString fallback,
                                 ViChar* text, ViUInt32 size);
    ViStatus (*raiseEvent)(ViSession vi, ViEventType eventType, const SbvisaEventData* data);
    /* The session table: a pinned record stays valid until released. */
    SbvisaSession* (*acquireSession)(ViSession vi);
    void (*releaseSession)(SbvisaSession* session);
    /* Copies up to max open session handles into out; returns how many there are. */
    ViUInt32 (*listSessions)(ViSession* out, ViUInt32 max);
    SbvisaSharedTables* tables;
    /* The directory of the support library, where modules are looked for by default. */
    ViConstString (*installDirectory)(void);
} SbvisaServices;

/* The component's exports. */
typedef ViStatus (*SbvisaAttachFunction)(const SbvisaServices* services);
typedef void (*SbvisaDetachFunction)(void);
typedef ViStatus (*SbvisaFindFunction)(const SbvisaFindContext* context, SbvisaFindList* list);
typedef ViStatus (*SbvisaOpenFunction)(SbvisaSession* session);

#ifdef __cplusplus
}
#endif

#endif /* CORVID_SBVISA_IO_H */
