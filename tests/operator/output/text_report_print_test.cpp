// The text viewer's rendering of a report and the printed page layout: margins, line
// positions, tabs, the page header with its page number, page breaks, lines kept
// together, filler skipped at the top of a page, and drawing failures.
#include "operatoroutput/text_report_print.h"

#include <gmock/gmock.h>
#include <sstream>

namespace corvid::operatoroutput {
namespace {

using ::testing::ElementsAre;

// Keeps what each page shows; a page holds `lines` lines of 240 twips.
class PagesPainter final : public ReportPagePainter {
public:
    explicit PagesPainter(int lines) : height_(kPrintTopMargin + kPrintBottomMargin + lines * 240 + 100) {}
    int PageHeight() const override { return height_; }
    int LineHeight() const override { return 240; }
    bool StartDocument(const std::string& name) override {
        document = name;
        return true;
    }
    bool StartPage() override {
        pages.emplace_back();
        return true;
    }
    bool DrawLine(int x, int y, const std::string& text) override {
        if (--drawsLeft == 0)
            return false;
        EXPECT_EQ(x, kPrintLeft);
        EXPECT_EQ(y, kPrintTopMargin + 240 * static_cast<int>(pages.back().size())) << text;
        pages.back().push_back(text);
        return true;
    }
    bool EndPage() override { return true; }
    bool EndDocument() override {
        ended = true;
        return true;
    }
    void AbortDocument() override { aborted = true; }

    std::vector<std::vector<std::string>> pages;
    std::string document;
    bool ended = false, aborted = false;
    int drawsLeft = -1;

private:
    int height_;
};

std::vector<std::vector<std::string>> Print(const std::string& report, int lines, int* pages = nullptr) {
    PagesPainter painter(lines);
    std::istringstream in(report);
    EXPECT_TRUE(PrintTextReport(in, "/out/r.dtr", painter, pages));
    EXPECT_EQ(painter.document, "/out/r.dtr");
    EXPECT_TRUE(painter.ended);
    return painter.pages;
}

const std::string kRule(85, '_');

TEST(ReportViewer, ShowsEveryLineWithCrLfAndMacrosAsEmptyLines) {
    std::istringstream in("Title\n.\\rptmacro\\pghdr2\nH1\r\n\tH2\n.\\rptmacro\\pgbreak\nLast");
    EXPECT_EQ(ReportViewerText(in), "Title\r\n\r\nH1\r\n\tH2\r\n\r\nLast\r\n");
    EXPECT_EQ(ExpandTabs("ab\tc\t\td"), "ab      c               d");
}

TEST(ReportPrinting, TheHeaderStartsEveryPageAfterTheFirstWithItsNumber) {
    auto pages = Print("Measurement\n.\\rptmacro\\pghdr2\nHead\tone\n" + kRule +
                           "\n.\\rptmacro\\pgbreak\n\n" + kRule + "\nTest A\n",
                       10);
    ASSERT_EQ(pages.size(), 2u);
    EXPECT_THAT(pages[0], ElementsAre("Measurement"));
    std::string first = "Head    one";
    first.resize(70, ' ');
    // The filler after the break (an empty line, a rule) is not printed.
    EXPECT_THAT(pages[1], ElementsAre(first + "PAGE: 002", kRule, "Test A"));
}

TEST(ReportPrinting, AFullPageBreaksAndSkipsFillerOnTheNextPage) {
    int count = 0;
    auto pages =
        Print(".\\rptmacro\\pghdr1\nH\n1\n2\n3\n\n" + std::string(60, '_') + "\n\n4\n5\n6\n7\n", 3, &count);
    EXPECT_EQ(count, 3);
    ASSERT_EQ(pages.size(), 3u);
    EXPECT_THAT(pages[0], ElementsAre("1", "2", "3"));
    EXPECT_EQ(pages[1][0].substr(70), "PAGE: 002");
    EXPECT_THAT(std::vector<std::string>(pages[1].begin() + 1, pages[1].end()), ElementsAre("4", "5"));
    EXPECT_THAT(std::vector<std::string>(pages[2].begin() + 1, pages[2].end()), ElementsAre("6", "7"));
    // A filler line inside a page is printed.
    EXPECT_THAT(Print("a\n\nb\n", 5)[0], ElementsAre("a", "", "b"));
}

TEST(ReportPrinting, LinesKeptTogetherMoveToTheNextPageWhenTheyDoNotFit) {
    auto fits = Print("1\n2\n.\\rptmacro\\printlinestogether3\nA\nB\nC\n", 5);
    ASSERT_EQ(fits.size(), 1u);
    EXPECT_THAT(fits[0], ElementsAre("1", "2", "A", "B", "C"));
    auto moved = Print("1\n2\n3\n.\\rptmacro\\printlinestogether3\nA\nB\nC\n", 5);
    ASSERT_EQ(moved.size(), 2u);
    EXPECT_THAT(moved[0], ElementsAre("1", "2", "3"));
    EXPECT_THAT(moved[1], ElementsAre("A", "B", "C"));
}

TEST(ReportPrinting, PrintPageHeaderDrawsTheStoredHeaderWhereItStands) {
    auto pages = Print(".\\rptmacro\\printpghdr\nx\n.\\rptmacro\\pghdr2\nTop\nSecond\n"
                       ".\\rptmacro\\printpghdr\ny\n.\\rptmacro\\unknown\n",
                       10);
    ASSERT_EQ(pages.size(), 1u);
    std::string top = "Top";
    top.resize(70, ' ');
    EXPECT_THAT(pages[0], ElementsAre("x", top + "PAGE: 001", "Second", "y"));
}

TEST(ReportPrinting, ADrawingFailureAbortsTheDocument) {
    PagesPainter painter(5);
    painter.drawsLeft = 3;
    std::istringstream in("1\n2\n3\n4\n");
    EXPECT_FALSE(PrintTextReport(in, "r", painter));
    EXPECT_TRUE(painter.aborted);
    EXPECT_FALSE(painter.ended);
}

} // namespace
} // namespace corvid::operatoroutput
