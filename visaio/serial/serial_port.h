// The serial-port layer: one record per port, over a Linux terminal device. The
// operations answer a PortError of their own; the session operations translate them.
#pragma once

#include "visa/visatype.h"

#include <atomic>
#include <chrono>
#include <mutex>
#include <optional>
#include <string>

struct termios;

namespace corvid::visaio {

enum class PortError : int {
    None = 0,
    InvalidSetting = -1,
    Busy = -2,
    NotFound = -3,
    System = -4,
    Timeout = -5,
    Aborted = -6,
    Io = -7,
};

struct LineSettings {
    ViUInt32 baud = 9600;
    ViUInt16 parity = 0;    // 0 none, 1 odd, 2 even, 3 mark, 4 space
    ViUInt16 dataBits = 8;  // 5 to 8
    ViUInt16 stopBits = 10; // tenths: 10, 15, 20
};

bool ValidBaud(ViUInt32 baud);
bool ValidLineSettings(const LineSettings& line);
// A queue size as the port keeps it: 0 means 512, 1 to 29 mean 30, odd sizes round up.
ViUInt32 RoundQueueSize(ViUInt32 size);

// How a read ends besides the count.
struct ReadRules {
    bool endOnLastBit = false;
    bool strip = false;
    ViUInt8 termChar = '\n';
    bool termEnabled = false;
};

enum class ReadEnd { MaxCount, LastBit, TermChar };

// A request to end a transfer (terminate, close). Each session has its own, so that
// ending one session's transfer never ends another's on the same port; the waits of a
// transfer watch its descriptor, so a request wakes them at once.
class AbortRequest {
public:
    AbortRequest();
    ~AbortRequest();
    AbortRequest(const AbortRequest&) = delete;
    AbortRequest& operator=(const AbortRequest&) = delete;

    void Request();
    // Forgets a request that came after the transfer ended.
    void Clear();
    // True once after a request.
    bool Take();
    int fd() const { return fd_; }

private:
    void Drain();

    int fd_ = -1;
    std::atomic<bool> requested_{false};
};

class SerialPort {
public:
    SerialPort() = default;
    ~SerialPort();
    SerialPort(const SerialPort&) = delete;
    SerialPort& operator=(const SerialPort&) = delete;

    // Opens the device exclusively (no other process, ours or not, may use it) and
    // applies the settings with all flow control off.
    PortError Open(const std::string& path, const LineSettings& line);
    // Purges both directions and closes; the record returns to its defaults.
    PortError Close();
    // Lets go of a descriptor inherited from the process that opened the port (a forked
    // child): its lock, settings and queued data stay the opener's.
    void Abandon();
    // Whether the device could be opened now, without changing its settings or dropping
    // what it holds: a find must not disturb a line another program uses.
    static PortError Probe(const std::string& path);
    bool isOpen() const { return fd_ >= 0; }
    bool parallel() const { return parallel_; }

    PortError SetLine(const LineSettings& line);
    LineSettings line() const;
    // bit 0 XON/XOFF, bit 1 RTS/CTS, bit 2 DTR/DSR (recorded only: Linux has no such handshake).
    PortError SetFlowControl(ViUInt16 flow);
    ViUInt16 flowControl() const;
    PortError SetCharacters(ViUInt8 xon, ViUInt8 xoff, ViUInt8 replace);
    ViUInt8 xonChar() const;
    ViUInt8 xoffChar() const;
    ViUInt8 replaceChar() const;

    // Sets (true) or clears a modem line (TIOCM_RTS, TIOCM_DTR). Devices without modem
    // lines (pseudo-terminals) only record the state.
    PortError SetModemLine(int line, bool set);
    // The recorded state of RTS or DTR: 1 set, 0 cleared, -1 unknown.
    ViInt16 RecordedLine(int line) const;
    // A line read from the device (TIOCM_CTS, ...): VI_STATE_ASSERTED, _UNASSERTED or _UNKNOWN.
    ViInt16 LineState(int line) const;

    PortError SendBreak(ViUInt32 milliseconds);
    PortError PurgeInput();
    PortError PurgeOutput();
    // Waits until the output has left the port; timeoutMs as for writes.
    PortError Drain(ViUInt32 timeoutMs, AbortRequest& abort);
    ViUInt32 InputCount() const;
    ViUInt32 OutputCount() const;
    void SetQueueSizes(bool input, bool output, ViUInt32 size);
    ViUInt32 inputQueueSize() const { return inputQueue_; }
    ViUInt32 outputQueueSize() const { return outputQueue_; }
    // A size given for the output queue switches off writing out after each write.
    bool outputSizeGiven() const { return outputSizeGiven_; }

    // Reads up to max bytes one at a time; timeoutMs restarts with every byte (0 means
    // 1 ms, VI_TMO_INFINITE no limit). count holds what was stored in every case.
    PortError Read(ViByte* buffer, ViUInt32 max, const ReadRules& rules, ViUInt32 timeoutMs,
                   AbortRequest& abort, ViUInt32& count, ReadEnd& end);
    // Writes in pieces no larger than the free space of the output queue; timeoutMs
    // restarts after each piece that moved.
    PortError Write(const ViByte* buffer, ViUInt32 size, ViUInt32 timeoutMs, AbortRequest& abort,
                    ViUInt32& count);

private:
    PortError Apply();
    PortError Configure(::termios& settings);
    bool InEffectButFraming(const ::termios& wanted) const;
    using Deadline = std::optional<std::chrono::steady_clock::time_point>;
    // Waits for events on the device (none: only the time), the abort request or the
    // deadline: None when the device is ready, else Timeout, Aborted or Io.
    PortError WaitFor(short events, const Deadline& deadline, AbortRequest& abort);
    // Waits until the output queue has room below limit bytes (0: is empty).
    PortError WaitForOutputBelow(ViUInt32 limit, const Deadline& deadline, AbortRequest& abort);
    static Deadline DeadlineAfter(ViUInt32 timeoutMs);
    void ResetRecord();

    int fd_ = -1;
    bool parallel_ = false;
    bool exclusive_ = false;   // TIOCEXCL was set, and is cleared at close
    mutable std::mutex mutex_; // guards the settings below
    LineSettings line_;
    ViUInt16 flow_ = 0;
    ViUInt8 xon_ = 17, xoff_ = 19, replace_ = 0;
    ViInt16 rts_ = -1, dtr_ = -1;
    ViUInt32 inputQueue_ = 512, outputQueue_ = 512;
    bool outputSizeGiven_ = false;
};

} // namespace corvid::visaio
