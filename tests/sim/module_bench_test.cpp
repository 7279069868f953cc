// The module lines of bench files, the registers of simulated VXI mainframes and the PCI
// devices offered to the PCI access library (bench modules and a fake sysfs tree).
#include "bench_spec.h"
#include "bus.h"
#include "pci_devices.h"
#include "testsupport/sandbox.h"
#include "vxi_mainframe.h"

#include <fstream>

namespace {

using namespace corvid::sim;

constexpr const char* kBench = R"(board 0
mainframe 0 controller "Embedded"
mainframe 1 gpib 0 12 identity "GV"
instrument vdmm at vxi 0 24
    vxi manufacturer 0xF5C model 0x211 slot 3
    identity "Maker,VDMM,1,1"
end
instrument gv at vxi 1 16
    vxi manufacturer 0xF5C model 0x412 secondary 2
    identity "Maker,GV,1,1"
end
module dio at vxi 0 32
    vxi manufacturer 0xF5C model 0x3A0 memory 4096
    register a16 0x20 0x0000
    register a16 0x22 0x5A5A readonly
end
module daq at pxi 3 0
    pci vendor 0x1A5B device 0x4710
    bar 0 memory 4096
    bar 2 io 64
    register bar0 0x04 0x47100001 readonly
end
)";

TEST(ModuleBench, MalformedModuleLinesAreRefusedWithFileAndLine) {
    const std::pair<const char*, const char*> cases[] = {
        {"module m at vxi 0 8\nend\n", "t.bench:1: mainframe 0 is not described"},
        {"mainframe 0 controller \"C\"\nmodule m at vxi 0 0\nend\n",
         "t.bench:2: logical address 0 is outside"},
        {"mainframe 0 controller \"C\"\nmodule m at vxi 0 8\n    register a16 0x02 1\nend\n",
         "t.bench:3: a16 registers of a module are at offsets 0x08"},
        {"mainframe 0 controller \"C\"\nmodule m at vxi 0 8\n    register a24 0 1\nend\n",
         "t.bench:3: the register is outside the module's memory"},
        {"module p at pxi 3 0\n    bar 0 memory 1000\nend\n", "t.bench:2: size 1000 is not a power of two"},
        {"module p at pxi 3 0\nend\n", "t.bench:1: PXI module \"p\" has no 'pci vendor"},
        {"board 0\nmainframe 1 gpib 0 12 identity \"G\"\ninstrument v at vxi 1 8\n    identity \"x\"\nend\n",
         "t.bench:3: a message-based module behind a GPIB-VXI controller needs"},
        {"mainframe 0 controller \"C\"\nmodule m at vxi 0 8\n", "t.bench:2: module \"m\" has no 'end'"},
        {"mainframe 0 controller \"C\"\nmodule m at vxi 0 8\n    bar 0 io 16\nend\n",
         "t.bench:3: unknown keyword \"bar\" in module \"m\""},
    };
    for (const auto& [text, message] : cases) {
        try {
            ParseBench(text, "t.bench");
            ADD_FAILURE() << "accepted: " << text;
        } catch (const BenchError& e) {
            EXPECT_EQ(std::string(e.what()).rfind(message, 0), 0u) << e.what();
        }
    }
}

