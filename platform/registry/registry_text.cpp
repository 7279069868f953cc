// The hive file text: REGEDIT4 style key sections with string and dword values.
#include "platform/registry.h"
#include "platform/text.h"
#include "registry_node.h"

#include <cstdio>

namespace corvid::platform {
namespace {

using Node = RegistryKeyTree::Node;

constexpr std::string_view kHeader = "REGEDIT4";

// Besides the \\ and \" of the format, line breaks and NUL are escaped so that any
// text survives the line-oriented file.
void AppendQuoted(std::string& out, std::string_view text) {
    out += '"';
    for (char c : text) {
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '"':
            out += "\\\"";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\0':
            out += "\\0";
            break;
        default:
            out += c;
        }
    }
    out += '"';
}

void AppendValue(std::string& out, const RegistryNamedValue& value) {
    if (value.first.empty())
        out += '@';
    else
        AppendQuoted(out, value.first);
    out += '=';
    if (value.second.kind == RegistryValue::Kind::Dword) {
        char digits[16];
        std::snprintf(digits, sizeof digits, "dword:%08x", value.second.dword);
        out += digits;
    } else {
        AppendQuoted(out, value.second.text);
    }
    out += '\n';
}

void AppendKey(std::string& out, const Node& node, const std::string& fullPath, bool isRoot) {
    if (!isRoot || !node.values.empty()) {
        out += '[' + fullPath + "]\n";
        for (const RegistryNamedValue& value : node.values)
            AppendValue(out, value);
        out += '\n';
    }
    for (const Node& sub : node.subkeys)
        AppendKey(out, sub, fullPath + '\\' + sub.name, false);
}

// Reads a quoted text starting at text[pos] == '"'; on success pos is past the closing quote.
std::optional<std::string> ReadQuoted(std::string_view text, std::size_t& pos) {
    std::string result;
    for (std::size_t i = pos + 1; i < text.size(); ++i) {
        char c = text[i];
        if (c == '"') {
            pos = i + 1;
            return result;
        }
        if (c != '\\' || i + 1 == text.size()) {
            result += c;
            continue;
        }
        char next = text[++i];
        switch (next) {
        case '\\':
            result += '\\';
            break;
        case '"':
            result += '"';
            break;
        case 'n':
            result += '\n';
            break;
        case 'r':
            result += '\r';
            break;
        case '0':
            result += '\0';
            break;
        default: // not an escape: keep both characters
            result += '\\';
            result += next;
        }
    }
    return std::nullopt;
}

void SkipBlanks(std::string_view text, std::size_t& pos) {
    while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t'))
        ++pos;
}

std::optional<std::uint32_t> ReadDword(std::string_view digits) {
    if (digits.empty() || digits.size() > 8)
        return std::nullopt;
    std::uint32_t value = 0;
    for (char c : digits) {
        int digit = (c >= '0' && c <= '9')   ? c - '0'
                    : (c >= 'a' && c <= 'f') ? c - 'a' + 10
                    : (c >= 'A' && c <= 'F') ? c - 'A' + 10
                                             : -1;
        if (digit < 0)
            return std::nullopt;
        value = value << 4 | static_cast<std::uint32_t>(digit);
    }
    return value;
}

// A value line ("Name"="text", @="text", "Name"=dword:0000000a); nullopt for anything else.
std::optional<RegistryNamedValue> ParseValueLine(std::string_view line) {
    std::size_t pos = 0;
    std::string name;
    if (line[0] == '@') {
        pos = 1;
    } else {
        auto quoted = ReadQuoted(line, pos);
        if (!quoted)
            return std::nullopt;
        name = std::move(*quoted);
    }
    SkipBlanks(line, pos);
    if (pos >= line.size() || line[pos] != '=')
        return std::nullopt;
    ++pos;
    SkipBlanks(line, pos);
    std::string_view rest = line.substr(pos);
    if (!rest.empty() && rest[0] == '"') {
        std::size_t end = 0;
        auto text = ReadQuoted(rest, end);
        if (!text || end != rest.size())
            return std::nullopt;
        return RegistryNamedValue{std::move(name), RegistryValue::String(std::move(*text))};
    }
    constexpr std::string_view kDword = "dword:";
    if (rest.size() > kDword.size() && EqualsNoCase(rest.substr(0, kDword.size()), kDword)) {
        if (auto number = ReadDword(rest.substr(kDword.size())))
            return RegistryNamedValue{std::move(name), RegistryValue::Dword(*number)};
    }
    return std::nullopt;
}

// The key path below the root of a "[ROOT\path]" line; nullopt for another root, a
// deletion entry or a malformed line.
std::optional<std::string> ParseKeyLine(std::string_view line, std::string_view rootName) {
    std::size_t close = line.rfind(']');
    if (close == std::string_view::npos || close != line.size() - 1)
        return std::nullopt;
    std::string_view full = line.substr(1, close - 1);
    std::string_view head = full.substr(0, full.find('\\'));
    if (!EqualsNoCase(head, rootName)) {
        return std::nullopt;
    }
    if (head.size() == full.size())
        return std::string();
    return std::string(full.substr(head.size() + 1));
}

} // namespace

std::string RegistryKeyTree::Serialize(std::string_view rootName) const {
    std::string out(kHeader);
    out += "\n\n";
    AppendKey(out, *root_, std::string(rootName), true);
    return out;
}

RegistryKeyTree RegistryKeyTree::Parse(std::string_view text, std::string_view rootName) {
    RegistryKeyTree tree;
    std::optional<std::string> current; // the key that value lines belong to
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view line = Trim(text.substr(start, end - start), " \t\r");
        start = end + 1;
        if (line.empty() || line[0] == ';')
            continue;
        if (line[0] == '[') {
            current = ParseKeyLine(line, rootName);
            if (current && !tree.CreateKey(*current))
                current.reset();
        } else if (current) {
            if (auto value = ParseValueLine(line))
                tree.SetValue(*current, value->first, std::move(value->second));
        }
    }
    return tree;
}

} // namespace corvid::platform
