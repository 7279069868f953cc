// Terminal settings with any baud rate through the kernel's second termios interface
// (BOTHER), so that rates without a Bxxx constant (14400, 28800, 56000, 128000, 256000)
// work where the driver allows them.
#pragma once

#include <cstdint>

namespace corvid::visaio {

// The kernel's own count of control characters, which the C library's termios exceeds.
constexpr int kKernelControlChars = 19;

// The flags and control characters of a terminal setting, as the C library's termios
// holds them.
struct TerminalFlags {
    std::uint32_t input = 0, output = 0, control = 0, local = 0;
    std::uint8_t characters[kKernelControlChars] = {};
};

// Sets the flags and both directions' rate of the open terminal fd in one call, so the
// line never passes through another rate; false (errno set) on failure.
bool ApplyWithBaudRate(int fd, const TerminalFlags& flags, unsigned baud);
// The output rate in effect on the open terminal fd, in baud; false (errno set) on failure.
bool CurrentBaudRate(int fd, unsigned& baud);

} // namespace corvid::visaio
