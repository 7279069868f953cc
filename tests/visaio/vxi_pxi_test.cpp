// VXI, GPIB-VXI and PXI sessions on the demo bench (no visa.ini): what find lists, the
// kinds of session each resource gives, and register access with its bounds.
#include "testsupport/sandbox.h"

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <set>
#include <string>
#include <thread>
#include <visa.h>

namespace {

class ModuleSessions : public corvid::testing::SandboxTest {
protected:
    void SetUp() override {
        // No PCI devices of the machine: only the bench's PXI module.
        setenv("CORVID_PCI_SYSFS", sysfs.path().c_str(), 1);
        ASSERT_EQ(viOpenDefaultRM(&rm), VI_SUCCESS);
    }
    void TearDown() override { viClose(rm); }

    ViSession Open(const char* name, ViStatus expected = VI_SUCCESS) {
        ViSession vi = VI_NULL;
        EXPECT_EQ(viOpen(rm, name, VI_NO_LOCK, 0, &vi), expected) << name;
        return vi;
    }

    std::set<std::string> Find(const char* expression) {
        std::set<std::string> names;
        ViFindList list = VI_NULL;
        ViUInt32 count = 0;
        char name[VI_FIND_BUFLEN];
        if (viFindRsrc(rm, expression, &list, &count, name) < VI_SUCCESS) {
            return names;
        }
        names.insert(name);
        while (viFindNext(list, name) == VI_SUCCESS) {
            names.insert(name);
        }
        viClose(list);
        return names;
    }

    static std::string Query(ViSession vi, const std::string& command) {
        ViUInt32 count = 0;
        EXPECT_EQ(viWrite(vi, reinterpret_cast<ViConstBuf>(command.data()),
                          static_cast<ViUInt32>(command.size()), &count),
                  VI_SUCCESS);
        char buffer[256];
        EXPECT_EQ(viRead(vi, reinterpret_cast<ViBuf>(buffer), sizeof buffer, &count), VI_SUCCESS);
        return std::string(buffer, count);
    }

    static std::string Text(ViSession vi, ViAttr attribute) {
        char text[256] = {};
        EXPECT_EQ(viGetAttribute(vi, attribute, text), VI_SUCCESS);
        return text;
    }

