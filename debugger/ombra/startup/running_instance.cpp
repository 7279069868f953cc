#include "debugger/controller_window.h"
#include "link/debugger_link.h"
#include "ombra/open_request.h"
#include "ombra/startup.h"
#include "platform/window_message.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <future>
#include <memory>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

namespace corvid::ombra {
namespace {

// A socket path left behind by a debugger that died still names the class; only a
// listening socket means a live window. Anything but a refused connect counts as alive,
// so that a busy debugger is never taken for a dead one.
bool IsListening(const std::string& socketPath) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (socketPath.size() >= sizeof address.sun_path)
        return false;
    std::memcpy(address.sun_path, socketPath.c_str(), socketPath.size() + 1);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return true;
    int result = 0;
    do {
        result = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address);
    } while (result != 0 && errno == EINTR);
    const int error = result == 0 ? 0 : errno;
    ::close(fd);
    return error != ECONNREFUSED && error != ENOENT;
}

constexpr std::chrono::seconds kAnswerWait{2};

} // namespace

bool ActivateRunningInstance(const CommandLine& line) {
    const platform::WindowHandle window = link::FindController();
    if (!window || !IsListening(window.socketPath()))
        return false;
    const std::int64_t request = WriteOpenRequest(line, ::getpid()) ? kOpenRequestWaits : 0;
    // The running debugger answers once its event loop turns; while it shows a question of
    // its own that may take long, so this instance waits a little and ends regardless.
    auto answered = std::make_shared<std::promise<void>>();
    std::future<void> done = answered->get_future();
    std::thread([window, answered, request] {
        platform::SendWindowMessage(window, debugger::kShowControllerMessage, 1, request);
        answered->set_value();
    }).detach();
    done.wait_for(kAnswerWait);
    return true;
}

} // namespace corvid::ombra
