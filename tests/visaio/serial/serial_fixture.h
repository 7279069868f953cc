// Serial sessions against a pseudo-terminal: the test plays the instrument on the master
// side, and the configuration store aliases a serial port to the slave. Each scenario
// runs in a fresh child process because the VISA library reads its configuration once.
#pragma once

#include "testsupport/sandbox.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <fstream>
#include <functional>
#include <poll.h>
#include <stdexcept>
#include <stdlib.h>
#include <string>
#include <string_view>
#include <unistd.h>
#include <visa.h>

namespace corvid::visaio::testing {

using namespace std::chrono_literals;

// The master side of a pseudo-terminal.
class Pty {
public:
    Pty() {
        master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0) {
            throw std::runtime_error("no pseudo-terminal");
        }
        slave_ = ::ptsname(master_);
    }
    ~Pty() { Hangup(); }
    Pty(const Pty&) = delete;
    Pty& operator=(const Pty&) = delete;

    const std::string& slave() const { return slave_; }

    // The instrument goes away: the line is hung up.
    void Hangup() {
        if (master_ >= 0) {
            ::close(master_);
            master_ = -1;
        }
    }

    void Send(std::string_view bytes) const {
        ASSERT_EQ(::write(master_, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    }

    // What the port sent: up to count bytes, or what came before a quiet pause.
    std::string Receive(std::size_t count = 4096, std::chrono::milliseconds quiet = 300ms) const {
        std::string bytes;
        while (bytes.size() < count) {
            pollfd watch{master_, POLLIN, 0};
            if (::poll(&watch, 1, static_cast<int>(quiet.count())) <= 0 || !(watch.revents & POLLIN)) {
                break;
            }
            char chunk[256];
            ssize_t got = ::read(master_, chunk, std::min(sizeof chunk, count - bytes.size()));
            if (got <= 0) {
                break;
            }
            bytes.append(chunk, static_cast<std::size_t>(got));
        }
        return bytes;
    }

private:
    int master_ = -1;
    std::string slave_;
};

class SerialTest : public corvid::testing::SandboxTest {
protected:
    // Writes visa.ini with ASRL100::INSTR aliased to the slave; extra keys of the alias
    // (BaudRate0=...) and more sections may follow.
    void Configure(const Pty& pty, const std::string& aliasKeys = "", const std::string& extra = "") {
        std::ofstream(sandbox.home() / "visa.ini")
            << "[ASRL-RSRC-ALIAS]\nNumOfResources=1\n"
            << "Name0=ASRL100::INSTR\nSystemName0=" << pty.slave() << "\n"
            << aliasKeys << extra;
    }

    // Runs body in a child process with a fresh pseudo-terminal aliased as ASRL100.
    void InChild(const std::function<void(Pty&)>& body, const std::string& aliasKeys = "") {
        auto child = corvid::testing::ChildProcess::Fork([&] {
            Pty pty;
            Configure(pty, aliasKeys);
            body(pty);
            return ::testing::Test::HasFailure() ? 1 : 0;
        });
        EXPECT_EQ(child.Wait(std::chrono::seconds(60)), 0);
    }
};

// The default resource manager and one session, closed at the end.
struct SerialSession {
    explicit SerialSession(const char* name = "ASRL100::INSTR", ViAccessMode mode = VI_NO_LOCK) {
        EXPECT_GE(viOpenDefaultRM(&rm), VI_SUCCESS);
        openStatus = viOpen(rm, name, mode, 0, &vi);
    }
    ~SerialSession() { viClose(rm); }
    SerialSession(const SerialSession&) = delete;
    SerialSession& operator=(const SerialSession&) = delete;

    ViStatus Write(std::string_view bytes, ViUInt32* count = nullptr) const {
        ViUInt32 written = 0;
        ViStatus status = viWrite(vi, reinterpret_cast<ViConstBuf>(bytes.data()),
                                  static_cast<ViUInt32>(bytes.size()), &written);
        if (count) {
            *count = written;
        }
        return status;
    }

    // Reads up to max bytes into text; answers the status.
    ViStatus Read(std::string& text, ViUInt32 max = 256) const {
        std::string buffer(max, '\0');
        ViUInt32 count = 0;
        ViStatus status = viRead(vi, reinterpret_cast<ViBuf>(buffer.data()), max, &count);
        text = buffer.substr(0, count);
        return status;
    }

    ViStatus Set(ViAttr attribute, ViAttrState value) const { return viSetAttribute(vi, attribute, value); }

    template <class T>
    T Get(ViAttr attribute) const {
        T value{};
        EXPECT_EQ(viGetAttribute(vi, attribute, &value), VI_SUCCESS);
        return value;
    }

    ViSession rm = VI_NULL;
    ViSession vi = VI_NULL;
    ViStatus openStatus = VI_SUCCESS;
};

} // namespace corvid::visaio::testing
