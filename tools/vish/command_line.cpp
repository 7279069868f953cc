#include "command_line.h"

#include "platform/text.h"

#include <cctype>
#include <cstdio>

namespace corvid::vish {
namespace {

using platform::Trim;

int HexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
}

} // namespace

std::vector<std::string> SplitCommands(std::string_view line) {
    std::vector<std::string> commands;
    std::string current;
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        char c = line[i];
        if (c == '\\' && i + 1 < line.size()) {
            current += c;
            current += line[++i];
            continue;
        }
        if (c == '"') {
            quoted = !quoted;
        }
        if (c == ';' && !quoted) {
            if (!Trim(current).empty()) {
                commands.emplace_back(Trim(current));
            }
            current.clear();
            continue;
        }
        current += c;
    }
    if (!Trim(current).empty()) {
        commands.emplace_back(Trim(current));
    }
    return commands;
}

Command ParseCommand(std::string_view text, bool keepCase) {
    text = Trim(text);
    std::size_t blank = 0;
    while (blank < text.size() && !std::isspace(static_cast<unsigned char>(text[blank]))) {
        ++blank;
    }
    Command command{std::string(text.substr(0, blank)), std::string(Trim(text.substr(blank)))};
    for (char& c : command.word) {
        c = keepCase ? c : static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    if (command.rest.size() >= 2 && command.rest.front() == '"' && command.rest.back() == '"') {
        command.rest = command.rest.substr(1, command.rest.size() - 2);
    }
    return command;
}

bool Unescape(std::string_view text, std::string& out) {
    out.clear();
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            out += text[i];
            continue;
        }
        if (++i >= text.size()) {
            return false;
        }
        switch (text[i]) {
        case 'n':
            out += '\n';
            break;
        case 'r':
            out += '\r';
            break;
        case 't':
            out += '\t';
            break;
        case '\\':
        case '"':
            out += text[i];
            break;
        case 'x': {
            int high = i + 1 < text.size() ? HexDigit(text[i + 1]) : -1;
            int low = i + 2 < text.size() ? HexDigit(text[i + 2]) : -1;
            if (high < 0 || low < 0) {
                return false;
            }
            out += static_cast<char>(high * 16 + low);
            i += 2;
            break;
        }
        default:
            return false;
        }
    }
    return true;
}

std::string Escape(std::string_view bytes) {
    std::string out;
    for (unsigned char c : bytes) {
        switch (c) {
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\\':
            out += "\\\\";
            break;
        default:
            if (std::isprint(c)) {
                out += static_cast<char>(c);
            } else {
                char hex[8];
                std::snprintf(hex, sizeof hex, "\\x%02X", c);
                out += hex;
            }
        }
    }
    return out;
}

} // namespace corvid::vish
