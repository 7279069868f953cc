/* The PCI access library ("sbvispal.so"), as the VISA I/O component resolves it by name.
 *
 * Devices are named by bus, device and function. An address object is one space of a
 * device: its configuration space (PAL_SPACE_CONFIG) or one of its base address registers
 * (0 to 5). Reads and writes take offsets inside the space; configuration space is
 * little-endian as PCI defines it. Functions return 0 on success, a negative code on
 * failure. Devices of the machine itself are listed with their configuration space for
 * reading only: their base address registers are never mapped, read or written. */
#ifndef CORVID_PAL_H
#define CORVID_PAL_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define PAL_SPACE_CONFIG (-1)

#define PAL_ERR_NO_DEVICE (-2) /* no device at the address, or a stale handle */
#define PAL_ERR_RANGE (-3)     /* offset and width leave the space */
#define PAL_ERR_DENIED (-4)    /* the space of a real device, or a write to configuration space */
#define PAL_ERR_ARGUMENT (-5)

typedef struct PalDeviceAddress {
    uint16_t bus;
    uint16_t device;
    uint16_t function;
} PalDeviceAddress;

typedef uint32_t PalHandle;

/* Lists up to max devices; *count is how many there are. */
typedef int32_t (*PalEnumerateDevicesFn)(PalDeviceAddress* out, uint32_t max, uint32_t* count);
typedef int32_t (*PalGetDeviceHandleFn)(uint16_t bus, uint16_t device, uint16_t function,
                                        PalHandle* device_handle);
typedef int32_t (*PalCreateBusObjectFn)(PalHandle device_handle, PalHandle* bus_object);
typedef int32_t (*PalDestroyBusObjectFn)(PalHandle bus_object);
/* space: PAL_SPACE_CONFIG or 0 to 5; *size is the size of the space in bytes. */
typedef int32_t (*PalCreateAddressSpaceFn)(PalHandle bus_object, int32_t space, PalHandle* address_object,
                                           uint64_t* size);
typedef int32_t (*PalDestroyAddressSpaceFn)(PalHandle address_object);
typedef int32_t (*PalRead8Fn)(PalHandle address_object, uint64_t offset, uint8_t* value);
typedef int32_t (*PalRead16Fn)(PalHandle address_object, uint64_t offset, uint16_t* value);
typedef int32_t (*PalRead32Fn)(PalHandle address_object, uint64_t offset, uint32_t* value);
typedef int32_t (*PalWrite8Fn)(PalHandle address_object, uint64_t offset, uint8_t value);
typedef int32_t (*PalWrite16Fn)(PalHandle address_object, uint64_t offset, uint16_t value);
typedef int32_t (*PalWrite32Fn)(PalHandle address_object, uint64_t offset, uint32_t value);

#ifdef __cplusplus
}
#endif

#endif /* CORVID_PAL_H */
