#include "program_message.h"

namespace corvid::sim {

namespace {

// Position after the quoted text starting at start, or npos when it is not closed.
size_t SkipQuoted(std::string_view text, size_t start) {
    char quote = text[start];
    size_t i = start + 1;
    while (i < text.size()) {
        if (text[i] == quote) {
            if (i + 1 < text.size() && text[i + 1] == quote) {
                i += 2;
                continue;
            }
            return i + 1;
        }
        ++i;
    }
    return std::string_view::npos;
}

bool ParseParameter(std::string_view text, Parameter& out) {
    text = Trim(text);
    if (text.empty()) {
        return false;
    }
    if (text.front() != '"' && text.front() != '\'') {
        out.text = std::string(text);
        return true;
    }
    if (SkipQuoted(text, 0) != text.size()) {
        return false;
    }
    char quote = text.front();
    out.quoted = true;
    for (size_t i = 1; i + 1 < text.size(); ++i) {
        out.text += text[i];
        if (text[i] == quote) {
            ++i; // the second quote of a doubled pair
        }
    }
    return true;
}

} // namespace

bool SplitMessage(std::string_view message, std::vector<std::string_view>& units) {
    units.clear();
    size_t start = 0;
    size_t i = 0;
    while (i < message.size()) {
        char c = message[i];
        if (c == '"' || c == '\'') {
            i = SkipQuoted(message, i);
            if (i == std::string_view::npos) {
                return false;
            }
            continue;
        }
        if (c == ';') {
            units.push_back(Trim(message.substr(start, i - start)));
            start = i + 1;
        }
        ++i;
    }
    units.push_back(Trim(message.substr(start)));
    return true;
}

bool ParseUnit(std::string_view unit, ProgramUnit& out) {
    out = ProgramUnit{};
    size_t blank = unit.find_first_of(" \t");
    out.header = unit.substr(0, blank);
    if (blank == std::string_view::npos) {
        return true;
    }
    std::string_view rest = Trim(unit.substr(blank));
    if (rest.empty()) {
        return true;
    }
    size_t start = 0;
    size_t i = 0;
    while (i <= rest.size()) {
        if (i < rest.size() && (rest[i] == '"' || rest[i] == '\'')) {
            i = SkipQuoted(rest, i);
            if (i == std::string_view::npos) {
                return false;
            }
            continue;
        }
        if (i == rest.size() || rest[i] == ',') {
            Parameter p;
            if (!ParseParameter(rest.substr(start, i - start), p)) {
                return false;
            }
            out.parameters.push_back(std::move(p));
            start = i + 1;
        }
        ++i;
    }
    return true;
}

} // namespace corvid::sim
