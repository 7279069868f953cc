// The serial-port layer on its own, over a pseudo-terminal: queue-size rounding, the
// settings it applies, exclusive opening, time-outs and the abort request.
#include "serial/serial_port.h"
#include "serial_fixture.h"

#include <sys/ioctl.h>
#include <termios.h>
#include <thread>
#include <visa.h>

namespace corvid::visaio::testing {
namespace {

TEST(SerialQueueSize, RoundsLikeThePort) {
    EXPECT_EQ(RoundQueueSize(0), 512u);
    EXPECT_EQ(RoundQueueSize(1), 30u);
    EXPECT_EQ(RoundQueueSize(7), 30u);
    EXPECT_EQ(RoundQueueSize(29), 30u);
    EXPECT_EQ(RoundQueueSize(30), 30u);
    EXPECT_EQ(RoundQueueSize(513), 514u);
    EXPECT_EQ(RoundQueueSize(4096), 4096u);
    EXPECT_EQ(RoundQueueSize(UINT32_MAX), UINT32_MAX - 1);
}

TEST(SerialLineSettings, OnlyTheTableRatesAndRanges) {
    EXPECT_FALSE(ValidBaud(12345));
    EXPECT_TRUE(ValidBaud(256000));
    EXPECT_TRUE(ValidBaud(110));
    EXPECT_FALSE(ValidLineSettings(LineSettings{9600, 0, 9, 10}));
    EXPECT_FALSE(ValidLineSettings(LineSettings{9600, 5, 8, 10}));
    EXPECT_FALSE(ValidLineSettings(LineSettings{9600, 0, 8, 11}));
    EXPECT_TRUE(ValidLineSettings(LineSettings{56000, 4, 5, 15}));
}

class SerialPortLayer : public ::testing::Test {
protected:
    Pty pty;
    SerialPort port;
    AbortRequest abort;
};

TEST_F(SerialPortLayer, AppliesRawModeAndTheLineSettings) {
    int watcher = ::open(pty.slave().c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(watcher, 0);
    ASSERT_EQ(port.Open(pty.slave(), LineSettings{19200, 1, 7, 20}), PortError::None);
    ASSERT_EQ(port.SetFlowControl(1 | 2), PortError::None);
    struct termios settings {};
    ASSERT_EQ(::tcgetattr(watcher, &settings), 0);
    // A pseudo-terminal keeps 8 data bits without parity whatever it is told; the
    // parity check and the other flags stay.
    EXPECT_TRUE(settings.c_iflag & INPCK);
    EXPECT_TRUE(settings.c_cflag & CSTOPB);
    EXPECT_TRUE(settings.c_cflag & CLOCAL);
    EXPECT_TRUE(settings.c_cflag & CRTSCTS);
    EXPECT_TRUE(settings.c_iflag & IXON);
    EXPECT_FALSE(settings.c_lflag & (ICANON | ECHO));
    EXPECT_EQ(settings.c_cc[VSTART], 17);
    EXPECT_EQ(port.SetLine(LineSettings{12345, 0, 8, 10}), PortError::InvalidSetting);
    EXPECT_EQ(port.line().baud, 19200u);
    ::close(watcher);
}

TEST_F(SerialPortLayer, ASecondOpenOfTheDeviceIsBusyUntilClosed) {
    ASSERT_EQ(port.Open(pty.slave(), LineSettings{}), PortError::None);
    SerialPort other;
    EXPECT_EQ(other.Open(pty.slave(), LineSettings{}), PortError::Busy);
    EXPECT_EQ(port.Close(), PortError::None);
    EXPECT_EQ(other.Open(pty.slave(), LineSettings{}), PortError::None);
    EXPECT_EQ(SerialPort().Open("/dev/corvid-no-such-port", LineSettings{}), PortError::NotFound);
}

TEST_F(SerialPortLayer, ModemLinesOfAPseudoTerminalAreRecordedOnly) {
    ASSERT_EQ(port.Open(pty.slave(), LineSettings{}), PortError::None);
    EXPECT_EQ(port.RecordedLine(TIOCM_RTS), -1);
    EXPECT_EQ(port.SetModemLine(TIOCM_RTS, true), PortError::None);
    EXPECT_EQ(port.RecordedLine(TIOCM_RTS), 1);
    EXPECT_EQ(port.LineState(TIOCM_CTS), VI_STATE_UNKNOWN);
}

TEST_F(SerialPortLayer, AReadTimesOutWithWhatArrived) {
    ASSERT_EQ(port.Open(pty.slave(), LineSettings{}), PortError::None);
    pty.Send("ab");
    ViByte buffer[8];
    ViUInt32 count = 0;
    ReadEnd end = ReadEnd::MaxCount;
    EXPECT_EQ(port.Read(buffer, sizeof buffer, ReadRules{}, 100, abort, count, end), PortError::Timeout);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer), count), "ab");
}

TEST_F(SerialPortLayer, AnAbortRequestEndsAWaitingRead) {
    ASSERT_EQ(port.Open(pty.slave(), LineSettings{}), PortError::None);
    ViByte buffer[8];
    ViUInt32 count = 0;
    ReadEnd end = ReadEnd::MaxCount;
    std::thread aborter([&] {
        std::this_thread::sleep_for(50ms);
        abort.Request();
    });
    EXPECT_EQ(port.Read(buffer, sizeof buffer, ReadRules{}, VI_TMO_INFINITE, abort, count, end),
              PortError::Aborted);
    aborter.join();
    pty.Send("x");
    EXPECT_EQ(port.Read(buffer, 1, ReadRules{}, 1000, abort, count, end), PortError::None); // taken once only
    EXPECT_EQ(end, ReadEnd::MaxCount);
}

TEST_F(SerialPortLayer, AnAbortRequestEndsOnlyItsOwnTransfer) {
    ASSERT_EQ(port.Open(pty.slave(), LineSettings{}), PortError::None);
    AbortRequest other;
    other.Request();
    pty.Send("x");
    ViByte buffer[1];
    ViUInt32 count = 0;
    ReadEnd end = ReadEnd::MaxCount;
    EXPECT_EQ(port.Read(buffer, 1, ReadRules{}, 1000, abort, count, end), PortError::None);
    EXPECT_EQ(count, 1u);
    EXPECT_TRUE(other.Take());
}

TEST_F(SerialPortLayer, WritesInPiecesOfTheOutputQueue) {
    ASSERT_EQ(port.Open(pty.slave(), LineSettings{}), PortError::None);
    port.SetQueueSizes(false, true, 7);
    EXPECT_EQ(port.outputQueueSize(), 30u);
    EXPECT_TRUE(port.outputSizeGiven());
    std::string data(1000, 'z');
    ViUInt32 count = 0;
    std::string seen;
    std::thread reader([&] { seen = pty.Receive(1000); });
    EXPECT_EQ(port.Write(reinterpret_cast<const ViByte*>(data.data()), 1000, 2000, abort, count),
              PortError::None);
    reader.join();
    EXPECT_EQ(count, 1000u);
    EXPECT_EQ(seen, data);
}

} // namespace
} // namespace corvid::visaio::testing
