// The receiving side of window messages: a listening socket per window class, and the
// pump that answers requests on the window's thread.
#include "platform/runtime_dir.h"
#include "platform/window_message.h"
#include "window_socket.h"

#include <cerrno>
#include <climits>
#include <exception>
#include <fcntl.h>
#include <sys/epoll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_map>

namespace corvid::platform {
namespace {

using detail::RequestFrame;
using detail::ThrowErrno;
using detail::UniqueFd;

constexpr std::uint64_t kListenerId = 0;
constexpr int kMaxEvents = 64;

// One accepted connection and the part of a request read from it so far.
struct Connection {
    UniqueFd socket;
    RequestFrame buffer{};
    std::size_t have = 0;
    bool busy = false;     // its request is in the handler right now
    bool detached = false; // taken out of the poll set while busy (see Serve)
};

// Serialises the single-instance check and bind against other processes.
UniqueFd LockDirectory(const std::string& dir) {
    UniqueFd lock(::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!lock)
        ThrowErrno("cannot open " + dir);
    while (::flock(lock.get(), LOCK_EX) != 0)
        if (errno != EINTR)
            ThrowErrno("cannot lock " + dir);
    return lock;
}

int RemainingMilliseconds(std::chrono::steady_clock::time_point deadline) {
    auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0)
        return 0;
    return left.count() > INT_MAX ? INT_MAX : static_cast<int>(left.count());
}

} // namespace

struct MessageWindow::State {
    std::string className;
    std::string path;
    ino_t inode = 0;
    MessageHandler handler;
    UniqueFd listener;
    UniqueFd poller;
    std::unordered_map<std::uint64_t, Connection> connections;
    std::uint64_t nextId = kListenerId + 1;

    ~State();
    void Bind(const std::string& dir);
    void Watch(int fd, std::uint64_t id);
    void AcceptWaiting();
    int Serve(std::uint64_t id);
    void Answer(std::uint64_t id, Connection& connection, const WindowMessage& message);
};

MessageWindow::State::~State() {
    connections.clear();
    listener.Reset();
    struct stat info {};
    if (inode != 0 && ::stat(path.c_str(), &info) == 0 && info.st_ino == inode)
        ::unlink(path.c_str());
}

// Binds the listener at the class's path, replacing a stale socket; leaves `inode` 0
// when a live window of the class exists. The socket is bound and listening under a
// temporary name first, so that the path never names a window that refuses connects.
// The caller holds the directory lock, which makes the temporary name private.
void MessageWindow::State::Bind(const std::string& dir) {
    if (detail::IsListening(path))
        return;
    const std::string temporary = dir + "/.binding";
    if (::unlink(temporary.c_str()) != 0 && errno != ENOENT)
        ThrowErrno("cannot remove " + temporary);
    detail::SocketAddress address(temporary);
    struct stat info {};
    if (::bind(listener.get(), address.get(), address.size()) != 0)
        ThrowErrno("cannot bind " + temporary);
    if (::chmod(temporary.c_str(), 0600) != 0 || ::listen(listener.get(), SOMAXCONN) != 0 ||
        ::stat(temporary.c_str(), &info) != 0 || ::rename(temporary.c_str(), path.c_str()) != 0) {
        int error = errno;
        ::unlink(temporary.c_str());
        detail::ThrowError(error, "cannot listen at " + path);
    }
    inode = info.st_ino;
}

void MessageWindow::State::Watch(int fd, std::uint64_t id) {
    epoll_event event{};
    event.events = EPOLLIN;
    event.data.u64 = id;
    if (::epoll_ctl(poller.get(), EPOLL_CTL_ADD, fd, &event) != 0)
        ThrowErrno("cannot watch a window connection");
}

void MessageWindow::State::AcceptWaiting() {
    for (;;) {
        UniqueFd socket(::accept4(listener.get(), nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC));
        if (!socket) {
            if (errno == EINTR || errno == ECONNABORTED)
                continue;
            return;
        }
        ucred peer{};
        socklen_t length = sizeof peer;
        if (::getsockopt(socket.get(), SOL_SOCKET, SO_PEERCRED, &peer, &length) != 0 ||
            peer.uid != ::geteuid())
            continue; // another user's process: closed unanswered
        std::uint64_t id = nextId++;
        Watch(socket.get(), id);
        connections.emplace(id, Connection{std::move(socket)});
    }
}

