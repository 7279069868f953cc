#include "debugger/controller_window.h"

#include "debugger/engine.h"
#include "link/debugger_link.h"

namespace corvid::debugger {

std::unique_ptr<ControllerWindow>
ControllerWindow::Create(Engine& engine, std::function<void(const platform::WindowMessage&)> onMessage) {
    auto window = platform::MessageWindow::Create(
        link::kControllerWindowClass,
        [&engine, onMessage = std::move(onMessage)](const platform::WindowMessage& message) {
            if (onMessage)
                onMessage(message);
            return engine.Handle(message);
        });
    if (!window)
        return nullptr;
    return std::unique_ptr<ControllerWindow>(new ControllerWindow(std::move(window)));
}

} // namespace corvid::debugger
