#include "config_store.h"
#include "testsupport/sandbox.h"

#include <fstream>
#include <sstream>

namespace corvid::visa {
namespace {

using ConfigStoreTest = corvid::testing::SandboxTest;

void Write(const std::filesystem::path& file, const std::string& text) {
    std::ofstream(file) << text;
}

TEST_F(ConfigStoreTest, WithoutAFileTheDemoBenchIsUsed) {
    ConfigStore store(ConfigStore::DefaultPath());
    std::ostringstream warnings;
    store.Load(warnings);
    EXPECT_EQ(store.file(), sandbox.home() / "visa.ini");
    EXPECT_FALSE(store.usable());
    EXPECT_EQ(store.gpibLibrary(), "simgpib.so");
    EXPECT_EQ(store.ioLibrary(), "sbviio32.so");
    EXPECT_EQ(store.gpibBoards(), std::vector<ViUInt16>{0});
    EXPECT_NE(warnings.str().find("demo bench"), std::string::npos);
    SbvisaSharedTables tables{};
    store.FillTables(tables);
    EXPECT_TRUE(tables.gpibBoardExists[0]);
    EXPECT_FALSE(tables.gpibBoardExists[1]);
    EXPECT_EQ(tables.gpibDevices[0].board, SBVISA_GPIB_END_OF_TABLE);
    EXPECT_TRUE(tables.notifyMode); // the simulated driver notifies service requests at once
}

TEST_F(ConfigStoreTest, SettingsAreRead) {
    Write(sandbox.home() / "visa.ini", "; bench\n[GPIB]\nBoards = 0, 3\nLibrary=/usr/lib/libgpib.so.0\n"
                                       "[GPIB-DEVICES]\nDevice0=3,22,0,1\nDevice1=0,5,2,0\n"
                                       "[VISA]\nNotifyMode=1\n[ALIASES]\ndmm=GPIB0::22::INSTR\n");
    ConfigStore store(ConfigStore::DefaultPath());
    std::ostringstream warnings;
    store.Load(warnings);
    EXPECT_TRUE(warnings.str().empty()) << warnings.str();
    EXPECT_EQ(store.gpibLibrary(), "/usr/lib/libgpib.so.0");
    EXPECT_EQ(store.gpibBoards(), (std::vector<ViUInt16>{0, 3}));
    EXPECT_TRUE(store.notifyMode());
    ASSERT_EQ(store.gpibDevices().size(), 2u);
    EXPECT_EQ(store.gpibDevices()[1].secondary, 2);
    EXPECT_EQ(store.Alias("DMM").value_or(""), "GPIB0::22::INSTR");
    EXPECT_EQ(store.AliasOf("gpib0::22::instr").value_or(""), "dmm");
    SbvisaSharedTables tables{};
    store.FillTables(tables);
    EXPECT_TRUE(tables.gpibBoardExists[3]);
    EXPECT_EQ(tables.gpibDevices[0].primary, 22);
    EXPECT_EQ(tables.gpibDevices[2].board, SBVISA_GPIB_END_OF_TABLE);
    EXPECT_STREQ(tables.gpibLibrary, "/usr/lib/libgpib.so.0");
}

TEST_F(ConfigStoreTest, AMalformedFileGivesTheDefaultsAndNamesTheLine) {
    Write(sandbox.home() / "visa.ini", "[GPIB]\nLibrary=other.so\nthis is not a setting\n");
    ConfigStore store(ConfigStore::DefaultPath());
    std::ostringstream warnings;
    store.Load(warnings);
    EXPECT_FALSE(store.usable());
    EXPECT_EQ(store.gpibLibrary(), "simgpib.so");
    EXPECT_NE(warnings.str().find("visa.ini:3:"), std::string::npos) << warnings.str();
}

TEST_F(ConfigStoreTest, BadValuesFallBackOneByOne) {
    Write(
        sandbox.home() / "visa.ini",
        "[GPIB]\nBoards=zero\n[GPIB-DEVICES]\nDevice0=0,31,0,1\nDevice1=0,4,0,1\n[VISA]\nLocalTimeout=-5\n");
    ConfigStore store(ConfigStore::DefaultPath());
    std::ostringstream warnings;
    store.Load(warnings);
    EXPECT_TRUE(store.usable());
    EXPECT_EQ(store.gpibBoards(), std::vector<ViUInt16>{0});
    ASSERT_EQ(store.gpibDevices().size(), 1u);
    EXPECT_EQ(store.gpibDevices()[0].primary, 4);
    EXPECT_EQ(store.localTimeout(), 2000u);
    EXPECT_NE(warnings.str().find("Boards=zero"), std::string::npos);
    EXPECT_NE(warnings.str().find("Device0"), std::string::npos);
    EXPECT_NE(warnings.str().find("LocalTimeout"), std::string::npos);
}

} // namespace
} // namespace corvid::visa
