// The debugger's controller window: the window of class "OMBRADEBUGCONTROLLER" that
// drivers find and send their messages to, answered by an engine.
#pragma once

#include "platform/window_message.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>

namespace corvid::debugger {

class Engine;

// Asks a running debugger to show its main window normally and bring it to the front (the
// window's "show" message with wParam 1); a second instance sends it before it ends.
inline constexpr std::uint32_t kShowControllerMessage = 0x0018;

class ControllerWindow {
public:
    // Null when another debugger's controller window is alive. Throws std::system_error
    // or platform::RuntimeDirError when the window cannot be created.
    // onMessage, when given, hears of every message before the engine handles it.
    static std::unique_ptr<ControllerWindow>
    Create(Engine& engine, std::function<void(const platform::WindowMessage&)> onMessage = {});

    // A descriptor that is readable while messages wait (for an event loop's notifier).
    int Fd() const { return window_->fd(); }
    // Handles waiting messages, waiting up to timeout for the first; returns how many.
    int Pump(std::chrono::milliseconds timeout) { return window_->Pump(timeout); }

private:
    explicit ControllerWindow(std::unique_ptr<platform::MessageWindow> window) : window_(std::move(window)) {}

    std::unique_ptr<platform::MessageWindow> window_;
};

} // namespace corvid::debugger
