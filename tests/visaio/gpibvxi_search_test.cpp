// The search for GPIB-VXI controllers on a scripted GPIB bus, and interface libraries that
// are missing. The controller module and its mainframe come from the demo bench.
#include "visa_fixture.h"

#include <vector>

namespace corvid::visaio::testing {
namespace {

using Names = std::vector<std::string>;

Names FindAll(const char* expression) {
    ViSession rm = VI_NULL;
    EXPECT_GE(viOpenDefaultRM(&rm), VI_SUCCESS);
    ViFindList list = VI_NULL;
    ViUInt32 count = 0;
    char name[VI_FIND_BUFLEN] = {};
    Names names;
    if (viFindRsrc(rm, expression, &list, &count, name) == VI_SUCCESS) {
        names.push_back(name);
        while (viFindNext(list, name) == VI_SUCCESS) {
            names.push_back(name);
        }
        viClose(list);
    }
    viClose(rm);
    return names;
}

std::string LastWritten(int board, int pad) {
    char text[256] = {};
    fakegpib_last_written(board, pad, 0, text, sizeof text);
    return text;
}

class GpibVxiSearch : public VisaTest {};

TEST_F(GpibVxiSearch, AControllerIsKnownByItsIdentification) {
    Configure("[GPIB-VXI]\nController0=0,12\n");
    InChild([] {
        fakegpib_add_device(0, 12, 0, "\"Sorbel\",\"GPIB-VXI\",\"GV-2210\",\"1.4\"");
        EXPECT_EQ(FindAll("GPIB-VXI?*"),
                  (Names{"GPIB-VXI0::0::INSTR", "GPIB-VXI0::16::INSTR", "GPIB-VXI0::MEMACC"}));
        EXPECT_EQ(LastWritten(0, 12), "*IDN?\n");
        // The search is made once per process.
        int writes = fakegpib_calls("ibwrt");
        FindAll("GPIB-VXI?*");
        EXPECT_EQ(fakegpib_calls("ibwrt"), writes);
    });
}

TEST_F(GpibVxiSearch, AMessageBasedModuleOpensAsTheGpibDeviceAtItsSecondaryAddress) {
    Configure("[GPIB-VXI]\nController0=0,12\n");
    InChild([] {
        fakegpib_add_device(0, 12, 0, "\"Sorbel\",\"GPIB-VXI\",\"GV-2210\",\"1.4\"");
        fakegpib_add_device(0, 12, 0x62, "Orbis Metrology,FC-3120V,OM3120V-0088,4.01");
        OpenSession module("GPIB-VXI0::16::INSTR");
        ASSERT_EQ(module.openStatus, VI_SUCCESS);
        // Secondary 96 + 2, the 2000 ms time-out rounded to the 3 s step, END on writes.
        std::string log = FakeLog();
        EXPECT_NE(log.find("ibdev 0 12 98 12 1 "), std::string::npos) << log;
        EXPECT_EQ(module.Query("*IDN?\n"), "Orbis Metrology,FC-3120V,OM3120V-0088,4.01\n");
        EXPECT_EQ(log.find("ibln"), std::string::npos); // no listener question for GPIB-VXI
    });
}

TEST_F(GpibVxiSearch, AnotherIdentificationIsNoController) {
    Configure("[GPIB-VXI]\nController0=0,12\n");
    InChild([] {
        fakegpib_add_device(0, 12, 0, "Sorbel,GPIB-VXI,GV-2210,1.4"); // not the quoted form
        EXPECT_EQ(FindAll("GPIB-VXI?*"), Names{});
        OpenSession session("GPIB-VXI0::16::INSTR");
        EXPECT_EQ(session.openStatus, VI_ERROR_RSRC_NFOUND);
    });
}

TEST_F(GpibVxiSearch, ConfiguredControllerTypesReplaceTheBuiltInOne) {
    Configure("[GPIB-VXI]\nController0=0,12\n[SBGPVX]\nNumEntries=1\n[SBGPVX/Entry0]\nPrefix=sbgpvx\n"
              "IDNstr=Acme GPIB-VXI bridge\nIDNlen=9\nName=Acme bridge\n");
    InChild([] {
        fakegpib_add_device(0, 12, 0, "Acme GPIB-VXI mark 2");
        OpenSession session("GPIB-VXI0::MEMACC");
        ASSERT_EQ(session.openStatus, VI_SUCCESS);
        char text[256] = {};
        EXPECT_EQ(viGetAttribute(session.vi, VI_ATTR_INTF_INST_NAME, text), VI_SUCCESS);
        EXPECT_STREQ(text, "GPIB-VXI0  (Acme bridge)");
    });
}

TEST_F(GpibVxiSearch, WithoutAutoFindNothingIsAsked) {
    Configure("[GPIB-VXI]\nController0=0,12\n[GPIB-VXI-CONFIG]\nDisableAutoFind=1\n");
    InChild([] {
        EXPECT_EQ(FindAll("GPIB-VXI0::16::INSTR"), Names{"GPIB-VXI0::16::INSTR"});
        EXPECT_EQ(fakegpib_calls("ibwrt"), 0);
    });
}

TEST_F(GpibVxiSearch, MissingInterfaceLibrariesFindNothingAndOpenSaysWhy) {
    Configure("[VXI]\nLibrary=/nonexistent/sbvxint.so\n[PXI]\nLibrary=/nonexistent/sbvispal.so\n");
    InChild([] {
        EXPECT_EQ(FindAll("VXI?*"), Names{});
        EXPECT_EQ(FindAll("PXI?*"), Names{});
        OpenSession vxi("VXI0::24::INSTR");
        EXPECT_EQ(vxi.openStatus, VI_ERROR_LIBRARY_NFOUND);
        OpenSession pxi("PXI3::0::0::INSTR");
        EXPECT_EQ(pxi.openStatus, VI_ERROR_LIBRARY_NFOUND);
    });
}

} // namespace
} // namespace corvid::visaio::testing
