// A rendered report before it is laid out on pages: its title and blocks of labelled
// fields, paragraphs and tables of texts. It is painted for PDF and printing, shown as
// HTML in windows, and kept as JSON inside the PDF it was exported to.
#pragma once

#include <string>
#include <vector>

namespace corvid::reportengine {

struct ReportBlock {
    enum class Kind { Fields, Paragraph, Notice, Table } kind = Kind::Paragraph;
    std::vector<std::pair<std::string, std::string>> fields; // label, value
    std::string text;                                        // paragraph, notice, table caption
    std::vector<std::string> headings;
    std::vector<std::vector<std::string>> rows;
};

struct ReportDocument {
    std::string title;
    std::vector<ReportBlock> blocks;
};

std::string ToJson(const ReportDocument& document);
// std::runtime_error when the text is no report document.
ReportDocument FromJson(const std::string& json);

std::string ToHtml(const ReportDocument& document);
std::string EscapeHtml(const std::string& text);

} // namespace corvid::reportengine
