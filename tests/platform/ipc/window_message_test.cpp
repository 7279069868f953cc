#include "platform/runtime_dir.h"
#include "platform/window_message.h"
#include "testsupport/sandbox.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <future>
#include <linux/sockios.h>
#include <poll.h>
#include <stdexcept>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using namespace corvid::platform;
using corvid::testing::ChildProcess;
using corvid::testing::SandboxTest;
using corvid::testing::WaitUntil;

constexpr char kClass[] = "TESTCONTROLLER";

// Messages the test windows understand.
constexpr std::uint32_t kEcho = WM_USER + 1;   // lParam * 3 + wParam
constexpr std::uint32_t kSender = WM_USER + 2; // the sender's pid
constexpr std::uint32_t kOrder = WM_USER + 3;  // how many requests came before this one
constexpr std::uint32_t kTag = WM_USER + 4;    // the window's tag
constexpr std::uint32_t kDie = WM_USER + 5;    // the window's process exits without answering
constexpr std::uint32_t kThrow = WM_USER + 6;  // the handler throws
constexpr std::uint32_t kUnknown = 0x7777;

MessageHandler TestHandler(MessageResult tag = 0) {
    auto seen = std::make_shared<MessageResult>(0);
    return [tag, seen](const WindowMessage& message) -> MessageResult {
        MessageResult order = (*seen)++;
        switch (message.message) {
        case kEcho:
            return message.lParam * 3 + static_cast<MessageResult>(message.wParam);
        case kSender:
            return message.senderPid;
        case kOrder:
            return order;
        case kTag:
            return tag;
        case kDie:
            ::_exit(0);
        case kThrow:
            throw std::runtime_error("handler failed");
        default:
            return 0;
        }
    };
}

// A window of kClass served by a forked child until the child is killed. It has
// answered one kEcho when this returns.
ChildProcess StartChildWindow(MessageResult tag = 0) {
    ChildProcess child = ChildProcess::Fork([tag] {
        auto window = MessageWindow::Create(kClass, TestHandler(tag));
        if (!window)
            return 3;
        for (;;)
            window->Pump(-1ms);
    });
    // Answered, not only found: a dead window's path may still be there.
    EXPECT_TRUE(WaitUntil([] { return SendWindowMessage(FindWindowByClass(kClass), kEcho, 1, 0) == 1; }));
    return child;
}

// Pumps a window until a child exits; returns its exit status (-1 after 20 s).
int PumpUntilExit(MessageWindow& window, ChildProcess& child) {
    auto deadline = std::chrono::steady_clock::now() + 20s;
    while (std::chrono::steady_clock::now() < deadline) {
        if (int status = child.Wait(0ms); status >= 0)
            return status;
        window.Pump(5ms);
    }
    return -1;
}

// Runs `work` on another thread while pumping a window; returns its result.
template <typename Work>
auto PumpWhile(MessageWindow& window, Work work) {
    auto future = std::async(std::launch::async, work);
    while (future.wait_for(0s) != std::future_status::ready)
        window.Pump(5ms);
    return future.get();
}

// --- Plain sockets, for checking the bytes on the wire ---

std::string ClassPath(const char* className = kClass) {
    return (RuntimeDirPath() / "wnd" / className).string();
}

