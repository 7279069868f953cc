// Finding GPIB resources, opening them, the listener check, remote-enable control and
// locks.
#include "visa_fixture.h"

#include <vector>

namespace corvid::visaio::testing {
namespace {

std::vector<std::string> Find(const char* expression, ViStatus expected = VI_SUCCESS) {
    ViSession rm = VI_NULL;
    EXPECT_GE(viOpenDefaultRM(&rm), VI_SUCCESS);
    ViFindList list = VI_NULL;
    ViUInt32 count = 0;
    char name[VI_FIND_BUFLEN] = {};
    std::vector<std::string> names;
    ViStatus status = viFindRsrc(rm, expression, &list, &count, name);
    EXPECT_EQ(status, expected) << expression;
    if (status == VI_SUCCESS) {
        names.push_back(name);
        for (ViUInt32 i = 1; i < count; ++i) {
            EXPECT_EQ(viFindNext(list, name), VI_SUCCESS);
            names.push_back(name);
        }
        EXPECT_EQ(viFindNext(list, name), VI_ERROR_RSRC_NFOUND);
        EXPECT_EQ(viClose(list), VI_SUCCESS);
    }
    viClose(rm);
    return names;
}

using Names = std::vector<std::string>;

class GpibFind : public VisaTest {};

TEST_F(GpibFind, ListenersAreListedWithoutTheBoardItself) {
    Configure();
    InChild([] {
        fakegpib_set_board_pad(0, 7);
        fakegpib_add_device(0, 22, 0, "a");
        fakegpib_add_device(0, 7, 0, "shadowed by the board");
        fakegpib_add_device(0, 5, 0x63, "b");
        fakegpib_add_device(1, 3, 0, "unconfigured board");
        EXPECT_EQ(Find("GPIB?*::INSTR"), (Names{"GPIB0::5::3::INSTR", "GPIB0::22::INSTR"}));
        EXPECT_EQ(Find("GPIB0::22::INSTR"), (Names{"GPIB0::22::INSTR"}));
        EXPECT_EQ(Find("GPIB?*::?*::?*::INSTR{VI_ATTR_GPIB_SECONDARY_ADDR > 0}"),
                  (Names{"GPIB0::5::3::INSTR"}));
        EXPECT_EQ(Find("GPIB?*{VI_ATTR_RSRC_MANF_NAME == \"Sorbel\" && VI_ATTR_GPIB_PRIMARY_ADDR == 22}"),
                  (Names{"GPIB0::22::INSTR"}));
        Find("ASRL12?::INSTR", VI_ERROR_RSRC_NFOUND); // serial ports above 32 need an alias
        Find("GPIB(", VI_ERROR_INV_EXPR);
        // The board was brought into controller state and remote enable put on.
        std::string log = FakeLog();
        EXPECT_NE(log.find("ibrsc 0 1\nibsic 0\n"), std::string::npos) << log;
        EXPECT_NE(log.find("ibsre 0 1"), std::string::npos);
    });
}

TEST_F(GpibFind, TheDeviceTableListsMarksAndHidesAddresses) {
    Configure("[GPIB-DEVICES]\nDevice0=0,9,0,1\nDevice1=0,22,0,0\nDevice2=0,4,2,1\nDevice3=0,5,0,2\n");
    InChild([] {
        fakegpib_add_device(0, 22, 0, "hidden");
        fakegpib_add_device(0, 5, 0, "asked");
        EXPECT_EQ(Find("GPIB?*"), (Names{"GPIB0::5::INSTR", "GPIB0::9::INSTR", "GPIB0::4::2::INSTR"}));
        OpenSession absent("GPIB0::22::INSTR");
        EXPECT_EQ(absent.openStatus, VI_ERROR_RSRC_NFOUND);
    });
}

TEST_F(GpibFind, AMissingDriverLibraryFindsNothingAndSaysSoOnce) {
    std::ofstream(sandbox.home() / "visa.ini") << "[GPIB]\nBoards=0\nLibrary=/nonexistent/libgpib.so\n";
    InChild([] {
        ::testing::internal::CaptureStderr();
        Find("GPIB?*::INSTR", VI_ERROR_RSRC_NFOUND);
        OpenSession s("GPIB0::22::INSTR");
        EXPECT_EQ(s.openStatus, VI_ERROR_RSRC_NFOUND);
        Find("GPIB?*::INSTR", VI_ERROR_RSRC_NFOUND);
        std::string said = ::testing::internal::GetCapturedStderr();
        const std::string warning =
            "sbviio32: the GPIB driver library \"/nonexistent/libgpib.so\" cannot be loaded";
        EXPECT_EQ(said.find(warning), 0u) << said;
        EXPECT_EQ(said.find(warning, 1), std::string::npos) << said;
    });
}

TEST_F(GpibFind, OutOfRangeSettingsFallBackWithOneWarningEach) {
    std::ofstream(sandbox.home() / "visa.ini") << "[GPIB]\nBoards=0\nLibrary=" << FAKE_GPIB_LIBRARY
                                               << "\n[GPIB-CONFIG]\nDisableIbListen=-1\nSRQPollTime=70000\n";
    InChild([] {
        fakegpib_add_device(0, 22, 0, "a");
        ::testing::internal::CaptureStderr();
        EXPECT_EQ(Find("GPIB?*::INSTR"), (Names{"GPIB0::22::INSTR"})); // the bus is asked
        ViSession rm = VI_NULL;
        viOpenDefaultRM(&rm);
        viClose(rm);
        std::string said = ::testing::internal::GetCapturedStderr();
        EXPECT_NE(
            said.find(
                "sbviio32: [GPIB-CONFIG] DisableIbListen=-1 is not a number from 0 to 65535; using 0\n"),
            std::string::npos)
            << said;
        const std::string poll =
            "sbviio32: [GPIB-CONFIG] SRQPollTime=70000 is not a number from 1 to 65535; using 1000\n";
        EXPECT_NE(said.find(poll), std::string::npos) << said;
        EXPECT_EQ(said.find(poll, said.find(poll) + 1), std::string::npos) << said;
    });
}

TEST_F(GpibFind, WithoutListenerQuestionsOnlyConfiguredDevicesAreListed) {
    Configure("DisableIbListen=1\n[GPIB-DEVICES]\nDevice0=0,9,0,1\nDevice1=0,5,2,2\nDevice2=0,7,0,0\n");
    InChild([] {
        fakegpib_add_device(0, 22, 0, "on the bus, not configured");
        EXPECT_EQ(Find("GPIB?*::INSTR"), (Names{"GPIB0::9::INSTR", "GPIB0::5::2::INSTR"}));
        EXPECT_EQ(fakegpib_calls("FindLstn"), 0);
    });
}

// Find lists a device that answers at secondary address 0 itself as "GPIB0::9::0::INSTR";
// that name reaches it, while the same form still reaches a primary-only device.
TEST_F(GpibFind, ADeviceAtSecondaryZeroIsReachedByTheNameFindLists) {
    Configure();
    InChild([] {
        fakegpib_add_device(0, 9, 0x60, "Fake,SAD0,1,1.0");
        fakegpib_add_device(0, 5, 0, "Fake,PAD,1,1.0");
        EXPECT_EQ(Find("GPIB?*::INSTR"), (Names{"GPIB0::5::INSTR", "GPIB0::9::0::INSTR"}));
        OpenSession s("GPIB0::9::0::INSTR");
        ASSERT_EQ(s.openStatus, VI_SUCCESS);
        EXPECT_EQ(s.Query("*IDN?"), "Fake,SAD0,1,1.0\n");
        ViUInt16 secondary = VI_NO_SEC_ADDR;
        ASSERT_EQ(viGetAttribute(s.vi, VI_ATTR_GPIB_SECONDARY_ADDR, &secondary), VI_SUCCESS);
        EXPECT_EQ(secondary, 0);
        OpenSession primary("GPIB0::5::0::INSTR");
        ASSERT_EQ(primary.openStatus, VI_SUCCESS);
        EXPECT_EQ(primary.Query("*IDN?"), "Fake,PAD,1,1.0\n");
    });
}

TEST_F(GpibFind, AMalformedStoreGivesTheDefaultsWithAWarning) {
    std::ofstream(sandbox.home() / "visa.ini")
        << "[GPIB]\nBoards=0,1\nLibrary=" << FAKE_GPIB_LIBRARY << "\nnot a line\n";
    InChild([] {
        fakegpib_add_device(1, 3, 0, "x");
        ViSession rm = VI_NULL, vi = VI_NULL;
        EXPECT_EQ(viOpenDefaultRM(&rm), VI_WARN_CONFIG_NLOADED);
        // Board 1 of the ignored store does not exist in the default configuration.
        EXPECT_EQ(viOpen(rm, "GPIB1::3::INSTR", VI_NO_LOCK, 0, &vi), VI_ERROR_RSRC_NFOUND);
        EXPECT_EQ(fakegpib_calls("ibdev"), 0);
        viClose(rm);
    });
}

TEST_F(GpibFind, AFindOverThirtyAddresses) {
    Configure();
    InChild([] {
        for (int pad = 1; pad <= 30; ++pad) {
            fakegpib_add_device(0, pad, 0, "x");
        }
        EXPECT_EQ(Find("GPIB?*::INSTR").size(), 30u);
    });
}

class GpibOpen : public VisaTest {};

TEST_F(GpibOpen, NamesAndBoardsThatDoNotExist) {
    Configure("", "Boards=0,2\n");
    InChild([] {
        fakegpib_add_device(2, 4, 0, "x");
        EXPECT_EQ(OpenSession("GPIB1::4::INSTR").openStatus, VI_ERROR_RSRC_NFOUND);
        EXPECT_EQ(OpenSession("GPIB2::4::INSTR").openStatus, VI_SUCCESS);
        EXPECT_EQ(OpenSession("GPIB0::31::INSTR").openStatus, VI_ERROR_INV_RSRC_NAME);
        EXPECT_EQ(OpenSession("GPIB0::").openStatus, VI_ERROR_INV_RSRC_NAME);
        EXPECT_EQ(OpenSession("ASRL127::INSTR").openStatus, VI_ERROR_RSRC_NFOUND);
        EXPECT_EQ(OpenSession("TCPIP::host::INSTR").openStatus, VI_ERROR_RSRC_NFOUND);
        EXPECT_EQ(OpenSession("GPIB2::4::INSTR", 0x80).openStatus, VI_ERROR_INV_ACC_MODE);
        fakegpib_fail_next("ibdev", 0, EDVR, 1);
        EXPECT_EQ(OpenSession("GPIB2::4::INSTR").openStatus, VI_ERROR_ALLOC);
    });
}

TEST_F(GpibOpen, ANoDeviceAddressOpensWithAWarning) {
    Configure();
    InChild([] {
        OpenSession s("GPIB0::9::INSTR");
        EXPECT_EQ(s.openStatus, VI_SUCCESS_DEV_NPRESENT);
        EXPECT_EQ(viClear(s.vi), VI_ERROR_NLISTENERS);
        EXPECT_EQ(viAssertTrigger(s.vi, VI_TRIG_PROT_DEFAULT), VI_ERROR_NLISTENERS);
        EXPECT_EQ(viAssertTrigger(s.vi, VI_TRIG_PROT_ON), VI_ERROR_INV_PROT);
        fakegpib_add_device(0, 9, 0, "late");
        EXPECT_EQ(viClear(s.vi), VI_SUCCESS);
        EXPECT_EQ(viAssertTrigger(s.vi, VI_TRIG_PROT_DEFAULT), VI_SUCCESS);
    });
}

TEST_F(GpibOpen, WithoutListenerQuestionsAnAddressOpensPlainly) {
    Configure("DisableIbListen=1\n");
    InChild([] {
        OpenSession s("GPIB0::9::INSTR");
        EXPECT_EQ(s.openStatus, VI_SUCCESS);
        EXPECT_EQ(viClear(s.vi), VI_SUCCESS);
        EXPECT_EQ(fakegpib_calls("ibln"), 0);
    });
}

TEST_F(GpibOpen, RemoteEnableModes) {
    Configure();
    InChild([] {
        fakegpib_add_device(0, 22, 0, "x");
        OpenSession s("GPIB0::22::INSTR");
        struct Case {
            ViUInt16 mode;
            const char* calls;
        };
        for (Case c : {Case{VI_GPIB_REN_DEASSERT, "ibsre 0 0\n"}, Case{VI_GPIB_REN_ASSERT, "ibsre 0 1\n"},
                       Case{VI_GPIB_REN_DEASSERT_GTL, "ibloc 100\nibsre 0 0\n"},
                       Case{VI_GPIB_REN_ASSERT_ADDRESS, "ibsre 0 1\nibln 0 22 0\n"},
                       Case{VI_GPIB_REN_ASSERT_LLO, "ibsre 0 1\nibcmd 0 17\n"},
                       Case{VI_GPIB_REN_ASSERT_ADDRESS_LLO, "ibsre 0 1\nibln 0 22 0\nibcmd 0 17\n"},
                       Case{VI_GPIB_REN_ADDRESS_GTL, "ibloc 100\n"}}) {
            std::string before = FakeLog();
            EXPECT_EQ(viGpibControlREN(s.vi, c.mode), VI_SUCCESS) << c.mode;
            EXPECT_EQ(FakeLog().substr(before.size()), c.calls) << c.mode;
        }
        EXPECT_EQ(viGpibControlREN(s.vi, 7), VI_ERROR_INV_MODE);
        fakegpib_fail_next("ibsre", 0, ESAC, 1);
        EXPECT_EQ(viGpibControlREN(s.vi, VI_GPIB_REN_ASSERT), VI_ERROR_NSYS_CNTLR);
        fakegpib_fail_next("ibsre", 0, 24, 1);
        EXPECT_EQ(viGpibControlREN(s.vi, VI_GPIB_REN_ASSERT), VI_SUCCESS);
        ViInt16 state = 0;
        EXPECT_EQ(viGetAttribute(s.vi, VI_ATTR_GPIB_REN_STATE, &state), VI_SUCCESS);
        EXPECT_EQ(state, VI_STATE_ASSERTED);
    });
}

TEST_F(GpibOpen, RemoteEnableWithAddressingNeedsAListener) {
    Configure("DisableIbListen=1\n");
    InChild([] {
        OpenSession s("GPIB0::9::INSTR");
        EXPECT_EQ(viGpibControlREN(s.vi, VI_GPIB_REN_ASSERT_ADDRESS), VI_ERROR_NLISTENERS);
        std::string before = FakeLog();
        EXPECT_EQ(viGpibControlREN(s.vi, VI_GPIB_REN_ASSERT_ADDRESS_LLO), VI_ERROR_NLISTENERS);
        EXPECT_EQ(FakeLog().substr(before.size()).find("ibcmd"), std::string::npos);
    });
}

TEST_F(GpibOpen, LocksKeepOtherSessionsOut) {
    Configure();
    InChild([] {
        fakegpib_add_device(0, 22, 0, "x");
        OpenSession a("GPIB0::22::INSTR");
        ViSession b = VI_NULL;
        ASSERT_EQ(viOpen(a.rm, "GPIB0::22::INSTR", VI_NO_LOCK, 0, &b), VI_SUCCESS);
        ASSERT_EQ(viLock(a.vi, VI_EXCLUSIVE_LOCK, 0, nullptr, nullptr), VI_SUCCESS);
        ViUInt32 count = 0;
        EXPECT_EQ(viWrite(b, reinterpret_cast<ViConstBuf>("x"), 1, &count), VI_ERROR_RSRC_LOCKED);
        EXPECT_EQ(viWrite(a.vi, reinterpret_cast<ViConstBuf>("x"), 1, &count), VI_SUCCESS);
        ViAccessMode state = 0;
        EXPECT_EQ(viGetAttribute(b, VI_ATTR_RSRC_LOCK_STATE, &state), VI_SUCCESS);
        EXPECT_EQ(state, static_cast<ViAccessMode>(VI_EXCLUSIVE_LOCK));
        EXPECT_EQ(viLock(b, VI_EXCLUSIVE_LOCK, 10, nullptr, nullptr), VI_ERROR_TMO);
        ViSession c = VI_NULL;
        EXPECT_EQ(viOpen(a.rm, "GPIB0::22::INSTR", VI_EXCLUSIVE_LOCK, 10, &c), VI_ERROR_RSRC_LOCKED);
        EXPECT_EQ(viUnlock(b), VI_ERROR_SESN_NLOCKED);
        ASSERT_EQ(viUnlock(a.vi), VI_SUCCESS);
        EXPECT_EQ(viWrite(b, reinterpret_cast<ViConstBuf>("x"), 1, &count), VI_SUCCESS);
        // Closing a session gives its locks up.
        ASSERT_EQ(viOpen(a.rm, "GPIB0::22::INSTR", VI_EXCLUSIVE_LOCK, 0, &c), VI_SUCCESS);
        EXPECT_EQ(viWrite(b, reinterpret_cast<ViConstBuf>("x"), 1, &count), VI_ERROR_RSRC_LOCKED);
        ASSERT_EQ(viClose(c), VI_SUCCESS);
        EXPECT_EQ(viWrite(b, reinterpret_cast<ViConstBuf>("x"), 1, &count), VI_SUCCESS);
    });
}

TEST_F(GpibOpen, ParsingAnswersTheParts) {
    Configure("[ALIASES]\ndmm=GPIB0::22::INSTR\n");
    InChild([] {
        ViSession rm = VI_NULL;
        ASSERT_EQ(viOpenDefaultRM(&rm), VI_SUCCESS);
        ViUInt16 type = 0, number = 0;
        char cls[VI_FIND_BUFLEN], expanded[VI_FIND_BUFLEN], alias[VI_FIND_BUFLEN];
        ASSERT_EQ(viParseRsrcEx(rm, "gpib3::5", &type, &number, cls, expanded, alias), VI_SUCCESS);
        EXPECT_EQ(type, VI_INTF_GPIB);
        EXPECT_EQ(number, 3);
        EXPECT_STREQ(cls, "INSTR");
        EXPECT_STREQ(expanded, "GPIB3::5::INSTR");
        EXPECT_STREQ(alias, "");
        ASSERT_EQ(viParseRsrcEx(rm, "DMM", &type, &number, cls, expanded, alias), VI_SUCCESS);
        EXPECT_STREQ(expanded, "GPIB0::22::INSTR");
        EXPECT_STREQ(alias, "DMM");
        EXPECT_EQ(viParseRsrc(rm, "GPIB0::99", &type, &number), VI_ERROR_INV_RSRC_NAME);
        EXPECT_EQ(viParseRsrc(rm + 1000, "GPIB0::9", &type, &number), VI_ERROR_INV_OBJECT);
        char text[VI_FIND_BUFLEN];
        EXPECT_EQ(viStatusDesc(rm, VI_ERROR_TMO, text), VI_SUCCESS);
        EXPECT_STREQ(text, "Timeout expired before operation completed.");
        EXPECT_EQ(viStatusDesc(rm, 0x12345, text), VI_WARN_UNKNOWN_STATUS);
        viClose(rm);
    });
}

} // namespace
} // namespace corvid::visaio::testing
