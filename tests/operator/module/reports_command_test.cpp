// `halcyon reports` as a process after a run on a sandboxed station: the file list, the
// viewer's text, and a detail report printed into a PDF file whose second page begins
// with the page header and its number (read back with pdftotext).
#include "station_fixture.h"

#include <filesystem>

namespace corvid::operatormodule::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::StartsWith;

struct Output {
    int status = -1;
    std::vector<std::string> lines;
};

class ReportsCommand : public StationTest {
protected:
    void SetUp() override {
        StationTest::SetUp();
        ::setenv("CORVID_MSGBOX", "log", 1);
    }
    void TearDown() override {
        ::unsetenv("CORVID_MSGBOX");
        StationTest::TearDown();
    }
    static Output Run(std::vector<std::string> args) {
        auto child = SpawnProgram(args);
        Output output;
        std::string line;
        while (child.ReadLine(line))
            output.lines.push_back(line);
        output.status = child.Wait();
        return output;
    }
    static Output Halcyon(std::vector<std::string> args) {
        args.insert(args.begin(), HALCYON_PROGRAM);
        return Run(std::move(args));
    }
};

TEST_F(ReportsCommand, ListsShowsAndPrintsTheReportsOfARun) {
    ASSERT_EQ(Halcyon({"operate", "--station", "Demo Bench", "--model", "LM-4065", "--serial", "LK4065-01123",
                       "--variant", "Performance Check"})
                  .status,
              0);
    Output all = Halcyon({"reports", "list", "--model", "LM-4065"});
    EXPECT_EQ(all.status, 0);
    ASSERT_EQ(all.lines.size(), 2u);
    EXPECT_THAT(all.lines[0], ::testing::EndsWith("_P.sum"));
    Output details = Halcyon({"reports", "list", "--model", "LM-4065", "--serial", "LK4065-01123", "--kind",
                              "detail", "--result", "passed"});
    ASSERT_EQ(details.lines.size(), 1u);
    EXPECT_THAT(Halcyon({"reports", "list", "--model", "LM-4065", "--result", "failed"}).lines,
                ElementsAre());
    const std::string detail = details.lines[0];

    Output shown = Halcyon({"reports", "show", detail, "--model", "LM-4065"});
    EXPECT_EQ(shown.status, 0);
    EXPECT_THAT(shown.lines, ::testing::Contains(HasSubstr("Measurement Report")));
    EXPECT_THAT(shown.lines, ::testing::Each(Not(HasSubstr("rptmacro"))));

    std::string pdf = (sandbox.home() / "detail.pdf").string();
    EXPECT_EQ(Halcyon({"reports", "print", detail, "--model", "LM-4065", "--pdf", pdf}).status, 0);
    if (!std::filesystem::exists("/usr/bin/pdftotext"))
        GTEST_SKIP() << "pdftotext is not installed";
    Output second = Run({"/usr/bin/pdftotext", "-layout", "-f", "2", "-l", "2", pdf, "-"});
    ASSERT_FALSE(second.lines.empty());
    EXPECT_THAT(second.lines[0], HasSubstr("Measurement Report"));
    EXPECT_THAT(second.lines[0], ::testing::EndsWith("PAGE: 002"));
}

TEST_F(ReportsCommand, BadArgumentsAndMissingFiles) {
    EXPECT_EQ(Halcyon({"reports"}).status, 4);
    EXPECT_EQ(Halcyon({"reports", "list", "--kind", "odd"}).status, 4);
    EXPECT_EQ(Halcyon({"reports", "list", "--model", "LM-9999"}).status, 4);
    EXPECT_EQ(Halcyon({"reports", "print", "x.dtr"}).status, 4);
    EXPECT_EQ(Halcyon({"reports", "show", "gone.dtr"}).status, 3);
    std::string pdf = (sandbox.home() / "gone.pdf").string();
    EXPECT_EQ(Halcyon({"reports", "print", "gone.dtr", "--pdf", pdf}).status, 3);
}

} // namespace
} // namespace corvid::operatormodule::testing
