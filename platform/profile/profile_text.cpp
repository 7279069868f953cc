#include "profile_text.h"

#include "platform/text.h"

#include <algorithm>

namespace corvid::platform::profile_detail {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

bool IsQuote(char c) {
    return c == '"' || c == '\'';
}

std::string_view Unquote(std::string_view value) {
    if (value.size() >= 2 && IsQuote(value.front()) && value.back() == value.front())
        return value.substr(1, value.size() - 2);
    return value;
}

ProfileLine Classify(std::string raw, bool first) {
    ProfileLine line;
    line.raw = std::move(raw);
    std::string_view text = line.raw;
    if (first && text.starts_with(kByteOrderMark))
        text.remove_prefix(kByteOrderMark.size());
    text = Trim(text);
    if (text.empty() || text[0] == ';')
        return line;
    if (text[0] == '[') {
        std::size_t close = text.find(']');
        line.kind = ProfileLine::Kind::Section;
        line.name = Trim(text.substr(1, close == std::string_view::npos ? close : close - 1));
        return line;
    }
    std::size_t equals = text.find('=');
    if (equals == std::string_view::npos)
        return line;
    std::string_view key = Trim(text.substr(0, equals));
    if (key.empty())
        return line;
    line.kind = ProfileLine::Kind::Entry;
    line.name = key;
    line.value = Unquote(Trim(text.substr(equals + 1)));
    return line;
}

} // namespace

std::string EncodeValue(std::string_view value) {
    bool padded = !value.empty() && (Trim(value).size() != value.size());
    bool looksQuoted = value.size() >= 2 && IsQuote(value.front()) && value.back() == value.front();
    if (padded || looksQuoted)
        return "\"" + std::string(value) + "\"";
    return std::string(value);
}

ProfileText::ProfileText(std::string_view text) {
    std::size_t firstBreak = text.find('\n');
    crlf_ = firstBreak != std::string_view::npos && firstBreak > 0 && text[firstBreak - 1] == '\r';
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = std::min(text.find('\n', start), text.size());
        lines_.push_back(Classify(std::string(text.substr(start, end - start)), start == 0));
        start = end + 1;
    }
}

std::string ProfileText::Text() const {
    std::string text;
    for (const ProfileLine& line : lines_)
        text.append(line.raw).append("\n");
    return text;
}

std::optional<std::size_t> ProfileText::FindSection(std::string_view section) const {
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        if (lines_[i].kind == ProfileLine::Kind::Section && EqualsNoCase(lines_[i].name, section)) {
            return i;
        }
    }
    return std::nullopt;
}

std::size_t ProfileText::SectionEnd(std::size_t header) const {
    std::size_t end = header + 1;
    while (end < lines_.size() && lines_[end].kind != ProfileLine::Kind::Section)
        ++end;
    return end;
}

std::optional<std::size_t> ProfileText::FindEntry(std::size_t header, std::string_view key) const {
    for (std::size_t i = header + 1; i < SectionEnd(header); ++i) {
        if (lines_[i].kind == ProfileLine::Kind::Entry && EqualsNoCase(lines_[i].name, key)) {
            return i;
        }
    }
    return std::nullopt;
}

std::string ProfileText::NewLine(std::string text) const {
    if (crlf_)
        text += '\r';
    return text;
}

void ProfileText::Insert(std::size_t at, std::string text) {
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at),
                  Classify(NewLine(std::move(text)), at == 0));
}

bool ProfileText::SetEntry(std::string_view section, std::string_view key, std::string_view value) {
    std::string encoded = EncodeValue(value);
    std::optional<std::size_t> header = FindSection(section);
    if (!header) {
        if (!lines_.empty() && !Trim(lines_.back().raw).empty())
            Insert(lines_.size(), "");
        Insert(lines_.size(), "[" + std::string(section) + "]");
        Insert(lines_.size(), std::string(key) + "=" + encoded);
        return true;
    }
    if (std::optional<std::size_t> entry = FindEntry(*header, key)) {
        ProfileLine& line = lines_[*entry];
        if (line.value == value)
            return false;
        // Keep the key as written, the spacing around "=" and the line's own ending.
        std::string_view body = line.raw;
        bool carriageReturn = body.ends_with('\r');
        if (carriageReturn)
            body.remove_suffix(1);
        std::size_t equals = body.find('=');
        std::size_t valueStart = std::min(body.find_first_not_of(" \t", equals + 1), body.size());
        std::string raw = std::string(body.substr(0, valueStart)) + encoded + (carriageReturn ? "\r" : "");
        line = Classify(std::move(raw), false);
        return true;
    }
    std::size_t at = SectionEnd(*header);
    while (at > *header + 1 && Trim(lines_[at - 1].raw).empty())
        --at;
    Insert(at, std::string(key) + "=" + encoded);
    return true;
}

bool ProfileText::DeleteEntry(std::string_view section, std::string_view key) {
    std::optional<std::size_t> header = FindSection(section);
    if (!header)
        return false;
    auto first = lines_.begin() + static_cast<std::ptrdiff_t>(*header + 1);
    auto last = lines_.begin() + static_cast<std::ptrdiff_t>(SectionEnd(*header));
    auto kept = std::remove_if(first, last, [&](const ProfileLine& line) {
        return line.kind == ProfileLine::Kind::Entry && EqualsNoCase(line.name, key);
    });
    if (kept == last)
        return false;
    lines_.erase(kept, last);
    return true;
}

bool ProfileText::DeleteSection(std::string_view section) {
    std::optional<std::size_t> header = FindSection(section);
    if (!header)
        return false;
    lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(*header),
                 lines_.begin() + static_cast<std::ptrdiff_t>(SectionEnd(*header)));
    return true;
}

} // namespace corvid::platform::profile_detail
