#include "pty_line.h"

#include <array>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <system_error>
#include <termios.h>
#include <unistd.h>

namespace corvid::sim {

namespace {

[[noreturn]] void Fail(const char* what) {
    throw std::system_error(errno, std::generic_category(), what);
}

} // namespace

PtyLine::PtyLine() {
    master_ = UniqueFd(::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC));
    if (master_.get() < 0) {
        Fail("posix_openpt");
    }
    if (::grantpt(master_.get()) != 0) {
        Fail("grantpt");
    }
    if (::unlockpt(master_.get()) != 0) {
        Fail("unlockpt");
    }
    std::array<char, 128> name{};
    if (int error = ::ptsname_r(master_.get(), name.data(), name.size()); error != 0) {
        errno = error;
        Fail("ptsname");
    }
    device_ = name.data();
    slave_ = UniqueFd(::open(device_.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC));
    if (slave_.get() < 0) {
        Fail("open the terminal device");
    }
    termios settings{};
    if (::tcgetattr(slave_.get(), &settings) != 0) {
        Fail("tcgetattr");
    }
    ::cfmakeraw(&settings);
    if (::tcsetattr(slave_.get(), TCSANOW, &settings) != 0) {
        Fail("tcsetattr");
    }
    int flags = ::fcntl(master_.get(), F_GETFL);
    if (flags < 0 || ::fcntl(master_.get(), F_SETFL, flags | O_NONBLOCK) != 0) {
        Fail("fcntl");
    }
}

} // namespace corvid::sim
