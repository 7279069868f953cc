// The shell against the demo bench of simulated instruments (no visa.ini).
#include "shell.h"
#include "testsupport/sandbox.h"

#include <sstream>

namespace corvid::vish {
namespace {

class ShellTest : public corvid::testing::SandboxTest {
protected:
    std::ostringstream out, err;
    Shell shell{out, err};

    bool Run(const std::string& line) {
        out.str("");
        err.str("");
        return shell.Execute(line);
    }
};

TEST_F(ShellTest, ListShowsTheDemoBenchAndSaysItIsSimulated) {
    ASSERT_TRUE(Run("list"));
    EXPECT_NE(out.str().find("GPIB0::22::INSTR\n"), std::string::npos) << out.str();
    EXPECT_NE(out.str().find("GPIB0::5::INSTR\n"), std::string::npos);
    EXPECT_NE(out.str().find("simulated"), std::string::npos);
    ASSERT_TRUE(Run("list GPIB0::2?::INSTR"));
    EXPECT_EQ(out.str().find("GPIB0::5::INSTR"), std::string::npos);
    ASSERT_TRUE(Run("list ASRL12?::INSTR"));
    EXPECT_EQ(out.str(), "no resources match ASRL12?::INSTR\n");
    EXPECT_FALSE(Run("list GPIB("));
    EXPECT_NE(err.str().find("VI_ERROR_INV_EXPR"), std::string::npos);
}

TEST_F(ShellTest, ACommandLineTalksToAnInstrument) {
    ASSERT_TRUE(Run("open GPIB0::22::INSTR; query *IDN?; stb; close")) << err.str();
    EXPECT_EQ(out.str(), "Larkspur Instruments,LM-4065,LK4065-01123,2.07\nstatus byte 0x00 (0)\n");
    EXPECT_EQ(shell.Prompt(), "vish> ");
}

TEST_F(ShellTest, TimeoutsTermcharsAndAttributesByName) {
    ASSERT_TRUE(Run("open GPIB0::22::INSTR"));
    EXPECT_EQ(shell.Prompt(), "GPIB0::22::INSTR> ");
    ASSERT_TRUE(Run("timeout 2000"));
    EXPECT_EQ(out.str(), "VI_ATTR_TMO_VALUE = 3000\n");
    ASSERT_TRUE(Run("timeout inf"));
    EXPECT_EQ(out.str(), "VI_ATTR_TMO_VALUE = VI_TMO_INFINITE\n");
    ASSERT_TRUE(Run("termchar \\n"));
    EXPECT_EQ(out.str(), "termchar \\n (enabled)\n");
    ASSERT_TRUE(Run("termchar off"));
    EXPECT_EQ(out.str(), "termchar \\n (off)\n");
    ASSERT_TRUE(Run("attr send_end_en"));
    EXPECT_EQ(out.str(), "VI_ATTR_SEND_END_EN = VI_TRUE\n");
    ASSERT_TRUE(Run("attr VI_ATTR_INTF_INST_NAME"));
    EXPECT_EQ(out.str(), "VI_ATTR_INTF_INST_NAME = \"GPIB0  (Simulated GPIB board)\"\n");
    ASSERT_TRUE(Run("attr"));
    EXPECT_NE(out.str().find("VI_ATTR_RSRC_NAME = \"GPIB0::22::INSTR\"\n"), std::string::npos);
}

TEST_F(ShellTest, FailuresGiveClearTexts) {
    EXPECT_FALSE(Run("open GPIB0::99::INSTR"));
    EXPECT_EQ(err.str(),
              "error: viOpen GPIB0::99::INSTR: VI_ERROR_INV_RSRC_NAME (0xBFFF0012): Invalid resource "
              "reference specified. Parsing error.\n");
    EXPECT_FALSE(Run("stb"));
    EXPECT_EQ(err.str(), "error: no session is open (use 'open RESOURCE')\n");
    ASSERT_TRUE(Run("open GPIB0::22::INSTR"));
    EXPECT_FALSE(Run("attr VI_ATTR_NOTHING"));
    EXPECT_EQ(err.str(), "error: unknown attribute 'VI_ATTR_NOTHING'\n");
    EXPECT_FALSE(Run("attr VI_ATTR_RSRC_NAME 5"));
    EXPECT_NE(err.str().find("VI_ERROR_ATTR_READONLY"), std::string::npos);
    EXPECT_FALSE(Run("ren 9"));
    EXPECT_NE(err.str().find("VI_ERROR_INV_MODE"), std::string::npos);
    // The rest of a line is skipped after a failure.
    EXPECT_FALSE(Run("frobnicate; close"));
    EXPECT_EQ(shell.Prompt(), "GPIB0::22::INSTR> ");
}

TEST_F(ShellTest, AnEmptyAddressOpensWithANote) {
    ASSERT_TRUE(Run("open GPIB0::9::INSTR"));
    EXPECT_NE(out.str().find("note: viOpen GPIB0::9::INSTR: VI_SUCCESS_DEV_NPRESENT"), std::string::npos);
    EXPECT_FALSE(Run("clear"));
    EXPECT_NE(err.str().find("VI_ERROR_NLISTENERS"), std::string::npos);
}

TEST_F(ShellTest, WaitingForAServiceRequest) {
    ASSERT_TRUE(Run("open GPIB0::22::INSTR; write \"*CLS;*SRE 32;*ESE 1;*OPC\"; wait srq 5000")) << err.str();
    EXPECT_NE(out.str().find("service request\nstatus byte 0x"), std::string::npos) << out.str();
    EXPECT_NE(out.str().find(", RQS\n"), std::string::npos);
    EXPECT_FALSE(Run("wait srq 50"));
    EXPECT_EQ(err.str(), "error: no service request within 50 ms\n");
}

TEST(VishProgram, ListsTheDemoBench) {
    corvid::testing::Sandbox sandbox;
    auto child = corvid::testing::ChildProcess::Spawn({VISH_PROGRAM, "list", "?*::INSTR"});
    std::string line, all;
    while (child.ReadLine(line)) {
        all += line + "\n";
    }
    EXPECT_EQ(child.Wait(), 0);
    EXPECT_NE(all.find("GPIB0::22::INSTR\n"), std::string::npos) << all;
}

} // namespace
} // namespace corvid::vish
