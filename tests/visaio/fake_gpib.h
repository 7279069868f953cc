// Control functions of the fake GPIB driver library used by the tests of sbviio32. The
// library exports the ib* calls of <ib488/ib488.h> over a few scripted devices, records
// the calls made, and fails calls on request.
#pragma once

#ifdef __cplusplus
extern "C" {
#endif

// A device answering at board/primary/secondary (0 for none, else 0x60 + n); idn is its
// "*IDN?" reply. "ECHO? text" queries answer the text.
void fakegpib_add_device(int board, int pad, int sad, const char* idn);
void fakegpib_reset(void);
// The board type code in the diagnostic data (1 unless set).
void fakegpib_set_board_type(int type);
// The primary address of the board itself.
void fakegpib_set_board_pad(int board, int pad);
// Sets the serial-poll byte (RQS is bit 0x40) and the device's service request.
void fakegpib_request_service(int board, int pad, int sad, int statusByte);
// The next count calls of function fail with ERR | extraStatus and the error code.
void fakegpib_fail_next(const char* function, int extraStatus, int error, int count);
// While held, asynchronous transfers stay in progress until released or stopped.
void fakegpib_hold_async(int hold);
// Number of calls of function since the reset.
int fakegpib_calls(const char* function);
// The calls since the reset, one per line ("ibsre 0 1").
int fakegpib_log(char* text, int size);
// The text last written to the device.
int fakegpib_last_written(int board, int pad, int sad, char* text, int size);

#ifdef __cplusplus
}
#endif
