// What the sending and the receiving side of window messages share: where a class's
// socket lives, socket addresses for long paths, and the frame layout.
#pragma once

#include "platform/window_message.h"
#include "unique_fd.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <sys/socket.h>
#include <sys/un.h>

namespace corvid::platform::detail {

// $CORVID_RUNTIME_DIR/wnd, without creating or checking anything.
std::string WindowDirPath();

// A Unix socket address for a path. A path too long for sun_path is reached through
// the descriptor of its directory (/proc/self/fd/<n>/<name>), which stays open as long
// as the address lives. Throws std::system_error when even that does not fit.
class SocketAddress {
public:
    explicit SocketAddress(const std::string& path);
    const sockaddr* get() const { return reinterpret_cast<const sockaddr*>(&address_); }
    socklen_t size() const { return size_; }

private:
    sockaddr_un address_{};
    socklen_t size_ = 0;
    UniqueFd directory_;
};

// Whether a live window listens at the path: the connect is accepted or waits in a full
// backlog. A refused connect or a vanished path means no window; other failures throw.
bool IsListening(const std::string& path);

using RequestFrame = std::array<unsigned char, kRequestFrameSize>;
using ReplyFrame = std::array<unsigned char, kReplyFrameSize>;

RequestFrame EncodeRequest(const WindowMessage& message);
// False when the frame does not start with the magic.
bool DecodeRequest(const RequestFrame& frame, WindowMessage& message);
ReplyFrame EncodeReply(MessageResult result);
MessageResult DecodeReply(const ReplyFrame& frame);

} // namespace corvid::platform::detail