// Reads from one connection and handles the request once it is complete. Returns the
// number of requests handled (0 or 1). Reading one request at a time leaves the rest
// in the socket, so the poll set still reports it.
int MessageWindow::State::Serve(std::uint64_t id) {
    auto found = connections.find(id);
    if (found == connections.end())
        return 0;
    Connection& connection = found->second;
    if (connection.busy) {
        // A handler pumping in a modal loop while this connection's request is being
        // answered: its next request waits for that answer, out of the poll set meanwhile.
        ::epoll_ctl(poller.get(), EPOLL_CTL_DEL, connection.socket.get(), nullptr);
        connection.detached = true;
        return 0;
    }
    ssize_t got = ::read(connection.socket.get(), connection.buffer.data() + connection.have,
                         connection.buffer.size() - connection.have);
    if (got < 0 && (errno == EAGAIN || errno == EINTR))
        return 0;
    if (got <= 0) {
        connections.erase(found);
        return 0;
    }
    connection.have += static_cast<std::size_t>(got);
    if (connection.have < connection.buffer.size())
        return 0;
    connection.have = 0;
    WindowMessage message;
    if (!detail::DecodeRequest(connection.buffer, message)) {
        connections.erase(found); // not a peer that speaks this protocol
        return 0;
    }
    Answer(id, connection, message);
    return 1;
}

void MessageWindow::State::Answer(std::uint64_t id, Connection& connection, const WindowMessage& message) {
    MessageResult result = 0;
    std::exception_ptr failure;
    connection.busy = true;
    try {
        result = handler(message);
    } catch (...) {
        failure = std::current_exception();
    }
    connection.busy = false;
    const auto reply = detail::EncodeReply(result);
    bool keep = ::send(connection.socket.get(), reply.data(), reply.size(), MSG_NOSIGNAL | MSG_DONTWAIT) ==
                static_cast<ssize_t>(reply.size());
    if (keep && connection.detached) {
        epoll_event event{};
        event.events = EPOLLIN;
        event.data.u64 = id;
        keep = ::epoll_ctl(poller.get(), EPOLL_CTL_ADD, connection.socket.get(), &event) == 0;
        connection.detached = false;
    }
    if (!keep)
        connections.erase(id); // gone, or not reading its answers
    if (failure)
        std::rethrow_exception(failure);
}

std::unique_ptr<MessageWindow> MessageWindow::Create(const std::string& className, MessageHandler handler) {
    detail::CheckObjectName(className, "window class");
    const std::string dir = EnsureRuntimeSubdir("wnd").string();
    auto state = std::make_unique<State>();
    state->className = className;
    state->path = dir + "/" + className;
    state->handler = std::move(handler);
    state->listener.Reset(::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    state->poller.Reset(::epoll_create1(EPOLL_CLOEXEC));
    if (!state->listener || !state->poller)
        ThrowErrno("cannot create the window of " + className);
    {
        UniqueFd lock = LockDirectory(dir);
        state->Bind(dir);
    }
    if (state->inode == 0)
        return nullptr;
    state->Watch(state->listener.get(), kListenerId);
    return std::unique_ptr<MessageWindow>(new MessageWindow(std::move(state)));
}

MessageWindow::MessageWindow(std::unique_ptr<State> state) : state_(std::move(state)) {}

MessageWindow::~MessageWindow() = default;

const std::string& MessageWindow::className() const {
    return state_->className;
}

int MessageWindow::fd() const {
    return state_->poller.get();
}

int MessageWindow::Pump(std::chrono::milliseconds timeout) {
    const bool forever = timeout.count() < 0;
    const auto deadline =
        std::chrono::steady_clock::now() + (forever ? std::chrono::milliseconds(0) : timeout);
    epoll_event events[kMaxEvents];
    int handled = 0;
    for (;;) {
        int ready = ::epoll_wait(state_->poller.get(), events, kMaxEvents,
                                 forever ? -1 : RemainingMilliseconds(deadline));
        if (ready < 0 && errno != EINTR)
            ThrowErrno("cannot wait for window messages");
        for (int i = 0; i < ready; ++i) {
            if (events[i].data.u64 == kListenerId)
                state_->AcceptWaiting();
            else
                handled += state_->Serve(events[i].data.u64);
        }
        if (handled > 0 || (!forever && std::chrono::steady_clock::now() >= deadline))
            return handled;
    }
}

} // namespace corvid::platform
