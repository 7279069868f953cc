// Kept apart: <asm/termbits.h> declares its own struct termios, which clashes with
// <termios.h>.
#include "serial_baud.h"

#include <asm/ioctls.h>
#include <asm/termbits.h>
#include <cstring>

extern "C" int ioctl(int fd, unsigned long request, ...);

namespace corvid::visaio {

static_assert(NCCS == kKernelControlChars, "the kernel's termios2 holds this many control characters");

bool ApplyWithBaudRate(int fd, const TerminalFlags& flags, unsigned baud) {
    struct termios2 settings {};
    if (ioctl(fd, TCGETS2, &settings) != 0) {
        return false;
    }
    settings.c_iflag = flags.input;
    settings.c_oflag = flags.output;
    settings.c_cflag = flags.control & ~static_cast<tcflag_t>(CBAUD | (CBAUD << IBSHIFT));
    settings.c_cflag |= BOTHER | (BOTHER << IBSHIFT);
    settings.c_lflag = flags.local;
    std::memcpy(settings.c_cc, flags.characters, sizeof settings.c_cc);
    settings.c_ispeed = baud;
    settings.c_ospeed = baud;
    return ioctl(fd, TCSETS2, &settings) == 0;
}

bool CurrentBaudRate(int fd, unsigned& baud) {
    struct termios2 settings {};
    if (ioctl(fd, TCGETS2, &settings) != 0) {
        return false;
    }
    baud = settings.c_ospeed;
    return true;
}

} // namespace corvid::visaio
