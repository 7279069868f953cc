// Any baud rate through the kernel's second termios interface (BOTHER), so that rates
// without a Bxxx constant (14400, 28800, 56000, 128000, 256000) work where the driver
// allows them.
#pragma once

namespace corvid::visaio {

// Sets both directions of the open terminal fd to baud; false (errno set) on failure.
bool SetBaudRate(int fd, unsigned baud);

} // namespace corvid::visaio
