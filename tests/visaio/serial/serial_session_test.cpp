// Finding and opening serial ports, their description, and the write and read end rules,
// as bytes seen on the pseudo-terminal's master side.
#include "serial_fixture.h"

#include <sys/ioctl.h>
#include <termios.h>
#include <vector>

namespace corvid::visaio::testing {
namespace {

std::vector<std::string> Found(ViSession rm, const char* expression) {
    std::vector<std::string> names;
    ViFindList list = VI_NULL;
    ViUInt32 count = 0;
    char name[VI_FIND_BUFLEN] = {};
    if (viFindRsrc(rm, expression, &list, &count, name) < VI_SUCCESS) {
        return names;
    }
    names.push_back(name);
    while (names.size() < count && viFindNext(list, name) >= VI_SUCCESS) {
        names.push_back(name);
    }
    viClose(list);
    return names;
}

bool Contains(const std::vector<std::string>& names, const std::string& name) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

using SerialFind = SerialTest;

TEST_F(SerialFind, ListsTheAliasedPortWhetherFreeOrOpen) {
    InChild([](Pty&) {
        ViSession rm = VI_NULL;
        ASSERT_GE(viOpenDefaultRM(&rm), VI_SUCCESS);
        EXPECT_TRUE(Contains(Found(rm, "ASRL1?0::INSTR"), "ASRL100::INSTR"));
        EXPECT_EQ(Found(rm, "ASRL101::INSTR").size(), 0u); // beyond 32 only through an alias
        SerialSession s;
        ASSERT_EQ(s.openStatus, VI_SUCCESS);
        EXPECT_TRUE(Contains(Found(rm, "ASRL100::INSTR"), "ASRL100::INSTR"));
        viClose(rm);
    });
}

// A find only probes a port: a line another program uses (a console, a modem) keeps its
// settings and the input waiting on it.
TEST_F(SerialFind, LeavesTheSettingsAndQueuedInputOfALineAlone) {
    InChild([](Pty& pty) {
        int line = ::open(pty.slave().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
        ASSERT_GE(line, 0);
        termios settings{};
        ASSERT_EQ(::tcgetattr(line, &settings), 0);
        settings.c_lflag |= ICANON;
        ::cfsetspeed(&settings, B19200);
        ASSERT_EQ(::tcsetattr(line, TCSANOW, &settings), 0);
        pty.Send("queued\n");
        int waiting = 0;
        ASSERT_TRUE(corvid::testing::WaitUntil(
            [&] { return ::ioctl(line, FIONREAD, &waiting) == 0 && waiting == 7; }));

        ViSession rm = VI_NULL;
        ASSERT_GE(viOpenDefaultRM(&rm), VI_SUCCESS);
        EXPECT_TRUE(Contains(Found(rm, "ASRL100::INSTR"), "ASRL100::INSTR"));
        viClose(rm);

        termios after{};
        ASSERT_EQ(::tcgetattr(line, &after), 0);
        EXPECT_NE(after.c_lflag & ICANON, 0u);
        EXPECT_EQ(::cfgetispeed(&after), static_cast<speed_t>(B19200));
        ASSERT_EQ(::ioctl(line, FIONREAD, &waiting), 0);
        EXPECT_EQ(waiting, 7);
        ::close(line);
    });
}

TEST_F(SerialFind, AnUnknownPortIsNotFound) {
    InChild([](Pty&) {
        SerialSession s("ASRL101::INSTR");
        EXPECT_EQ(s.openStatus, VI_ERROR_RSRC_NFOUND);
    });
}

using SerialOpen = SerialTest;

TEST_F(SerialOpen, DescribesTheSessionAndStartsWithTheOpenDefaults) {
    InChild([](Pty& pty) {
        SerialSession s;
        ASSERT_EQ(s.openStatus, VI_SUCCESS);
        char text[VI_FIND_BUFLEN] = {};
        ASSERT_EQ(viGetAttribute(s.vi, VI_ATTR_INTF_INST_NAME, text), VI_SUCCESS);
        EXPECT_EQ(std::string(text), "ASRL100  (" + pty.slave() + ")");
        ASSERT_EQ(viGetAttribute(s.vi, VI_ATTR_RSRC_MANF_NAME, text), VI_SUCCESS);
        EXPECT_EQ(std::string(text), "Sorbel");
        EXPECT_EQ(s.Get<ViUInt16>(VI_ATTR_INTF_TYPE), VI_INTF_ASRL);
        EXPECT_EQ(s.Get<ViUInt16>(VI_ATTR_ASRL_END_IN), VI_ASRL_END_TERMCHAR);
        EXPECT_EQ(s.Get<ViUInt16>(VI_ATTR_ASRL_END_OUT), VI_ASRL_END_NONE);
        EXPECT_EQ(s.Get<ViUInt32>(VI_ATTR_ASRL_BAUD), 9600u);
        EXPECT_EQ(s.Get<ViUInt16>(VI_ATTR_ASRL_DATA_BITS), 8);
        EXPECT_EQ(s.Get<ViUInt16>(VI_ATTR_ASRL_FLOW_CNTRL), VI_ASRL_FLOW_NONE);
        EXPECT_EQ(s.Get<ViInt16>(VI_ATTR_ASRL_RTS_STATE), VI_STATE_ASSERTED);
        EXPECT_EQ(s.Get<ViInt16>(VI_ATTR_ASRL_DTR_STATE), VI_STATE_ASSERTED);
    });
}

TEST_F(SerialOpen, LoadConfigTakesTheAliasSettings) {
    InChild(
        [](Pty&) {
            SerialSession configured("ASRL100::INSTR", VI_LOAD_CONFIG);
            ASSERT_EQ(configured.openStatus, VI_SUCCESS);
            EXPECT_EQ(configured.Get<ViUInt32>(VI_ATTR_ASRL_BAUD), 19200u);
            EXPECT_EQ(configured.Get<ViUInt16>(VI_ATTR_ASRL_DATA_BITS), 7);
            EXPECT_EQ(configured.Get<ViUInt16>(VI_ATTR_ASRL_PARITY), VI_ASRL_PAR_EVEN);
            EXPECT_EQ(configured.Get<ViUInt16>(VI_ATTR_ASRL_STOP_BITS), VI_ASRL_STOP_TWO);
            EXPECT_EQ(configured.Get<ViUInt16>(VI_ATTR_ASRL_FLOW_CNTRL), VI_ASRL_FLOW_XON_XOFF);
        },
        "BaudRate0=19200\nDataBits0=7\nParity0=2\nStopBits0=20\nFlowCtrl0=1\n");
}

// A configured setting out of range does not open the port with other settings.
TEST_F(SerialOpen, LoadConfigWithASettingOutOfRangeFails) {
    InChild(
        [](Pty&) {
            EXPECT_EQ(SerialSession("ASRL100::INSTR", VI_LOAD_CONFIG).openStatus, VI_ERROR_SYSTEM_ERROR);
            SerialSession plain("ASRL100::INSTR");
            ASSERT_EQ(plain.openStatus, VI_SUCCESS);
            EXPECT_EQ(plain.Get<ViUInt32>(VI_ATTR_ASRL_BAUD), 9600u);
        },
        "BaudRate0=12345\n");
}

TEST_F(SerialOpen, WithoutLoadConfigTheDefaultsApply) {
    InChild(
        [](Pty&) {
            SerialSession plain;
            ASSERT_EQ(plain.openStatus, VI_SUCCESS);
            EXPECT_EQ(plain.Get<ViUInt32>(VI_ATTR_ASRL_BAUD), 9600u);
            EXPECT_EQ(plain.Get<ViUInt16>(VI_ATTR_ASRL_PARITY), VI_ASRL_PAR_NONE);
        },
        "BaudRate0=19200\nParity0=2\n");
}

using SerialWrite = SerialTest;

TEST_F(SerialWrite, EndModesAsSeenByTheInstrument) {
    InChild([](Pty& pty) {
        SerialSession s;
        ASSERT_EQ(s.openStatus, VI_SUCCESS);
        ViUInt32 count = 0;
        EXPECT_EQ(s.Write("ABC", &count), VI_SUCCESS);
        EXPECT_EQ(count, 3u);
        EXPECT_EQ(pty.Receive(), "ABC");

        ASSERT_EQ(s.Set(VI_ATTR_ASRL_END_OUT, VI_ASRL_END_LAST_BIT), VI_SUCCESS);
        const std::string data = "ABC";
        EXPECT_EQ(s.Write(data, &count), VI_SUCCESS);
        EXPECT_EQ(count, 3u);
        EXPECT_EQ(pty.Receive(), std::string("AB") + static_cast<char>('C' | 0x80));
        EXPECT_EQ(data, "ABC");
        ASSERT_EQ(s.Set(VI_ATTR_SEND_END_EN, VI_FALSE), VI_SUCCESS);
        EXPECT_EQ(s.Write("ABC"), VI_SUCCESS);
        EXPECT_EQ(pty.Receive(), "ABC"); // no marking without the end enabled
        ASSERT_EQ(s.Set(VI_ATTR_SEND_END_EN, VI_TRUE), VI_SUCCESS);

        ASSERT_EQ(s.Set(VI_ATTR_ASRL_END_OUT, VI_ASRL_END_TERMCHAR), VI_SUCCESS);
        ASSERT_EQ(s.Set(VI_ATTR_TERMCHAR, '#'), VI_SUCCESS);
        EXPECT_EQ(s.Write("ABC", &count), VI_SUCCESS);
        EXPECT_EQ(count, 3u);
        EXPECT_EQ(pty.Receive(), "ABC#");

        ASSERT_EQ(s.Set(VI_ATTR_ASRL_END_OUT, VI_ASRL_END_BREAK), VI_SUCCESS);
        EXPECT_EQ(s.Write("ABC"), VI_SUCCESS);
        EXPECT_EQ(pty.Receive(), "ABC");
    });
}

TEST_F(SerialWrite, ASmallOutputQueueStillMovesEverything) {
    InChild([](Pty& pty) {
        SerialSession s;
        ASSERT_EQ(s.openStatus, VI_SUCCESS);
        EXPECT_EQ(viSetBuf(s.vi, VI_IO_OUT_BUF, 7), VI_SUCCESS);
        std::string data(300, 'x');
        ViUInt32 count = 0;
        EXPECT_EQ(s.Write(data, &count), VI_SUCCESS);
        EXPECT_EQ(count, 300u);
        EXPECT_EQ(pty.Receive(400), data);
    });
}

using SerialRead = SerialTest;

TEST_F(SerialRead, TerminationCharacterModeEndsWithPlainSuccess) {
    InChild([](Pty& pty) {
        SerialSession s;
        ASSERT_EQ(s.openStatus, VI_SUCCESS);
        pty.Send("12\nXY");
        std::string text;
        EXPECT_EQ(s.Read(text), VI_SUCCESS);
        EXPECT_EQ(text, "12\n");
        ASSERT_EQ(s.Set(VI_ATTR_TMO_VALUE, 100), VI_SUCCESS);
        EXPECT_EQ(s.Read(text), VI_ERROR_TMO); // the rest, then nothing more
        EXPECT_EQ(text, "XY");
    });
}

TEST_F(SerialRead, NoEndModeEndsOnTheEnabledTerminationCharacterOrTheCount) {
    InChild([](Pty& pty) {
        SerialSession s;
        ASSERT_EQ(s.openStatus, VI_SUCCESS);
        ASSERT_EQ(s.Set(VI_ATTR_ASRL_END_IN, VI_ASRL_END_NONE), VI_SUCCESS);
        ASSERT_EQ(s.Set(VI_ATTR_TERMCHAR_EN, VI_TRUE), VI_SUCCESS);
        pty.Send("ok\nabcdef");
        std::string text;
        EXPECT_EQ(s.Read(text), VI_SUCCESS_TERM_CHAR);
        EXPECT_EQ(text, "ok\n");
        EXPECT_EQ(s.Read(text, 4), VI_SUCCESS_MAX_CNT);
        EXPECT_EQ(text, "abcd");
        EXPECT_EQ(s.Get<ViUInt32>(VI_ATTR_ASRL_AVAIL_NUM), 2u); // nothing past the count was taken
    });
}

TEST_F(SerialRead, LastBitModeEndsOnTheMarkedByteAndStrips) {
    InChild([](Pty& pty) {
        SerialSession s;
        ASSERT_EQ(s.openStatus, VI_SUCCESS);
        ASSERT_EQ(s.Set(VI_ATTR_ASRL_END_IN, VI_ASRL_END_LAST_BIT), VI_SUCCESS);
        ASSERT_EQ(s.Set(VI_ATTR_TERMCHAR_EN, VI_TRUE), VI_SUCCESS); // not an end in this mode
        pty.Send(std::string("a\nb") + static_cast<char>('c' | 0x80) + "d");
        std::string text;
        EXPECT_EQ(s.Read(text), VI_SUCCESS);
        EXPECT_EQ(text, "a\nbc");
        ASSERT_EQ(s.Set(VI_ATTR_SUPPRESS_END_EN, VI_TRUE), VI_SUCCESS);
        pty.Send(std::string(1, static_cast<char>('e' | 0x80)) + "f");
        EXPECT_EQ(s.Read(text, 3), VI_SUCCESS_MAX_CNT); // suppressed: no end, still stripped
        EXPECT_EQ(text, "def");
    });
}

// A line that hangs up fails reads and writes at once, even without a time-out.
TEST_F(SerialRead, AHungUpLineFailsAtOnce) {
    InChild([](Pty& pty) {
        SerialSession s;
        ASSERT_EQ(s.openStatus, VI_SUCCESS);
        ASSERT_EQ(s.Set(VI_ATTR_TMO_VALUE, VI_TMO_INFINITE), VI_SUCCESS);
        pty.Hangup();
        std::string text;
        EXPECT_EQ(s.Read(text), VI_ERROR_IO);
        EXPECT_EQ(text, "");
        EXPECT_EQ(s.Read(text), VI_ERROR_IO);
        EXPECT_EQ(s.Write("anyone?"), VI_ERROR_IO);
    });
}

TEST_F(SerialRead, ATimeOutReturnsTheBytesSoFar) {
    InChild([](Pty& pty) {
        SerialSession s;
        ASSERT_EQ(s.openStatus, VI_SUCCESS);
        ASSERT_EQ(s.Set(VI_ATTR_TMO_VALUE, 0), VI_SUCCESS);
        std::string text;
        EXPECT_EQ(s.Read(text), VI_ERROR_TMO);
        EXPECT_EQ(text, "");
        ASSERT_EQ(s.Set(VI_ATTR_TMO_VALUE, 200), VI_SUCCESS);
        pty.Send("partial");
        EXPECT_EQ(s.Read(text), VI_ERROR_TMO);
        EXPECT_EQ(text, "partial");
    });
}

TEST_F(SerialRead, FlushDiscardsTheInput) {
    InChild([](Pty& pty) {
        SerialSession s;
        ASSERT_EQ(s.openStatus, VI_SUCCESS);
        pty.Send("junk");
        ASSERT_TRUE(corvid::testing::WaitUntil([&] { return s.Get<ViUInt32>(VI_ATTR_ASRL_AVAIL_NUM) == 4; }));
        EXPECT_EQ(viFlush(s.vi, VI_IO_IN_BUF_DISCARD), VI_SUCCESS);
        EXPECT_EQ(s.Get<ViUInt32>(VI_ATTR_ASRL_AVAIL_NUM), 0u);
        EXPECT_EQ(viFlush(s.vi, VI_IO_IN_BUF | VI_IO_IN_BUF_DISCARD), VI_ERROR_INV_MASK);
    });
}

} // namespace
} // namespace corvid::visaio::testing