    corvid::testing::TempDir sysfs;
    ViSession rm = VI_NULL;
};

TEST_F(ModuleSessions, FindListsTheModulesOfEachType) {
    EXPECT_EQ(Find("?*VXI?*"), (std::set<std::string>{"GPIB-VXI0::0::INSTR", "GPIB-VXI0::16::INSTR",
                                                      "GPIB-VXI0::MEMACC", "VXI0::0::INSTR",
                                                      "VXI0::24::INSTR", "VXI0::32::INSTR", "VXI0::MEMACC"}));
    EXPECT_EQ(Find("PXI?*"), (std::set<std::string>{"PXI3::0::0::INSTR"}));
    EXPECT_EQ(Find("VXI0::?*INSTR{VI_ATTR_MANF_ID == 0xF5C}"),
              (std::set<std::string>{"VXI0::24::INSTR", "VXI0::32::INSTR"}));
}

TEST_F(ModuleSessions, EachVxiResourceGetsItsKindOfSession) {
    ViSession dmm = Open("VXI0::24::INSTR");
    EXPECT_EQ(Query(dmm, "*IDN?\n"), "Larkspur Instruments,LM-4065V,LK4065V-00417,2.07\n");
    ViUInt16 value = 0;
    EXPECT_EQ(viReadSTB(dmm, &value), VI_SUCCESS);
    EXPECT_EQ(viClear(dmm), VI_SUCCESS);
    EXPECT_EQ(viGetAttribute(dmm, VI_ATTR_VXI_DEV_CLASS, &value), VI_SUCCESS);
    EXPECT_EQ(value, VI_VXI_CLASS_MESSAGE);
    EXPECT_EQ(Text(dmm, VI_ATTR_INTF_INST_NAME), "VXI0  (Sorbel VXI-PC embedded controller)");

    ViSession dio = Open("VXI0::32::INSTR");
    char buffer[8];
    ViUInt32 count = 0;
    EXPECT_EQ(viRead(dio, reinterpret_cast<ViBuf>(buffer), sizeof buffer, &count), VI_ERROR_NSUP_OPER);
    EXPECT_EQ(viGetAttribute(dio, VI_ATTR_VXI_DEV_CLASS, &value), VI_SUCCESS);
    EXPECT_EQ(value, VI_VXI_CLASS_REGISTER);
    EXPECT_EQ(viSetAttribute(dio, VI_ATTR_MANF_ID, 1), VI_ERROR_ATTR_READONLY);

    // The controller's own logical address is a servant session: no commander talks to it.
    ViSession servant = Open("VXI0::0::INSTR");
    EXPECT_EQ(viWrite(servant, reinterpret_cast<ViConstBuf>("x"), 1, &count), VI_ERROR_NSUP_OPER);

    // Memory access addresses the whole bus: the module's ID register at 0xC000 + 64 x 32.
    ViSession memory = Open("VXI0::MEMACC");
    EXPECT_EQ(viIn16(memory, VI_A16_SPACE, 0xC000 + 64 * 32, &value), VI_SUCCESS);
    EXPECT_EQ(value, 0xCF5C);
    EXPECT_EQ(viIn16(memory, VI_A16_SPACE, 0xC000 + 64 * 40, &value), VI_ERROR_BERR);

    Open("VXI0::40::INSTR", VI_ERROR_RSRC_NFOUND);
    Open("VXI1::24::INSTR", VI_ERROR_RSRC_NFOUND);
}

TEST_F(ModuleSessions, WordSerialReadsStopAtTheCountAndTimeOut) {
    ViSession dmm = Open("VXI0::24::INSTR");
    ViUInt32 count = 0;
    ASSERT_EQ(viWrite(dmm, reinterpret_cast<ViConstBuf>("*IDN?\n"), 6, &count), VI_SUCCESS);
    char buffer[64];
    ASSERT_EQ(viRead(dmm, reinterpret_cast<ViBuf>(buffer), 8, &count), VI_SUCCESS_MAX_CNT);
    EXPECT_EQ(std::string(buffer, count), "Larkspur");
    ASSERT_EQ(viRead(dmm, reinterpret_cast<ViBuf>(buffer), sizeof buffer, &count), VI_SUCCESS);
    EXPECT_EQ(std::string(buffer, count), " Instruments,LM-4065V,LK4065V-00417,2.07\n");

    ASSERT_EQ(viSetAttribute(dmm, VI_ATTR_TMO_VALUE, 100), VI_SUCCESS);
    ASSERT_EQ(viWrite(dmm, reinterpret_cast<ViConstBuf>("*CAL?\n"), 6, &count),
              VI_SUCCESS); // answers after 1.5 s
    EXPECT_EQ(viRead(dmm, reinterpret_cast<ViBuf>(buffer), sizeof buffer, &count), VI_ERROR_TMO);
    EXPECT_EQ(viClear(dmm), VI_SUCCESS);
    EXPECT_EQ(Query(dmm, "*IDN?\n").rfind("Larkspur", 0), 0u);
}

TEST_F(ModuleSessions, ClosingASessionEndsAWordSerialReadInAnotherThread) {
    ViSession dmm = Open("VXI0::24::INSTR");
    ASSERT_EQ(viSetAttribute(dmm, VI_ATTR_TMO_VALUE, VI_TMO_INFINITE), VI_SUCCESS);
    ViUInt32 count = 0;
    ASSERT_EQ(viWrite(dmm, reinterpret_cast<ViConstBuf>("*CAL?\n"), 6, &count),
              VI_SUCCESS); // answers after 1.5 s
    std::atomic<bool> reading{false};
    std::atomic<ViStatus> status{VI_SUCCESS};
    std::thread reader([&] {
        char buffer[16];
        ViUInt32 got = 0;
        reading = true;
        status = viRead(dmm, reinterpret_cast<ViBuf>(buffer), sizeof buffer, &got);
    });
    ASSERT_TRUE(corvid::testing::WaitUntil([&] { return reading.load(); }, std::chrono::seconds(5)));
    viClose(dmm);
    reader.join();
    // Without the abort the read would have waited for the reply and succeeded.
    EXPECT_TRUE(status == VI_ERROR_ABORT || status == VI_ERROR_INV_OBJECT) << status;
}

TEST_F(ModuleSessions, RegisterAccessKeepsToTheDevicesWindows) {
    ViSession dio = Open("VXI0::32::INSTR");
    ViUInt16 value = 0;
    ASSERT_EQ(viIn16(dio, VI_A16_SPACE, 0, &value), VI_SUCCESS);
    EXPECT_EQ(value, 0xCF5C); // register-based, manufacturer 0xF5C
    EXPECT_EQ(viIn16(dio, VI_A16_SPACE, 0x40, &value), VI_ERROR_NSUP_OFFSET);
    EXPECT_EQ(viIn16(dio, VI_A16_SPACE, 0x21, &value), VI_ERROR_NSUP_ALIGN_OFFSET);
    EXPECT_EQ(viIn16(dio, VI_A32_SPACE, 0, &value), VI_ERROR_INV_SPACE);
    EXPECT_EQ(viIn16(dio, 99, 0, &value), VI_ERROR_INV_SPACE);
    ViUInt64 wide = 0;
    EXPECT_EQ(viIn64(dio, VI_A24_SPACE, 0, &wide), VI_ERROR_NSUP_WIDTH);

    EXPECT_EQ(viOut16(dio, VI_A16_SPACE, 0x20, 0xBEEF), VI_SUCCESS);
    EXPECT_EQ(viOut16(dio, VI_A16_SPACE, 0x22, 0x0000), VI_SUCCESS); // read-only: ignored
    ViUInt8 bytes[4] = {};
    ASSERT_EQ(viMoveIn8(dio, VI_A16_SPACE, 0x20, 4, bytes), VI_SUCCESS);
    EXPECT_EQ(bytes[0], 0xBE);
    EXPECT_EQ(bytes[1], 0xEF);
    EXPECT_EQ(bytes[2], 0x5A);

    ViUInt32 block[4] = {1, 2, 3, 0xCAFEF00D};
    ASSERT_EQ(viMoveOut32(dio, VI_A24_SPACE, 4096 - 16, 4, block), VI_SUCCESS);
    ViUInt32 back[4] = {};
    ASSERT_EQ(viMoveIn32(dio, VI_A24_SPACE, 4096 - 16, 4, back), VI_SUCCESS);
    EXPECT_EQ(back[3], 0xCAFEF00Du);
    EXPECT_EQ(viMoveIn32(dio, VI_A24_SPACE, 4096 - 12, 4, back), VI_ERROR_NSUP_OFFSET);
    // Without source increment a block move reads one register again and again.
    ASSERT_EQ(viSetAttribute(dio, VI_ATTR_SRC_INCREMENT, 0), VI_SUCCESS);
    ASSERT_EQ(viMoveIn32(dio, VI_A24_SPACE, 4096 - 4, 4, back), VI_SUCCESS);
    EXPECT_EQ(back[0], 0xCAFEF00Du);
    EXPECT_EQ(back[3], 0xCAFEF00Du);

    ViAddr address = nullptr;
    EXPECT_EQ(viUnmapAddress(dio), VI_ERROR_WINDOW_NMAPPED);
    ASSERT_EQ(viMapAddress(dio, VI_A16_SPACE, 0x20, 0x20, VI_FALSE, VI_NULL, &address), VI_SUCCESS);
    EXPECT_EQ(viMapAddress(dio, VI_A16_SPACE, 0, 2, VI_FALSE, VI_NULL, &address), VI_ERROR_WINDOW_MAPPED);
    viPoke16(dio, address, 0x1234);
    viPeek16(dio, static_cast<char*>(address) + 2, &value);
    EXPECT_EQ(value, 0x5A5A);
    viPeek16(dio, address, &value);
    EXPECT_EQ(value, 0x1234);
    viPeek16(dio, static_cast<char*>(address) + 0x20, &value); // past the window
    EXPECT_EQ(value, 0xFFFF);
    EXPECT_EQ(viUnmapAddress(dio), VI_SUCCESS);
    EXPECT_EQ(viMapAddress(dio, VI_A16_SPACE, 0x30, 0x20, VI_FALSE, VI_NULL, &address), VI_ERROR_INV_SIZE);
}

TEST_F(ModuleSessions, AGpibVxiModuleTalksThroughGpibAndShowsItsRegisters) {
    ViSession counter = Open("GPIB-VXI0::16::INSTR");
    EXPECT_EQ(Query(counter, "*IDN?\n"), "Orbis Metrology,FC-3120V,OM3120V-0088,4.01\n");
    EXPECT_EQ(Text(counter, VI_ATTR_INTF_INST_NAME), "GPIB-VXI0  (Sorbel GPIB-VXI)");
    EXPECT_EQ(Text(counter, VI_ATTR_RSRC_MANF_NAME), "Sorbel (using module sbgpvx)");
    ViUInt16 value = 0;
    ASSERT_EQ(viIn16(counter, VI_A16_SPACE, 0, &value), VI_SUCCESS);
    EXPECT_EQ(value, 0xBF5C);
    EXPECT_EQ(viGetAttribute(counter, VI_ATTR_MODEL_CODE, &value), VI_SUCCESS);
    EXPECT_EQ(value, 0x412);
    // pyvisa 1.11 writes the name with a secondary address of 0.
    ViSession again = Open("GPIB-VXI0::16::0::INSTR");
    EXPECT_EQ(Query(again, "MEAS:FREQ?\n").rfind("1.0000000", 0), 0u);
    // The controller itself is reached through its module only.
    ViSession controller = Open("GPIB-VXI0::0::INSTR");
    ViUInt32 count = 0;
    EXPECT_EQ(viWrite(controller, reinterpret_cast<ViConstBuf>("x"), 1, &count), VI_ERROR_NSUP_OPER);
    Open("GPIB-VXI0::17::INSTR", VI_ERROR_RSRC_NFOUND);
    ViSession memory = Open("GPIB-VXI0::MEMACC");
    ASSERT_EQ(viIn16(memory, VI_A16_SPACE, 0xC000 + 64 * 16, &value), VI_SUCCESS);
    EXPECT_EQ(value, 0xBF5C);
    EXPECT_EQ(viIn16(memory, VI_A32_SPACE, 0, &value), VI_ERROR_INV_SPACE); // the controller has no A32
}

TEST_F(ModuleSessions, APxiModuleShowsItsIdentifiersAndBaseAddressRegisters) {
    ViSession daq = Open("PXI3::0::0::INSTR");
    ViUInt16 value = 0;
    EXPECT_EQ(viGetAttribute(daq, VI_ATTR_MANF_ID, &value), VI_SUCCESS);
    EXPECT_EQ(value, 0x1A5B);
    EXPECT_EQ(viGetAttribute(daq, VI_ATTR_MODEL_CODE, &value), VI_SUCCESS);
    EXPECT_EQ(value, 0x4710);
    EXPECT_EQ(viGetAttribute(daq, VI_ATTR_PXI_MEM_TYPE_BAR0, &value), VI_SUCCESS);
    EXPECT_EQ(value, VI_PXI_ADDR_MEM);
    EXPECT_EQ(viGetAttribute(daq, VI_ATTR_PXI_MEM_TYPE_BAR1, &value), VI_SUCCESS);
    EXPECT_EQ(value, VI_PXI_ADDR_IO);
    EXPECT_EQ(viGetAttribute(daq, VI_ATTR_PXI_MEM_TYPE_BAR2, &value), VI_SUCCESS);
    EXPECT_EQ(value, VI_PXI_ADDR_NONE);
    EXPECT_EQ(Text(daq, VI_ATTR_INTF_INST_NAME), "PXI3  (PCI Extensions for Instrumentation)");

    ViUInt32 word = 0;
    ASSERT_EQ(viIn32(daq, VI_PXI_CFG_SPACE, 0, &word), VI_SUCCESS);
    EXPECT_EQ(word, 0x47101A5Bu);
    EXPECT_LT(viOut32(daq, VI_PXI_CFG_SPACE, 0, 0), VI_SUCCESS);
    ASSERT_EQ(viOut32(daq, VI_PXI_BAR0_SPACE, 0x10, 0x11223344), VI_SUCCESS);
    ASSERT_EQ(viIn32(daq, VI_PXI_BAR0_SPACE, 0x10, &word), VI_SUCCESS);
    EXPECT_EQ(word, 0x11223344u);
    EXPECT_EQ(viIn32(daq, VI_PXI_BAR0_SPACE, 4096, &word), VI_ERROR_NSUP_OFFSET);
    EXPECT_EQ(viIn32(daq, VI_PXI_BAR2_SPACE, 0, &word), VI_ERROR_INV_SPACE);
    Open("PXI3::1::0::INSTR", VI_ERROR_RSRC_NFOUND);
}

TEST_F(ModuleSessions, AMachineDeviceShowsItsConfigurationSpaceOnly) {
    // A device of the machine as sysfs shows it: configuration space with a memory BAR0.
    std::filesystem::create_directories(sysfs.path() / "0000:00:05.0");
    unsigned char config[64] = {0x86, 0x80, 0x34, 0x12};
    config[19] = 0xFE;
    std::ofstream(sysfs.path() / "0000:00:05.0" / "config", std::ios::binary)
        .write(reinterpret_cast<const char*>(config), sizeof config);
    EXPECT_EQ(Find("PXI0::?*"), (std::set<std::string>{"PXI0::5::0::INSTR"}));

    ViSession device = Open("PXI0::5::0::INSTR");
    ViUInt16 value = 0;
    EXPECT_EQ(viGetAttribute(device, VI_ATTR_MANF_ID, &value), VI_SUCCESS);
    EXPECT_EQ(value, 0x8086);
    ViUInt32 word = 0;
    ASSERT_EQ(viIn32(device, VI_PXI_CFG_SPACE, 16, &word), VI_SUCCESS);
    EXPECT_EQ(word, 0xFE000000u);
    EXPECT_EQ(viIn32(device, VI_PXI_CFG_SPACE, 64, &word), VI_ERROR_NSUP_OFFSET); // past what sysfs gives
    // Its base address registers are never reached, and its configuration is never written.
    EXPECT_EQ(viGetAttribute(device, VI_ATTR_PXI_MEM_TYPE_BAR0, &value), VI_SUCCESS);
    EXPECT_EQ(value, VI_PXI_ADDR_NONE);
    EXPECT_EQ(viIn32(device, VI_PXI_BAR0_SPACE, 0, &word), VI_ERROR_INV_SPACE);
    EXPECT_LT(viOut32(device, VI_PXI_CFG_SPACE, 4, 0), VI_SUCCESS);
    ViAddr address = nullptr;
    EXPECT_EQ(viMapAddress(device, VI_PXI_BAR0_SPACE, 0, 4, VI_FALSE, VI_NULL, &address), VI_ERROR_INV_SPACE);
    ASSERT_EQ(viIn32(device, VI_PXI_CFG_SPACE, 0, &word), VI_SUCCESS);
    EXPECT_EQ(word, 0x12348086u);
}

} // namespace
