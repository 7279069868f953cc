#include "window_socket.h"

#include "platform/runtime_dir.h"

#include <cerrno>
#include <cstddef>
#include <cstring>
#include <fcntl.h>
#include <sys/socket.h>
#include <type_traits>

namespace corvid::platform::detail {
namespace {

template <typename T>
void PutLittleEndian(unsigned char* out, T value) {
    auto bits = static_cast<std::make_unsigned_t<T>>(value);
    for (std::size_t i = 0; i < sizeof(T); ++i)
        out[i] = static_cast<unsigned char>(bits >> (8 * i));
}

template <typename T>
T GetLittleEndian(const unsigned char* in) {
    std::make_unsigned_t<T> bits = 0;
    for (std::size_t i = 0; i < sizeof(T); ++i)
        bits |= static_cast<std::make_unsigned_t<T>>(in[i]) << (8 * i);
    return static_cast<T>(bits);
}

bool FitsSunPath(std::size_t length) {
    return length < sizeof(sockaddr_un::sun_path);
}

} // namespace

std::string WindowDirPath() {
    return (RuntimeDirPath() / "wnd").string();
}

SocketAddress::SocketAddress(const std::string& path) {
    address_.sun_family = AF_UNIX;
    std::string usable = path;
    if (!FitsSunPath(path.size())) {
        auto slash = path.rfind('/');
        std::string dir = slash == std::string::npos ? "." : path.substr(0, slash);
        directory_.Reset(::open(dir.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
        if (!directory_)
            ThrowErrno("cannot open " + dir);
        usable = "/proc/self/fd/" + std::to_string(directory_.get()) + path.substr(slash);
        if (!FitsSunPath(usable.size()))
            ThrowError(ENAMETOOLONG, "socket path too long: " + path);
    }
    std::memcpy(address_.sun_path, usable.c_str(), usable.size() + 1);
    size_ = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + usable.size() + 1);
}

bool IsListening(const std::string& path) {
    const SocketAddress address(path);
    UniqueFd probe(::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    if (!probe)
        ThrowErrno("cannot create a socket");
    if (::connect(probe.get(), address.get(), address.size()) == 0 || errno == EAGAIN || errno == EINPROGRESS)
        return true;
    if (errno == ECONNREFUSED || errno == ENOENT)
        return false;
    ThrowErrno("cannot probe " + path);
}

RequestFrame EncodeRequest(const WindowMessage& message) {
    RequestFrame frame{};
    PutLittleEndian(&frame[0], kWindowMessageMagic);
    PutLittleEndian(&frame[4], message.message);
    PutLittleEndian(&frame[8], message.wParam);
    PutLittleEndian(&frame[16], message.lParam);
    PutLittleEndian(&frame[24], message.senderPid);
    PutLittleEndian(&frame[28], std::uint32_t{0});
    return frame;
}

bool DecodeRequest(const RequestFrame& frame, WindowMessage& message) {
    if (GetLittleEndian<std::uint32_t>(&frame[0]) != kWindowMessageMagic)
        return false;
    message.message = GetLittleEndian<std::uint32_t>(&frame[4]);
    message.wParam = GetLittleEndian<std::uint64_t>(&frame[8]);
    message.lParam = GetLittleEndian<std::int64_t>(&frame[16]);
    message.senderPid = GetLittleEndian<std::uint32_t>(&frame[24]);
    return true;
}

ReplyFrame EncodeReply(MessageResult result) {
    ReplyFrame frame{};
    PutLittleEndian(&frame[0], result);
    return frame;
}

MessageResult DecodeReply(const ReplyFrame& frame) {
    return GetLittleEndian<MessageResult>(&frame[0]);
}

} // namespace corvid::platform::detail