TEST(ModuleBench, ConfigurationRegistersCarryIdDeviceTypeAndStatus) {
    Bus bus(ParseBench(kBench, "t.bench"));
    VxiMainframe frame(bus, bus.spec().mainframes[0]);
    uint32_t value = 0;
    // Register-based (class 3), A16/A24, manufacturer 0xF5C.
    ASSERT_TRUE(frame.Read(VXI_SPACE_A16, ConfigBase(32), 2, value));
    EXPECT_EQ(value, 0xCF5Cu);
    ASSERT_TRUE(frame.Read(VXI_SPACE_A16, ConfigBase(32) + 2, 2, value));
    EXPECT_EQ(value, 0x43A0u); // 4096 bytes of A24 (code 4), model 0x3A0
    ASSERT_TRUE(frame.Read(VXI_SPACE_A16, ConfigBase(32) + 4, 2, value));
    EXPECT_EQ(value, 0xC00Cu); // A24 enabled, MODID off, ready, passed
    // Message-based, A16 only.
    ASSERT_TRUE(frame.Read(VXI_SPACE_A16, ConfigBase(24), 2, value));
    EXPECT_EQ(value, 0xBF5Cu);
    // Writes leave the ID and read-only registers alone and reach the others.
    ASSERT_TRUE(frame.Write(VXI_SPACE_A16, ConfigBase(32), 2, 0));
    ASSERT_TRUE(frame.Write(VXI_SPACE_A16, ConfigBase(32) + 0x22, 2, 0));
    ASSERT_TRUE(frame.Write(VXI_SPACE_A16, ConfigBase(32) + 0x20, 2, 0xBEEF));
    frame.Read(VXI_SPACE_A16, ConfigBase(32), 2, value);
    EXPECT_EQ(value, 0xCF5Cu);
    frame.Read(VXI_SPACE_A16, ConfigBase(32) + 0x22, 2, value);
    EXPECT_EQ(value, 0x5A5Au);
    frame.Read(VXI_SPACE_A16, ConfigBase(32) + 0x20, 1, value);
    EXPECT_EQ(value, 0xBEu); // big-endian on the bus
    // Nobody answers at an empty logical address or past the A24 window.
    EXPECT_FALSE(frame.Read(VXI_SPACE_A16, ConfigBase(40), 2, value));
    const VxiDevice* dio = frame.Find(32);
    ASSERT_NE(dio, nullptr);
    EXPECT_FALSE(frame.Read(VXI_SPACE_A24, dio->info.a24Base + 4096, 2, value));
    EXPECT_TRUE(frame.Read(VXI_SPACE_A24, dio->info.a24Base + 4094, 2, value));
}

TEST(ModuleBench, AGpibVxiControllerAnswersAtItsAddressAndItsModuleAtASecondary) {
    Bus bus(ParseBench(kBench, "t.bench"));
    Instrument* controller = bus.Listener(0, 12, 0);
    Instrument* module = bus.Listener(0, 12, 0x62);
    ASSERT_NE(controller, nullptr);
    ASSERT_NE(module, nullptr);
    EXPECT_EQ(controller->spec().identity, "GV");
    EXPECT_EQ(module->spec().identity, "Maker,GV,1,1");
    EXPECT_EQ(bus.Listener(0, 24, 0), nullptr); // the embedded mainframe's modules are not on GPIB
}

class PciTree : public ::testing::Test {
protected:
    void AddDevice(const std::string& name, const std::vector<uint8_t>& config) {
        std::filesystem::create_directories(tree.path() / name);
        std::ofstream(tree.path() / name / "config", std::ios::binary)
            .write(reinterpret_cast<const char*>(config.data()), static_cast<std::streamsize>(config.size()));
    }
    corvid::testing::TempDir tree;
};

TEST_F(PciTree, MachineDevicesAreListedBesideBenchModulesWithTheirConfigurationSpace) {
    AddDevice("0000:00:01.0", {0x86, 0x80, 0x10, 0x71});
    AddDevice("0000:03:00.0", {0x34, 0x12, 0x78, 0x56}); // the bench module's address wins
    AddDevice("0001:00:02.0", {1, 2, 3, 4});             // other domains are not PXI resources
    std::filesystem::create_directories(tree.path() / "not-a-device");
    BenchSpec bench = ParseBench(kBench, "t.bench");
    std::vector<PciDevice> devices = CollectPciDevices(&bench, tree.path().string());
    ASSERT_EQ(devices.size(), 2u);
    EXPECT_EQ(devices[0].bus, 0);
    EXPECT_EQ(devices[0].device, 1);
    EXPECT_FALSE(devices[0].simulated());
    EXPECT_EQ(ReadSysfsConfig(devices[0].sysfsPath, 0, 2), 0x8086u);
    EXPECT_EQ(ReadSysfsConfig(devices[0].sysfsPath, 2, 2), 0x7110u);
    EXPECT_EQ(ReadSysfsConfig(devices[0].sysfsPath, 2, 4), std::nullopt); // past what the file holds

    const PciDevice& daq = devices[1];
    ASSERT_TRUE(daq.simulated());
    uint32_t value = 0;
    ASSERT_TRUE(daq.config.Read(0, 4, value));
    EXPECT_EQ(value, 0x47101A5Bu);
    ASSERT_TRUE(daq.config.Read(0x10, 4, value));
    EXPECT_EQ(value & 1u, 0u); // memory
    ASSERT_TRUE(daq.config.Read(0x18, 4, value));
    EXPECT_EQ(value & 1u, 1u); // I/O
    EXPECT_EQ(daq.bars[0].size(), 4096u);
    EXPECT_EQ(daq.bars[1].size(), 0u);
}

} // namespace
