#include "jet_tokens.h"

#include <cctype>

namespace corvid::operatordb::jet {
namespace {

bool IsWordStart(char c) {
    return std::isalpha(static_cast<unsigned char>(c)) || c == '_' || static_cast<unsigned char>(c) >= 0x80;
}

bool IsWordChar(char c) {
    return IsWordStart(c) || std::isdigit(static_cast<unsigned char>(c)) || c == '$';
}

bool IsDigit(char c) {
    return std::isdigit(static_cast<unsigned char>(c)) != 0;
}

// End of a quoted run starting at begin (the opening quote); a doubled closing quote
// stands for one quote inside. An unterminated run ends with the text.
size_t QuotedEnd(std::string_view s, size_t begin, char close, bool doubled) {
    size_t i = begin + 1;
    while (i < s.size()) {
        if (s[i] == close) {
            if (doubled && i + 1 < s.size() && s[i + 1] == close) {
                i += 2;
                continue;
            }
            return i + 1;
        }
        ++i;
    }
    return s.size();
}

size_t NumberEnd(std::string_view s, size_t i) {
    if (s[i] == '0' && i + 1 < s.size() && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
        i += 2;
        while (i < s.size() && std::isxdigit(static_cast<unsigned char>(s[i])))
            ++i;
        return i;
    }
    while (i < s.size() && (IsDigit(s[i]) || s[i] == '.'))
        ++i;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        size_t j = i + 1;
        if (j < s.size() && (s[j] == '+' || s[j] == '-'))
            ++j;
        if (j < s.size() && IsDigit(s[j])) {
            while (j < s.size() && IsDigit(s[j]))
                ++j;
            i = j;
        }
    }
    return i;
}

size_t SpaceEnd(std::string_view s, size_t i) {
    while (i < s.size()) {
        if (std::isspace(static_cast<unsigned char>(s[i]))) {
            ++i;
        } else if (s.compare(i, 2, "--") == 0) {
            size_t eol = s.find('\n', i);
            i = eol == std::string_view::npos ? s.size() : eol + 1;
        } else if (s.compare(i, 2, "/*") == 0) {
            size_t close = s.find("*/", i + 2);
            i = close == std::string_view::npos ? s.size() : close + 2;
        } else {
            break;
        }
    }
    return i;
}

size_t SymbolEnd(std::string_view s, size_t i) {
    static const char* const kTwoCharacter[] = {"<>", "<=", ">=", "!=", "==", "||", "<<", ">>", "->"};
    for (const char* op : kTwoCharacter)
        if (s.compare(i, 2, op) == 0)
            return i + 2;
    return i + 1;
}

// The kind and end of the token that starts at i.
std::pair<Kind, size_t> Scan(std::string_view s, size_t i) {
    char c = s[i];
    if (std::isspace(static_cast<unsigned char>(c)) || s.compare(i, 2, "--") == 0 ||
        s.compare(i, 2, "/*") == 0)
        return {Kind::Space, SpaceEnd(s, i)};
    if (c == '\'')
        return {Kind::String, QuotedEnd(s, i, '\'', true)};
    if (c == '"')
        return {Kind::DoubleString, QuotedEnd(s, i, '"', true)};
    if (c == '[')
        return {Kind::QuotedName, QuotedEnd(s, i, ']', false)};
    if (c == '`')
        return {Kind::QuotedName, QuotedEnd(s, i, '`', true)};
    if (IsDigit(c) || (c == '.' && i + 1 < s.size() && IsDigit(s[i + 1])))
        return {Kind::Number, NumberEnd(s, i)};
    if (IsWordStart(c)) {
        size_t j = i + 1;
        while (j < s.size() && IsWordChar(s[j]))
            ++j;
        return {Kind::Word, j};
    }
    if ((c == ':' || c == '@' || c == '$') && i + 1 < s.size() && IsWordStart(s[i + 1])) {
        size_t j = i + 2;
        while (j < s.size() && IsWordChar(s[j]))
            ++j;
        return {Kind::Parameter, j};
    }
    if (c == '?') {
        size_t j = i + 1;
        while (j < s.size() && IsDigit(s[j]))
            ++j;
        return {Kind::Parameter, j};
    }
    return {Kind::Symbol, SymbolEnd(s, i)};
}

} // namespace

std::vector<Token> Tokenize(std::string_view sql) {
    std::vector<Token> tokens;
    size_t i = 0;
    while (i < sql.size()) {
        auto [kind, end] = Scan(sql, i);
        tokens.push_back({kind, std::string(sql.substr(i, end - i))});
        i = end;
    }
    return tokens;
}

std::string NameOf(const Token& token) {
    if (token.kind != Kind::QuotedName || token.text.size() < 2)
        return token.text;
    std::string inner = token.text.substr(1, token.text.size() - 2);
    if (token.text[0] == '`') {
        std::string name;
        for (size_t i = 0; i < inner.size(); ++i) {
            name += inner[i];
            if (inner[i] == '`' && i + 1 < inner.size() && inner[i + 1] == '`')
                ++i;
        }
        return name;
    }
    return inner;
}

std::string Upper(std::string_view text) {
    std::string upper(text);
    for (char& c : upper)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return upper;
}

} // namespace corvid::operatordb::jet
