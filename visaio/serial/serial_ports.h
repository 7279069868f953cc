// The process's table of serial ports 1 to 128: the aliases of the configuration store
// (section "ASRL-RSRC-ALIAS"), the device path of each port, and the shared state of a
// port that sessions of this process have open.
#pragma once

#include "serial_port.h"

#include <array>
#include <memory>
#include <string>
#include <unistd.h>

namespace corvid::visaio {

constexpr int kFirstSerialPort = 1;
constexpr int kLastSerialPort = 128;
constexpr int kLastDefaultSerialPort = 32;

struct SerialAlias {
    bool configured = false;
    std::string systemName;
    LineSettings line;
    ViUInt16 flow = 0;
};

struct SerialPortEntry {
    SerialAlias alias;
    SerialPort port;
    int sessions = 0; // open sessions of the owner
    pid_t owner = 0;  // the process that opened the port

    // Whether the sessions are this process's own, not inherited through fork().
    bool OwnedHere() const { return sessions > 0 && owner == ::getpid(); }
    // Forgets sessions and a descriptor inherited from the process that opened the port.
    void DropInherited() {
        if (sessions > 0 && owner != ::getpid()) {
            port.Abandon();
            sessions = 0;
        }
    }
};

// Every member is used under the support library's system semaphore.
class SerialPorts {
public:
    static SerialPorts& Instance();

    // Reads the aliases once per process.
    void Load();
    static bool ValidNumber(int number) { return number >= kFirstSerialPort && number <= kLastSerialPort; }
    SerialPortEntry& Entry(int number) { return *entries_[static_cast<std::size_t>(number - 1)]; }
    // A port is present when it has an alias or its default device exists.
    bool Present(int number);
    std::string DevicePath(int number);
    // The text of the session description: the alias's system name, or the default
    // device without "/dev/".
    std::string DisplayName(int number);

private:
    SerialPorts();
    void LoadAlias(int index);

    bool loaded_ = false;
    std::array<std::unique_ptr<SerialPortEntry>, kLastSerialPort> entries_;
};

} // namespace corvid::visaio
