#include "resource_name.h"

#include <cctype>
#include <gtest/gtest.h>
#include <string>

namespace corvid::visa {
namespace {

struct Canonical {
    const char* text;
    ViUInt16 type;
    ViUInt16 board;
    const char* resourceClass;
    const char* canonical;
};

class ValidNames : public ::testing::TestWithParam<Canonical> {};

TEST_P(ValidNames, ParseToTheirCanonicalForm) {
    const Canonical& c = GetParam();
    ResourceName name;
    ASSERT_EQ(ParseResourceName(c.text, name), VI_SUCCESS) << c.text;
    EXPECT_EQ(name.interfaceType, c.type);
    EXPECT_EQ(name.interfaceNumber, c.board);
    EXPECT_EQ(name.resourceClass, c.resourceClass);
    EXPECT_EQ(name.canonical, c.canonical);
}

INSTANTIATE_TEST_SUITE_P(
    Names, ValidNames,
    ::testing::Values(
        Canonical{"GPIB0::22::INSTR", VI_INTF_GPIB, 0, "INSTR", "GPIB0::22::INSTR"},
        Canonical{"gpib::5", VI_INTF_GPIB, 0, "INSTR", "GPIB0::5::INSTR"},
        Canonical{"GPIB1::5::3::INSTR", VI_INTF_GPIB, 1, "INSTR", "GPIB1::5::3::INSTR"},
        Canonical{"GPIB0::5::0::INSTR", VI_INTF_GPIB, 0, "INSTR", "GPIB0::5::0::INSTR"},
        Canonical{"GPIB2::INTFC", VI_INTF_GPIB, 2, "INTFC", "GPIB2::INTFC"},
        Canonical{"GPIB-VXI0::24", VI_INTF_GPIB_VXI, 0, "INSTR", "GPIB-VXI0::24::INSTR"},
        Canonical{"GPIB-VXI1::MEMACC", VI_INTF_GPIB_VXI, 1, "MEMACC", "GPIB-VXI1::MEMACC"},
        Canonical{"VXI::0::INSTR", VI_INTF_VXI, 0, "INSTR", "VXI0::0::INSTR"},
        Canonical{"VXI0::BACKPLANE", VI_INTF_VXI, 0, "BACKPLANE", "VXI0::BACKPLANE"},
        Canonical{"ASRL1::INSTR", VI_INTF_ASRL, 1, "INSTR", "ASRL1::INSTR"},
        Canonical{"asrl12", VI_INTF_ASRL, 12, "INSTR", "ASRL12::INSTR"},
        Canonical{"PXI0::3::1::INSTR", VI_INTF_PXI, 0, "INSTR", "PXI0::3::1::INSTR"},
        Canonical{"TCPIP::10.0.0.5::INSTR", VI_INTF_TCPIP, 0, "INSTR", "TCPIP0::10.0.0.5::inst0::INSTR"},
        Canonical{"TCPIP0::host::5025::SOCKET", VI_INTF_TCPIP, 0, "SOCKET", "TCPIP0::host::5025::SOCKET"},
        Canonical{"USB::0x0957::0x1796::MY123::INSTR", VI_INTF_USB, 0, "INSTR",
                  "USB0::0x0957::0x1796::MY123::INSTR"}),
    [](const ::testing::TestParamInfo<Canonical>& param) {
        std::string name;
        for (const char* c = param.param.text; *c; ++c) {
            name += std::isalnum(static_cast<unsigned char>(*c)) ? *c : '_';
        }
        return name + "_" + std::to_string(param.index);
    });

TEST(ResourceNames, GpibPartsAreKept) {
    ResourceName name;
    ASSERT_EQ(ParseResourceName("GPIB3::7::12::INSTR", name), VI_SUCCESS);
    EXPECT_EQ(name.primary, 7);
    EXPECT_EQ(name.secondary, 12);
    EXPECT_TRUE(name.hasSecondary);
    ASSERT_EQ(ParseResourceName("GPIB3::7", name), VI_SUCCESS);
    EXPECT_FALSE(name.hasSecondary);
}

TEST(ResourceNames, MalformedNamesAreRefused) {
    for (const char* text : {"",
                             "GPIB",
                             "GPIB0",
                             "GPIB0::",
                             "GPIB0::31::INSTR",
                             "GPIB0::5::31",
                             "GPIB0::-1",
                             "GPIB0::5::INSTR::X",
                             "GPIB0:::5",
                             "GPIBX::5",
                             "GPIB99999::5",
                             "GPIB0::5::3::4::INSTR",
                             "GPIB0::abc",
                             "VXI0::256",
                             "ASRL1::2::INSTR",
                             "PXI0::32::INSTR",
                             "FOO0::1::INSTR",
                             " GPIB0::5",
                             "GPIB0::5 ",
                             "GPIB0::5::INSTRX",
                             "GPIB0::INSTR",
                             "USB::1::2",
                             "TCPIP::host::notaport::SOCKET"}) {
        ResourceName name;
        EXPECT_EQ(ParseResourceName(text, name), VI_ERROR_INV_RSRC_NAME) << '"' << text << '"';
        EXPECT_TRUE(name.canonical.empty());
    }
}

TEST(ResourceNames, OverlongNamesAreRefused) {
    ResourceName name;
    std::string text = "GPIB0::5::INSTR" + std::string(300, ' ');
    EXPECT_EQ(ParseResourceName(text, name), VI_ERROR_INV_RSRC_NAME);
    // Short enough as written, too long once expanded ("TCPIP0::...::inst0::INSTR").
    EXPECT_EQ(ParseResourceName("TCPIP::" + std::string(240, 'h'), name), VI_ERROR_INV_RSRC_NAME);
}

TEST(ResourceNames, HostsCannotHoldTheFieldSeparator) {
    ResourceName name;
    EXPECT_EQ(ParseResourceName("TCPIP::host::dev:::INSTR", name), VI_ERROR_INV_RSRC_NAME);
    EXPECT_EQ(ParseResourceName("TCPIP::a:b::INSTR", name), VI_ERROR_INV_RSRC_NAME);
    ASSERT_EQ(ParseResourceName("TCPIP::[fe80:0:1]::INSTR", name), VI_SUCCESS);
    EXPECT_EQ(name.canonical, "TCPIP0::[fe80:0:1]::inst0::INSTR");
}

} // namespace
} // namespace corvid::visa
