#include "stop_signals.h"

#include <cerrno>
#include <sys/signalfd.h>
#include <system_error>

namespace corvid::sim {

StopSignals::StopSignals() {
    sigset_t stop;
    sigemptyset(&stop);
    sigaddset(&stop, SIGTERM);
    sigaddset(&stop, SIGINT);
    sigaddset(&stop, SIGHUP);
    if (int error = ::pthread_sigmask(SIG_BLOCK, &stop, &previous_); error != 0) {
        throw std::system_error(error, std::generic_category(), "pthread_sigmask");
    }
    fd_ = UniqueFd(::signalfd(-1, &stop, SFD_CLOEXEC | SFD_NONBLOCK));
    if (fd_.get() < 0) {
        int error = errno;
        ::pthread_sigmask(SIG_SETMASK, &previous_, nullptr);
        throw std::system_error(error, std::generic_category(), "signalfd");
    }
}

} // namespace corvid::sim
