/* The VXI library ("sbvxint.so") and the GPIB-VXI controller modules ("<prefix>32.so"), as
 * the VISA I/O component resolves them by name with dlsym.
 *
 * Every VXI library function returns 0 on success and a negative code on failure; the
 * component's wrappers answer VXI_FAILURE (0x8000) when the library or the function is not
 * there. Addresses are bus addresses of the mainframe: A16 (the configuration registers
 * of logical address n are the 64 bytes at 0xC000 + 64 * n) and A24. Register values are
 * big-endian on the bus and returned in host order. */
#ifndef CORVID_VXIBUS_H
#define CORVID_VXIBUS_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define VXI_FAILURE ((int16_t)0x8000)

/* Failure codes. */
#define VXI_ERR_NO_DEVICE (-2)   /* nothing at the logical address */
#define VXI_ERR_BUS (-3)         /* bus error: nobody answers at the address */
#define VXI_ERR_TIMEOUT (-4)     /* a word-serial transfer timed out */
#define VXI_ERR_ARGUMENT (-5)    /* bad space, width or address */
#define VXI_ERR_NOT_MESSAGE (-6) /* word-serial request to a device that is not message-based */
#define VXI_ERR_NOT_STARTED (-7) /* the library has no mainframe (no bench, or none described) */
#define VXI_ERR_ABORTED (-8)     /* WSabort ended the transfer */

/* Address spaces of VXIin, VXIout and the module's peek and poke. */
#define VXI_SPACE_A16 1
#define VXI_SPACE_A24 2
#define VXI_SPACE_A32 3

/* Device classes, bits 15-14 of the ID register. */
#define VXI_CLASS_MEMORY 0
#define VXI_CLASS_EXTENDED 1
#define VXI_CLASS_MESSAGE 2
#define VXI_CLASS_REGISTER 3

/* Word-serial modes: the last byte written carries END; a read stopped at END. */
#define VXI_WS_END 1

/* What the library knows of a device. */
typedef struct VxiDeviceInfo {
    int16_t la;
    int16_t commanderLa; /* -1: top level */
    int16_t mainframe;
    int16_t slot; /* -1: unknown */
    uint16_t manufacturerId;
    uint16_t modelCode;
    uint16_t deviceClass;
    int16_t secondary; /* GPIB secondary address through a GPIB-VXI controller, -1: none */
    uint32_t a24Base;  /* 0 with a24Size 0: no A24 window */
    uint32_t a24Size;
    uint32_t a32Base;
    uint32_t a32Size;
    char name[64];
    char manufacturerName[64];
    char modelName[64];
} VxiDeviceInfo;

/* The controller the library runs on. */
typedef struct VxiGlobals {
    int16_t controllerLa;
    char controllerName[64];
} VxiGlobals;

typedef int16_t (*VxiInitFn)(void);
typedef int16_t (*VxiCloseFn)(void);
typedef int16_t (*VxiGetGlobalsFn)(VxiGlobals* globals);
/* The bit map of present logical addresses 0 to 511 (bit la % 8 of byte la / 8). */
typedef int16_t (*VxiGetDevPresenceFn)(uint8_t bitmap[64]);
typedef int16_t (*VxiGetDevInfoFn)(int16_t la, VxiDeviceInfo* info);
typedef int16_t (*VxiInFn)(uint16_t space, uint32_t address, uint16_t width, uint32_t* value);
typedef int16_t (*VxiOutFn)(uint16_t space, uint32_t address, uint16_t width, uint32_t value);
/* Word-serial transfers with a message-based device. */
typedef int16_t (*VxiWSwrtFn)(int16_t la, const char* buffer, uint32_t count, uint16_t mode,
                              uint32_t* written);
/* WSrd waits up to timeoutMs (negative: no limit) for the reply; *mode gets VXI_WS_END when
 * the last byte read ended the reply. */
typedef int16_t (*VxiWSrdFn)(int16_t la, char* buffer, uint32_t count, int32_t timeoutMs, uint16_t* mode,
                             uint32_t* read);
/* Word-serial commands: clear, trigger; "read STB" answers the status byte. */
typedef int16_t (*VxiWSclrFn)(int16_t la);
typedef int16_t (*VxiWStrgFn)(int16_t la);
typedef int16_t (*VxiWSstbFn)(int16_t la, uint16_t* statusByte);
/* Ends the word-serial reads waiting on the device in other threads (VXI_ERR_ABORTED). */
typedef int16_t (*VxiWSabortFn)(int16_t la);
/* Ends the word-serial reads waiting on the device in other threads (VXI_ERR_ABORTED). */
typedef int16_t (*VxiWSabortFn)(int16_t la);

/* A GPIB-VXI controller module: the functions "<prefix>_<name>". A handle stands for one
 * controller, opened by its GPIB board and primary address. Results as above. */
typedef int32_t (*GpvxRevisionFn)(void);
typedef int32_t (*GpvxOpenFn)(int16_t board, int16_t primary, void** handle);
typedef int32_t (*GpvxCloseFn)(void* handle);
/* The bit map of present logical addresses 0 to 255. */
typedef int32_t (*GpvxGetDevsFn)(void* handle, uint8_t bitmap[32]);
typedef int32_t (*GpvxGetDevInfoFn)(void* handle, int16_t la, VxiDeviceInfo* info);
typedef int32_t (*GpvxPeekFn)(void* handle, uint16_t space, uint32_t address, uint16_t width,
                              uint32_t* value);
typedef int32_t (*GpvxPokeFn)(void* handle, uint16_t space, uint32_t address, uint16_t width, uint32_t value);

#ifdef __cplusplus
}
#endif

#endif /* CORVID_VXIBUS_H */
