#include "debugger/controller_window.h"
#include "link/debugger_link.h"
#include "ombra/open_request.h"
#include "ombra/startup.h"
#include "platform/window_message.h"

#include <chrono>
#include <future>
#include <memory>
#include <thread>
#include <unistd.h>

namespace corvid::ombra {
namespace {

constexpr std::chrono::seconds kAnswerWait{2};

} // namespace

bool ActivateRunningInstance(const CommandLine& line) {
    const platform::WindowHandle window = link::FindController();
    // A socket left behind by a debugger that died still names the class.
    if (!platform::IsWindowAlive(window))
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
