// Window classes and blocking sent messages between processes of one user.
//
// A window class with a live window is a listening Unix stream socket at
// $CORVID_RUNTIME_DIR/wnd/<class name>. A sent message is one 32-byte request frame
// (magic "OBMW", message, wParam, lParam, sender's pid, reserved; little-endian) answered
// by one 8-byte reply frame (the signed result). A connection carries any number of
// request/reply exchanges.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace corvid::platform {

constexpr std::uint32_t WM_USER = 0x400;

// Sizes and magic of the frames on the wire.
constexpr std::uint32_t kWindowMessageMagic = 0x574D424F; // the bytes "OBMW"
constexpr std::size_t kRequestFrameSize = 32;
constexpr std::size_t kReplyFrameSize = 8;

struct WindowMessage {
    std::uint32_t message = 0;
    std::uint64_t wParam = 0;
    std::int64_t lParam = 0;
    std::uint32_t senderPid = 0;
};

using MessageResult = std::int64_t;

// A window found by its class name. value() is non-zero when a window was found.
class WindowHandle {
public:
    WindowHandle() = default;

    explicit operator bool() const { return value_ != 0; }
    std::uint64_t value() const { return value_; }
    const std::string& className() const { return className_; }
    // The socket path of the window, empty when none was found.
    const std::string& socketPath() const { return socketPath_; }

private:
    friend WindowHandle FindWindowByClass(std::string_view className);
    WindowHandle(std::string className, std::string socketPath, std::uint64_t value);

    std::string className_;
    std::string socketPath_;
    std::uint64_t value_ = 0; // from the socket's inode and change time: tells a recreated window
};

// The window of a class, found when its socket path exists and belongs to this user.
// Cheap: builds the path and stats it; creates nothing.
WindowHandle FindWindowByClass(std::string_view className);

// Whether the window found is alive: something listens at its socket. A socket left by a
// program that died is not; when the probe itself fails the window counts as alive, so
// that a busy window is never taken for a dead one.
bool IsWindowAlive(const WindowHandle& window);

// Sends a message and waits for its answer. Returns 0 when the window cannot be reached
// or closes the connection before replying. Each thread keeps its connection to a window
// open between messages; a request is sent again on a fresh connection only when the
// kept one was found broken before anything of the request was delivered.
// Never send to a window that the calling thread pumps itself: that waits forever.
MessageResult SendWindowMessage(const WindowHandle& window, std::uint32_t message, std::uint64_t wParam,
                                std::int64_t lParam);

using MessageHandler = std::function<MessageResult(const WindowMessage&)>;

// A registered window class with its live window. Requests are handled by Pump on the
// thread that calls it (the window's user-interface thread).
class MessageWindow {
public:
    // Registers the class and creates its window. Returns nullptr when another live
    // window of that class exists (the single-instance check); a stale socket path left
    // by a dead process is replaced. Throws std::system_error (also for an invalid class
    // name) or RuntimeDirError.
    static std::unique_ptr<MessageWindow> Create(const std::string& className, MessageHandler handler);

    // Closes every connection and removes the socket path (when it is still this window's).
    ~MessageWindow();
    MessageWindow(const MessageWindow&) = delete;
    MessageWindow& operator=(const MessageWindow&) = delete;

    const std::string& className() const;

    // One pollable descriptor, readable while connections or requests wait (for a
    // socket notifier of an event loop, which then calls Pump with a zero timeout).
    int fd() const;

    // Handles the waiting requests, waiting up to `timeout` for the first one (a negative
    // timeout waits without limit). Calls the handler on the calling thread in arrival
    // order and answers every request with the handler's result. Returns the number of
    // requests handled. The handler may pump again (a modal loop); a request that arrives
    // meanwhile on the connection being answered waits for that answer. When the handler
    // throws, its request is answered 0 and the exception leaves Pump. The window must
    // not be destroyed from inside its handler.
    int Pump(std::chrono::milliseconds timeout);

private:
    struct State;
    explicit MessageWindow(std::unique_ptr<State> state);
    std::unique_ptr<State> state_;
};

} // namespace corvid::platform
