// Opening GPIB sessions, reading and writing, the error mapping, the error-10 retry, the
// time-out steps and the attributes.
#include "visa_fixture.h"

#include <cstring>

namespace corvid::visaio::testing {
namespace {

class GpibIo : public VisaTest {
protected:
    void SetUp() override { Configure(); }
};

TEST_F(GpibIo, AQueryReachesTheDevice) {
    InChild([] {
        fakegpib_add_device(0, 22, 0, "Fake,DMM,1,1.0");
        OpenSession s("GPIB0::22::INSTR");
        ASSERT_EQ(s.openStatus, VI_SUCCESS);
        EXPECT_EQ(s.Query("*IDN?"), "Fake,DMM,1,1.0\n");
        char text[256];
        ASSERT_EQ(viGetAttribute(s.vi, VI_ATTR_INTF_INST_NAME, text), VI_SUCCESS);
        EXPECT_STREQ(text, "GPIB0  (Sorbel ISA-488)");
        ASSERT_EQ(viGetAttribute(s.vi, VI_ATTR_RSRC_MANF_NAME, text), VI_SUCCESS);
        EXPECT_STREQ(text, "Sorbel");
        // The device was opened with END on writes and the binary end-of-string compare.
        EXPECT_NE(FakeLog().find("ibdev 0 22 0 12 1 " + std::to_string(BIN | '\n')), std::string::npos);
    });
}

TEST_F(GpibIo, PyvisaStyleNamesReachPrimaryOnlyDevices) {
    InChild([] {
        fakegpib_add_device(0, 5, 0, "Fake,SRC,2,1.0");
        OpenSession s("GPIB0::5::0::INSTR");
        ASSERT_EQ(s.openStatus, VI_SUCCESS);
        EXPECT_EQ(s.Query("*IDN?"), "Fake,SRC,2,1.0\n");
        ViUInt16 secondary = 0;
        ASSERT_EQ(viGetAttribute(s.vi, VI_ATTR_GPIB_SECONDARY_ADDR, &secondary), VI_SUCCESS);
        EXPECT_EQ(secondary, VI_NO_SEC_ADDR);
    });
}

TEST_F(GpibIo, SecondaryAddressesGoToTheDriverPlus96) {
    InChild([] {
        fakegpib_add_device(0, 5, 0x63, "Fake,MUX,3,1.0");
        OpenSession s("GPIB0::5::3::INSTR");
        ASSERT_EQ(s.openStatus, VI_SUCCESS);
        EXPECT_EQ(s.Query("*IDN?"), "Fake,MUX,3,1.0\n");
    });
}

TEST_F(GpibIo, TimeoutsAreRoundedUpToTheDriverSteps) {
    InChild([] {
        fakegpib_add_device(0, 22, 0, "x");
        OpenSession s("GPIB0::22::INSTR");
        struct Case {
            ViUInt32 set, got;
            int code;
        };
        for (Case c : {Case{2000, 3000, T3s}, Case{0, 1, T1ms}, Case{1, 1, T1ms}, Case{301, 1000, T1s},
                       Case{1000001, 1000000, T1000s}, Case{VI_TMO_INFINITE, VI_TMO_INFINITE, TNONE}}) {
            ASSERT_EQ(viSetAttribute(s.vi, VI_ATTR_TMO_VALUE, c.set), VI_SUCCESS);
            ViUInt32 timeout = 0;
            ASSERT_EQ(viGetAttribute(s.vi, VI_ATTR_TMO_VALUE, &timeout), VI_SUCCESS);
            EXPECT_EQ(timeout, c.got) << c.set;
            std::string log = FakeLog();
            EXPECT_NE(log.rfind("ibtmo"), std::string::npos);
            EXPECT_EQ(log.substr(log.rfind("ibtmo")), "ibtmo 100 " + std::to_string(c.code) + "\n") << c.set;
        }
    });
}

TEST_F(GpibIo, SlowBoardsStartWithTenSeconds) {
    InChild([] {
        fakegpib_set_board_type(5);
        fakegpib_add_device(0, 22, 0, "x");
        OpenSession s("GPIB0::22::INSTR");
        ViUInt32 timeout = 0;
        ASSERT_EQ(viGetAttribute(s.vi, VI_ATTR_TMO_VALUE, &timeout), VI_SUCCESS);
        EXPECT_EQ(timeout, 10000u);
        char text[256];
        ASSERT_EQ(viGetAttribute(s.vi, VI_ATTR_INTF_INST_NAME, text), VI_SUCCESS);
        EXPECT_STREQ(text, "GPIB0  (Sorbel USB-488)");
    });
}

TEST_F(GpibIo, DriverErrorsMapToVisaStatus) {
    InChild([] {
        fakegpib_add_device(0, 22, 0, "x");
        OpenSession s("GPIB0::22::INSTR");
        struct Case {
            int status, error;
            ViStatus expected;
        };
        for (Case c :
             {Case{TIMO, EABO, VI_ERROR_TMO}, Case{0, ECIC, VI_ERROR_NCIC},
              Case{0, ENOL, VI_ERROR_NLISTENERS}, Case{0, EBUS, VI_ERROR_NLISTENERS},
              Case{0, ESAC, VI_ERROR_NSYS_CNTLR}, Case{0, EABO, VI_ERROR_ABORT},
              Case{0, 21, VI_ERROR_RSRC_LOCKED}, Case{0, EDMA, VI_ERROR_IO}, Case{0, EARG, VI_ERROR_IO}}) {
            fakegpib_fail_next("ibwrt", c.status, c.error, 1);
            ViUInt32 count = 99;
            EXPECT_EQ(viWrite(s.vi, reinterpret_cast<ViConstBuf>("X"), 1, &count), c.expected) << c.error;
            EXPECT_EQ(count, 0u);
        }
        fakegpib_fail_next("ibclr", 0, ECIC, 1);
        EXPECT_EQ(viClear(s.vi), VI_ERROR_NCIC);
        fakegpib_fail_next("ibtrg", 0, EABO, 1);
        EXPECT_EQ(viAssertTrigger(s.vi, VI_TRIG_PROT_DEFAULT), VI_ERROR_ABORT);
    });
}

TEST_F(GpibIo, ReadsAndWritesRetryWhileTheBoardIsBusy) {
    InChild([] {
        fakegpib_add_device(0, 22, 0, "Fake,DMM,1,1.0");
        OpenSession s("GPIB0::22::INSTR");
        fakegpib_fail_next("ibwrt", 0, EOIP, 2);
        fakegpib_fail_next("ibrd", 0, EOIP, 3);
        EXPECT_EQ(s.Query("*IDN?"), "Fake,DMM,1,1.0\n");
        EXPECT_EQ(fakegpib_calls("ibwrt"), 3);
        EXPECT_EQ(fakegpib_calls("ibrd"), 4);
        fakegpib_fail_next("ibrsp", 0, EOIP, 2);
        ViUInt16 stb = 0;
        EXPECT_EQ(viReadSTB(s.vi, &stb), VI_SUCCESS);
        EXPECT_EQ(fakegpib_calls("ibrsp"), 3);
    });
}

TEST_F(GpibIo, ABoardThatStaysBusyEndsInATimeout) {
    InChild([] {
        fakegpib_add_device(0, 22, 0, "x");
        OpenSession s("GPIB0::22::INSTR");
        ASSERT_EQ(viSetAttribute(s.vi, VI_ATTR_TMO_VALUE, 30), VI_SUCCESS);
        fakegpib_fail_next("ibrd", 0, EOIP, 1000000);
        char buffer[16];
        ViUInt32 count = 0;
        EXPECT_EQ(viRead(s.vi, reinterpret_cast<ViBuf>(buffer), sizeof buffer, &count), VI_ERROR_TMO);
    });
}

TEST_F(GpibIo, ReadStatusTellsHowTheReadEnded) {
    InChild([] {
        fakegpib_add_device(0, 22, 0, "abcdef");
        OpenSession s("GPIB0::22::INSTR");
        char buffer[64];
        ViUInt32 count = 0;
        viWrite(s.vi, reinterpret_cast<ViConstBuf>("*IDN?"), 5, &count);
        EXPECT_EQ(viRead(s.vi, reinterpret_cast<ViBuf>(buffer), 4, &count), VI_SUCCESS_MAX_CNT);
        EXPECT_EQ(std::string(buffer, count), "abcd");
        EXPECT_EQ(viRead(s.vi, reinterpret_cast<ViBuf>(buffer), sizeof buffer, &count), VI_SUCCESS);
        EXPECT_EQ(std::string(buffer, count), "ef\n");
        ASSERT_EQ(viSetAttribute(s.vi, VI_ATTR_TERMCHAR_EN, VI_TRUE), VI_SUCCESS);
        viWrite(s.vi, reinterpret_cast<ViConstBuf>("*IDN?"), 5, &count);
        EXPECT_EQ(viRead(s.vi, reinterpret_cast<ViBuf>(buffer), sizeof buffer, &count), VI_SUCCESS_TERM_CHAR);
        ASSERT_EQ(viSetAttribute(s.vi, VI_ATTR_TERMCHAR, 'f'), VI_SUCCESS);
        viWrite(s.vi, reinterpret_cast<ViConstBuf>("ECHO? xyz"), 9, &count);
        EXPECT_EQ(viRead(s.vi, reinterpret_cast<ViBuf>(buffer), sizeof buffer, &count), VI_SUCCESS);
        EXPECT_EQ(viRead(s.vi, reinterpret_cast<ViBuf>(buffer), sizeof buffer, &count), VI_ERROR_TMO);
        EXPECT_EQ(viWrite(s.vi, reinterpret_cast<ViConstBuf>(""), 0, &count), VI_SUCCESS);
        EXPECT_EQ(count, 0u);
    });
}

TEST_F(GpibIo, AttributesAreWrittenAtTheirExactWidth) {
    InChild([] {
        fakegpib_add_device(0, 22, 0, "x");
        OpenSession s("GPIB0::22::INSTR");
        struct Case {
            ViAttr attribute;
            std::size_t width;
        };
        for (Case c :
             {Case{VI_ATTR_TERMCHAR, 1}, Case{VI_ATTR_TERMCHAR_EN, 2}, Case{VI_ATTR_GPIB_PRIMARY_ADDR, 2},
              Case{VI_ATTR_TMO_VALUE, 4}, Case{VI_ATTR_RSRC_IMPL_VERSION, 4}, Case{VI_ATTR_USER_DATA, 8},
              Case{VI_ATTR_TRIG_ID, 2}}) {
            unsigned char bytes[16];
            std::memset(bytes, 0xA5, sizeof bytes);
            ASSERT_EQ(viGetAttribute(s.vi, c.attribute, bytes), VI_SUCCESS) << std::hex << c.attribute;
            for (std::size_t i = c.width; i < sizeof bytes; ++i) {
                EXPECT_EQ(bytes[i], 0xA5) << std::hex << c.attribute << " byte " << i;
            }
        }
        char name[VI_FIND_BUFLEN];
        ASSERT_EQ(viGetAttribute(s.vi, VI_ATTR_RSRC_NAME, name), VI_SUCCESS);
        EXPECT_STREQ(name, "GPIB0::22::INSTR");
        ViInt16 trigger = 0;
        ASSERT_EQ(viGetAttribute(s.vi, VI_ATTR_TRIG_ID, &trigger), VI_SUCCESS);
        EXPECT_EQ(trigger, VI_TRIG_SW);
    });
}

TEST_F(GpibIo, BadAttributeValuesAreRefused) {
    InChild([] {
        fakegpib_add_device(0, 22, 0, "x");
        OpenSession s("GPIB0::22::INSTR");
        EXPECT_EQ(viSetAttribute(s.vi, VI_ATTR_TERMCHAR, 300), VI_ERROR_NSUP_ATTR_STATE);
        EXPECT_EQ(viSetAttribute(s.vi, VI_ATTR_TERMCHAR_EN, 2), VI_ERROR_NSUP_ATTR_STATE);
        EXPECT_EQ(viSetAttribute(s.vi, VI_ATTR_IO_PROT, VI_PROT_HS488), VI_ERROR_NSUP_ATTR_STATE);
        EXPECT_EQ(viSetAttribute(s.vi, VI_ATTR_TMO_VALUE, 0x100000000ULL), VI_ERROR_NSUP_ATTR_STATE);
        EXPECT_EQ(viSetAttribute(s.vi, VI_ATTR_RSRC_NAME, 0), VI_ERROR_ATTR_READONLY);
        EXPECT_EQ(viSetAttribute(s.vi, VI_ATTR_GPIB_PRIMARY_ADDR, 3), VI_ERROR_ATTR_READONLY);
        EXPECT_EQ(viSetAttribute(s.vi, VI_ATTR_ASRL_BAUD, 9600), VI_ERROR_NSUP_ATTR);
        EXPECT_EQ(viSetAttribute(s.vi, 0x12345678, 1), VI_ERROR_NSUP_ATTR);
        // Accepted values of signed attributes arrive from 32-bit callers too.
        EXPECT_EQ(viSetAttribute(s.vi, VI_ATTR_TRIG_ID, 0xFFFFFFFFu), VI_SUCCESS);
        EXPECT_EQ(viSetAttribute(s.vi, VI_ATTR_TRIG_ID, 0), VI_ERROR_NSUP_ATTR_STATE);
        ViUInt32 timeout = 0;
        EXPECT_EQ(viGetAttribute(s.vi, VI_ATTR_ASRL_BAUD, &timeout), VI_ERROR_NSUP_ATTR);
        EXPECT_EQ(viGetAttribute(s.vi, VI_ATTR_TMO_VALUE, nullptr), VI_ERROR_USER_BUF);
    });
}

TEST_F(GpibIo, ClosedAndUnknownSessionsAreInvalid) {
    InChild([] {
        fakegpib_add_device(0, 22, 0, "x");
        ViSession rm = VI_NULL, vi = VI_NULL;
        ASSERT_EQ(viOpenDefaultRM(&rm), VI_SUCCESS);
        ASSERT_EQ(viOpen(rm, "GPIB0::22::INSTR", VI_NO_LOCK, 0, &vi), VI_SUCCESS);
        ASSERT_EQ(viClose(vi), VI_SUCCESS);
        ViUInt32 count = 0;
        EXPECT_EQ(viWrite(vi, reinterpret_cast<ViConstBuf>("x"), 1, &count), VI_ERROR_INV_OBJECT);
        EXPECT_EQ(viClose(vi), VI_ERROR_INV_OBJECT);
        EXPECT_EQ(viClear(12345), VI_ERROR_INV_OBJECT);
        ViUInt16 stb = 0;
        EXPECT_EQ(viReadSTB(rm, &stb), VI_ERROR_NSUP_OPER);
        EXPECT_EQ(viClose(VI_NULL), VI_WARN_NULL_OBJECT);
        EXPECT_EQ(fakegpib_calls("ibonl"), 1);
        ASSERT_EQ(viClose(rm), VI_SUCCESS);
        EXPECT_EQ(viOpen(rm, "GPIB0::22::INSTR", VI_NO_LOCK, 0, &vi), VI_ERROR_INV_OBJECT);
    });
}

} // namespace
} // namespace corvid::visaio::testing
