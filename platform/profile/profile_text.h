// The lines of a profile file, classified, so that a change can rewrite the few lines
// it touches and keep every other line byte for byte.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace corvid::platform::profile_detail {

struct ProfileLine {
    enum class Kind { Other, Section, Entry };
    std::string raw; // as in the file, without the line feed
    Kind kind = Kind::Other;
    std::string name;  // section or key name, trimmed
    std::string value; // entry value, trimmed and unquoted
};

class ProfileText {
public:
    explicit ProfileText(std::string_view text);

    std::string Text() const;
    const std::vector<ProfileLine>& Lines() const { return lines_; }

    // Index of the first section header of that name, or nullopt.
    std::optional<std::size_t> FindSection(std::string_view section) const;
    // One past the last line of the section whose header is at index header.
    std::size_t SectionEnd(std::size_t header) const;
    // Index of the first entry of that key in the section, or nullopt.
    std::optional<std::size_t> FindEntry(std::size_t header, std::string_view key) const;

    // Changes; each returns whether the text changed.
    bool SetEntry(std::string_view section, std::string_view key, std::string_view value);
    bool DeleteEntry(std::string_view section, std::string_view key);
    bool DeleteSection(std::string_view section);

private:
    std::string NewLine(std::string text) const;
    void Insert(std::size_t at, std::string text);

    std::vector<ProfileLine> lines_;
    bool crlf_ = false;
};

// The text written after "key=" so that reading it back gives value exactly.
std::string EncodeValue(std::string_view value);

} // namespace corvid::platform::profile_detail
