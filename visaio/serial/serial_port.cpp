// The serial-port record: opening, closing, line settings, flow control and modem lines.
#include "serial_port.h"

#include "platform/unique_fd.h"
#include "serial_baud.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <utility>

namespace corvid::visaio {
namespace {

using platform::UniqueFd;

constexpr std::array<ViUInt32, 16> kBaudRates{110,   300,   600,   1200,  2400,  4800,   9600,   14400,
                                              19200, 28800, 38400, 56000, 57600, 115200, 128000, 256000};

constexpr ViUInt32 kDefaultQueue = 512;

PortError OpenError(int error) {
    switch (error) {
    case EBUSY:
    case EWOULDBLOCK:
    case EACCES:
    case EPERM:
        return PortError::Busy;
    case ENOENT:
    case ENXIO:
    case ENODEV:
        return PortError::NotFound;
    default:
        return PortError::System;
    }
}

// Modem-line and queue ioctls that a device without them (a pseudo-terminal, a printer
// port) refuses.
bool NotSupported(int error) {
    return error == ENOTTY || error == EINVAL;
}

bool IsParallelDevice(const std::string& path) {
    std::string::size_type slash = path.rfind('/');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    return name.rfind("lp", 0) == 0;
}

std::optional<speed_t> StandardSpeed(ViUInt32 baud) {
    constexpr std::pair<ViUInt32, speed_t> kSpeeds[] = {
        {110, B110},   {300, B300},     {600, B600},     {1200, B1200},   {2400, B2400},     {4800, B4800},
        {9600, B9600}, {19200, B19200}, {38400, B38400}, {57600, B57600}, {115200, B115200},
    };
    for (const auto& [rate, speed] : kSpeeds) {
        if (rate == baud) {
            return speed;
        }
    }
    return std::nullopt;
}

// Unix 98 pseudo-terminal slaves have the majors 136 to 143.
bool IsPseudoTerminalSlave(int fd) {
    struct stat info {};
    return ::fstat(fd, &info) == 0 && S_ISCHR(info.st_mode) && major(info.st_rdev) >= 136 &&
           major(info.st_rdev) <= 143;
}

tcflag_t CharacterSize(ViUInt16 dataBits) {
    switch (dataBits) {
    case 5:
        return CS5;
    case 6:
        return CS6;
    case 7:
        return CS7;
    default:
        return CS8;
    }
}

// Opens the device and takes its exclusive lock, which goes with the descriptor.
PortError OpenLocked(const std::string& path, UniqueFd& guard) {
    guard.Reset(::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    if (guard.get() < 0 || ::flock(guard.get(), LOCK_EX | LOCK_NB) != 0) {
        return OpenError(errno);
    }
    return PortError::None;
}

} // namespace

bool ValidBaud(ViUInt32 baud) {
    return std::find(kBaudRates.begin(), kBaudRates.end(), baud) != kBaudRates.end();
}

bool ValidLineSettings(const LineSettings& line) {
    return ValidBaud(line.baud) && line.parity <= 4 && line.dataBits >= 5 && line.dataBits <= 8 &&
           (line.stopBits == 10 || line.stopBits == 15 || line.stopBits == 20);
}

ViUInt32 RoundQueueSize(ViUInt32 size) {
    if (size == 0) {
        return kDefaultQueue;
    }
    if (size < 30) {
        return 30;
    }
    if (size % 2 == 0) {
        return size;
    }
    return size == UINT32_MAX ? size - 1 : size + 1;
}

SerialPort::~SerialPort() {
    Close();
}

void SerialPort::ResetRecord() {
    parallel_ = false;
    exclusive_ = false;
    line_ = LineSettings{};
    flow_ = 0;
    xon_ = 17;
    xoff_ = 19;
    replace_ = 0;
    rts_ = -1;
    dtr_ = -1;
    inputQueue_ = kDefaultQueue;
    outputQueue_ = kDefaultQueue;
    outputSizeGiven_ = false;
}

PortError SerialPort::Open(const std::string& path, const LineSettings& line) {
    if (!ValidLineSettings(line)) {
        return PortError::InvalidSetting;
    }
    std::lock_guard lock(mutex_);
    if (fd_ >= 0) {
        return PortError::Busy;
    }
    ResetRecord();
    line_ = line;
    // The lock keeps out every other open file description, also of root; TIOCEXCL
    // keeps out programs that do not lock. A pseudo-terminal's slave is left without it:
    // the program serving the line keeps it open, so the flag would outlive a client
    // that ends without closing, while the kernel drops the lock with the client.
    UniqueFd guard;
    if (PortError opened = OpenLocked(path, guard); opened != PortError::None) {
        return opened;
    }
    int fd = guard.get();
    parallel_ = IsParallelDevice(path);
    exclusive_ = !parallel_ && !IsPseudoTerminalSlave(fd);
    if (exclusive_ && ::ioctl(fd, TIOCEXCL) != 0) {
        if (!NotSupported(errno)) {
            return PortError::System;
        }
        exclusive_ = false;
    }
    fd_ = guard.Release();
    PortError applied = Apply();
    if (applied != PortError::None) {
        if (exclusive_) {
            ::ioctl(fd_, TIOCNXCL);
        }
        ::close(fd_);
        fd_ = -1;
        ResetRecord();
    }
    return applied;
}

PortError SerialPort::Probe(const std::string& path) {
    UniqueFd guard;
    return OpenLocked(path, guard); // closing the descriptor releases the lock
}

PortError SerialPort::Close() {
    std::lock_guard lock(mutex_);
    if (fd_ < 0) {
        return PortError::None;
    }
    if (exclusive_) {
        ::ioctl(fd_, TIOCNXCL);
    }
    if (!parallel_) {
        ::tcflush(fd_, TCIOFLUSH);
    }
    ::flock(fd_, LOCK_UN);
    int closed = ::close(fd_);
    fd_ = -1;
    ResetRecord();
    return closed == 0 ? PortError::None : PortError::System;
}

void SerialPort::Abandon() {
    std::lock_guard lock(mutex_);
    if (fd_ >= 0) {
        ::close(fd_); // the lock belongs to the opener's open file, which stays open there
        fd_ = -1;
    }
    ResetRecord();
}

// Called with the mutex held.
PortError SerialPort::Apply() {
    if (parallel_) {
        return PortError::None;
    }
    struct termios settings {};
    if (::tcgetattr(fd_, &settings) != 0) {
        return PortError::System;
    }
    ::cfmakeraw(&settings);
    settings.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
    settings.c_cflag |= CLOCAL | CREAD | CharacterSize(line_.dataBits);
    settings.c_iflag &= ~static_cast<tcflag_t>(INPCK | IXON | IXOFF | IXANY);
    switch (line_.parity) {
    case 1:
        settings.c_cflag |= PARENB | PARODD;
        settings.c_iflag |= INPCK; // checking only for odd and even parity
        break;
    case 2:
        settings.c_cflag |= PARENB;
        settings.c_iflag |= INPCK;
        break;
    case 3:
        settings.c_cflag |= PARENB | CMSPAR | PARODD;
        break;
    case 4:
        settings.c_cflag |= PARENB | CMSPAR;
        break;
    default:
        break;
    }
    if (line_.stopBits != 10) {
        settings.c_cflag |= CSTOPB; // one and a half with 5 data bits, else two
    }
    if (flow_ & 2) {
        settings.c_cflag |= CRTSCTS;
    }
    if (flow_ & 1) {
        settings.c_iflag |= IXON | IXOFF;
    }
    settings.c_cc[VSTART] = xon_;
    settings.c_cc[VSTOP] = xoff_;
    settings.c_cc[VMIN] = 0;
    settings.c_cc[VTIME] = 0;
    return Configure(settings);
}

// The settings and the rate go out in one call, so the line never passes through another
// rate: the C library's call for rates with a constant, the kernel's own for the others.
PortError SerialPort::Configure(::termios& settings) {
    if (std::optional<speed_t> speed = StandardSpeed(line_.baud)) {
        settings.c_cflag &= ~static_cast<tcflag_t>(CIBAUD); // a separate input rate left by the other call
        ::cfsetispeed(&settings, *speed);
        ::cfsetospeed(&settings, *speed);
        if (::tcsetattr(fd_, TCSANOW, &settings) == 0 || (errno == EINVAL && InEffectButFraming(settings))) {
            return PortError::None;
        }
        return PortError::System;
    }
    TerminalFlags flags;
    flags.input = settings.c_iflag;
    flags.output = settings.c_oflag;
    flags.control = settings.c_cflag;
    flags.local = settings.c_lflag;
    std::copy_n(settings.c_cc, kKernelControlChars, flags.characters);
    if (ApplyWithBaudRate(fd_, flags, line_.baud) || (errno == EINVAL && InEffectButFraming(settings))) {
        return PortError::None;
    }
    return errno == EINVAL ? PortError::InvalidSetting : PortError::System;
}

// A device with a fixed framing (a pseudo-terminal keeps 8 data bits without parity)
// refuses a request that would change nothing else: it counts as applied when all but
// the framing, the rate included, is in effect.
bool SerialPort::InEffectButFraming(const ::termios& wanted) const {
    ::termios now{};
    unsigned baud = 0;
    constexpr tcflag_t kFraming = CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CBAUD | CIBAUD;
    return ::tcgetattr(fd_, &now) == 0 && (now.c_cflag & ~kFraming) == (wanted.c_cflag & ~kFraming) &&
           now.c_iflag == wanted.c_iflag && now.c_oflag == wanted.c_oflag && now.c_lflag == wanted.c_lflag &&
           CurrentBaudRate(fd_, baud) && baud == line_.baud;
}

PortError SerialPort::SetLine(const LineSettings& line) {
    if (!ValidLineSettings(line)) {
        return PortError::InvalidSetting;
    }
    std::lock_guard lock(mutex_);
    if (fd_ < 0) {
        return PortError::System;
    }
    LineSettings previous = line_;
    line_ = line;
    PortError applied = Apply();
    if (applied != PortError::None) {
        line_ = previous;
        Apply();
    }
    return applied;
}

LineSettings SerialPort::line() const {
    std::lock_guard lock(mutex_);
    return line_;
}

PortError SerialPort::SetFlowControl(ViUInt16 flow) {
    if (flow > 7) {
        return PortError::InvalidSetting;
    }
    std::lock_guard lock(mutex_);
    ViUInt16 previous = flow_;
    flow_ = flow;
    PortError applied = fd_ >= 0 ? Apply() : PortError::System;
    if (applied != PortError::None) {
        flow_ = previous;
    }
    return applied;
}

ViUInt16 SerialPort::flowControl() const {
    std::lock_guard lock(mutex_);
    return flow_;
}

PortError SerialPort::SetCharacters(ViUInt8 xon, ViUInt8 xoff, ViUInt8 replace) {
    std::lock_guard lock(mutex_);
    xon_ = xon;
    xoff_ = xoff;
    replace_ = replace; // recorded: the terminal layer has no replacement character
    return fd_ >= 0 ? Apply() : PortError::System;
}

ViUInt8 SerialPort::xonChar() const {
    std::lock_guard lock(mutex_);
    return xon_;
}
ViUInt8 SerialPort::xoffChar() const {
    std::lock_guard lock(mutex_);
    return xoff_;
}
ViUInt8 SerialPort::replaceChar() const {
    std::lock_guard lock(mutex_);
    return replace_;
}

PortError SerialPort::SetModemLine(int lineBit, bool set) {
    std::lock_guard lock(mutex_);
    if (fd_ < 0) {
        return PortError::System;
    }
    if (!parallel_ && ::ioctl(fd_, set ? TIOCMBIS : TIOCMBIC, &lineBit) != 0 && !NotSupported(errno)) {
        return PortError::Io;
    }
    (lineBit == TIOCM_RTS ? rts_ : dtr_) = set ? 1 : 0;
    return PortError::None;
}

ViInt16 SerialPort::RecordedLine(int lineBit) const {
    std::lock_guard lock(mutex_);
    return lineBit == TIOCM_RTS ? rts_ : dtr_;
}

ViInt16 SerialPort::LineState(int lineBit) const {
    int lines = 0;
    if (fd_ < 0 || ::ioctl(fd_, TIOCMGET, &lines) != 0) {
        return -1;
    }
    return (lines & lineBit) ? 1 : 0;
}

PortError SerialPort::SendBreak(ViUInt32 milliseconds) {
    if (milliseconds == 0 || milliseconds >= 256) {
        milliseconds = 250;
    }
    if (fd_ < 0 || ::ioctl(fd_, TIOCSBRK) != 0) {
        return PortError::Io;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
    return ::ioctl(fd_, TIOCCBRK) == 0 ? PortError::None : PortError::Io;
}

PortError SerialPort::PurgeInput() {
    if (fd_ < 0) {
        return PortError::System;
    }
    return parallel_ || ::tcflush(fd_, TCIFLUSH) == 0 ? PortError::None : PortError::Io;
}

PortError SerialPort::PurgeOutput() {
    if (fd_ < 0) {
        return PortError::System;
    }
    return parallel_ || ::tcflush(fd_, TCOFLUSH) == 0 ? PortError::None : PortError::Io;
}

// The queue is first waited for with the deadline and the abort request: output held by
// flow control would otherwise keep tcdrain() waiting for ever.
PortError SerialPort::Drain(ViUInt32 timeoutMs, AbortRequest& abort) {
    if (fd_ < 0) {
        return PortError::System;
    }
    if (PortError waited = WaitForOutputBelow(1, DeadlineAfter(timeoutMs), abort);
        waited != PortError::None) {
        return waited;
    }
    while (::tcdrain(fd_) != 0) {
        if (errno != EINTR) {
            return NotSupported(errno) ? PortError::None : PortError::Io;
        }
    }
    return PortError::None;
}

ViUInt32 SerialPort::InputCount() const {
    int count = 0;
    return fd_ >= 0 && ::ioctl(fd_, FIONREAD, &count) == 0 && count > 0 ? static_cast<ViUInt32>(count) : 0;
}

ViUInt32 SerialPort::OutputCount() const {
    int count = 0;
    return fd_ >= 0 && ::ioctl(fd_, TIOCOUTQ, &count) == 0 && count > 0 ? static_cast<ViUInt32>(count) : 0;
}

void SerialPort::SetQueueSizes(bool input, bool output, ViUInt32 size) {
    std::lock_guard lock(mutex_);
    if (input) {
        inputQueue_ = RoundQueueSize(size);
    }
    if (output) {
        outputQueue_ = RoundQueueSize(size);
        outputSizeGiven_ = true;
    }
}

} // namespace corvid::visaio
