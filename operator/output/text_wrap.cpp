// The text helpers of the report files: wrapping and the summary's result line.
#include "operatoroutput/text_report_files.h"

#include <algorithm>

namespace corvid::operatoroutput {
namespace {

// Where the line ends when the text has to be broken: the first blank or break
// character from minimum up to, not including, maximum. A blank is dropped; another
// break character stays at the end of the line.
struct Break {
    size_t lineLength;
    size_t skip;
};

Break FindBreak(const std::string& rest, const std::string& breakCharacters, size_t minimum, size_t maximum) {
    for (size_t i = minimum; i < maximum && i < rest.size(); ++i) {
        if (rest[i] == ' ')
            return {i, 1};
        if (breakCharacters.find(rest[i]) != std::string::npos)
            return {i + 1, 0};
    }
    // No place to break: cut in the middle of the allowed range (at least one character,
    // so that the loop always moves on).
    return {std::max<size_t>((minimum + maximum) / 2, 1), 0};
}

} // namespace

std::string WrapText(const std::string& text, const std::string& breakCharacters, std::size_t minimum,
                     std::size_t maximum, const std::string& prefix) {
    std::string out;
    std::string rest = text;
    bool first = true;
    while (!rest.empty()) {
        std::string line;
        size_t lineEnd = rest.find('\n');
        if (lineEnd != std::string::npos && lineEnd <= maximum) {
            line = rest.substr(0, lineEnd);
            rest.erase(0, lineEnd + 1);
        } else if (rest.size() <= maximum) {
            line = std::move(rest);
            rest.clear();
        } else {
            Break at = FindBreak(rest, breakCharacters, minimum, maximum);
            line = rest.substr(0, at.lineLength);
            rest.erase(0, at.lineLength + at.skip);
        }
        if (!first)
            out += "\n" + prefix;
        out += line;
        first = false;
    }
    std::replace(out.begin(), out.end(), '\r', ' ');
    return out;
}

std::string SummaryResultLine(const std::string& testName, const std::string& resultWord) {
    const size_t kWidth = 60;
    std::string name = testName;
    for (char& c : name)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A'); // ASCII only, whatever the process locale

    name += std::string(kWidth, '.');
    size_t cut = kWidth;
    // Never end inside a multi-byte character: its lead and continuation bytes go, and
    // the dots fill the column up again.
    while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80)
        --cut;
    name.resize(cut);
    name.append(kWidth - cut, '.');
    return name + resultWord + "\n";
}

} // namespace corvid::operatoroutput