int RawConnect(const std::string& path) {
    int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

int RawListen(const std::string& path) {
    int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    EXPECT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    EXPECT_EQ(::listen(fd, 8), 0);
    return fd;
}

// Reads exactly n bytes; fewer when the peer closes or nothing comes for 5 s.
std::vector<unsigned char> ReadBytes(int fd, std::size_t n) {
    std::vector<unsigned char> bytes;
    while (bytes.size() < n) {
        pollfd ready{fd, POLLIN, 0};
        if (::poll(&ready, 1, 5000) <= 0)
            break;
        unsigned char chunk[64];
        ssize_t got = ::read(fd, chunk, std::min(sizeof chunk, n - bytes.size()));
        if (got <= 0)
            break;
        bytes.insert(bytes.end(), chunk, chunk + got);
    }
    return bytes;
}

void WriteBytes(int fd, const std::vector<unsigned char>& bytes) {
    ASSERT_EQ(::write(fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
}

// A request frame written out byte by byte, as another implementation would.
std::vector<unsigned char> HandMadeRequest(std::uint32_t message, std::uint64_t wParam, std::int64_t lParam,
                                           std::uint32_t pid) {
    std::vector<unsigned char> frame = {'O', 'B', 'M', 'W'};
    for (int i = 0; i < 4; ++i)
        frame.push_back(static_cast<unsigned char>(message >> (8 * i)));
    for (int i = 0; i < 8; ++i)
        frame.push_back(static_cast<unsigned char>(wParam >> (8 * i)));
    for (int i = 0; i < 8; ++i)
        frame.push_back(static_cast<unsigned char>(static_cast<std::uint64_t>(lParam) >> (8 * i)));
    for (int i = 0; i < 4; ++i)
        frame.push_back(static_cast<unsigned char>(pid >> (8 * i)));
    frame.insert(frame.end(), 4, 0);
    return frame;
}

std::vector<unsigned char> Reply(std::int64_t result) {
    std::vector<unsigned char> bytes;
    for (int i = 0; i < 8; ++i)
        bytes.push_back(static_cast<unsigned char>(static_cast<std::uint64_t>(result) >> (8 * i)));
    return bytes;
}

using WindowMessageTest = SandboxTest;

TEST_F(WindowMessageTest, MessagesRoundTripBetweenProcesses) {
    ChildProcess window = StartChildWindow();
    WindowHandle handle = FindWindowByClass(kClass);
    ASSERT_TRUE(handle);
    EXPECT_NE(handle.value(), 0u);
    EXPECT_EQ(handle.className(), kClass);

    EXPECT_EQ(SendWindowMessage(handle, kEcho, 7, -42), -42 * 3 + 7);
    EXPECT_EQ(SendWindowMessage(handle, kEcho, 0, INT64_C(1) << 40), INT64_C(3) << 40);
    EXPECT_EQ(SendWindowMessage(handle, kSender, 0, 0), ::getpid());
    // Every request is answered, also one the window does not know, and the connection goes on.
    EXPECT_EQ(SendWindowMessage(handle, kUnknown, 1, 1), 0);
    EXPECT_EQ(SendWindowMessage(handle, kEcho, 1, 1), 4);

    MessageResult first = SendWindowMessage(handle, kOrder, 0, 0);
    for (MessageResult i = 1; i <= 100; ++i)
        ASSERT_EQ(SendWindowMessage(handle, kOrder, 0, 0), first + i);
}

TEST_F(WindowMessageTest, FramesOnTheWireAreExactlyTheDocumentedBytes) {
    ChildProcess window = StartChildWindow();
    int fd = RawConnect(ClassPath());
    ASSERT_GE(fd, 0);

    WriteBytes(fd, HandMadeRequest(kEcho, 7, -42, 1234));
    EXPECT_EQ(ReadBytes(fd, 8), (std::vector<unsigned char>{0x89, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}));
    WriteBytes(fd, HandMadeRequest(kSender, 0, 0, 0xA1B2C3D4));
    EXPECT_EQ(ReadBytes(fd, 8), Reply(0xA1B2C3D4));

    // Two requests in one write are answered in order; one split in two writes is put together.
    auto two = HandMadeRequest(kOrder, 0, 0, 1);
    auto second = HandMadeRequest(kOrder, 0, 0, 1);
    two.insert(two.end(), second.begin(), second.end());
    WriteBytes(fd, two);
    EXPECT_EQ(ReadBytes(fd, 16), [] {
        auto bytes = Reply(3);
        auto next = Reply(4);
        bytes.insert(bytes.end(), next.begin(), next.end());
        return bytes;
    }());
    auto split = HandMadeRequest(kEcho, 0, 5, 1);
    WriteBytes(fd, {split.begin(), split.begin() + 10});
    // The window has taken the first part before the rest is sent.
    EXPECT_TRUE(WaitUntil([fd] {
        int unread = -1;
        return ::ioctl(fd, SIOCOUTQ, &unread) == 0 && unread == 0;
    }));
    WriteBytes(fd, {split.begin() + 10, split.end()});
    EXPECT_EQ(ReadBytes(fd, 8), Reply(15));

    // A frame without the magic ends the connection unanswered.
    auto bad = HandMadeRequest(kEcho, 0, 5, 1);
    bad[0] = 'X';
    WriteBytes(fd, bad);
    EXPECT_TRUE(ReadBytes(fd, 8).empty());
    ::close(fd);
}

TEST_F(WindowMessageTest, AnotherUsersProcessIsRefused) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to connect as another user";
    int calls = 0;
    auto window = MessageWindow::Create(kClass, [&](const WindowMessage&) { return ++calls; });
    ASSERT_TRUE(window);
    // Let the other user reach the socket, so that only the peer check stands in the way.
    for (const fs::path& dir :
         {sandbox.runtime().parent_path(), sandbox.runtime(), sandbox.runtime() / "wnd"})
        ASSERT_EQ(::chmod(dir.c_str(), 0711), 0);
    ASSERT_EQ(::chmod(ClassPath().c_str(), 0666), 0);

    ChildProcess stranger = ChildProcess::Fork([] {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0)
            return 10;
        int fd = RawConnect(ClassPath());
        if (fd < 0)
            return 11;
        // Closed unanswered: either the write already finds it closed, or the read does.
        if (::send(fd, HandMadeRequest(kEcho, 1, 1, 1).data(), 32, MSG_NOSIGNAL) != 32)
            return errno == EPIPE || errno == ECONNRESET ? 0 : 12;
        return ReadBytes(fd, 8).empty() ? 0 : 13;
    });
    EXPECT_EQ(PumpUntilExit(*window, stranger), 0);
    EXPECT_EQ(calls, 0);
    EXPECT_EQ(PumpWhile(*window, [] { return SendWindowMessage(FindWindowByClass(kClass), kEcho, 0, 0); }),
              1);
}

TEST_F(WindowMessageTest, OnlyOneWindowOfAClassLives) {
    auto window = MessageWindow::Create(kClass, TestHandler());
    ASSERT_TRUE(window);
    EXPECT_EQ(window->className(), kClass);
    EXPECT_EQ(MessageWindow::Create(kClass, TestHandler()), nullptr);
    ChildProcess other =
        ChildProcess::Fork([] { return MessageWindow::Create(kClass, TestHandler()) ? 1 : 0; });
    EXPECT_EQ(PumpUntilExit(*window, other), 0);

    window.reset();
    EXPECT_FALSE(fs::exists(ClassPath()));
    EXPECT_FALSE(FindWindowByClass(kClass));
    EXPECT_TRUE(MessageWindow::Create(kClass, TestHandler()));
}

TEST_F(WindowMessageTest, StaleSocketOfADeadWindowIsReplaced) {
    ChildProcess dead = StartChildWindow();
    dead.Kill(SIGKILL);
    dead.Wait();
    WindowHandle stale = FindWindowByClass(kClass);
    EXPECT_TRUE(stale) << "the path of a dead window still exists";
    EXPECT_FALSE(IsWindowAlive(stale));
    EXPECT_EQ(SendWindowMessage(stale, kEcho, 1, 1), 0);

    auto window = MessageWindow::Create(kClass, TestHandler());
    ASSERT_TRUE(window);
    EXPECT_TRUE(IsWindowAlive(FindWindowByClass(kClass)));
    EXPECT_FALSE(IsWindowAlive(WindowHandle{}));
    ChildProcess sender = ChildProcess::Fork(
        [] { return SendWindowMessage(FindWindowByClass(kClass), kEcho, 1, 2) == 7 ? 0 : 1; });
    EXPECT_EQ(PumpUntilExit(*window, sender), 0);
}

TEST_F(WindowMessageTest, SenderReconnectsToARecreatedWindow) {
    ChildProcess first = StartChildWindow(1);
    WindowHandle old = FindWindowByClass(kClass);
    EXPECT_EQ(SendWindowMessage(old, kTag, 0, 0), 1);
    first.Kill(SIGKILL);
    first.Wait();
    EXPECT_EQ(SendWindowMessage(old, kTag, 0, 0), 0);

    ChildProcess second = StartChildWindow(2);
    WindowHandle current = FindWindowByClass(kClass);
    EXPECT_NE(current.value(), old.value());
    EXPECT_EQ(SendWindowMessage(current, kTag, 0, 0), 2);
    EXPECT_EQ(SendWindowMessage(old, kTag, 0, 0), 2);
}

TEST_F(WindowMessageTest, WindowDyingBeforeItAnswersGivesZero) {
    ChildProcess window = StartChildWindow();
    WindowHandle handle = FindWindowByClass(kClass);
    EXPECT_EQ(SendWindowMessage(handle, kEcho, 1, 0), 1);
    EXPECT_EQ(SendWindowMessage(handle, kDie, 0, 0), 0);
    EXPECT_EQ(window.Wait(), 0);
    EXPECT_EQ(SendWindowMessage(handle, kEcho, 1, 0), 0);
}

// A window of plain sockets: on each connection it answers `answers` requests with 5,
// then reads one more request without answering when `readOneMore`, and closes.
struct ScriptedWindow {
    ScriptedWindow(int answers, bool readOneMore) : listener(RawListen(ClassPath())) {
        thread = std::thread([this, answers, readOneMore] {
            pollfd ready{listener, POLLIN, 0};
            while (!stop && ::poll(&ready, 1, 20) >= 0) {
                if (!(ready.revents & POLLIN))
                    continue;
                int fd = ::accept(listener, nullptr, nullptr);
                current = fd;
                for (int n = 0; n < answers + (readOneMore ? 1 : 0) && ReadBytes(fd, 32).size() == 32; ++n) {
                    ++requests;
                    if (n < answers)
                        WriteBytes(fd, Reply(5));
                }
                current = -1;
                ::close(fd);
                ++closed;
            }
        });
    }
    ~ScriptedWindow() {
        stop = true;
        if (int fd = current; fd >= 0)
            ::shutdown(fd, SHUT_RDWR); // the sender keeps its connection open
        thread.join();
        ::close(listener);
    }
    int listener;
    std::atomic<bool> stop{false};
    std::atomic<int> current{-1};
    std::atomic<int> requests{0};
    std::atomic<int> closed{0};
    std::thread thread;
};

TEST_F(WindowMessageTest, RequestIsNeverRepeatedOnceWritten) {
    EnsureRuntimeSubdir("wnd");
    ScriptedWindow window(1, true);
    WindowHandle handle = FindWindowByClass(kClass);
    EXPECT_EQ(SendWindowMessage(handle, kEcho, 0, 0), 5);
    // Delivered, then the connection closed unanswered: a repeat would have been answered.
    EXPECT_EQ(SendWindowMessage(handle, kEcho, 0, 0), 0);
    EXPECT_EQ(SendWindowMessage(handle, kEcho, 0, 0), 5);
    EXPECT_EQ(window.requests, 3);
}

TEST_F(WindowMessageTest, RequestGoesOnAFreshConnectionWhenTheKeptOneWasClosed) {
    EnsureRuntimeSubdir("wnd");
    ScriptedWindow window(1, false);
    WindowHandle handle = FindWindowByClass(kClass);
    EXPECT_EQ(SendWindowMessage(handle, kEcho, 0, 0), 5);
    ASSERT_TRUE(WaitUntil([&] { return window.closed == 1; }));
    EXPECT_EQ(SendWindowMessage(handle, kEcho, 0, 0), 5);
    EXPECT_EQ(window.requests, 2);
}

TEST_F(WindowMessageTest, HandlerMayPumpWhileItAnswers) {
    MessageWindow* self = nullptr;
    std::vector<std::uint32_t> handled;
    std::atomic<bool> nested{false};
    auto window = MessageWindow::Create(kClass, [&](const WindowMessage& message) -> MessageResult {
        handled.push_back(message.message);
        if (message.message == kTag) {
            nested = true; // a modal loop until another sender was served
            auto deadline = std::chrono::steady_clock::now() + 10s;
            while (handled.size() < 2 && std::chrono::steady_clock::now() < deadline)
                self->Pump(5ms);
            return 100;
        }
        return static_cast<MessageResult>(handled.size());
    });
    ASSERT_TRUE(window);
    self = window.get();

    auto pipelined = std::async(std::launch::async, [] {
        int fd = RawConnect(ClassPath());
        auto frames = HandMadeRequest(kTag, 0, 0, 1);
        auto next = HandMadeRequest(kOrder, 0, 0, 1);
        frames.insert(frames.end(), next.begin(), next.end());
        WriteBytes(fd, frames);
        auto replies = ReadBytes(fd, 16);
        ::close(fd);
        return replies;
    });
    auto other = std::async(std::launch::async, [&] {
        WaitUntil([&] { return nested.load(); });
        return SendWindowMessage(FindWindowByClass(kClass), kEcho, 0, 0);
    });
    auto replies = PumpWhile(*window, [&] { return pipelined.get(); });

    // The second request of the busy connection waited for the first one's answer.
    auto expected = Reply(100);
    auto last = Reply(3);
    expected.insert(expected.end(), last.begin(), last.end());
    EXPECT_EQ(replies, expected);
    EXPECT_EQ(other.get(), 2);
    EXPECT_EQ(handled, (std::vector<std::uint32_t>{kTag, kEcho, kOrder}));
}

TEST_F(WindowMessageTest, FailingHandlerAnswersZeroAndReportsTheFailure) {
    auto window = MessageWindow::Create(kClass, TestHandler());
    ASSERT_TRUE(window);
    auto sender = std::async(std::launch::async,
                             [] { return SendWindowMessage(FindWindowByClass(kClass), kThrow, 0, 0); });
    bool thrown = false;
    while (!thrown && sender.wait_for(0s) != std::future_status::ready) {
        try {
            window->Pump(5ms);
        } catch (const std::runtime_error&) {
            thrown = true;
        }
    }
    EXPECT_TRUE(thrown);
    EXPECT_EQ(sender.get(), 0);
    EXPECT_EQ(PumpWhile(*window, [] { return SendWindowMessage(FindWindowByClass(kClass), kEcho, 2, 0); }),
              2);
}

TEST_F(WindowMessageTest, FindingCreatesNothingAndNeedsAValidName) {
    EXPECT_FALSE(FindWindowByClass(kClass));
    EXPECT_FALSE(fs::exists(sandbox.runtime()));
    EXPECT_FALSE(FindWindowByClass(""));
    EXPECT_FALSE(FindWindowByClass("../wnd"));
    EXPECT_EQ(SendWindowMessage(WindowHandle(), kEcho, 1, 1), 0);
    EXPECT_THROW(MessageWindow::Create("a/b", TestHandler()), std::system_error);
}

TEST_F(WindowMessageTest, LongRuntimePathsWork) {
    fs::path deep = sandbox.runtime() / std::string(60, 'd') / std::string(60, 'e');
    fs::create_directories(deep.parent_path());
    ::setenv("CORVID_RUNTIME_DIR", deep.c_str(), 1);
    ASSERT_GT(ClassPath().size(), sizeof(sockaddr_un::sun_path));
    ChildProcess window = StartChildWindow();
    EXPECT_EQ(SendWindowMessage(FindWindowByClass(kClass), kEcho, 1, 1), 4);
}

} // namespace
