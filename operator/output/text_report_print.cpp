#include "operatoroutput/text_report_print.h"

#include "text_format.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <vector>

namespace corvid::operatoroutput {
namespace {

constexpr std::size_t kTabWidth = 8;
const std::string kRuleStart(60, '_');

bool ReadLine(std::istream& in, std::string& line) {
    if (!std::getline(in, line))
        return false;
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return true;
}

bool IsMacro(const std::string& line) {
    return line.rfind(kReportMacroPrefix, 0) == 0;
}

// What a page may begin with after a break: nothing of this is printed there.
bool IsFiller(const std::string& line) {
    return line.empty() || line.rfind(kRuleStart, 0) == 0;
}

struct Macro {
    std::string name;
    int count = 0;
};

Macro ParseMacro(const std::string& line) {
    std::string rest = line.substr(std::char_traits<char>::length(kReportMacroPrefix));
    std::size_t end = 0;
    while (end < rest.size() && std::isalpha(static_cast<unsigned char>(rest[end])))
        ++end;
    return {rest.substr(0, end), std::max(0, ParseInteger(rest.substr(end)))};
}

// Lays a report out on pages. Every painter failure ends the document.
class ReportLayout {
public:
    ReportLayout(std::istream& in, ReportPagePainter& painter) : in_(in), painter_(painter) {}

    bool Print(const std::string& name, int* pages) {
        int lineHeight = painter_.LineHeight();
        if (lineHeight <= 0 || !painter_.StartDocument(name))
            return false;
        lineHeight_ = lineHeight;
        linesPerPage_ =
            std::max(1, (painter_.PageHeight() - kPrintTopMargin - kPrintBottomMargin) / lineHeight);
        bool printed = painter_.StartPage() && PrintLines() && painter_.EndPage() && painter_.EndDocument();
        if (!printed)
            painter_.AbortDocument();
        if (pages)
            *pages = page_;
        return printed;
    }

private:
    bool PrintLines() {
        std::string line;
        while (ReadLine(in_, line)) {
            if (afterBreak_ && IsFiller(line))
                continue;
            afterBreak_ = false;
            if (IsMacro(line)) {
                if (!Perform(ParseMacro(line)))
                    return false;
                continue;
            }
            if (lineOnPage_ >= linesPerPage_) {
                if (!Break())
                    return false;
                if (IsFiller(line))
                    continue;
                afterBreak_ = false;
            }
            if (!Draw(ExpandTabs(line)))
                return false;
        }
        return true;
    }

    bool Perform(const Macro& macro) {
        if (macro.name == "pghdr") {
            header_.clear();
            std::string line;
            for (int i = 0; i < macro.count && ReadLine(in_, line); ++i)
                header_.push_back(ExpandTabs(line));
            return true;
        }
        if (macro.name == "pgbreak")
            return Break();
        if (macro.name == "printpghdr")
            return PrintHeader();
        if (macro.name == "printlinestogether" && lineOnPage_ + macro.count > linesPerPage_)
            return Break();
        return true;
    }

    bool Break() {
        if (!painter_.EndPage() || !painter_.StartPage())
            return false;
        ++page_;
        lineOnPage_ = 0;
        afterBreak_ = true;
        return PrintHeader();
    }

    // A header longer than the page is cut at the page's end.
    bool PrintHeader() {
        for (std::size_t i = 0; i < header_.size() && lineOnPage_ < linesPerPage_; ++i) {
            std::string text = i == 0 ? Format("%-70sPAGE: %03d", header_[0].c_str(), page_) : header_[i];
            if (!Draw(text))
                return false;
        }
        return true;
    }

    bool Draw(const std::string& text) {
        int y = kPrintTopMargin + lineOnPage_ * lineHeight_;
        ++lineOnPage_;
        return painter_.DrawLine(kPrintLeft, y, text);
    }

    std::istream& in_;
    ReportPagePainter& painter_;
    int lineHeight_ = 1;
    int linesPerPage_ = 1;
    int page_ = 1;
    int lineOnPage_ = 0;
    bool afterBreak_ = false;
    std::vector<std::string> header_;
};

} // namespace

std::string ExpandTabs(const std::string& line) {
    std::string expanded;
    expanded.reserve(line.size());
    for (char c : line) {
        if (c == '\t')
            expanded.append(kTabWidth - expanded.size() % kTabWidth, ' ');
        else
            expanded.push_back(c);
    }
    return expanded;
}

std::string ReportViewerText(std::istream& in) {
    std::string text, line;
    while (ReadLine(in, line)) {
        if (!IsMacro(line))
            text += line;
        text += "\r\n";
    }
    return text;
}

bool PrintTextReport(std::istream& in, const std::string& name, ReportPagePainter& painter, int* pages) {
    return ReportLayout(in, painter).Print(name, pages);
}

} // namespace corvid::operatoroutput
