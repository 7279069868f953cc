// The text export: one CR LF line per command with five tab-separated fields.
#include "debugger/command_list.h"
#include "debugger/text_export.h"
#include "test_support.h"
#include "testsupport/sandbox.h"

#include <algorithm>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>

namespace corvid::debugger {
namespace {

using testing::ScriptedPrompt;

std::string ReadText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(ExportLine, HoldsAddressActionAndTheThreeBlocksInFull) {
    EXPECT_EQ(ExportLine(testing::WriteCommand(22, "*IDN?")), "22\tWRITE\t\t*IDN?\t\r\n");
    const std::int32_t values[] = {1, -2, 300};
    const link::CCopyDataBlock longs(values, 3, link::CCopyDataBlock::Long);
    const link::CCopyDataBlock parameters =
        testing::ValueBlock<std::uint32_t>(255, link::CCopyDataBlock::Dword);
    const link::CGPIBCommandInfo read(0, 7, link::actionRead, &parameters, nullptr, &longs);
    EXPECT_EQ(ExportLine(read), "7\tREAD\t1, -2, 300\t\t0x000000FF\r\n");
}

TEST(ExportLine, DropsTrailingLineFeedsAndQuotesNothing) {
    EXPECT_EQ(ExportLine(testing::ReadCommand(1, "+1.0E0\n\n")), "1\tREAD\t+1.0E0\t\t\r\n");
    const std::string line = ExportLine(testing::WriteCommand(1, "A\tB"));
    EXPECT_EQ(std::count(line.begin(), line.end(), '\t'), 5);
}

TEST(ExportLine, NamesUnknownActions) {
    link::CGPIBCommandInfo command;
    command.SetActionCode(17);
    EXPECT_EQ(ExportLine(command), "0\tUNKNOWN\t\t\t\r\n");
}

TEST(ProposedExportName, ReplacesTheExtension) {
    EXPECT_EQ(ProposedExportName("/data/rec.omr"), "/data/rec.txt");
    EXPECT_EQ(ProposedExportName("/data.d/rec"), "/data.d/rec.txt");
    EXPECT_EQ(ProposedExportName(""), "*.txt");
}

class TextExportTest : public corvid::testing::SandboxTest {
protected:
    ScriptedPrompt prompt;
    CommandList commands;
};

TEST_F(TextExportTest, WritesEveryCommandAndReportsSuccess) {
    commands.Insert({testing::WriteCommand(22, "*IDN?"), false}, -1, false, false);
    commands.Insert({testing::ReadCommand(22, "FLUKE,5720A"), false}, -1, false, false);
    const auto path = sandbox.home() / "rec.txt";
    ASSERT_TRUE(ExportToText(commands, path, prompt));
    EXPECT_EQ(ReadText(path), "22\tWRITE\t\t*IDN?\t\r\n22\tREAD\tFLUKE,5720A\t\t\r\n");
    ASSERT_EQ(prompt.asked.size(), 1u);
    EXPECT_EQ(prompt.asked[0].text, "File exported successfully");
    EXPECT_EQ(prompt.asked[0].caption, "Export Successful");
    EXPECT_EQ(prompt.asked[0].icon, MsgIcon::Information);
}

TEST_F(TextExportTest, AnEmptyRecordingGivesAnEmptyFile) {
    const auto path = sandbox.home() / "empty.txt";
    ASSERT_TRUE(ExportToText(commands, path, prompt));
    EXPECT_EQ(ReadText(path), "");
    EXPECT_EQ(prompt.Captions(), std::vector<std::string>{"Export Successful"});
}

TEST_F(TextExportTest, AFileThatCannotBeCreatedIsReported) {
    EXPECT_FALSE(ExportToText(commands, sandbox.home() / "missing" / "x.txt", prompt));
    EXPECT_EQ(
        prompt.Texts(),
        std::vector<std::string>{"Unable to write to the output file specified. The file was not exported."});
}

} // namespace
} // namespace corvid::debugger
