// Finding windows and sending them messages.
#include "platform/window_message.h"
#include "window_socket.h"

#include <algorithm>
#include <cerrno>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace corvid::platform {
namespace {

using detail::ReplyFrame;
using detail::RequestFrame;
using detail::UniqueFd;

// One kept connection of the calling thread. The pid tells a connection inherited
// through fork, which the child must not share with its parent.
struct KeptConnection {
    std::string path;
    std::uint64_t inode = 0;
    pid_t owner = 0;
    UniqueFd socket;
};

// The connections the calling thread keeps to windows, newest last.
class ConnectionCache {
public:
    KeptConnection* Find(const WindowHandle& window, pid_t self) {
        for (auto& kept : kept_)
            if (kept.inode == window.value() && kept.owner == self && kept.path == window.socketPath())
                return &kept;
        return nullptr;
    }

    // Keeps a new connection, replacing any older one to the same path or from before a fork.
    void Keep(const WindowHandle& window, pid_t self, UniqueFd socket) {
        std::erase_if(kept_, [&](const KeptConnection& kept) {
            return kept.path == window.socketPath() || kept.owner != self;
        });
        if (kept_.size() >= kMaxKept)
            kept_.erase(kept_.begin());
        kept_.push_back({window.socketPath(), window.value(), self, std::move(socket)});
    }

    void Drop(const KeptConnection* connection) {
        std::erase_if(kept_, [&](const KeptConnection& kept) { return &kept == connection; });
    }

private:
    static constexpr std::size_t kMaxKept = 8;
    std::vector<KeptConnection> kept_;
};

thread_local ConnectionCache keptConnections;

UniqueFd Connect(const std::string& path) {
    UniqueFd socket(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!socket)
        return {};
    try {
        detail::SocketAddress address(path);
        while (::connect(socket.get(), address.get(), address.size()) != 0)
            if (errno != EINTR)
                return {};
    } catch (const std::system_error&) {
        return {};
    }
    return socket;
}

// 0 when the whole request was written; otherwise the errno of the first failed write
// (EPROTO when a part had already been written).
int WriteRequest(int socket, const RequestFrame& frame) {
    std::size_t done = 0;
    while (done < frame.size()) {
        ssize_t sent = ::send(socket, frame.data() + done, frame.size() - done, MSG_NOSIGNAL);
        if (sent < 0) {
            if (errno == EINTR)
                continue;
            return done == 0 ? errno : EPROTO;
        }
        done += static_cast<std::size_t>(sent);
    }
    return 0;
}

bool ReadReply(int socket, ReplyFrame& frame) {
    std::size_t done = 0;
    while (done < frame.size()) {
        ssize_t got = ::recv(socket, frame.data() + done, frame.size() - done, 0);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return false;
        done += static_cast<std::size_t>(got);
    }
    return true;
}

// One exchange on a connection; false when it broke (the connection is then useless).
bool Exchange(int socket, const RequestFrame& request, MessageResult& result, int& writeError) {
    writeError = WriteRequest(socket, request);
    if (writeError != 0)
        return false;
    ReplyFrame reply{};
    if (!ReadReply(socket, reply))
        return false;
    result = detail::DecodeReply(reply);
    return true;
}

} // namespace

WindowHandle::WindowHandle(std::string className, std::string socketPath, std::uint64_t value)
    : className_(std::move(className)), socketPath_(std::move(socketPath)), value_(value != 0 ? value : 1) {}

WindowHandle FindWindowByClass(std::string_view className) {
    if (!detail::IsValidObjectName(className))
        return {};
    std::string path = detail::WindowDirPath();
    path += '/';
    path += className;
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || !S_ISSOCK(info.st_mode) || info.st_uid != ::geteuid())
        return {};
    // Inode numbers are reused at once; with the change time they tell a recreated window.
    const auto changed = static_cast<std::uint64_t>(info.st_ctim.tv_sec) * 1000000000u +
                         static_cast<std::uint64_t>(info.st_ctim.tv_nsec);
    return WindowHandle(std::string(className), std::move(path),
                        info.st_ino ^ (changed * 0x9E3779B97F4A7C15u));
}

bool IsWindowAlive(const WindowHandle& window) {
    if (!window)
        return false;
    try {
        return detail::IsListening(window.socketPath());
    } catch (const std::system_error&) {
        return true;
    }
}

MessageResult SendWindowMessage(const WindowHandle& window, std::uint32_t message, std::uint64_t wParam,
                                std::int64_t lParam) {
    if (!window)
        return 0;
    const pid_t self = ::getpid();
    const RequestFrame request =
        detail::EncodeRequest({message, wParam, lParam, static_cast<std::uint32_t>(self)});
    MessageResult result = 0;
    int writeError = 0;
    if (KeptConnection* kept = keptConnections.Find(window, self)) {
        if (Exchange(kept->socket.get(), request, result, writeError))
            return result;
        keptConnections.Drop(kept);
        // Only a connection that the window had already closed is certain not to have
        // delivered the request; anything later may have been handled.
        if (writeError != EPIPE && writeError != ECONNRESET)
            return 0;
    }
    UniqueFd socket = Connect(window.socketPath());
    if (!socket || !Exchange(socket.get(), request, result, writeError))
        return 0;
    keptConnections.Keep(window, self, std::move(socket));
    return result;
}

} // namespace corvid::platform
