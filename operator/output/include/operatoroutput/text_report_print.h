// Showing and printing the text reports: the viewer's text, and the page layout of a
// printed report in twips over an abstract page painter, honouring the report macros the
// detail file carries (page header, page break, header reprint, lines kept together).
#pragma once

#include <istream>
#include <string>

namespace corvid::operatoroutput {

// Lines that begin with this are instructions to the printer, never shown.
inline constexpr const char* kReportMacroPrefix = ".\\rptmacro\\";

// Layout in twips (1/1440 inch).
inline constexpr int kPrintTopMargin = 720;
inline constexpr int kPrintBottomMargin = 720;
inline constexpr int kPrintLeft = 1152;
inline constexpr int kPrintFontHeight = 200; // 10 point

// Where a printed report goes: a printer or a PDF file. Positions are twips from the
// top left corner of the page's printable area, y growing downwards.
class ReportPagePainter {
public:
    // The printable height of a page.
    virtual int PageHeight() const = 0;
    // The font's height plus its external leading.
    virtual int LineHeight() const = 0;
    virtual bool StartDocument(const std::string& name) = 0;
    virtual bool StartPage() = 0;
    virtual bool DrawLine(int x, int y, const std::string& text) = 0;
    virtual bool EndPage() = 0;
    virtual bool EndDocument() = 0;
    // Ends a document that failed; what was printed so far is discarded where possible.
    virtual void AbortDocument() = 0;

protected:
    ~ReportPagePainter() = default;
};

// Tabs expanded to the next multiple of 8 columns.
std::string ExpandTabs(const std::string& line);

// What the text viewer shows of a report: every line followed by "\r\n", macro lines
// reduced to their line end.
std::string ReportViewerText(std::istream& in);

// Prints the report read from in as document name; false when drawing failed (the
// document is then aborted). The number of pages printed goes to pages when given.
bool PrintTextReport(std::istream& in, const std::string& name, ReportPagePainter& painter,
                     int* pages = nullptr);

} // namespace corvid::operatoroutput
